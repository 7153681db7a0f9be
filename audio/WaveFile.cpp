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

// Places in the "fmt " chunk, from its id; the messages count bytes of the
// file from 1. The chunk of a canonical file starts at 12, so its channels
// lie at 22, its rate at 24 and its bits per sample at 34.
constexpr std::int64_t kCanonicalFmtAt = 12;
constexpr std::int64_t kFormatTagAt = 8;
constexpr std::int64_t kChannelsAt = 10;
constexpr std::int64_t kRateAt = 12;
constexpr std::int64_t kBitsAt = 22;
constexpr std::int64_t kSubFormatAt = 32; // WAVE_FORMAT_EXTENSIBLE's sub-format
constexpr std::uint32_t kFmtMinSize = 16;
constexpr std::uint32_t kExtensibleMinSize = 40;
constexpr std::int64_t kTagSearchFrom = 35;
constexpr std::int64_t kMinFileLength = 45;

constexpr std::uint16_t kFormatPcm = 0x0001;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

// Bytes scanned per read while looking for the "data" tag.
constexpr std::size_t kScanChunk = 64 * 1024;
// How far the tag is looked for byte by byte: the chunks before it are
// small in every wave file, and the chunk walk finds the tag behind large
// ones. A file of zeros is refused after this much, not after gigabytes.
constexpr std::int64_t kTagSearchSpan = 16 * 1024 * 1024;
// Chunks followed from the start before the walk gives up.
constexpr int kMaxChunks = 4096;

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
    std::uint32_t v =
        std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    return static_cast<std::int32_t>(v);
}

std::uint16_t Int16At(const std::uint8_t* b) { return static_cast<std::uint16_t>(b[0] | b[1] << 8); }

bool IsDataTag(const std::uint8_t* b) {
    auto up = [](std::uint8_t c) { return (c >= 'a' && c <= 'z') ? std::uint8_t(c - 'a' + 'A') : c; };
    return up(b[0]) == 'D' && up(b[1]) == 'A' && up(b[2]) == 'T' && up(b[3]) == 'A';
}

