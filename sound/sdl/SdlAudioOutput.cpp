#include "sound/sdl/SdlAudioOutput.h"

#include <SDL.h>

namespace tambrel {

SdlAudioOutput::~SdlAudioOutput() { Stop(); }

bool SdlAudioOutput::Start(RenderFn render, std::string& error) {
    Stop();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        return false;
    }
    sdlStarted_ = true;
    render_ = std::move(render);
    SDL_AudioSpec want{}, have{};
    want.freq = rate_;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = static_cast<Uint16>(bufferFrames_);
    want.callback = &SdlAudioOutput::Callback;
    want.userdata = this;
    // The device may pick its own rate and buffer size; format and channels are ours.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                  SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (device_ == 0) {
        error = SDL_GetError();
        Stop();
        return false;
    }
    rate_ = have.freq;
    bufferFrames_ = have.samples;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlAudioOutput::Stop() {
    if (device_) SDL_CloseAudioDevice(device_);
    device_ = 0;
    if (sdlStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    sdlStarted_ = false;
}

void SdlAudioOutput::Callback(void* self, std::uint8_t* stream, int len) {
    auto* out = static_cast<SdlAudioOutput*>(self);
    out->render_(reinterpret_cast<float*>(stream), len / static_cast<int>(2 * sizeof(float)));
}

} // namespace tambrel
