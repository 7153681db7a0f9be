#include "sound/sdl/SdlAudioRoot.h"

#include <SDL.h>

namespace tambrel {

SdlAudioRoot::SdlAudioRoot() {
    ok_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (!ok_) error_ = SDL_GetError();
}

SdlAudioRoot::~SdlAudioRoot() {
    if (ok_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool ProbeSdlAudio(std::string& error) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        return false;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = 48000;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    // No callback: the device stays paused and silent until it is closed.
    const SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_ANY_CHANGE);
    const bool ok = dev != 0;
    if (!ok) error = SDL_GetError();
    else SDL_CloseAudioDevice(dev);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return ok;
}

} // namespace tambrel
