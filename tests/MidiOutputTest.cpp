#include "sound/MidiOutput.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/VirtualClock.h"
#include "sound/KeyPlayer.h"
#include "sound/StyleFile.h"
#include "tests/MidiTestKit.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

constexpr std::int32_t P = 1, B = 1; // the Play Board and Sub Board the keys live on

const MidiPortInfo kSoftSynth{"Microsoft Synthesizer", true};
const MidiPortInfo kHardware{"MPU-401", false};
const MidiPortInfo kMapper{"Microsoft MIDI Mapper", false};

// MIDI output over a fake service, with the standard style files in its program folder.
struct MidiRig {
    explicit MidiRig(std::vector<MidiPortInfo> ports = {{"Tambrel GM Synthesizer", false}}) {
        st.AppPath = dir.Path();
        MakeStandardStyles(dir.Path());
        service.ports = std::move(ports);
    }
    TestState ts;
    ProgramState& st = ts.st;
    FakeShell& shell = ts.shell;
    TempDir dir;
    Settings settings{dir.File("Tambrel.ini")};
    FakeMidiService service;
    MidiOutput midi{st, settings, service};

    KeyAssign& Key(std::int32_t k) { return st.Orc.Set(P).Bd(B).Key(k); }
    KeyAssign& MidiKey(std::int32_t k, std::int32_t instru, std::int32_t note, std::int32_t dur = 500,
                       std::int32_t drum = 0) {
        KeyAssign& key = Key(k);
        key.SndSrc = kSrcMidi;
        key.Instru = instru;
        key.MidiKeyNo = note;
        key.Velos = 90;
        key.Dur = dur;
        key.DrumOn = drum;
        return key;
    }
    void Press(std::int32_t k) { midi.PlayMidiKey({PlayBoardNo{P}, SubBoardNo{B}, KeyNo{k}}); }
    std::string PortNo() const { return settings.ReadSetting("Midi", "PortNo", "(none)"); }
    // The port calls since the load finished (past the master volume).
    PortLog Played() const {
        PortLog l = service.log;
        const auto v = std::find(l.begin(), l.end(), "volume 800");
        return v == l.end() ? l : PortLog(v + 1, l.end());
    }
};

// ---- port choice ----

TEST(MidiPortChoice, AutomaticChoiceAndStoredPortNumbers) {
    const struct {
        const char* name;
        std::vector<MidiPortInfo> ports;
        const char* stored; // nullptr: no setting
        int chosen;         // 1-based
        const char* written;
        bool dls;
    } cases[] = {
        {"software synthesizer first, mapper third", {kSoftSynth, kHardware, kMapper}, "0", 3, "3", false},
        {"no setting at all", {kSoftSynth, kHardware, kMapper}, nullptr, 3, "3", false},
        {"first port that is not a software synthesizer",
         {kSoftSynth, kHardware, {"Other", false}},
         "0",
         2,
         "2",
         false},
        {"only software synthesizers", {kSoftSynth, {"Another DLS", true}}, "0", 1, "1", true},
        {"the later mapper replaces the earlier",
         {{"Microsoft MIDI Mapper [Emulated]", false}, kHardware, kMapper},
         "0",
         3,
         "3",
         false},
        {"a mapper that is a software synthesizer is not taken",
         {{"Microsoft MIDI Mapper", true}, kHardware},
         "0",
         2,
         "2",
         false},
        {"stored number above the count", {kSoftSynth, kHardware}, "7", 2, "2", false},
        {"stored number kept", {kHardware, kSoftSynth, kMapper}, "2", 2, "2", true},
        {"negative stored number chosen anew", {kSoftSynth, kHardware}, "-3", 2, "2", false},
        {"huge stored number chosen anew", {kSoftSynth, kHardware}, "99999999999999", 2, "2", false},
    };
    for (const auto& c : cases) {
        MidiRig r(c.ports);
        if (c.stored) r.settings.WriteSetting("Midi", "PortNo", c.stored);
        r.midi.LoadMidiBand();
        EXPECT_TRUE(r.midi.MidiReady()) << c.name;
        EXPECT_EQ(r.service.opened, std::vector<int>{c.chosen - 1}) << c.name;
        EXPECT_EQ(r.PortNo(), c.written) << c.name;
        EXPECT_EQ(r.midi.DlsPort(), c.dls) << c.name;
        EXPECT_EQ(r.midi.DslLblVisible(), c.dls) << c.name;
        EXPECT_EQ(r.shell.All<notice::ShowDslRemark>(), std::vector<notice::ShowDslRemark>{{c.dls}}) << c.name;
        EXPECT_TRUE(r.shell.messages.empty()) << c.name;
        EXPECT_EQ(r.shell.statuses, (std::vector<std::string>{"Loading Midi Band", "Midi Band Loaded"})) << c.name;
        EXPECT_EQ(r.shell.busy, (std::vector<bool>{true, false})) << c.name;
        EXPECT_EQ(r.service.log, PortLog{"volume 800"}) << c.name;
    }
}

