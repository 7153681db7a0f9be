#include "audio/WaveFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/NumberText.h"
#include "common/Shell.h"

namespace tambrel {

namespace {

// Header positions; the messages count bytes from 1.
constexpr std::int64_t kChannelsAt = 22;
constexpr std::int64_t kRateAt = 24;
constexpr std::int64_t kBitsAt = 34;
constexpr std::int64_t kTagSearchFrom = 35;
constexpr std::int64_t kMinFileLength = 45;

// Bytes scanned per read while looking for the "data" tag.
constexpr std::size_t kScanChunk = 64 * 1024;

// The largest sample count a 32-bit ByteCount can describe that is also a
// whole number of frames for every accepted block size (1, 2, 4).
constexpr std::int64_t kMaxSampleBytes = 0x7FFFFFFC;

constexpr std::string_view kLoadErrorTitle = "Wave file load error";

// A failure of the file system or the machine while reading; its text is
// shown in the load-error box.
class ReadFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string ErrnoText(int err, const char* fallback) {
    if (err == 0) return fallback;
    return std::generic_category().message(err);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Reads n bytes at offset into dest. Whatever lies beyond the end of the file
// reads as 0, so a short file or one that shrank meanwhile is never an error.
void ReadAt(std::FILE* f, std::int64_t offset, std::uint8_t* dest, std::size_t n) {
    if (n == 0) return;
    errno = 0;
    if (offset > std::numeric_limits<long>::max() || std::fseek(f, static_cast<long>(offset), SEEK_SET) != 0)
        throw ReadFailure(ErrnoText(errno, "Bad record number"));
    std::size_t got = std::fread(dest, 1, n, f);
    if (got < n) {
        if (std::ferror(f)) throw ReadFailure(ErrnoText(errno, "Device I/O error"));
        std::memset(dest + got, 0, n - got);
    }
}

std::int32_t Int32At(const std::uint8_t* b) {
    std::uint32_t v = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                      std::uint32_t(b[3]) << 24;
    return static_cast<std::int32_t>(v);
}

bool IsDataTag(const std::uint8_t* b) {
    auto up = [](std::uint8_t c) { return (c >= 'a' && c <= 'z') ? std::uint8_t(c - 'a' + 'A') : c; };
    return up(b[0]) == 'D' && up(b[1]) == 'A' && up(b[2]) == 'T' && up(b[3]) == 'A';
}

// Offset of the first "data" tag whose window starts in [35, length - 5];
// the last four bytes of the file are never taken as a tag. -1 when absent.
std::int64_t FindDataTag(std::FILE* f, std::int64_t length) {
    const std::int64_t lastStart = length - 5;
    if (lastStart < kTagSearchFrom) return -1;
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(
        std::min<std::int64_t>(kScanChunk, lastStart - kTagSearchFrom + 1) + 3));
    for (std::int64_t start = kTagSearchFrom; start <= lastStart; start += std::int64_t(kScanChunk)) {
        const auto windows = static_cast<std::size_t>(std::min<std::int64_t>(kScanChunk, lastStart - start + 1));
        ReadAt(f, start, buf.data(), windows + 3);
        for (std::size_t i = 0; i < windows; ++i)
            if (IsDataTag(buf.data() + i)) return start + std::int64_t(i);
    }
    return -1;
}

// A message box to show once the file is closed.
struct Complaint {
    std::string text;
    std::string title;
};

// The parse proper, on an open file of at least 45 bytes. Fills w and returns
// nothing on success, else the box to show; a failure of the file system or
// of memory arrives as an exception.
std::optional<Complaint> ParseOpenFile(std::FILE* f, std::int64_t length, const std::string& path, WaveData& w) {
    const std::string errorTitle = "Error Loading " + path;

    const std::int64_t p = FindDataTag(f, length);
    if (p < 0) {
        return Complaint{"The String 'Data' - is not found", errorTitle};
    }
    std::array<std::uint8_t, 4> sizeBytes{};
    ReadAt(f, p + 4, sizeBytes.data(), sizeBytes.size());
    // The RIFF size field is unsigned: a value past 2 GB is just another
    // claim that the file cannot back, handled like any oversized one below.
    const std::int64_t claimed = static_cast<std::uint32_t>(Int32At(sizeBytes.data()));

    std::array<std::uint8_t, kTagSearchFrom> head{};
    ReadAt(f, 0, head.data(), head.size());

    const int c = head[kChannelsAt];
    if (c != 1 && c != 2) {
        return Complaint{"Channal info invalid at byte location 23", errorTitle};
    }
    const std::int32_t r = Int32At(head.data() + kRateAt);
    if (r != 11025 && r != 22050 && r != 44100) {
        return Complaint{"Sampling rate ( " + std::to_string(r) + ") not supported", "Loading failed" + path};
    }
    const int b = head[kBitsAt];
    if (b != 8 && b != 16) {
        return Complaint{"Bits per sample info invalid/not supported at byte location 35", errorTitle};
    }

    // The size field of a hostile or truncated file may claim far more than
    // the file holds; only the bytes really present are taken, so a tiny file
    // cannot make us allocate gigabytes of zeros. A partial last frame is
    // still rounded as before and padded with zeros.
    const std::int64_t present = std::max<std::int64_t>(0, length - (p + 8));
    const std::int64_t size = std::min({claimed, present, kMaxSampleBytes});

    const int block = b / 8 * c;
    const std::int32_t frames = RoundHalfEven(static_cast<double>(size) / block);
    if (frames == 0) return Complaint{"", std::string(kLoadErrorTitle)};
    const std::int32_t byteCount = b / 8 * frames * c;

    std::vector<std::uint8_t> data(static_cast<std::size_t>(byteCount));
    ReadAt(f, p + 8, data.data(), data.size());

    w.Channels = c;
    w.SampleRate = r;
    w.BitsPerSample = b;
    w.Frames = frames;
    w.ByteCount = byteCount;
    w.Data = std::move(data);
    return std::nullopt;
}

bool IsBlank(const std::string& s) {
    return s.find_first_not_of(' ') == std::string::npos;
}

} // namespace

bool ParseWaveFile(const std::string& path, WaveData& w, Shell& shell) {
    std::error_code ec;
    if (IsBlank(path) || !std::filesystem::is_regular_file(path, ec)) return false;
    const auto fileSize = std::filesystem::file_size(path, ec);
    if (ec) {
        shell.Message(ec.message(), kLoadErrorTitle, MsgButtons::Ok);
        return false;
    }
    const auto length = static_cast<std::int64_t>(std::min<std::uintmax_t>(
        fileSize, static_cast<std::uintmax_t>(std::numeric_limits<std::int64_t>::max())));
    if (length < kMinFileLength) {
        shell.Message("No wave Data found in file", "Error Loading " + path, MsgButtons::Ok);
        return false;
    }

    std::optional<Complaint> complaint;
    try {
        errno = 0;
        FilePtr f(std::fopen(path.c_str(), "rb"));
        if (!f) throw ReadFailure(ErrnoText(errno, "File not found"));
        complaint = ParseOpenFile(f.get(), length, path, w);
    } catch (const std::bad_alloc&) {
        complaint = Complaint{"Out of memory", std::string(kLoadErrorTitle)};
    } catch (const std::exception& e) {
        complaint = Complaint{e.what(), std::string(kLoadErrorTitle)};
    }
    // The file is closed by now: a box waiting for the user holds nothing open.
    if (!complaint) return true;
    shell.Message(complaint->text, complaint->title, MsgButtons::Ok);
    return false;
}

} // namespace tambrel
