#include "editor/KeyEditor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/EditorButtons.h"
#include "editor/StatusTips.h"
#include "input/InputSystem.h"
#include "tests/FakeInputLink.h"
#include "tests/SoundRig.h"

namespace tambrel::test {
namespace {

// The edit key is key 1 of Sub Board 1 of Play Board 3.
struct EditorRig : SoundRig {
    KeyEditor editor{st, player};
    std::vector<std::string> checkedFiles;
    bool filePresent = false;

    EditorRig() {
        st.EditSet = 3;
        st.EditBd = 1;
        st.EditKey = 1;
        st.EditKeyValid = kVbTrue;
        editor.fileExists = [this](const std::string& path) {
            checkedFiles.push_back(path);
            return filePresent;
        };
    }
    KeyAssign& Edited() { return Key(1); }
    template <class N>
    int Count() const {
        return shell.Count<N>();
    }
};

TEST(KeyEditorFields, TypedNumbersAreClampedStoredAndShownBack) {
    struct Case {
        const char* name;
        std::string (KeyEditor::*commit)(std::string_view);
        const char* typed;
        std::int32_t KeyAssign::*field;
        std::int32_t stored;
        const char* shown;
    };
    const Case cases[] = {
        {"key 128", &KeyEditor::CommitKeyNo, "128", &KeyAssign::MidiKeyNo, 127, "127"},
        {"key -4", &KeyEditor::CommitKeyNo, "-4", &KeyAssign::MidiKeyNo, 0, "0"},
        {"key 60.5 to even", &KeyEditor::CommitKeyNo, "60.5", &KeyAssign::MidiKeyNo, 60, "60"},
        {"key text", &KeyEditor::CommitKeyNo, "abc", &KeyAssign::MidiKeyNo, 0, "0"},
        {"key 1e12", &KeyEditor::CommitKeyNo, "1e12", &KeyAssign::MidiKeyNo, 127, "127"},
        {"velocity 300", &KeyEditor::CommitVelos, "300", &KeyAssign::Velos, 255, "255"},
        {"velocity 1e12", &KeyEditor::CommitVelos, "1e12", &KeyAssign::Velos, 255, "255"},
        {"velocity -1e12", &KeyEditor::CommitVelos, "-1e12", &KeyAssign::Velos, 0, "0"},
        {"duration 12.34", &KeyEditor::CommitDur, "12.34", &KeyAssign::Dur, 10000, "10.0"},
        {"duration 0.0125", &KeyEditor::CommitDur, "0.0125", &KeyAssign::Dur, 12, "0.012"},
        {"duration 1.5", &KeyEditor::CommitDur, "1.5", &KeyAssign::Dur, 1500, "1.5"},
        {"duration 1e12", &KeyEditor::CommitDur, "1e12", &KeyAssign::Dur, 10000, "10.0"},
        {"duration 1e999", &KeyEditor::CommitDur, "1e999", &KeyAssign::Dur, 10000, "10.0"},
        {"loop times 0", &KeyEditor::CommitLoopTimes, "0", &KeyAssign::LoopTimes, 10, "10"},
        {"loop times 1001", &KeyEditor::CommitLoopTimes, "1001", &KeyAssign::LoopTimes, 10, "10"},
        {"loop times 1000", &KeyEditor::CommitLoopTimes, "1000", &KeyAssign::LoopTimes, 1000, "1000"},
        {"loop times 1", &KeyEditor::CommitLoopTimes, "1", &KeyAssign::LoopTimes, 1, "1"},
        {"loop times 2.5", &KeyEditor::CommitLoopTimes, "2.5", &KeyAssign::LoopTimes, 2, "2"},
        {"loop times text", &KeyEditor::CommitLoopTimes, "many", &KeyAssign::LoopTimes, 10, "10"},
        {"loop times 1e12", &KeyEditor::CommitLoopTimes, "1e12", &KeyAssign::LoopTimes, 10, "10"},
    };
    for (const Case& c : cases) {
        EditorRig r;
        r.Edited().*c.field = 3;
        EXPECT_NO_THROW(EXPECT_EQ((r.editor.*c.commit)(c.typed), c.shown) << c.name);
        EXPECT_EQ(r.Edited().*c.field, c.stored) << c.name;
        EXPECT_EQ(r.st.FileModified, kVbTrue) << c.name;
    }
}

TEST(KeyEditorFields, AnUnchangedValueLeavesTheFileUnmodified) {
    EditorRig r;
    r.Edited().Velos = 100;
    r.Edited().MultiTimLst = "0,1";
    EXPECT_EQ(r.editor.CommitVelos("100.4"), "100");
    EXPECT_EQ(r.editor.CommitDelayList("1, 0 ,1"), "0,1"); // the field still shows the normal form
    r.editor.ChooseQueue(r.Edited().QueNo);
    EXPECT_EQ(r.st.FileModified, kVbFalse);
    EXPECT_EQ(r.Edited().MultiTimLst, "0,1");
}

TEST(KeyEditorFields, ArrowsStepFromTheFieldAndClamp) {
    EditorRig r;
    KeyAssign& k = r.Edited();
    k.Dur = 50;
    EXPECT_EQ(r.editor.StepDur(-1, "0.05"), "0.0"); // 50 - 100 clamps to 0
    EXPECT_EQ(k.Dur, 0);
    EXPECT_EQ(r.editor.StepDur(+1), "0.1");
    EXPECT_EQ(k.Dur, 100);
    k.Dur = 9950;
    EXPECT_EQ(r.editor.StepDur(+1), "10.0");
    EXPECT_EQ(k.Dur, 10000);

    k.MidiKeyNo = 200; // shown as 127: up stays at 127
    EXPECT_EQ(r.editor.StepKeyNo(+1), "127");
    EXPECT_EQ(k.MidiKeyNo, 127);
    EXPECT_EQ(r.editor.StepKeyNo(-1), "126");
    EXPECT_EQ(r.editor.StepKeyNo(-1, "0"), "0");
    EXPECT_EQ(r.editor.StepKeyNo(+1, "1e12"), "127");

    k.Velos = 255;
    EXPECT_EQ(r.editor.StepVelos(+1), "255");
    EXPECT_EQ(r.editor.StepVelos(-1), "254");
    EXPECT_EQ(k.Velos, 254);
}

TEST(KeyEditorFields, TheDelayListIsStoredNormalised) {
    EditorRig r;
    r.Edited().MultiTimLst = "0,1";
    EXPECT_EQ(r.editor.CommitDelayList("2,-1,0.5,abc,2"), "0,0.5,2");
    EXPECT_EQ(r.Edited().MultiTimLst, "0,0.5,2");
    EXPECT_EQ(r.st.FileModified, kVbTrue);
    EXPECT_EQ(r.editor.CommitDelayList("150"), "0");
    EXPECT_EQ(r.editor.CommitDelayList(""), "0");
    EXPECT_EQ(r.Edited().MultiTimLst, "0");
}

TEST(KeyEditorCommands, WithoutAValidKeyEveryCommandHidesTheEditor) {
    EditorRig r;
    r.st.EditKeyValid = kVbFalse;
    r.editor.ChooseSource(kSrcMidi);
    ASSERT_EQ(r.shell.messages.size(), 1u);
    EXPECT_EQ(r.shell.messages[0].text, "Invalid Key");
    EXPECT_EQ(r.shell.messages[0].title, ""); // the program's title
    r.editor.ChooseStyle(kPlayLoop);
    EXPECT_EQ(r.shell.messages.size(), 2u);
    EXPECT_EQ(r.Count<notice::HidePlayAssignment>(), 2);

    // The other controls hide without a word.
    r.shell.Clear();
    r.editor.SetMute(true);
    r.editor.ClickAllowDupLabel();
    EXPECT_EQ(r.editor.CommitKeyNo("5"), "");
    EXPECT_EQ(r.editor.StepDur(+1), "");
    r.editor.ChooseActionCommand(1);
    EXPECT_TRUE(r.shell.messages.empty());
    EXPECT_EQ(r.Count<notice::HidePlayAssignment>(), 5);

    // A cursor that names a key no longer there counts as no valid key.
    r.st.EditKeyValid = kVbTrue;
    r.st.EditBd = 4;
    r.editor.ChooseSource(kSrcWave);
    EXPECT_EQ(r.shell.messages.size(), 1u);
    EXPECT_EQ(r.st.EditKeyValid, kVbFalse);
    EXPECT_EQ(r.st.FileModified, kVbFalse);
    EXPECT_EQ(r.Edited().SndSrc, kSrcNone);
}

TEST(KeyEditorCommands, ChoosingASourceWritesItThenShowsTheKeyAndItsIcon) {
    EditorRig r;
    r.editor.ChooseSource(kSrcMidi);
    EXPECT_EQ(r.Edited().SndSrc, kSrcMidi);
    EXPECT_EQ(r.st.FileModified, kVbTrue);
    const std::vector<Notice> expected = {notice::ShowPlayAssignment{},
                                          notice::ShowKeyIcon{{PlayBoardNo{3}, SubBoardNo{1}, KeyNo{1}}}};
    EXPECT_EQ(r.shell.notices, expected);
    EXPECT_EQ(r.editor.View().sourceFrame, kSrcMidi);

    // The same choice again changes nothing.
    r.shell.Clear();
    r.st.FileModified = kVbFalse;
    r.editor.ChooseSource(kSrcMidi);
    r.editor.ChooseSource(4); // no such button
    r.editor.ChooseStyle(9);
    EXPECT_TRUE(r.shell.notices.empty());
    EXPECT_EQ(r.st.FileModified, kVbFalse);
}

TEST(KeyEditorCommands, ALabelTogglesTheBoxBesideIt) {
    EditorRig r;
    KeyAssign& k = r.Edited();
    k.Mute = 5; // not 1: shown unticked, so a click ticks it
    r.editor.ClickMuteLabel();
    EXPECT_EQ(k.Mute, 1);
    r.editor.ClickMuteLabel();
    EXPECT_EQ(k.Mute, 0);
    k.AllowDup = 1;
    r.editor.ClickAllowDupLabel();
    EXPECT_EQ(k.AllowDup, 0);
    r.editor.ClickAllowDupLabel();
    EXPECT_EQ(k.AllowDup, 1);
    k.SaveInFile = 0;
    r.editor.ClickSaveInFileLabel();
    EXPECT_EQ(k.SaveInFile, 1);
    r.editor.ClickSaveInFileLabel(); // no file name: nothing to check
    EXPECT_EQ(k.SaveInFile, 0);
    EXPECT_TRUE(r.checkedFiles.empty());
}

TEST(KeyEditorCommands, AStoredWaveWhoseFileIsGoneStaysStoredInside) {
    EditorRig r;
    KeyAssign& k = r.Edited();
    k.SndSrc = kSrcWave;
    k.SaveInFile = 1;
    k.WavFile = "/waves/gone.wav";
    r.editor.SetSaveInFile(false);
    EXPECT_EQ(r.checkedFiles, (std::vector<std::string>{"/waves/gone.wav"}));
    ASSERT_EQ(r.shell.messages.size(), 1u);
    EXPECT_EQ(r.shell.messages[0].text, "The file \"/waves/gone.wav\" is not found");
    EXPECT_EQ(k.SaveInFile, 1);
    EXPECT_EQ(r.st.FileModified, kVbFalse);
    EXPECT_TRUE(r.shell.Saw<notice::ShowPlayAssignment>()); // the box is ticked again
    EXPECT_TRUE(r.editor.View().wave.saveInFile);

    r.shell.Clear();
    r.filePresent = true;
    r.editor.SetSaveInFile(false);
    EXPECT_TRUE(r.shell.messages.empty());
    EXPECT_EQ(k.SaveInFile, 0);
    EXPECT_EQ(r.st.FileModified, kVbTrue);
    EXPECT_TRUE(r.shell.Saw<notice::ShowPlayAssignment>());

    // Ticking it needs no file.
    r.filePresent = false;
    r.checkedFiles.clear();
    r.editor.SetSaveInFile(true);
    EXPECT_EQ(k.SaveInFile, 1);
    EXPECT_TRUE(r.checkedFiles.empty());
}

TEST(KeyEditorCommands, ListsAndOptionsWriteWhatTheyName) {
    EditorRig r;
    KeyAssign& k = r.Edited();
    r.editor.ChooseDrumBank(4);
    EXPECT_EQ(k.DrumBank, 25);
    r.editor.ChooseDrumBank(9); // no such item
    EXPECT_EQ(k.DrumBank, 25);
    r.editor.ChooseInstrument(127);
    EXPECT_EQ(k.Instru, 127);
    r.editor.ChooseInstrument(-1); // nothing selected
    EXPECT_EQ(k.Instru, 127);
    r.editor.ChooseQueue(3);
    EXPECT_EQ(k.QueNo, 3);
    r.editor.ChooseQueue(5);
    EXPECT_EQ(k.QueNo, 3);
    r.editor.ChooseQueueDup(kQueKeepLooping);
    EXPECT_EQ(k.QueDupLoop, 2);
    r.editor.ChooseLoopOption(1);
    EXPECT_EQ(k.LoopOption, kLoopCounted);
    r.editor.ChooseLoopOption(0);
    EXPECT_EQ(k.LoopOption, kLoopContinuous);
    r.shell.Clear();
    r.editor.SetDrumOn(true);
    EXPECT_EQ(k.DrumOn, 1);
    r.editor.SetDrumOn(true); // the mode is shown again on every change of the ball
    EXPECT_EQ(r.Count<notice::ShowPlayAssignment>(), 2);
    r.editor.SetAllowDup(false);
    EXPECT_EQ(k.AllowDup, 0);
}

TEST(KeyEditorCommands, ChangeTableResetsTheTargetAndListsThePlayBoards) {
    EditorRig r;
    KeyAssign& k = r.Edited();
    k.SndSrc = kSrcAction;
    k.ActCmd = kActStopPlay;
    k.ActSub1 = 2;
    r.editor.ChooseActionCommand(kActChangeTable);
    EXPECT_EQ(k.ActCmd, kActChangeTable);
    EXPECT_EQ(k.ActSub1, 0);
    EXPECT_TRUE(r.shell.Saw<notice::ShowPlayAssignment>());
    const ActionPanelView a = r.editor.View().action;
    EXPECT_TRUE(a.target.visible);
    EXPECT_EQ(a.target.items.size(), 3u);
    EXPECT_EQ(a.target.selected, -1);

    r.editor.ChooseActionTarget(2);
    EXPECT_EQ(k.ActSub1, 3);
    r.editor.ChooseActionTarget(3); // only three Play Boards
    EXPECT_EQ(k.ActSub1, 3);
    r.editor.ChooseActionCommand(kActNothing);
    r.editor.ChooseActionTarget(0); // nothing to choose
    EXPECT_EQ(k.ActSub1, 0);
    r.editor.ChooseActionCommand(3);
    EXPECT_EQ(k.ActCmd, kActNothing);
}

TEST(KeyEditorCommands, TheKeyNumberCommitShowsTheNewDrumName) {
    EditorRig r;
    KeyAssign& k = r.Edited();
    k.SndSrc = kSrcMidi;
    k.DrumOn = 1;
    r.editor.CommitKeyNo("38");
    EXPECT_TRUE(r.shell.Saw<notice::ShowPlayAssignment>());
    EXPECT_EQ(r.editor.View().midi.drumName, "Snare Drum 1");
}

TEST(KeyEditorCommands, SelectFileLoadsTheChosenWaveIntoTheEditKey) {
    EditorRig r;
    r.shell.chosen.push_back(""); // cancelled
    r.editor.SelectFile();
    EXPECT_EQ(r.shell.dialogs.size(), 1u);
    EXPECT_EQ(r.st.FileModified, kVbFalse);
    r.st.EditKeyValid = kVbFalse;
    r.editor.SelectFile();
    EXPECT_EQ(r.shell.dialogs.size(), 1u); // no dialog without a key
    EXPECT_TRUE(r.shell.Saw<notice::HidePlayAssignment>());
}

// ---- the buttons beside the editor ----

struct ButtonsRig : EditorRig {
    FakeLink* link = nullptr;
    InputSystem input{st, [this] {
                          auto l = std::make_unique<FakeLink>();
                          link = l.get();
                          return l;
                      }};
    int detections = 0;
    EditorButtons buttons{st, player, input, [this] { ++detections; }};
};

TEST(KeyEditorButtons, PlayChecksTheKeyBeforeItsSource) {
    ButtonsRig r;
    r.Edited().SndSrc = kSrcNone;
    r.buttons.Play();
    ASSERT_EQ(r.shell.messages.size(), 1u);
    EXPECT_EQ(r.shell.messages[0].text, "Select sound source and try to play");

    r.Edited().SndSrc = kSrcMidi;
    r.buttons.Play();
    EXPECT_EQ(r.midi.played, (std::vector<std::array<int, 3>>{{1, 1, 3}}));

    // No valid key, or a cursor left on a Sub Board that is gone: nothing
    // plays, nothing is said, nothing is read.
    r.st.EditKeyValid = kVbFalse;
    r.buttons.Play();
    r.st.EditKeyValid = kVbTrue;
    r.st.EditBd = 7;
    EXPECT_NO_THROW(r.buttons.Play());
    r.st.EditBd = 1;
    r.st.EditKey = 99;
    EXPECT_NO_THROW(r.buttons.Play());
    EXPECT_EQ(r.shell.messages.size(), 1u);
    EXPECT_EQ(r.midi.played.size(), 1u);
}

TEST(KeyEditorButtons, ThePopupPlaysTheCurrentKeyOfTheActivePlayBoard) {
    ButtonsRig r;
    r.Key(4, 1, 2).SndSrc = kSrcMidi;
    r.st.Orc.CurSet = 2;
    r.st.Orc.Set(2).CurBd = 1;
    r.st.Orc.Set(2).Bd(1).CurKey = 4;
    r.buttons.PlayPopupKey();
    EXPECT_EQ(r.midi.played, (std::vector<std::array<int, 3>>{{4, 1, 2}}));
    r.st.Orc.Set(2).CurBd = 0; // no current Sub Board
    EXPECT_NO_THROW(r.buttons.PlayPopupKey());
    r.st.Orc.CurSet = 0;
    EXPECT_NO_THROW(r.buttons.PlayPopupKey());
    EXPECT_EQ(r.midi.played.size(), 1u);
}

TEST(KeyEditorButtons, StopsInputAndDetection) {
    ButtonsRig r;
    r.buttons.Stop(kStopMidi);
    EXPECT_EQ(r.midi.stops, 1);
    r.buttons.Stop(kStopAll);
    EXPECT_EQ(r.midi.stops, 2);

    r.buttons.SetInputOn(true);
    EXPECT_TRUE(r.buttons.InputOn());
    EXPECT_FALSE(r.editor.View().listsGiveFocusBack); // the editor reads input only when told
    r.editor.input = &r.input;
    EXPECT_TRUE(r.editor.View().listsGiveFocusBack);
    r.buttons.SetInputOn(false);
    EXPECT_FALSE(r.buttons.InputOn());
    EXPECT_EQ(r.link->calls, (std::vector<std::string>{"acquire", "unacquire"}));

    r.shell.Clear();
    r.buttons.DetectAgain();
    EXPECT_EQ(r.detections, 1);
    const std::vector<Notice> expected = {notice::RebuildAllBoardViews{}, notice::ShowPlayAssignment{}};
    EXPECT_EQ(r.shell.notices, expected);
}

TEST(KeyEditorButtons, DetectAgainWithoutTheProgramAsksTheMenusToFollow) {
    EditorRig r;
    InputSystem input{r.st, [] { return std::make_unique<FakeLink>(); }};
    EditorButtons buttons{r.st, r.player, input};
    buttons.DetectAgain();
    EXPECT_TRUE(r.shell.Saw<notice::UpdateDeviceMenus>());
    EXPECT_TRUE(r.shell.Saw<notice::RebuildAllBoardViews>());
}

TEST(KeyEditorStatusTips, TheTableHoldsTheTipsExactly) {
    EXPECT_EQ(StatusTip("AsgnBtn(0)"), "Choose this to button clear the sound for current key. Green button is chosen");
    EXPECT_EQ(
        StatusTip("MultiTimLstTxt"),
        "Enter the delay play times in seconds, to play the sound multiple times, use commas \",\" in-between to separate numbers");
    EXPECT_EQ(StatusTip("MuteChk(1)"), StatusTip("MuteChk(0)"));
    EXPECT_EQ(StatusTip("DrumLbl(0)"), "Choose a Drum Bank here");
    EXPECT_EQ(StatusTip(kTipInputHeading), StatusTip("DiAcuireLbl"));
    EXPECT_EQ(
        StatusTip("DslLbl"),
        "Velocity is not used and the duration is approximated in DLS Port, Choose other Midi Port as a better choise");
    EXPECT_EQ(StatusTip("StopBtn(2)"), "Stops all looping sounds and queued sounds only");
    EXPECT_EQ(StatusTip("InstruLbl"), "Choose a Instrument Bank here");
    EXPECT_EQ(StatusTip("HideLbl(0)"), ""); // plain labels clear the panel
    EXPECT_EQ(StatusTip(""), "");
    // Each control once.
    const auto& all = StatusTips();
    for (std::size_t i = 0; i < all.size(); ++i)
        for (std::size_t j = i + 1; j < all.size(); ++j) EXPECT_NE(all[i].first, all[j].first);
}

} // namespace
} // namespace tambrel::test