TEST(MidiPortChoice, NoPortAtAllEndsQuietlyAndTheMenuSaysSo) {
    MidiRig r(std::vector<MidiPortInfo>{});
    r.midi.LoadMidiBand();
    EXPECT_FALSE(r.midi.MidiReady());
    EXPECT_TRUE(r.shell.messages.empty());
    EXPECT_EQ(r.shell.statuses, std::vector<std::string>{"Loading Midi Band"});
    EXPECT_EQ(r.PortNo(), "(none)");

    MidiPortMenu menu;
    r.midi.UpdateMidiPortMnu(menu);
    ASSERT_EQ(menu.Items.size(), 1u);
    EXPECT_EQ(menu.Items[0].Caption, "Failed to find Midi Ports");
    EXPECT_TRUE(menu.Items[0].Visible);
    EXPECT_FALSE(menu.Items[0].Enabled);
}

TEST(MidiPortChoice, APortThatCannotOpenIsReportedWithItsDescription) {
    MidiRig r;
    r.service.openError = std::string(kNoSoundFontText);
    r.midi.LoadMidiBand();
    EXPECT_FALSE(r.midi.MidiReady());
    ASSERT_EQ(r.shell.messages.size(), 1u);
    EXPECT_EQ(r.shell.messages[0].text, kNoSoundFontText);
    EXPECT_EQ(r.shell.messages[0].title, "Error Loading Midi Band");
    EXPECT_EQ(r.shell.statuses.back(), "Error Loading Midi Band");
    EXPECT_EQ(r.shell.busy, (std::vector<bool>{true, false}));
}

TEST(MidiPortMenu, ListsThePortsTicksTheSavedOneAndChoosingRestartsMidi) {
    MidiRig r({kSoftSynth, kHardware, kMapper});
    r.midi.LoadMidiBand(); // picks and saves 3
    MidiPortMenu menu;
    menu.Items.push_back({"stale", true, true, true});
    r.midi.UpdateMidiPortMnu(menu);
    ASSERT_EQ(menu.Items.size(), 4u);
    EXPECT_FALSE(menu.Items[0].Visible);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(menu.Items[static_cast<std::size_t>(i)].Caption,
                  r.service.ports[static_cast<std::size_t>(i - 1)].Name);
        EXPECT_EQ(menu.Items[static_cast<std::size_t>(i)].Checked, i == 3) << i;
    }

    r.shell.Clear();
    r.service.log.clear();
    r.midi.ChoosePort(menu, 1);
    EXPECT_TRUE(menu.Items[1].Checked);
    EXPECT_FALSE(menu.Items[3].Checked);
    EXPECT_EQ(r.PortNo(), "1");
    EXPECT_EQ(r.service.opened, (std::vector<int>{2, 0}));
    EXPECT_TRUE(r.midi.MidiReady());
    EXPECT_TRUE(r.midi.DlsPort());
    EXPECT_EQ(r.service.log, (PortLog{"closed", "volume 800"}));
    EXPECT_EQ(r.shell.statuses, (std::vector<std::string>{"Unloading Midi Band", "Midi Band Unloaded",
                                                          "Loading Midi Band", "Midi Band Loaded"}));
}

