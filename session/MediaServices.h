#pragma once
// The media services the program stands on: the audio output (SDL2 over
// PipeWire, PulseAudio or ALSA), the built-in synthesizer with a General MIDI
// SoundFont, and the input server beside the program. The check behind the
// after-install window counts how many of them are usable; the probes that
// touch the machine are passed in, so the rules run headless in tests.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sound/Realtime.h"

namespace tambrel {

enum class MediaService { AudioOutput, Synthesizer, InputServer };

struct ServiceStatus {
    bool usable = false;
    std::string problem; // what is wrong, in plain words; empty when usable
    std::string package; // the Debian package that brings the service
};

// Each probe looks at one service. A probe may throw: the whole check then
// counts as failed.
struct MediaProbes {
    std::function<ServiceStatus()> audioOutput;
    std::function<ServiceStatus()> synthesizer;
    std::function<ServiceStatus()> inputServer;
    // How the sound's thread fared with real-time priority while the audio
    // output was probed (called after it), and the groups this system's
    // limits grant it to. Optional: without it nothing is said about it.
    std::function<RealtimeGrant()> realtime;
    std::function<std::vector<std::string>()> realtimeGroups;
};

struct MissingService {
    MediaService service;
    ServiceStatus status;
};

struct MediaCheck {
    // 7 when every service is usable, else the number of usable ones; 0 also
    // when the check itself failed.
    int version = 0;
    bool checkFailed = false;
    std::string failure; // why the check failed
    std::vector<MissingService> missing;
    // Whether the sound's thread got real-time priority, in plain words
    // (RealtimeLine); empty when it was not looked at.
    std::string realtime;
    bool realtimeRefused = false;
};

MediaCheck CheckMediaServices(const MediaProbes& probes);
int GetDxVersion(const MediaProbes& probes);

// The service's name in the user's words ("the audio output", ...).
std::string_view ServiceName(MediaService service);
// One line per missing service (or the check's failure), saying what is
// missing on this computer and which Debian package brings it.
std::vector<std::string> MissingServiceLines(const MediaCheck& check);

// The rules of the probes, apart from the calls into SDL.
ServiceStatus AudioOutputStatus(bool opened, std::string_view error);
// builtIn: the program was built with FluidSynth. The SoundFont is looked for
// as the synthesizer looks for it.
ServiceStatus SynthesizerStatus(bool builtIn, std::string_view appPath, const std::vector<std::string>& soundFonts);
ServiceStatus InputServerStatus(const std::string& serverPath);

// True when the file starts as a SoundFont 2 does: "RIFF", a size, "sfbk".
bool IsSoundFontFile(const std::string& path);

inline constexpr std::string_view kAudioPackage = "pipewire-audio";
inline constexpr std::string_view kSoundFontPackage = "timgm6mb-soundfont";
inline constexpr std::string_view kSynthesizerPackage = "libfluidsynth3";
inline constexpr std::string_view kProgramPackage = "tambrel-orchestra";

} // namespace tambrel
