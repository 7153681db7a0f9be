#pragma once
// The built-in synthesizer as MIDI ports, first in the port list:
// "Tambrel GM Synthesizer" takes notes with their velocity and duration;
// "Tambrel Style Synthesizer" is the same engine flagged as a software
// synthesizer, so notes are played through the style files' bands and motifs.
// User-interface thread only.

#include <string>
#include <vector>

#include "sound/MidiPorts.h"
#include "sound/fluidsynth/FluidSynthEngine.h"

namespace tambrel {

inline constexpr std::string_view kGmSynthPortName = "Tambrel GM Synthesizer";
inline constexpr std::string_view kStyleSynthPortName = "Tambrel Style Synthesizer";

class FluidSynthService final : public MidiService {
public:
    // The SoundFont is looked for in appPath first, then at the candidates.
    FluidSynthService(FluidSynthEngine& engine, std::string appPath,
                      std::vector<std::string> candidates = SystemSoundFonts())
        : engine_(engine), appPath_(std::move(appPath)), candidates_(std::move(candidates)) {}

    std::vector<MidiPortInfo> ListPorts() override;
    std::unique_ptr<MidiPort> OpenPort(int index, std::string& error) override;

private:
    FluidSynthEngine& engine_;
    std::string appPath_;
    std::vector<std::string> candidates_;
    std::uint32_t segments_ = 0; // numbers the segments played, across ports
    friend class FluidSynthPort;
};

} // namespace tambrel
