#pragma once
// Where mixed frames go: the sound device in the app, memory in tests and in
// the offline renderer. The output pulls float stereo frames from a render
// function that runs on its audio thread (or, for memory, on the caller's).

#include <functional>
#include <string>
#include <vector>

namespace tambrel {

class AudioOutput {
public:
    // Audio thread: fill out with frames x 2 interleaved floats.
    using RenderFn = std::function<void(float* out, int frames)>;

    virtual ~AudioOutput() = default;
    // Opens the device and starts pulling; false with a description on failure.
    virtual bool Start(RenderFn render, std::string& error) = 0;
    virtual void Stop() = 0;
    virtual int Rate() const = 0;
    virtual int BufferFrames() const = 0;

    // The sound device and buffer size the next Start opens; an empty device
    // is the system's default. The device may give another buffer size:
    // BufferFrames says what it gave once started.
    virtual void Choose(const std::string& device, int bufferFrames) {
        (void)device;
        (void)bufferFrames;
    }
    // The output devices the audio system lists now, by name (UTF-8).
    virtual std::vector<std::string> Devices() { return {}; }
    // The audio system behind the output ("pipewire", "pulseaudio", "alsa",
    // ...); empty when it has none.
    virtual std::string Backend() const { return {}; }
};

// Frames pulled on demand into memory.
class MemoryAudioOutput : public AudioOutput {
public:
    explicit MemoryAudioOutput(int rate = 44100, int bufferFrames = 256) : rate_(rate), bufferFrames_(bufferFrames) {}

    bool Start(RenderFn render, std::string&) override {
        render_ = std::move(render);
        return true;
    }
    void Stop() override { render_ = nullptr; }
    int Rate() const override { return rate_; }
    int BufferFrames() const override { return bufferFrames_; }

    // Renders the next frames and appends them to Frames().
    void Pull(int frames) {
        if (!render_ || frames <= 0) return;
        const std::size_t at = frames_.size();
        frames_.resize(at + static_cast<std::size_t>(frames) * 2);
        render_(frames_.data() + at, frames);
    }
    const std::vector<float>& Frames() const { return frames_; }
    std::size_t FrameCount() const { return frames_.size() / 2; }

private:
    int rate_, bufferFrames_;
    RenderFn render_;
    std::vector<float> frames_;
};

} // namespace tambrel