TEST(MidiPortMenu, AServiceErrorShowsOnTheTemplateItem) {
    MidiRig r({kHardware});
    r.service.failList = true;
    MidiPortMenu menu;
    r.midi.UpdateMidiPortMnu(menu);
    ASSERT_EQ(menu.Items.size(), 1u);
    EXPECT_EQ(menu.Items[0].Caption, "Error detecting Midi ports");
}

// ---- notes on a port that takes them directly ----

TEST(MidiNotes, SixteenNotesRotateOverFifteenChannelsWithProgramChangesOnlyWhereNeeded) {
    MidiRig r({{"Tambrel GM Synthesizer", false}});
    r.midi.LoadMidiBand();
    // Fifteen notes of instrument 5, then instrument 5 again and instrument 9.
    r.MidiKey(1, 5, 60);
    r.MidiKey(2, 9, 64);
    for (int i = 0; i < 16; ++i) r.Press(1);
    r.Press(2);
    r.Press(1); // channel 3 had instrument 5 all along
    PortLog expected;
    const int channels[] = {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16};
    for (int c : channels) {
        expected.push_back("program " + std::to_string(c) + " 5");
        expected.push_back("note " + std::to_string(c) + " 60 90 500");
    }
    expected.push_back("note 1 60 90 500");
    expected.push_back("program 2 9");
    expected.push_back("note 2 64 90 500");
    expected.push_back("note 3 60 90 500");
    EXPECT_EQ(r.Played(), expected);

    // A new load starts the rotation and the channels' instruments afresh.
    r.midi.UnloadMidiBand();
    r.service.log.clear();
    r.midi.LoadMidiBand();
    r.Press(2);
    EXPECT_EQ(r.Played(), (PortLog{"program 1 9", "note 1 64 90 500"}));
}

TEST(MidiNotes, NoteNumbersVelocitiesAndDurations) {
    const struct {
        const char* name;
        std::int32_t note, velos, dur;
        const char* sent;
    } cases[] = {
        {"note 200 plays 50", 200, 90, 500, "note 1 50 90 500"},
        {"note -1 plays 50", -1, 90, 500, "note 1 50 90 500"},
        {"note 127 kept", 127, 90, 500, "note 1 127 90 500"},
        // The duration is in milliseconds, however long.
        {"one second lasts one second", 60, 90, 1000, "note 1 60 90 1000"},
        {"a long note", 60, 90, 12345, "note 1 60 90 12345"},
        {"velocity above the MIDI range plays loudest", 60, 200, 500, "note 1 60 127 500"},
        {"velocity is a byte", 60, 256 + 64, 500, "note 1 60 64 500"},
    };
    for (const auto& c : cases) {
        MidiRig r;
        KeyAssign& k = r.MidiKey(1, 0, c.note, c.dur);
        k.Velos = c.velos;
        r.Press(1); // loads MIDI first
        EXPECT_TRUE(r.midi.MidiReady()) << c.name;
        EXPECT_EQ(r.Played(), (PortLog{"program 1 0", c.sent})) << c.name;
    }
}

TEST(MidiNotes, DrumNotesGoToChannelNineWithoutProgramChangesOrKits) {
    MidiRig r;
    r.midi.LoadMidiBand();
    r.MidiKey(1, 33, 36, 250, 1).DrumBank = 8;
    r.MidiKey(2, 33, 200, 250, 1); // sent as stored; the port ignores it
    r.MidiKey(3, 33, 60, 250);
    r.Press(1);
    r.Press(2);
    r.Press(3);
    r.Press(1);
    EXPECT_EQ(r.Played(), (PortLog{"note 9 36 90 250", "note 9 200 90 250", "program 1 33", "note 1 60 90 250",
                                   "note 9 36 90 250"}));
}

