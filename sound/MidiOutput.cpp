#include "sound/MidiOutput.h"

#include <algorithm>
#include <stdexcept>

#include "common/Folders.h"
#include "common/NumberText.h"
#include "sound/StyleFile.h"

namespace tambrel {
namespace {

constexpr std::string_view kMidi = "Midi";
constexpr std::string_view kPortNo = "PortNo";
constexpr std::string_view kErrorLoading = "Error Loading Midi Band";
constexpr std::array<std::string_view, 5> kDurStyleFiles = {"TbOrch-05.sty", "TbOrch-10.sty", "TbOrch-15.sty",
                                                            "TbOrch-20.sty", "TbOrch-30.sty"};
constexpr int kMasterVolume = 800; // hundredths of a decibel
constexpr int kOutOfRangeNote = 50;

// The numeric value of a name's first `width` characters, read leniently.
int LeadingNumber(const std::string& name, std::size_t width) {
    return ParseInt(std::string_view(name).substr(0, width));
}

// The stored port number; a number too large for an integer counts as too large.
int StoredPort(const Settings& settings) {
    try {
        return ParseInt(settings.ReadSetting(kMidi, kPortNo, "0"));
    } catch (const std::overflow_error&) {
        return -1;
    }
}

// Thrown when a style file is missing: its message has been shown already.
struct LoadFailed {};

} // namespace

const std::array<std::string, 128>& DrumNames() {
    static const std::array<std::string, 128> names = [] {
        static const char* const kNamed[kLastDrumNote - kFirstDrumNote + 1] = {
            "High Q",       "Slap",         "Scratch Push", "Scratch Pull", "Sticks",       "Squre Click",
            "ClickMetrnm.", "Bell Metrnm.", "Kick Drum 2",  "Kick Drum 1",  "Side Stick",   "Snare Drum 1",
            "Hand Clap",    "Snare Drum 2", "Low Tom 2",    "ClosedHi-Hat", "Low Tom 1",    "Pedal Hi-Hat",
            "Mid Tom 2",    "Open Hi-Hat",  "Mid Tom 1",    "High Tom 2",   "CrashCymbal1", "High Tom 1",
            "Ride Cymbal1", "ChineseCymbl", "Ride Bell",    "Tambourine",   "SplashCymbal", "Cowbell",
            "CrashCymbal2", "Vibra-Slap",   "Ride Cymbal2", "Hi Bongo",     "Low Bongo",    "Mute HiConga",
            "Open HiConga", "Low Conga",    "Hi Timbale",   "Low Timbale",  "Hi Agogo",     "Low Agogo",
            "Cabasa",       "Maracas",      "ShortWhistle", "Long Whistle", "Short Guiro",  "Long Guiro",
            "Claves",       "Hi Woodblock", "LowWoodblock", "Mute Cuica",   "Open Cuica",   "MuteTriangle",
            "OpenTriangle", "Shaker",       "Jingle Bell",  "Bell Tree",    "Castanets",    "Mute Surdo",
            "Open Surdo"};
        std::array<std::string, 128> a;
        for (int n = 0; n < 128; ++n)
            a[static_cast<std::size_t>(n)] =
                n >= kFirstDrumNote && n <= kLastDrumNote ? kNamed[n - kFirstDrumNote] : "No drum in this key";
        return a;
    }();
    return names;
}

// What LoadMidiBand builds from the seven style files.
struct MidiOutput::Styles {
    std::vector<MidiSegmentRef> instrBands; // by instrument number, 0..band count - 1
    std::vector<bool> instrLoaded;
    std::array<std::array<MidiSegmentRef, 128>, 5> motifs; // [duration style][note]
    std::vector<MidiSegmentRef> drumBands = std::vector<MidiSegmentRef>(128);
    std::vector<bool> drumLoaded = std::vector<bool>(128);
    std::vector<MidiSegmentRef> drumMotifs = std::vector<MidiSegmentRef>(128);
};

MidiOutput::MidiOutput(ProgramState& st, const Settings& settings, MidiService& service)
    : st_(st), settings_(settings), service_(service) {}

MidiOutput::~MidiOutput() = default;

void MidiOutput::CloseDown() {
    port_.reset();
    styles_.reset();
    ready_ = false;
}

void MidiOutput::LoadMidiBand() {
    Shell& shell = st_.shell;
    shell.Busy(true);
    shell.Status("Loading Midi Band");
    channels_ = {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16};
    channelPatch_.fill(-1);
    lastBand_ = -1;
    CloseDown();
    try {
        const std::vector<MidiPortInfo> ports = service_.ListPorts();
        const int count = static_cast<int>(ports.size());
        if (count == 0) throw LoadFailed{};

        int p = StoredPort(settings_);
        // A negative number (a damaged settings file) is chosen anew as well,
        // rather than failing at every start.
        if (p < 1 || p > count) {
            p = 0;
            for (int i = 1; i <= count; ++i) {
                const MidiPortInfo& info = ports[static_cast<std::size_t>(i - 1)];
                if (p == 0 && !info.SoftSynth) p = i;
                if ((info.Name == "Microsoft MIDI Mapper [Emulated]" || info.Name == "Microsoft MIDI Mapper") &&
                    !info.SoftSynth)
                    p = i;
            }
            if (p == 0) p = 1;
            settings_.WriteSetting(kMidi, kPortNo, IntText(p));
        }

        std::string error;
        port_ = service_.OpenPort(p - 1, error);
        if (!port_) throw std::runtime_error(error.empty() ? "The MIDI port cannot be opened" : error);
        dlsPort_ = ports[static_cast<std::size_t>(p - 1)].SoftSynth;
        dslLblVisible_ = dlsPort_;
        st_.views.Post(notice::ShowDslRemark{dslLblVisible_});

        if (!LoadStyles()) throw LoadFailed{};

        port_->SetMasterVolume(kMasterVolume);
        ready_ = true;
        shell.Status("Midi Band Loaded");
    } catch (const LoadFailed&) {
        CloseDown();
    } catch (const std::exception& e) {
        CloseDown();
        shell.Message(e.what(), kErrorLoading, MsgButtons::Ok);
        shell.Status(kErrorLoading);
    }
    shell.Busy(false);
}

bool MidiOutput::LoadStyles() {
    auto styles = std::make_unique<Styles>();
    const std::string folder = st_.AppPath + "/";
    auto missing = [&](const std::string& path, std::string_view what) {
        st_.shell.Message("File \"" + path + "\" is not found to load " + std::string(what), "", MsgButtons::Ok);
        return false;
    };

    const std::string instrPath = folder + "TbOrch-00.sty";
    if (!FileExists(instrPath)) return missing(instrPath, "Band");
    const MidiStyle instr = ReadStyleFile(instrPath);
    const std::size_t bandCount = instr.Bands.size();
    styles->instrBands.assign(bandCount, nullptr);
    styles->instrLoaded.assign(bandCount, false);
    for (const auto& band : instr.Bands) {
        const int n = LeadingNumber(band->Name, 3);
        if (n < 0 || static_cast<std::size_t>(n) >= bandCount)
            throw std::runtime_error("Band \"" + band->Name + "\" of \"" + instrPath +
                                     "\" names an instrument beyond its " + std::to_string(bandCount) + " bands");
        styles->instrBands[static_cast<std::size_t>(n)] = instr.BandByName(band->Name);
    }

    for (std::size_t k = 0; k < kDurStyleFiles.size(); ++k) {
        const std::string path = folder + std::string(kDurStyleFiles[k]);
        if (!FileExists(path)) return missing(path, "Segment");
        const MidiStyle dur = ReadStyleFile(path);
        if (dur.Motifs.size() != 128) return false;
        for (std::size_t i = 0; i < 128; ++i) styles->motifs[k][i] = dur.MotifByName(dur.Motifs[i]->Name);
    }

    const std::string drumPath = folder + "TbOrch-Drm.sty";
    if (!FileExists(drumPath)) return missing(drumPath, "Band");
    const MidiStyle drums = ReadStyleFile(drumPath);
    // Last to first, so that of two bands with one number the first is kept.
    for (auto it = drums.Bands.rbegin(); it != drums.Bands.rend(); ++it) {
        const int n = LeadingNumber((*it)->Name, 2);
        if (n < 0 || n > 127)
            throw std::runtime_error("Band \"" + (*it)->Name + "\" of \"" + drumPath + "\" names no drum kit");
        styles->drumBands[static_cast<std::size_t>(n)] = drums.BandByName((*it)->Name);
    }
    for (const auto& motif : drums.Motifs) {
        const int n = LeadingNumber(motif->Name, 2);
        if (n < 0 || n > 127)
            throw std::runtime_error("Motif \"" + motif->Name + "\" of \"" + drumPath + "\" names no drum note");
        styles->drumMotifs[static_cast<std::size_t>(n)] = drums.MotifByName(motif->Name);
    }
    styles_ = std::move(styles);
    return true;
}

void MidiOutput::UnloadMidiBand() {
    Shell& shell = st_.shell;
    shell.Busy(true);
    shell.Status("Unloading Midi Band");
    try {
        CloseDown();
        shell.Status("Midi Band Unloaded");
    } catch (const std::exception&) {
        ready_ = false;
        shell.Status("Error Unloading Midi Band");
    }
    shell.Busy(false);
}

void MidiOutput::PlayBand(int number, const std::vector<MidiSegmentRef>& bands, std::vector<bool>& loaded,
                          const char* what) {
    if (number < 0 || static_cast<std::size_t>(number) >= bands.size() || !bands[static_cast<std::size_t>(number)])
        throw std::runtime_error(std::string("The style files hold no band for ") + what + " " +
                                 std::to_string(number));
    const auto i = static_cast<std::size_t>(number);
    loaded[i] = true;
    if (lastBand_ != number) {
        port_->PlaySegment(bands[i]);
        lastBand_ = number;
    }
}

void MidiOutput::PlayMidiKey(KeyAddress key) {
    const KeyAssign* k = st_.Orc.FindKey(key);
    if (!k) return;
    int n = k->MidiKeyNo;
    if (n < 0 || n > 127) n = kOutOfRangeNote;
    const int d = k->Dur;
    if (!ready_) LoadMidiBand();
    if (!ready_) return;
    // Velocities are bytes; one above the MIDI range plays as loud as MIDI goes.
    const int velocity = std::min(k->Velos & 0xff, 127);
    const bool drum = FlagOn(k->DrumOn);

    if (!dlsPort_) {
        if (drum) {
            port_->Note(kDrumChannel, k->MidiKeyNo, velocity, d);
            return;
        }
        // Each note takes the channel used longest ago.
        const int c = channels_[0];
        std::rotate(channels_.begin(), channels_.begin() + 1, channels_.end());
        if (channelPatch_[static_cast<std::size_t>(c)] != k->Instru) {
            channelPatch_[static_cast<std::size_t>(c)] = k->Instru;
            port_->ProgramChange(c, k->Instru);
        }
        port_->Note(c, n, velocity, d);
        return;
    }

    if (!drum) {
        PlayBand(k->Instru, styles_->instrBands, styles_->instrLoaded, "instrument");
        std::size_t style = 1; // 500 ms when no duration style matches
        for (std::size_t s = 0; s < NoteDurations.size(); ++s) {
            if (NoteDurations[s] == d) {
                style = s;
                break;
            }
        }
        port_->PlaySegment(styles_->motifs[style][static_cast<std::size_t>(n)]);
    } else {
        PlayBand(k->DrumBank, styles_->drumBands, styles_->drumLoaded, "drum kit");
        const MidiSegmentRef& motif = styles_->drumMotifs[static_cast<std::size_t>(n)];
        if (!motif) throw std::runtime_error("The style files hold no motif for drum note " + std::to_string(n));
        port_->PlaySegment(motif);
    }
}

void MidiOutput::StopAllMidi() {
    if (port_) port_->StopAll();
}

void MidiOutput::UpdateMidiPortMnu(MidiPortMenu& menu) {
    if (menu.Items.empty()) menu.Items.emplace_back();
    menu.Items.resize(1);
    MidiMenuItem& first = menu.Items[0];
    first = {"Searching Midi Ports", true, false, false};
    int count = 0;
    try {
        const std::vector<MidiPortInfo> ports = service_.ListPorts();
        count = static_cast<int>(ports.size());
        if (count < 1) {
            menu.Items[0] = {"Failed to find Midi Ports", true, false, false};
        } else {
            menu.Items[0].Enabled = true;
            for (const MidiPortInfo& p : ports) menu.Items.push_back({p.Name, true, true, false});
            menu.Items[0].Visible = false;
        }
    } catch (const std::exception&) {
        menu.Items.resize(1);
        menu.Items[0] = {"Error detecting Midi ports", true, false, false};
        return;
    }
    const int saved = StoredPort(settings_);
    if (saved >= 1 && saved <= count) menu.Items[static_cast<std::size_t>(saved)].Checked = true;
}

void MidiOutput::ChoosePort(MidiPortMenu& menu, int i) {
    if (i < 1 || static_cast<std::size_t>(i) >= menu.Items.size()) return;
    for (std::size_t j = 1; j < menu.Items.size(); ++j) menu.Items[j].Checked = false;
    menu.Items[static_cast<std::size_t>(i)].Checked = true;
    settings_.WriteSetting(kMidi, kPortNo, IntText(i));
    UnloadMidiBand();
    LoadMidiBand();
}

} // namespace tambrel
