#pragma once
// The real-time mixer: plays sound buffers the way the program's buffer
// operations promise (play once from the current position to the end, play
// looping, stop keeping the position, rewind, status, duplicates sharing the
// samples), resampled to the device rate and mixed into float stereo.
//
// Threads: every method but Render is for the user-interface thread and never
// blocks. Render is for the audio thread only and never allocates, locks or
// waits. Commands cross through a lock-free single-producer ring; voices come
// from a preallocated pool that grows on the user-interface thread.

#include <cstdint>
#include <functional>
#include <memory>

#include "audio/SoundBuffer.h"

namespace tambrel {

class MixerCore;

class Mixer {
public:
    static constexpr int kStatusPlaying = 1;
    static constexpr int kStatusLooping = 4;

    explicit Mixer(int deviceRate, int initialVoices = 4096);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // User-interface thread.
    void Play(SoundBuffer& buffer, bool looping);
    void Stop(SoundBuffer& buffer);
    void Rewind(SoundBuffer& buffer);
    // kStatusPlaying, plus kStatusLooping while it loops; right at once after
    // Play and Stop, and "not playing" once the audio thread reached the end.
    int Status(const SoundBuffer& buffer) const;
    int DeviceRate() const;
    // Hands on commands that found the ring full and frees released voices;
    // the app calls it now and then, the offline renderer before each block.
    void Pump();
    // True while Pump has work left: commands waiting for room in the ring,
    // or released voices not yet acknowledged by the audio thread.
    bool PumpPending() const;
    // Called (user-interface thread) when such work appears.
    void SetPumpRequest(std::function<void()> request);
    // Voices bound to buffers now (for tests and benchmarks).
    int VoicesInUse() const;
    int VoiceCapacity() const;

    // Audio thread: adds nothing, overwrites out with frames x 2 floats.
    void Render(float* out, int frames);

private:
    std::shared_ptr<MixerCore> core_;
};

} // namespace tambrel
