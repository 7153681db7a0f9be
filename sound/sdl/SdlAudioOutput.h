#pragma once
// The sound device through SDL2: float stereo, a small device buffer so a
// press sounds at once. SDL's dummy driver serves machines without a sound card.

#include <cstdint>

#include "common/AudioOutput.h"

namespace tambrel {

class SdlAudioOutput : public AudioOutput {
public:
    explicit SdlAudioOutput(int rate = 48000, int bufferFrames = 256) : rate_(rate), bufferFrames_(bufferFrames) {}
    ~SdlAudioOutput() override;

    bool Start(RenderFn render, std::string& error) override;
    void Stop() override;
    int Rate() const override { return rate_; }
    int BufferFrames() const override { return bufferFrames_; }

private:
    static void Callback(void* self, std::uint8_t* stream, int len);

    int rate_, bufferFrames_;
    RenderFn render_;
    std::uint32_t device_ = 0;
    bool sdlStarted_ = false;
};

} // namespace tambrel
