#pragma once
// MIDI output: sounds the MIDI keys of the Orchestra on the chosen output port
// of a MIDI service. Instrument notes rotate over 15 channels with a program
// change only where the channel's instrument changes; drum notes go to channel
// 9. On a software-synthesizer port notes are played as the motifs of the
// program's style files after their instrument's band, which approximates the
// duration and ignores the velocity.
//
// Also owns the port choice ("PortNo" in section "Midi" of the settings), the
// "Midi Port" menu as a model the main window shows, and the drum-name table.
// User-interface thread only.

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/MenuItem.h"
#include "common/Settings.h"
#include "document/ProgramState.h"
#include "sound/MidiPlayer.h"
#include "sound/MidiPorts.h"

namespace tambrel {

inline constexpr std::array<int, 5> kDefaultNoteDurations = {250, 500, 750, 1000, 1500};
inline constexpr int kFirstDrumNote = 27;
inline constexpr int kLastDrumNote = 87;
inline constexpr int kDrumChannel = 9;

// The General MIDI percussion name of each note 0..127.
const std::array<std::string, 128>& DrumNames();

inline constexpr std::string_view kDslLblText =
    "Dls port. no velocity && duration approx. Change Midi port for better result";
inline constexpr std::string_view kDslLblTip =
    "Velocity is not used and the duration is approximated in DLS Port, Choose other Midi Port as a better choise";

// The "Midi Port" menu: item 0 is the template that shows the search state,
// items 1..count are the ports (the item's index is the port number).
using MidiMenuItem = MenuItem;
struct MidiPortMenu {
    std::vector<MidiMenuItem> Items{MidiMenuItem{}};
};

class MidiOutput final : public MidiPlayer {
public:
    // The style files are read from st.AppPath.
    MidiOutput(ProgramState& st, const Settings& settings, MidiService& service);
    ~MidiOutput() override;
    MidiOutput(const MidiOutput&) = delete;
    MidiOutput& operator=(const MidiOutput&) = delete;

    bool MidiReady() const override { return ready_; }
    void PlayMidiKey(KeyAddress key) override;
    void StopAllMidi() override;

    // Opens the chosen port (choosing one when "PortNo" is 0 or too large)
    // and loads the style files; MidiReady() tells whether it succeeded.
    void LoadMidiBand();
    void UnloadMidiBand();
    // Rebuilds the menu from the ports present now and ticks the saved port.
    void UpdateMidiPortMnu(MidiPortMenu& menu);
    // Port item i (1-based) was chosen: ticks it, saves it, restarts MIDI on it.
    void ChoosePort(MidiPortMenu& menu, int i);

    // Duration style k (0-based) plays notes of NoteDurations[k] ms; the main
    // window fills it when it loads.
    std::array<int, 5> NoteDurations = kDefaultNoteDurations;

    // The chosen port is a software synthesizer; the main window shows the
    // DLS remark (kDslLblText, kDslLblTip) while this is true. Each load
    // that opens a port tells the windows (notice::ShowDslRemark).
    bool DlsPort() const { return dlsPort_; }
    bool DslLblVisible() const { return dslLblVisible_; }

private:
    struct Styles;
    bool LoadStyles();
    void CloseDown();
    void PlayBand(int number, const std::vector<MidiSegmentRef>& bands, std::vector<bool>& loaded, const char* what);

    ProgramState& st_;
    const Settings& settings_;
    MidiService& service_;
    std::unique_ptr<MidiPort> port_;
    std::unique_ptr<Styles> styles_;
    bool ready_ = false;
    bool dlsPort_ = false;
    bool dslLblVisible_ = false;
    std::array<int, 15> channels_{};
    std::array<int, 32> channelPatch_{};
    int lastBand_ = -1;
};

} // namespace tambrel
