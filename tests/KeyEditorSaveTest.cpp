// Fields edited through the editor's commands reach the saved Orchestra, as
// the file's dump shows them.

#include "editor/KeyEditor.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "document/OpenSaveClass.h"
#include "tests/SoundRig.h"
#include "tests/TempDir.h"
#include "tests/TborcRun.h"
#include "tests/WaveBytes.h"

namespace tambrel::test {
namespace {

// A canonical wave of 8-bit mono 11025 Hz samples.
std::string Wave(std::size_t frames) { return Wave8Mono(frames); }

nlohmann::json Dump(const std::string& path) {
    const ToolRun r = Tborc({"dump", path, "--device", "Pad:8"});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.Json();
}

TEST(KeyEditorSave, EditedFieldsAreWhatTheSavedFileHolds) {
    TempDir dir;
    const std::string wave = dir.Write("click.wav", Wave(11025));
    TestState t({{"Pad", 8}});
    ProgramState& st = t.st;
    VirtualClock clock;
    Mixer mixer(kRate);
    RecordingMidi midi;
    KeyPlayer player(st, mixer, clock, midi);
    KeyEditor editor(st, player);
    st.EditSet = 3;
    st.EditBd = 1;
    st.EditKeyValid = kVbTrue;

    st.EditKey = 1; // a muted drum
    editor.ChooseSource(kSrcMidi);
    editor.SetDrumOn(true);
    editor.ChooseDrumBank(4);
    editor.ChooseInstrument(40);
    editor.CommitKeyNo("128");
    editor.CommitVelos("300");
    editor.CommitDur("12.34");
    editor.ClickMuteLabel();

    st.EditKey = 2; // a wave played after delays
    editor.ChooseSource(kSrcWave);
    t.shell.chosen.push_back(wave);
    editor.SelectFile();
    editor.ChooseStyle(kPlayMulti);
    editor.CommitDelayList("2,-1,0.5,abc,2");

    st.EditKey = 3; // a counted loop, its wave left in its file
    editor.ChooseSource(kSrcWave);
    t.shell.chosen.push_back(wave);
    editor.SelectFile();
    editor.SetSaveInFile(false);
    editor.ChooseStyle(kPlayLoop);
    editor.ChooseLoopOption(1);
    editor.CommitLoopTimes("1000");

    st.EditKey = 4; // queued
    editor.ChooseSource(kSrcWave);
    editor.ChooseStyle(kPlayQueue);
    editor.ChooseQueue(2);
    editor.ChooseQueueDup(kQueNoDup);

    st.EditKey = 5; // "Stop Midi"
    editor.ChooseSource(kSrcAction);
    editor.ChooseActionCommand(kActStopPlay);
    editor.ChooseActionTarget(1);

    EXPECT_EQ(st.FileModified, kVbTrue);
    EXPECT_TRUE(t.shell.messages.empty());
    const std::string path = dir.File("edited.TbOrc");
    ASSERT_TRUE(OpenSaveClass(st).SaveOrchestra(path));

    const nlohmann::json j = Dump(path);
    const auto& keys = j["PlayBoards"][2]["Bds"][0]["Keys"];
    const auto& drum = keys[0];
    EXPECT_EQ(drum["SndSrc"], 5);
    EXPECT_EQ(drum["Mute"], 1);
    EXPECT_EQ(drum["DrumOn"], 1);
    EXPECT_EQ(drum["DrumBank"], 25);
    EXPECT_EQ(drum["Instru"], 40);
    EXPECT_EQ(drum["MidiKeyNo"], 127);
    EXPECT_EQ(drum["Velos"], 255);
    EXPECT_EQ(drum["Dur"], 10000);

    const auto& multi = keys[1];
    EXPECT_EQ(multi["SndSrc"], 1);
    EXPECT_EQ(multi["PlayStyl"], 1);
    EXPECT_EQ(multi["MultiTimLst"], "0,0.5,2");
    EXPECT_EQ(multi["WavFile"], wave);
    EXPECT_EQ(multi["SaveInFile"], 1);
    EXPECT_EQ(multi["WavBytes"], 11025);

    const auto& loop = keys[2];
    EXPECT_EQ(loop["PlayStyl"], 2);
    EXPECT_EQ(loop["LoopOption"], 1);
    EXPECT_EQ(loop["LoopTimes"], 1000);
    EXPECT_EQ(loop["SaveInFile"], 0);
    EXPECT_NEAR(loop["WaveDur"].get<double>(), 1.0, 1e-6); // read again from its file

    const auto& queued = keys[3];
    EXPECT_EQ(queued["PlayStyl"], 3);
    EXPECT_EQ(queued["QueNo"], 2);
    EXPECT_EQ(queued["QueDupLoop"], 0);

    const auto& action = keys[4];
    EXPECT_EQ(action["SndSrc"], 11);
    EXPECT_EQ(action["ActCmd"], 2);
    EXPECT_EQ(action["ActSub1"], 2);

    // And the program reads back what the editor shows.
    TestState back({{"Pad", 8}});
    ASSERT_TRUE(OpenSaveClass(back.st).LoadOrchestra(path));
    back.st.EditSet = 3;
    back.st.EditBd = 1;
    back.st.EditKey = 1;
    back.st.EditKeyValid = kVbTrue;
    const KeyEditorView v = Describe(back.st);
    EXPECT_EQ(v.midi.keyTxt, "127");
    EXPECT_EQ(v.midi.durTxt, "10.0");
    EXPECT_EQ(v.midi.drumBank.items[static_cast<std::size_t>(v.midi.drumBank.selected)], "TR-808");
}

} // namespace
} // namespace tambrel::test