TEST(MidiNotes, StopAllMidiStopsThePortAndTheStopCommandsReachIt) {
    MidiRig r;
    VirtualClock clock;
    Mixer mixer(44100, 16);
    KeyPlayer player(r.st, mixer, clock, r.midi);
    r.MidiKey(1, 0, 60);
    player.PlayKey({PlayBoardNo{P}, SubBoardNo{B}, KeyNo{1}});
    player.StopSounds(kStopMidi);
    player.StopSounds(kStopAll);
    EXPECT_EQ(r.Played(), (PortLog{"program 1 0", "note 1 60 90 500", "stop", "stop"}));
    // While MIDI is down nothing reaches a port.
    r.midi.UnloadMidiBand();
    r.service.log.clear();
    player.StopSounds(kStopAll);
    EXPECT_TRUE(r.service.log.empty());
}

// ---- a software-synthesizer port: bands and motifs ----

// The one note event of a motif.
MidiEvent MotifNote(const MidiSegmentRef& s) {
    EXPECT_EQ(s->Events.size(), 1u) << s->Name;
    return s->Events.empty() ? MidiEvent{} : s->Events[0];
}

TEST(MidiStylePort, TheDurationChoosesTheStyleAndUnknownDurationsPlayHalfASecond) {
    const struct {
        std::int32_t dur;
        int motifMs; // the chosen style's note length
    } cases[] = {{250, 250}, {500, 500}, {750, 750}, {800, 500}, {1000, 1000}, {1500, 1500}, {0, 500}, {-750, 500}};
    for (const auto& c : cases) {
        MidiRig r({kSoftSynth});
        r.MidiKey(1, 5, 62, c.dur);
        r.Press(1);
        ASSERT_EQ(r.service.segments.size(), 2u) << c.dur;
        EXPECT_EQ(r.service.segments[0]->Name, "005 Electric Piano 2") << c.dur;
        const MidiEvent note = MotifNote(r.service.segments[1]);
        EXPECT_EQ(note.Data, 62) << c.dur;
        EXPECT_EQ(note.DurMs, c.motifMs) << c.dur;
        EXPECT_EQ(note.Channel, kStyleInstrumentChannel) << c.dur;
        EXPECT_EQ(r.Played(), (PortLog{"segment 005 Electric Piano 2", "segment " + r.service.segments[1]->Name}))
            << c.dur;
    }
}

TEST(MidiStylePort, DurationsFollowNoteDurationsAndTheirFiles) {
    MidiRig r({kSoftSynth});
    // Motif 62 of TbOrch-15.sty marked, to show which file a note comes from.
    const std::string path = r.dir.File("TbOrch-15.sty");
    MidiStyle s = ReadStyleFile(path);
    auto marked = std::make_shared<MidiSegment>(*s.Motifs[62]);
    marked->Name = "062 from fifteen";
    s.Motifs[62] = marked;
    WriteStyleFile(path, s);
    r.MidiKey(1, 5, 62, 750);
    r.MidiKey(2, 5, 62, 800);
    r.Press(1);
    r.Press(2);
    EXPECT_EQ(r.Played(), (PortLog{"segment 005 Electric Piano 2", "segment 062 from fifteen", "segment 062 D4"}));

    // The main window may give other durations to the five styles.
    r.midi.NoteDurations = {100, 200, 300, 400, 800};
    r.service.log.clear();
    r.Press(2);
    EXPECT_EQ(r.service.log, PortLog{"segment 062 D4"});
    EXPECT_EQ(MotifNote(r.service.segments.back()).DurMs, 1500);
}

