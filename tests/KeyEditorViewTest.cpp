#include "editor/KeyEditorView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/KeyEditor.h"
#include "tests/SoundRig.h"

namespace tambrel::test {
namespace {

// A program state whose edit key is key 1 of Sub Board 1 (the keyboard) of
// Play Board 3, with labelled keys.
struct ViewRig : TestState {
    ViewRig() {
        st.InputDevices[0].KeyLabels = {"Esc", "1", "2"};
        st.EditSet = 3;
        st.EditBd = 1;
        st.EditKey = 1;
        st.EditKeyValid = kVbTrue;
    }
    KeyAssign& Key() { return st.Orc.Set(3).Bd(1).Key(1); }
    KeyEditorView View() const { return Describe(st); }
};

TEST(KeyEditorView, HintLayersAndTheKeyLabel) {
    struct Case {
        const char* name;
        std::int32_t set, bd, key, keyNos, device;
        bool valid;
        EditorLayer layer;
        std::string curKey;
    };
    const Case cases[] = {
        {"nothing edited", 3, 1, 1, 128, 1, false, EditorLayer::NoKeyHint, ""},
        {"Play Board gone", 9, 1, 1, 128, 1, true, EditorLayer::NoKeyHint, ""},
        {"Sub Board gone", 3, 5, 1, 128, 1, true, EditorLayer::NoKeyHint, ""},
        {"a labelled key", 3, 1, 2, 128, 1, true, EditorLayer::Editor, "Key: 1"},
        {"a key without a label", 3, 1, 50, 128, 1, true, EditorLayer::Editor, "Key: "},
        {"beyond the board, within the device", 3, 1, 20, 10, 1, true, EditorLayer::KeyOutOfLimitHint, "Key: "},
        {"beyond the board and the device", 3, 1, 200, 10, 1, true, EditorLayer::NoKeyHint, "Key: None, no: 200"},
        {"key 0", 3, 1, 0, 10, 1, true, EditorLayer::NoKeyHint, "Key: None, no: 0"},
        {"no device", 3, 1, 1, 128, 0, true, EditorLayer::Editor, "No Input Device selected, can not play"},
        {"device out of range", 3, 1, 1, 128, 7, true, EditorLayer::Editor, "Input device not recognized"},
        {"negative device", 3, 1, 20, 10, -1, true, EditorLayer::NoKeyHint, "Input device not recognized"},
    };
    for (const Case& c : cases) {
        ViewRig r;
        // Fixed: the label says "Key: " + the label for a key the device has,
        // and Play Board 3 Sub Board 1 is the keyboard.
        SubBoard& sb = r.st.Orc.Set(3).Bd(1);
        sb.Keys.resize(static_cast<std::size_t>(c.keyNos));
        sb.InpDevNo = c.device;
        r.st.InputDevices[0].KeyLabels = {"Esc", "1", "2"};
        r.st.EditSet = c.set;
        r.st.EditBd = c.bd;
        r.st.EditKey = c.key;
        r.st.EditKeyValid = c.valid ? kVbTrue : kVbFalse;
        const KeyEditorView v = r.View();
        EXPECT_EQ(v.layer, c.layer) << c.name;
        EXPECT_EQ(v.curKeyLbl, c.curKey) << c.name;
        EXPECT_EQ(v.hintText, c.layer == EditorLayer::NoKeyHint           ? std::string(kHintNoKey)
                              : c.layer == EditorLayer::KeyOutOfLimitHint ? std::string(kHintKeyOutOfLimit)
                                                                          : std::string())
            << c.name;

        // Showing a key that cannot be edited leaves nothing edited.
        VirtualClock clock;
        Mixer mixer(kRate);
        RecordingMidi midi;
        KeyPlayer player(r.st, mixer, clock, midi);
        KeyEditor editor(r.st, player);
        EXPECT_EQ(editor.ShowPlayAssignment().layer, c.layer) << c.name;
        EXPECT_EQ(r.st.EditKeyValid != kVbFalse, c.layer == EditorLayer::Editor) << c.name;
        EXPECT_EQ(r.st.FileModified, kVbFalse) << c.name;
    }
}

TEST(KeyEditorView, TheChosenSourceAndStyleButtonsAreGreen) {
    ViewRig r;
    r.Key().SndSrc = kSrcWave;
    r.Key().PlayStyl = kPlayLoop;
    KeyEditorView v = r.View();
    ASSERT_EQ(v.layer, EditorLayer::Editor);
    EXPECT_EQ(v.sourceFrame, kSrcWave);
    std::vector<std::string> pictures, captions;
    for (const auto& b : v.sourceButtons) {
        pictures.push_back(b.picture);
        captions.push_back(b.caption);
    }
    EXPECT_EQ(pictures, (std::vector<std::string>{"Button_Up", "ButtonGreen_Up", "Button_Up", "Button_Up"}));
    EXPECT_EQ(captions, (std::vector<std::string>{"None", "Wave", "Midi", "Action"}));
    EXPECT_EQ(v.wave.styleFrame, kPlayLoop);
    EXPECT_EQ(v.wave.styleButtons[2].picture, "ButtonGreen_Up");
    EXPECT_EQ(v.wave.styleButtons[0].picture, "Button_Up");

    r.Key().SndSrc = kSrcNone;
    v = r.View();
    EXPECT_EQ(v.sourceFrame, kSrcNone);
    EXPECT_EQ(v.sourceButtons[0].picture, "ButtonGreen_Up");
    EXPECT_EQ(v.noneNote,
              "\"None\" - is choosen. Current Key has no assignment. Choose a Wave, Midi or Action to assign.");

    // A source or style that no button sets (from a foreign file): nothing green, no panel.
    r.Key().SndSrc = 3;
    v = r.View();
    EXPECT_EQ(v.sourceFrame, -1);
    for (const auto& b : v.sourceButtons) EXPECT_FALSE(b.chosen);
    r.Key().SndSrc = kSrcWave;
    r.Key().PlayStyl = 7;
    EXPECT_EQ(r.View().wave.styleFrame, -1);
}

TEST(KeyEditorView, TheWaveFileLabelsFollowTheFirstMatchingRow) {
    struct Case {
        const char* name;
        std::string file;
        std::int32_t saveInFile;
        float waveDur;
        std::string rem, shown;
        Rgb colour;
    };
    const Case cases[] = {
        {"no file", "   ", 1, 2.0f, "File name: ", "Please select a wave file", kGreenText},
        {"stored inside", "/w/a.wav", 1, 0.0f, "Original file name: ", "/w/a.wav", kNavyText},
        {"not loaded", "/w/a.wav", 0, 0.0f, "File needed: ", "/w/a.wav", kRedText},
        {"in use", "/w/a.wav", 0, 1.5f, "Current file in use: ", "/w/a.wav", kNavyText},
    };
    for (const Case& c : cases) {
        ViewRig r;
        KeyAssign& k = r.Key();
        k.SndSrc = kSrcWave;
        k.WavFile = c.file;
        k.SaveInFile = c.saveInFile;
        k.WaveDur = c.waveDur;
        const WavePanelView w = r.View().wave;
        EXPECT_EQ(w.fileNameRemLbl, c.rem) << c.name;
        EXPECT_EQ(w.fileNameLbl, c.shown) << c.name;
        EXPECT_EQ(w.fileColour, c.colour) << c.name;
        EXPECT_EQ(w.fileNameTip, c.rem + c.shown) << c.name;
        EXPECT_EQ(w.saveInFile, c.saveInFile == 1) << c.name;
    }
    ViewRig r;
    r.Key().SndSrc = kSrcWave;
    r.Key().WaveDur = 1.23456f;
    EXPECT_EQ(r.View().wave.waveDur, "Wave Duration: 1.235 sec");
    r.Key().WaveDur = 0.0f;
    EXPECT_EQ(r.View().wave.waveDur, "Wave Duration: 0.0 sec");
}

TEST(KeyEditorView, EachStyleShowsItsOwnControls) {
    ViewRig r;
    KeyAssign& k = r.Key();
    k.SndSrc = kSrcWave;
    k.PlayStyl = kPlayOnce;
    k.AllowDup = 1;
    EXPECT_TRUE(r.View().wave.allowDup);
    k.PlayStyl = kPlayMulti;
    k.MultiTimLst = "0,1,2.5,5";
    EXPECT_EQ(r.View().wave.multiTimLst, "0,1,2.5,5");

    k.PlayStyl = kPlayLoop;
    k.LoopOption = kLoopCounted;
    k.LoopTimes = 12;
    WavePanelView w = r.View().wave;
    EXPECT_EQ(w.loopOption, 1);
    EXPECT_TRUE(w.loopTimesEnabled);
    EXPECT_EQ(w.loopTimes, "12");
    k.LoopOption = 5; // anything but 1 is continuous
    w = r.View().wave;
    EXPECT_EQ(w.loopOption, 0);
    EXPECT_FALSE(w.loopTimesEnabled);

    k.PlayStyl = kPlayQueue;
    k.QueNo = 4;
    k.QueDupLoop = kQueKeepLooping;
    w = r.View().wave;
    EXPECT_EQ(w.queue.items, (std::vector<std::string>{"First", "Second", "Third", "Fourth", "Fifth"}));
    EXPECT_EQ(w.queue.selected, 4);
    EXPECT_EQ(w.queueDup, 2);
    k.QueNo = 9;
    k.QueDupLoop = -3;
    w = r.View().wave;
    EXPECT_EQ(w.queue.selected, -1);
    EXPECT_EQ(w.queueDup, -1);
}

TEST(KeyEditorView, MidiValuesAreClampedForDisplayOnly) {
    ViewRig r;
    KeyAssign& k = r.Key();
    k.SndSrc = kSrcMidi;
    k.DrumOn = 0;
    k.Instru = 300;
    k.MidiKeyNo = 200;
    k.Velos = 300;
    k.Dur = 1234;
    k.DrumBank = 99;
    MidiPanelView m = r.View().midi;
    EXPECT_FALSE(m.drumMode);
    EXPECT_EQ(m.keyNoLbl, "Key No:");
    EXPECT_TRUE(m.instrument.visible);
    EXPECT_FALSE(m.drumBank.visible);
    EXPECT_TRUE(m.durVisible);
    EXPECT_EQ(m.instrument.items.size(), 128u);
    EXPECT_EQ(m.instrument.items.front(), "1. Acoustic Grand Piano");
    EXPECT_EQ(m.instrument.items.back(), "128. Gunshot");
    EXPECT_EQ(m.instrument.selected, 127);
    EXPECT_EQ(m.keyTxt, "127");
    EXPECT_EQ(m.drumName, "No drum in this key");
    EXPECT_EQ(m.velosTxt, "300"); // velocity is shown as stored
    EXPECT_EQ(m.durTxt, "1.234");
    EXPECT_EQ(m.styleButton.caption, "Once");
    EXPECT_EQ(m.styleButton.picture, "ButtonGreen_Up");
    // An unknown kit shows the first one, and the model keeps its number.
    EXPECT_EQ(m.drumBank.selected, 0);
    EXPECT_EQ(m.drumBank.items[0], "Standard");
    EXPECT_EQ(k.MidiKeyNo, 200);
    EXPECT_EQ(k.DrumBank, 99);
    EXPECT_EQ(k.Instru, 300);

    k.DrumOn = 1;
    k.DrumBank = 25;
    k.MidiKeyNo = 36;
    m = r.View().midi;
    EXPECT_TRUE(m.drumMode);
    EXPECT_TRUE(m.drumOn);
    EXPECT_EQ(m.keyNoLbl, "Drum No:");
    EXPECT_FALSE(m.instrument.visible);
    EXPECT_TRUE(m.drumBank.visible);
    EXPECT_FALSE(m.durVisible);
    EXPECT_EQ(m.drumBank.items[static_cast<std::size_t>(m.drumBank.selected)], "TR-808");
    EXPECT_EQ(m.drumBank.itemData, (std::vector<std::int32_t>{0, 8, 16, 24, 25, 32, 40, 48, 56}));
    EXPECT_EQ(m.drumName, "Kick Drum 1");
}

TEST(KeyEditorView, TheActionTargetListFollowsTheCommand) {
    ViewRig r;
    KeyAssign& k = r.Key();
    k.SndSrc = kSrcAction;
    k.ActCmd = kActNothing;
    ActionPanelView a = r.View().action;
    EXPECT_EQ(a.command.items, (std::vector<std::string>{"0. Nothing to do", "1. Change Table", "2. Stop Play!"}));
    EXPECT_EQ(a.command.selected, 0);
    EXPECT_FALSE(a.target.visible);
    EXPECT_EQ(a.targetLbl, "Nothing to do");
    EXPECT_TRUE(a.targetLblVisible);

    k.ActCmd = kActChangeTable;
    k.ActSub1 = 2;
    a = r.View().action;
    EXPECT_TRUE(a.target.visible);
    EXPECT_EQ(a.target.items, (std::vector<std::string>{"Mike", "Jim", "Joe"}));
    EXPECT_EQ(a.target.selected, 1);
    EXPECT_EQ(a.targetLbl, "Choose Playboard:");
    k.ActSub1 = 4; // beyond the Play Boards: nothing selected
    EXPECT_EQ(r.View().action.target.selected, -1);

    k.ActCmd = kActStopPlay;
    k.ActSub1 = 3;
    a = r.View().action;
    EXPECT_EQ(a.target.items, (std::vector<std::string>{"Stop All", "Stop Midi", "Stop Loop and Queue"}));
    EXPECT_EQ(a.target.selected, 2);
    EXPECT_EQ(a.targetLbl, "Choose a stop option:");
    k.ActSub1 = 0;
    EXPECT_EQ(r.View().action.target.selected, -1);
}

// Whether the DLS remark shows, the MIDI output tells the window itself
// (MidiOutputTest, KeyEditorPanelTest); the view gives its text.
TEST(KeyEditorView, TheFocusRuleComesFromTheContextAndTheDlsRemarkIsPlainText) {
    ViewRig r;
    KeyEditorView v = Describe(r.st, {});
    EXPECT_FALSE(v.listsGiveFocusBack);
    KeyEditorContext c;
    c.inputOn = true;
    v = Describe(r.st, c);
    EXPECT_TRUE(v.listsGiveFocusBack);
    // Shown as plain text: the doubled ampersand is one.
    EXPECT_EQ(v.dslLbl, "Dls port. no velocity & duration approx. Change Midi port for better result");
}

} // namespace
} // namespace tambrel::test
