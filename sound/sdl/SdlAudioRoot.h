#pragma once
// SDL's audio subsystem, held for the program's life: the root from which the
// sound device is opened. Creating it can fail (no audio driver on this
// computer); the start routine then shows the download-links window with
// SDL's own description and goes on. User-interface thread.

#include <string>

#include "sound/Realtime.h"

namespace tambrel {

class SdlAudioRoot {
public:
    SdlAudioRoot();
    ~SdlAudioRoot();
    SdlAudioRoot(const SdlAudioRoot&) = delete;
    SdlAudioRoot& operator=(const SdlAudioRoot&) = delete;

    bool Ok() const { return ok_; }
    const std::string& Error() const { return error_; }

private:
    bool ok_ = false;
    std::string error_;
};

// Starts SDL's audio subsystem (counted: each call needs SDL_QuitSubSystem).
// The first start chooses the audio system: PipeWire itself where a PipeWire
// socket answers (its PulseAudio layer cannot give small buffers), else
// SDL's own order; SDL_AUDIODRIVER, when set, is obeyed. It also names the
// program's stream for the desktop's mixers: "Tambrel Orchestra", its icon
// and a media role for a live instrument.
bool StartSdlAudio(std::string& error);

// Whether a PipeWire daemon answers on this user's socket.
bool PipeWireAnswers();

// Whether a sound device can be opened now: starts SDL's audio, opens the
// default device briefly and closes it again. False with SDL's description.
// While it plays, its thread is given real-time priority as the program's
// would be; realtime (when given) says how that went.
bool ProbeSdlAudio(std::string& error, RealtimeGrant* realtime = nullptr);

} // namespace tambrel
