#include "audio/sndfile/OggPages.h"

#include <array>
#include <cstring>

namespace tambrel {

namespace {

constexpr std::size_t kHeaderBytes = 27;
constexpr std::uint8_t kEndOfStream = 0x04;

// The page checksum: CRC-32 with polynomial 0x04C11DB7, not reflected,
// starting from 0, over the page with its checksum field as zeros.
std::uint32_t PageCrc(const std::uint8_t* page, std::size_t size) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t r = i << 24;
            for (int b = 0; b < 8; ++b) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = (i >= 22 && i < 26) ? 0 : page[i];
        crc = (crc << 8) ^ table[((crc >> 24) ^ byte) & 0xFF];
    }
    return crc;
}

// The length of the whole page at p (size bytes left), or 0 when it is not
// a whole, intact page.
std::size_t WholePage(const std::uint8_t* p, std::size_t size) {
    if (size < kHeaderBytes || std::memcmp(p, "OggS", 4) != 0 || p[4] != 0) return 0;
    const std::size_t segments = p[26];
    if (kHeaderBytes + segments > size) return 0;
    std::size_t length = kHeaderBytes + segments;
    for (std::size_t s = 0; s < segments; ++s) length += p[kHeaderBytes + s];
    if (length > size) return 0;
    const std::uint32_t stored =
        std::uint32_t(p[22]) | std::uint32_t(p[23]) << 8 | std::uint32_t(p[24]) << 16 | std::uint32_t(p[25]) << 24;
    return PageCrc(p, length) == stored ? length : 0;
}

} // namespace

bool OggStreamEnded(const std::uint8_t* tail, std::size_t size) {
    if (!tail || size < kHeaderBytes) return false;
    // From the end back: the first whole page met is the file's last one.
    for (std::size_t at = size - kHeaderBytes + 1; at-- > 0;) {
        if (tail[at] != 'O' || WholePage(tail + at, size - at) == 0) continue;
        return (tail[at + 5] & kEndOfStream) != 0;
    }
    return false;
}

} // namespace tambrel
