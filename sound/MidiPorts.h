#pragma once
// Several MIDI services shown as one, and where the built-in synthesizer
// finds its SoundFont. User-interface thread only.

#include <string>
#include <string_view>
#include <vector>

#include "common/MidiService.h"

namespace tambrel {

// Several services shown as one list, in the order given (the built-in
// synthesizer first, then the sequencer ports).
class MidiServiceChain final : public MidiService {
public:
    explicit MidiServiceChain(std::vector<MidiService*> services) : services_(std::move(services)) {}
    std::vector<MidiPortInfo> ListPorts() override;
    std::unique_ptr<MidiPort> OpenPort(int index, std::string& error) override;

private:
    std::vector<MidiService*> services_;
};

// The General MIDI SoundFont for the built-in synthesizer: TbOrch.sf2 in the
// program folder first, then the candidates in order; empty when none exists.
std::string FindSoundFont(std::string_view appPath, const std::vector<std::string>& candidates);
// The Debian General MIDI SoundFont paths, smallest package first.
const std::vector<std::string>& SystemSoundFonts();
// What the user is told when no SoundFont is found.
inline constexpr std::string_view kNoSoundFontText =
    "No General MIDI SoundFont was found for the built-in synthesizer. Install the package "
    "timgm6mb-soundfont (or fluid-soundfont-gm), or put a SoundFont named TbOrch.sf2 in the program folder.";

} // namespace tambrel