TEST(MidiStylePort, TheBandPlaysOnlyWhenTheInstrumentOrKitChanges) {
    MidiRig r({kSoftSynth});
    r.MidiKey(1, 5, 60);
    r.MidiKey(2, 5, 64);
    r.MidiKey(3, 40, 60);
    r.MidiKey(4, 0, 36, 500, 1).DrumBank = 8;
    r.MidiKey(5, 0, 38, 500, 1).DrumBank = 8;
    for (int k : {1, 2, 3, 1, 4, 5}) r.Press(k);
    EXPECT_EQ(r.Played(),
              (PortLog{"segment 005 Electric Piano 2", "segment 060 C4", "segment 064 E4", "segment 040 Violin",
                       "segment 060 C4", "segment 005 Electric Piano 2", "segment 060 C4", "segment 08 Room",
                       "segment 36 Kick Drum 1", "segment 38 Snare Drum 1"}));
    // Velocity and duration are not sent on this port.
    for (const auto& s : r.service.segments)
        for (const MidiEvent& e : s->Events) {
            if (e.What == MidiEvent::Kind::Note) {
                EXPECT_EQ(e.Velocity, kStyleVelocity);
            }
        }
}

TEST(MidiStylePort, ABandOrMotifTheStylesDoNotHoldIsAnErrorForTheDispatcher) {
    MidiRig r({kSoftSynth});
    r.MidiKey(1, 0, 10, 500, 1);              // no drum motif for note 10
    r.MidiKey(2, 0, 36, 500, 1).DrumBank = 3; // no kit 3
    r.MidiKey(3, 130, 60);                    // no instrument 130
    r.midi.LoadMidiBand();
    for (int k : {1, 2, 3}) EXPECT_THROW(r.Press(k), std::runtime_error) << k;
    EXPECT_EQ(r.Played(), PortLog{"segment 00 Standard"});

    // Through the dispatcher the error ends the press quietly.
    VirtualClock clock;
    Mixer mixer(44100, 16);
    KeyPlayer player(r.st, mixer, clock, r.midi);
    EXPECT_NO_THROW(player.PlayKey({PlayBoardNo{P}, SubBoardNo{B}, KeyNo{2}}));
}

// ---- style files at load time ----

TEST(MidiStyleFiles, EachMissingFileIsReportedAtStartAndAgainAtTheNextPress) {
    const struct {
        const char* file;
        const char* ending;
    } cases[] = {{"TbOrch-00.sty", " is not found to load Band"},    {"TbOrch-05.sty", " is not found to load Segment"},
                 {"TbOrch-10.sty", " is not found to load Segment"}, {"TbOrch-15.sty", " is not found to load Segment"},
                 {"TbOrch-20.sty", " is not found to load Segment"}, {"TbOrch-30.sty", " is not found to load Segment"},
                 {"TbOrch-Drm.sty", " is not found to load Band"}};
    for (const auto& c : cases) {
        MidiRig r;
        std::filesystem::remove(r.dir.File(c.file));
        r.MidiKey(1, 0, 60);
        r.midi.LoadMidiBand();
        EXPECT_FALSE(r.midi.MidiReady()) << c.file;
        r.Press(1);
        EXPECT_FALSE(r.midi.MidiReady()) << c.file;
        const std::string text = "File \"" + r.dir.File(c.file) + "\"" + c.ending;
        ASSERT_EQ(r.shell.messages.size(), 2u) << c.file;
        for (const ShownMessage& m : r.shell.messages) {
            EXPECT_EQ(m.text, text);
            EXPECT_EQ(m.title, "");
            EXPECT_EQ(m.buttons, MsgButtons::Ok);
        }
        // The port was opened and closed again each time; no note was sent.
        EXPECT_EQ(r.service.log, (PortLog{"closed", "closed"})) << c.file;
        EXPECT_FALSE(r.shell.SawStatus("Midi Band Loaded")) << c.file;
    }
}

