#pragma once
// A sound source rendered beside the mixer in the same output callback (the
// built-in MIDI synthesizer), live and in the offline renderer.

#include <functional>

namespace tambrel {

class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Audio thread: adds frames x 2 interleaved floats into out; never
    // allocates, locks or waits. Consecutive calls are consecutive audio.
    virtual void RenderAdd(float* out, int frames) = 0;
    // User-interface thread: hands on what waits for the audio thread; called
    // before each block the offline renderer renders.
    virtual void Pump() {}
    // User-interface thread: true while Pump has work left.
    virtual bool PumpPending() const { return false; }
    // User-interface thread: called when work for Pump appears, so the
    // program pumps only then and sleeps while idle.
    virtual void SetPumpRequest(std::function<void()>) {}
};

} // namespace tambrel
