#pragma once
// SDL's audio subsystem, held for the program's life: the root from which the
// sound device is opened. Creating it can fail (no audio driver on this
// computer); the start routine then shows the download-links window with
// SDL's own description and goes on. User-interface thread.

#include <string>

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

// Whether a sound device can be opened now: starts SDL's audio, opens the
// default device briefly and closes it again. False with SDL's description.
bool ProbeSdlAudio(std::string& error);

} // namespace tambrel
