#include "sound/sdl/SdlAudioRoot.h"

#include <SDL.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "common/Shell.h"
#include "sound/AudioChoice.h"
#include "sound/sdl/SdlAudioOutput.h"

namespace tambrel {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// What the desktop's mixers show for the program's stream. SDL reads its
// hints when a device opens; PipeWire and PulseAudio read their variables
// when the stream is made, and a user's own settings of them are kept.
void NameTheStream() {
    const std::string title(kProgramTitle);
    SDL_SetHint(SDL_HINT_APP_NAME, title.c_str());
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, title.c_str());
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, title.c_str());
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, std::string(kAudioStreamRole).c_str());
    // SDL's own audio thread (PulseAudio, ALSA) asks RTKit for real-time
    // priority instead of a nice level.
    SDL_SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, "1");
    const std::string icon(kAudioIconName);
    setenv("PIPEWIRE_PROPS", ("{ application.icon-name=" + icon + " }").c_str(), 0);
    setenv("PULSE_PROP_application.icon_name", icon.c_str(), 0);
    setenv("PULSE_PROP_media.role", std::string(kPulseStreamRole).c_str(), 0);
}

} // namespace

bool PipeWireAnswers() {
    std::string remote = Env("PIPEWIRE_REMOTE");
    if (remote.empty()) remote = "pipewire-0";
    std::string path = remote;
    if (remote.front() != '/') {
        std::string dir = Env("PIPEWIRE_RUNTIME_DIR");
        if (dir.empty()) dir = Env("XDG_RUNTIME_DIR");
        if (dir.empty()) return false;
        path = dir + "/" + remote;
    }
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) return false;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

bool StartSdlAudio(std::string& error) {
    if (!SDL_WasInit(SDL_INIT_AUDIO)) {
        NameTheStream();
        // SDL tries its PulseAudio driver before PipeWire's, and PipeWire's
        // PulseAudio layer will not go below its minimum period.
        if (Env("SDL_AUDIODRIVER").empty() && PipeWireAnswers()) {
            SDL_SetHint(SDL_HINT_AUDIODRIVER, "pipewire");
            const bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
            SDL_ResetHint(SDL_HINT_AUDIODRIVER);
            if (started) return true;
        }
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        return false;
    }
    return true;
}

SdlAudioRoot::SdlAudioRoot() { ok_ = StartSdlAudio(error_); }

SdlAudioRoot::~SdlAudioRoot() {
    if (ok_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool ProbeSdlAudio(std::string& error, RealtimeGrant* realtime) {
    // The program's own output, silent: what opens here opens there.
    SdlAudioOutput output(48000, 1024);
    const bool ok =
        output.Start([](float* out, int frames) { std::memset(out, 0, sizeof(float) * 2 * frames); }, error);
    if (realtime) *realtime = output.Realtime();
    output.Stop();
    return ok;
}

} // namespace tambrel
