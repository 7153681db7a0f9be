#pragma once
// The sound device through SDL2: float stereo at the mixer's rate, the device
// and buffer size the user chose, so a press sounds at once. SDL's dummy
// driver serves machines without a sound card. Start, Stop, Choose and
// Devices: user-interface thread; the callback runs on the audio thread.

#include <atomic>
#include <cstdint>

#include "common/AudioOutput.h"
#include "sound/Realtime.h"

namespace tambrel {

class SdlAudioOutput : public AudioOutput {
public:
    explicit SdlAudioOutput(int rate = 48000, int bufferFrames = 256)
        : rate_(rate), bufferFrames_(bufferFrames), wantedFrames_(bufferFrames) {}
    ~SdlAudioOutput() override;

    // Opens the chosen device and starts the callback; once it has run, its
    // thread is given real-time priority where the system grants it.
    bool Start(RenderFn render, std::string& error) override;
    // Closes the device: the callback has stopped when it returns.
    void Stop() override;
    int Rate() const override { return rate_; }
    int BufferFrames() const override { return bufferFrames_; }
    void Choose(const std::string& device, int bufferFrames) override;
    std::vector<std::string> Devices() override;
    std::string Backend() const override { return backend_; }

    // How the audio thread's real-time priority went at the last Start.
    const RealtimeGrant& Realtime() const { return realtime_; }

private:
    static void Callback(void* self, std::uint8_t* stream, int len);
    void RaiseAudioThread();

    int rate_, bufferFrames_, wantedFrames_;
    std::string device_;
    std::string backend_;
    RenderFn render_;
    std::uint32_t deviceId_ = 0;
    bool sdlStarted_ = false;
    // Written once by the callback: the thread it runs on.
    std::atomic<long> audioThread_{0};
    RealtimeGrant realtime_;
};

} // namespace tambrel
