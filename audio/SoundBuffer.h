#pragma once
// A wave sound buffer: immutable sample memory plus its PCM format. The
// samples sit behind a shared pointer, so a duplicate (an overlapping copy of
// a key's sound) and a cloned Play Board's keys cost no copying of samples.
// Play position and state belong to the mixer's voices, not to this type.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tambrel {

class MixerCore;

// A buffer's link to its mixer voice, made when it is first played. A copy of
// a buffer (a duplicate) starts unlinked; dropping the link frees the voice
// once the audio thread has let go of it. User-interface thread only.
class VoiceLink {
public:
    VoiceLink() = default;
    VoiceLink(const VoiceLink&) {}
    VoiceLink& operator=(const VoiceLink&) { return *this; }
    ~VoiceLink();

    std::shared_ptr<MixerCore> core;
    int slot = -1;
};

struct WaveFormat {
    std::int32_t BitsPerSample = 0; // 8 (unsigned) or 16 (signed little-endian)
    std::int32_t Channels = 0;      // 1 or 2
    std::int32_t SampleRate = 0;    // frames per second

    std::int32_t BlockAlign() const { return BitsPerSample / 8 * Channels; }
    std::int32_t AvgBytesPerSec() const { return SampleRate * BlockAlign(); }
};

class SoundBuffer {
public:
    using Samples = std::vector<std::uint8_t>;

    // Takes the bytes over without copying them.
    SoundBuffer(WaveFormat format, Samples&& bytes)
        : format_(format), samples_(std::make_shared<const Samples>(std::move(bytes))) {}

    const WaveFormat& Format() const { return format_; }
    std::size_t ByteSize() const { return samples_->size(); }
    const std::uint8_t* Bytes() const { return samples_->data(); }
    const std::shared_ptr<const Samples>& SharedSamples() const { return samples_; }

    // A new buffer over the same sample memory, with its own position and state.
    std::shared_ptr<SoundBuffer> Duplicate() const { return std::make_shared<SoundBuffer>(*this); }

    VoiceLink voice; // the mixer's; see Mixer

private:
    WaveFormat format_;
    std::shared_ptr<const Samples> samples_;
};

using SoundBufferRef = std::shared_ptr<SoundBuffer>;

} // namespace tambrel