TEST(MidiStyleFiles, ADurationStyleWithoutExactly128MotifsLeavesMidiDownSilently) {
    for (int count : {127, 129, 0}) {
        MidiRig r;
        const std::string path = r.dir.File("TbOrch-20.sty");
        MidiStyle s = ReadStyleFile(path);
        s.Motifs.resize(static_cast<std::size_t>(std::min(count, 128)));
        if (count > 128) s.Motifs.push_back(s.Motifs[0]);
        WriteStyleFile(path, s);
        r.midi.LoadMidiBand();
        EXPECT_FALSE(r.midi.MidiReady()) << count;
        EXPECT_TRUE(r.shell.messages.empty()) << count;
    }
}

TEST(MidiStyleFiles, AnUnreadableStyleIsALoadErrorWithItsDescription) {
    const struct {
        const char* name;
        const char* file;
        const char* text;
        const char* says;
    } cases[] = {
        {"not a style file", "TbOrch-00.sty", "RIFF....DMST", "does not start with"},
        {"band number beyond the band count", "TbOrch-00.sty", "TambrelStyle 1\nband 000 A\nband 005 B\n",
         "beyond its 2 bands"},
        {"motif with a bad note", "TbOrch-30.sty", "TambrelStyle 1\nmotif 000\nnote 0 0 300 100 250\n",
         "line 3: note 300"},
    };
    for (const auto& c : cases) {
        MidiRig r;
        r.dir.Write(c.file, c.text);
        r.midi.LoadMidiBand();
        EXPECT_FALSE(r.midi.MidiReady()) << c.name;
        ASSERT_EQ(r.shell.messages.size(), 1u) << c.name;
        EXPECT_NE(r.shell.messages[0].text.find(c.says), std::string::npos)
            << c.name << ": " << r.shell.messages[0].text;
        EXPECT_EQ(r.shell.messages[0].title, "Error Loading Midi Band") << c.name;
        EXPECT_EQ(r.shell.statuses.back(), "Error Loading Midi Band") << c.name;
        EXPECT_EQ(r.service.log, PortLog{"closed"}) << c.name;
    }
}

TEST(MidiStyleFiles, OfTwoDrumBandsWithOneKitTheFirstIsKept) {
    MidiRig r({kSoftSynth});
    r.dir.Write("TbOrch-Drm.sty", "TambrelStyle 1\nband 00 First\nprogram 9 0\nband 00 Second\nprogram 9 1\n"
                                  "motif 36 One\nnote 0 9 36 100 100\nmotif 36 Two\nnote 0 9 36 100 200\n");
    r.MidiKey(1, 0, 36, 500, 1);
    r.Press(1);
    // Bands from the first, motifs from the last of one number.
    EXPECT_EQ(r.Played(), (PortLog{"segment 00 First", "segment 36 Two"}));
}

TEST(MidiUnload, ClosesThePortAndReportsOnTheStatusBar) {
    MidiRig r;
    r.midi.LoadMidiBand();
    r.shell.Clear();
    r.midi.UnloadMidiBand();
    EXPECT_FALSE(r.midi.MidiReady());
    EXPECT_EQ(r.Played(), PortLog{"closed"});
    EXPECT_EQ(r.shell.statuses, (std::vector<std::string>{"Unloading Midi Band", "Midi Band Unloaded"}));
    EXPECT_EQ(r.shell.busy, (std::vector<bool>{true, false}));
}

TEST(MidiSoundFont, TheProgramFolderComesFirstThenTheCandidatesInOrder) {
    TempDir app, sys;
    const std::string a = sys.Write("a.sf2", "x"), b = sys.Write("b.sf2", "x"), gone = sys.File("gone.sf2");
    EXPECT_EQ(FindSoundFont(app.Path(), {gone, b, a}), b);
    EXPECT_EQ(FindSoundFont(app.Path(), {gone}), "");
    const std::string own = app.Write("TbOrch.sf2", "x");
    EXPECT_EQ(FindSoundFont(app.Path(), {a, b}), own);
}

} // namespace
} // namespace tambrel::test
