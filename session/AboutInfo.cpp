#include "session/AboutInfo.h"

namespace tambrel {

std::string AboutBuildText(std::string_view version, std::string_view buildDate) {
    std::string text = "(Version " + std::string(version.empty() ? std::string_view("unknown") : version);
    if (!buildDate.empty()) text += ", built " + std::string(buildDate);
    return text + ")";
}

std::vector<AboutPart> AboutInformation() {
    return {
        {"Tambrel Orchestra", "Program"},
        {"A virtual instrument: the computer keyboard, the mouse and game controllers play recorded sounds, "
         "drum and band styles and MIDI notes, and every key press can be recorded and played back.",
         "What it does"},
        {"Made with Qt, SDL, FluidSynth and RtMidi.", "Built with"},
        {"Help, news and bug reports: " + std::string(kProductWebPage), "Contact"},
    };
}

} // namespace tambrel