// A chunk id is four printable ASCII characters.
bool IsChunkId(const std::uint8_t* b) {
    return std::all_of(b, b + 4, [](std::uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

// What following the RIFF chunks from offset 12 finds: the first "fmt "
// chunk and the first chunk whose id reads "data" in any letter case.
struct Chunks {
    std::int64_t fmtAt = -1;
    std::uint32_t fmtSize = 0;
    std::int64_t dataAt = -1;
};

Chunks WalkChunks(std::FILE* f, std::int64_t length) {
    Chunks c;
    std::uint8_t h[8];
    std::int64_t at = kCanonicalFmtAt;
    for (int step = 0; step < kMaxChunks && at + 8 <= length; ++step) {
        ReadAt(f, at, h, sizeof h);
        if (!IsChunkId(h)) break;
        const std::uint32_t size = static_cast<std::uint32_t>(Int32At(h + 4));
        if (c.fmtAt < 0 && std::memcmp(h, "fmt ", 4) == 0) {
            c.fmtAt = at;
            c.fmtSize = size;
        }
        if (IsDataTag(h)) {
            c.dataAt = at;
            break;
        }
        std::int64_t next = at + 8 + static_cast<std::int64_t>(size);
        // Odd chunks are padded to an even size, except by writers that
        // forget: the next id tells which.
        if (size % 2 == 1 && next + 9 <= length) {
            ReadAt(f, next + 1, h, 4);
            if (IsChunkId(h)) ++next;
        }
        at = next;
    }
    return c;
}

// Offset of the first "data" tag whose window starts in [35, end], and
// never later than length - 5: the last four bytes of the file are never
// taken as a tag. -1 when absent.
std::int64_t FindDataTag(std::FILE* f, std::int64_t length, std::int64_t end) {
    const std::int64_t lastStart = std::min(length - 5, end);
    if (lastStart < kTagSearchFrom) return -1;
    std::vector<std::uint8_t> buf(
        static_cast<std::size_t>(std::min<std::int64_t>(kScanChunk, lastStart - kTagSearchFrom + 1) + 3));
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

// The name of a format tag, as a message gives it.
std::string FormatName(std::uint16_t tag) {
    switch (tag) {
    case 0x0002: return "Microsoft ADPCM";
    case 0x0003: return "IEEE float";
    case 0x0006: return "A-law";
    case 0x0007: return "\xB5-law"; // the core's texts are Windows-1252
    case 0x0011: return "IMA ADPCM";
    case 0x0031: return "GSM 6.10";
    case 0x0050: return "MPEG";
    case 0x0055: return "MPEG Layer 3";
    case 0x00FF: return "AAC";
    case 0x1610: return "HE-AAC";
    case 0x2000: return "AC-3";
    case 0xF1AC: return "FLAC";
    default: {
        char hex[16];
        std::snprintf(hex, sizeof hex, "tag 0x%04X", static_cast<unsigned>(tag));
        return hex;
    }
    }
}

// Why the "fmt " chunk at fmtAt does not describe PCM samples, or nothing
// when it does. Any other coding read as PCM would play as loud noise.
std::optional<std::string> FormatRefusal(std::FILE* f, std::int64_t fmtAt, std::uint32_t fmtSize) {
    if (fmtSize < kFmtMinSize) return "The format chunk 'fmt ' is too short";
    std::uint8_t b[2];
    ReadAt(f, fmtAt + kFormatTagAt, b, sizeof b);
    std::uint16_t tag = Int16At(b);
    if (tag == kFormatExtensible) {
        if (fmtSize < kExtensibleMinSize) return "The format chunk 'fmt ' is too short";
        // {XXXXXXXX-0000-0010-8000-00AA00389B71}: the first part is the tag.
        static constexpr std::uint8_t kGuidTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                                       0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        std::uint8_t guid[16];
        ReadAt(f, fmtAt + kSubFormatAt, guid, sizeof guid);
        if (std::memcmp(guid + 4, kGuidTail, sizeof kGuidTail) != 0 || guid[2] != 0 || guid[3] != 0)
            return "Wave format WAVE_FORMAT_EXTENSIBLE with an unknown sub-format not supported, only PCM";
        tag = Int16At(guid);
    }
    if (tag == kFormatPcm) return std::nullopt;
    return "Wave format " + FormatName(tag) + " not supported, only PCM";
}

// The parse proper, on an open file of at least 45 bytes. Fills w and returns
// nothing on success, else the box to show; a failure of the file system or
// of memory arrives as an exception.
std::optional<Complaint> ParseOpenFile(std::FILE* f, std::int64_t length, const std::string& path, WaveData& w) {
    const std::string errorTitle = "Error Loading " + path;

    // The first "data" from byte 35 on, as the tag has always been found;
    // the chunk walk bounds the search, so a file of zeros or one with a
    // huge chunk before its samples is not read through byte by byte.
    const Chunks chunks = WalkChunks(f, length);
    const std::int64_t searchEnd = kTagSearchFrom + kTagSearchSpan;
    std::int64_t p =
        FindDataTag(f, length, chunks.dataAt >= kTagSearchFrom ? std::min(chunks.dataAt, searchEnd) : searchEnd);
    if (p < 0 && chunks.dataAt >= kTagSearchFrom && chunks.dataAt <= length - 5) p = chunks.dataAt;
    if (p < 0) {
        return Complaint{"The String 'Data' - is not found", errorTitle};
    }
    std::array<std::uint8_t, 4> sizeBytes{};
    ReadAt(f, p + 4, sizeBytes.data(), sizeBytes.size());
    // The RIFF size field is unsigned: a value past 2 GB is just another
    // claim that the file cannot back, handled like any oversized one below.
    const std::int64_t claimed = static_cast<std::uint32_t>(Int32At(sizeBytes.data()));

    if (chunks.fmtAt < 0) return Complaint{"The format chunk 'fmt ' is not found", errorTitle};
    if (auto refusal = FormatRefusal(f, chunks.fmtAt, chunks.fmtSize)) return Complaint{*refusal, errorTitle};

    // The fields are read where the format chunk really is: at 22, 24 and
    // 34 in a canonical file, and the messages name the bytes read.
    const std::int64_t fmtAt = chunks.fmtAt;
    std::array<std::uint8_t, kFmtMinSize + 8> fmt{};
    ReadAt(f, fmtAt, fmt.data(), fmt.size());

    // Whole 16-bit counts: a file of 257 channels is no mono file.
    const int c = Int16At(fmt.data() + kChannelsAt);
    if (c != 1 && c != 2) {
        return Complaint{"Channal info invalid at byte location " + std::to_string(fmtAt + kChannelsAt + 1),
                         errorTitle};
    }
    const std::int32_t r = Int32At(fmt.data() + kRateAt);
    if (r != 11025 && r != 22050 && r != 44100) {
        return Complaint{"Sampling rate ( " + std::to_string(r) + ") not supported", "Loading failed" + path};
    }
    const int b = Int16At(fmt.data() + kBitsAt);
    if (b != 8 && b != 16) {
        return Complaint{"Bits per sample info invalid/not supported at byte location " +
                             std::to_string(fmtAt + kBitsAt + 1),
                         errorTitle};
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

bool IsBlank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

} // namespace

bool ReadWaveFile(const std::string& path, WaveData& w, std::optional<WaveProblem>& problem) {
    problem.reset();
    std::error_code ec;
    if (IsBlank(path) || !std::filesystem::is_regular_file(path, ec)) return false;
    const auto fileSize = std::filesystem::file_size(path, ec);
    if (ec) {
        problem = WaveProblem{ec.message(), std::string(kLoadErrorTitle)};
        return false;
    }
    const auto length = static_cast<std::int64_t>(
        std::min<std::uintmax_t>(fileSize, static_cast<std::uintmax_t>(std::numeric_limits<std::int64_t>::max())));
    if (length < kMinFileLength) {
        problem = WaveProblem{"No wave Data found in file", "Error Loading " + path};
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
    if (!complaint) return true;
    problem = WaveProblem{std::move(complaint->text), std::move(complaint->title)};
    return false;
}

bool ParseWaveFile(const std::string& path, WaveData& w, Shell& shell) {
    std::optional<WaveProblem> problem;
    if (ReadWaveFile(path, w, problem)) return true;
    // The file is closed by now: a box waiting for the user holds nothing open.
    if (problem) shell.Message(problem->text, problem->title, MsgButtons::Ok);
    return false;
}

std::string WaveFormatProblem(std::int32_t bitsPerSample, std::int32_t channels, std::int32_t sampleRate) {
    if (channels != 1 && channels != 2) return "Channels (" + std::to_string(channels) + ") not supported";
    if (sampleRate != 11025 && sampleRate != 22050 && sampleRate != 44100)
        return "Sampling rate ( " + std::to_string(sampleRate) + ") not supported";
    if (bitsPerSample != 8 && bitsPerSample != 16)
        return "Bits per sample (" + std::to_string(bitsPerSample) + ") not supported";
    return {};
}

} // namespace tambrel
