#include "boards/KeySoundName.h"

#include "sound/MidiOutput.h"
#include "sound/StyleFile.h"

namespace tambrel {

namespace {

// Files chosen on either system: both separators end a folder.
std::string FileStem(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    // ".wav" alone is a name, not an extension.
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    const std::size_t end = name.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

std::string MidiName(const KeyAssign& k) {
    if (FlagOn(k.DrumOn)) {
        if (k.MidiKeyNo < kFirstDrumNote || k.MidiKeyNo > kLastDrumNote) return {};
        return DrumNames()[static_cast<std::size_t>(k.MidiKeyNo)];
    }
    const auto& names = GmProgramNames();
    if (k.Instru < 0 || static_cast<std::size_t>(k.Instru) >= names.size()) return {};
    return names[static_cast<std::size_t>(k.Instru)];
}

std::string ActionName(const Orchestra& orc, const KeyAssign& k) {
    switch (k.ActCmd) {
    case kActChangeTable: return orc.ValidSet(k.ActSub1) ? orc.Set(k.ActSub1).SetNam : std::string();
    case kActStopPlay:
        switch (k.ActSub1) {
        case kActStopAll: return "Stop All";
        case kActStopMidi: return "Stop Midi";
        case kActStopLoopAndQueue: return "Stop Loop and Queue";
        default: return {};
        }
    default: return {};
    }
}

} // namespace

std::string KeySoundName(const Orchestra& orc, const KeyAssign& key) {
    switch (key.SndSrc) {
    case kSrcWave: return FileStem(key.WavFile);
    case kSrcMidi: return MidiName(key);
    case kSrcAction: return ActionName(orc, key);
    default: return {};
    }
}

} // namespace tambrel
