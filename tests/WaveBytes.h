#pragma once
// The bytes of a canonical wave file (the 44-byte header, then the
// samples), written by hand, independently of the wave writer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tambrel::test {

inline std::string CanonicalWave(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                                 std::string_view samples) {
    auto le = [](std::uint32_t v, int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xff);
        return s;
    };
    const auto size = static_cast<std::uint32_t>(samples.size());
    const std::uint32_t block = channels * bits / 8u;
    return "RIFF" + le(36 + size, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(channels, 2) + le(rate, 4) +
           le(rate * block, 4) + le(block, 2) + le(bits, 2) + "data" + le(size, 4) + std::string(samples);
}

// `frames` 8-bit mono samples at 11025 Hz, all a little above the middle.
inline std::string Wave8Mono(std::size_t frames) { return CanonicalWave(11025, 1, 8, std::string(frames, '\x90')); }

} // namespace tambrel::test
