#include "sound/MidiPorts.h"

#include "common/Folders.h"

namespace tambrel {

std::vector<MidiPortInfo> MidiServiceChain::ListPorts() {
    std::vector<MidiPortInfo> all;
    for (MidiService* s : services_) {
        std::vector<MidiPortInfo> some = s->ListPorts();
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

std::unique_ptr<MidiPort> MidiServiceChain::OpenPort(int index, std::string& error) {
    for (MidiService* s : services_) {
        const int count = static_cast<int>(s->ListPorts().size());
        if (index < count) return index >= 0 ? s->OpenPort(index, error) : nullptr;
        index -= count;
    }
    error = "The MIDI port is no longer present";
    return nullptr;
}

std::string FindSoundFont(std::string_view appPath, const std::vector<std::string>& candidates) {
    const std::string own = std::string(appPath) + "/TbOrch.sf2";
    if (FileExists(own)) return own;
    for (const std::string& c : candidates)
        if (FileExists(c)) return c;
    return {};
}

const std::vector<std::string>& SystemSoundFonts() {
    static const std::vector<std::string> paths = {
        "/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
        "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/soundfonts/default.sf2"};
    return paths;
}

} // namespace tambrel
