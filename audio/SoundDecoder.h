#pragma once
// Sound files of every common kind (WAV of any width, AIFF, FLAC, Ogg Vorbis,
// Opus, MP3) turned into the one form a key's wave takes: 16-bit PCM, mono or
// stereo, 44100 Hz. The work is done by audio/sndfile/ (libsndfile and
// libsamplerate); this header is plain C++ so the core stays free of them.

#include <cstdint>
#include <string>

#include "audio/WaveData.h"

namespace tambrel {

// What a decoded wave is made into.
inline constexpr std::int32_t kDecodedRate = 44100;
inline constexpr std::int32_t kDecodedBits = 16;
// The most sample bytes a decoded sound may take: a key holding more would
// take the memory of the whole performance.
inline constexpr std::int64_t kMaxDecodedBytes = std::int64_t(1) << 30;

// Why a file could not be decoded.
enum class DecodeFailure {
    None,
    Unreadable,  // the file system refused it
    Empty,       // no byte at all
    NotSound,    // no sound format the decoder knows
    Damaged,     // a known format, but corrupt or cut short
    Unsupported, // a known format with values that cannot be converted
    TooLarge,    // more than the limit once decoded
};

struct DecodeResult {
    DecodeFailure failure = DecodeFailure::None;
    std::string text; // what is wrong, for the user; empty on success
    // The file as it was: its kind ("FLAC", "WAV 24-bit", ...), channels,
    // rate and length in frames, filled as far as the file was understood.
    std::string sourceFormat;
    std::int32_t sourceChannels = 0;
    std::int32_t sourceRate = 0;
    std::int64_t sourceFrames = 0;

    bool Ok() const { return failure == DecodeFailure::None; }
};

// Told how far a long decode has come, on the caller's thread.
class DecodeProgress {
public:
    virtual ~DecodeProgress() = default;
    // fraction in [0, 1]; called at most a few hundred times per file.
    virtual void Advanced(double fraction) = 0;
};

// Decodes path into w (16-bit, kDecodedRate, 1 or 2 channels: more are
// mixed down to two). w is touched only on success.
DecodeResult DecodeSoundFile(const std::string& path, WaveData& w, DecodeProgress* progress = nullptr,
                             std::int64_t maxBytes = kMaxDecodedBytes);

// The same on bytes in memory (the fuzz target's way in).
DecodeResult DecodeSoundBytes(const std::uint8_t* data, std::size_t size, WaveData& w,
                              std::int64_t maxBytes = kMaxDecodedBytes);

// "1.5 GiB", "300 MiB", "12 KiB": a size as a message gives it.
std::string ByteSizeText(std::int64_t bytes);

} // namespace tambrel
