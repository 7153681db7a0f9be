// What the editor's changes do to what a key has sounding or pending.

#include "editor/KeyEditor.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/SoundRig.h"

namespace tambrel::test {
namespace {

constexpr std::int32_t B = 1, P = 3;

struct EditRig : SoundRig {
    KeyEditor editor{st, player};
    EditRig() {
        st.EditSet = P;
        st.EditBd = B;
        st.EditKey = 1;
        st.EditKeyValid = kVbTrue;
    }
    void Press(std::int32_t k) { player.PlayKey(SoundRig::At(k, B, P)); }
};

TEST(KeyEditorSound, SwitchingAWaveKeyToMidiStopsItsWaveAndItsCopiesFirst) {
    for (const std::int32_t allowDup : {0, 1}) {
        EditRig r;
        const int w = r.WaveKey(1, 3000, 1000, kPlayOnce);
        r.Key(1).AllowDup = allowDup;
        r.Press(1);
        r.RunTo(500);
        r.Press(1); // a second copy with duplicates, nothing new without
        r.RunTo(1000);
        r.editor.ChooseSource(kSrcMidi);
        EXPECT_EQ(r.Key(1).SndSrc, kSrcMidi);
        r.RunTo(4000);
        std::vector<Voice> voices{{w, 0, 1000}};
        if (allowDup) voices.push_back({w, 500, 1000});
        EXPECT_TRUE(r.Sounds(voices)) << "allowDup " << allowDup;
    }
}

// As muting does: nothing the old assignment scheduled sounds afterwards.
TEST(KeyEditorSound, ChangingSourceOrStyleCancelsWhatTheKeyHasPending) {
    struct Case {
        const char* name;
        bool source; // change the source to MIDI, else the style to once
        std::vector<Voice> voices;
    };
    const Case cases[] = {
        {"source", true, {{0, 1, 601}}},
        {"style", false, {{0, 1, 601}}},
    };
    for (const Case& c : cases) {
        EditRig r;
        r.WaveKey(1, 600, 1000, kPlayMulti);
        r.Key(1).MultiTimLst = "0,2";
        r.Press(1);
        r.RunTo(1000);
        if (c.source) r.editor.ChooseSource(kSrcMidi);
        else r.editor.ChooseStyle(kPlayOnce);
        r.RunTo(3000);
        EXPECT_TRUE(r.Sounds(c.voices)) << c.name;
        EXPECT_EQ(r.BusyTimers(), 0) << c.name;
    }
}

TEST(KeyEditorSound, ChangingTheStyleTakesTheKeyOutOfItsQueue) {
    EditRig r;
    const int w1 = r.WaveKey(1, 600, 1000, kPlayQueue);
    const int w2 = r.WaveKey(2, 600, 3000, kPlayQueue);
    r.Key(1).QueDupLoop = kQueAllowDup;
    r.Press(1);
    r.RunTo(100);
    r.Press(1); // waits
    r.RunTo(200);
    r.Press(2); // waits behind it
    r.RunTo(300);
    r.editor.ChooseStyle(kPlayOnce);
    // Key 1's turn ends now, its waiting entry goes, and key 2 plays at once.
    r.RunTo(2000);
    EXPECT_TRUE(r.Sounds({{w1, 0, 300}, {w2, 300}}));
    EXPECT_FALSE(r.player.Queues().Queue(0).Holds(SoundRig::At(1, B, P)));
    EXPECT_EQ(r.player.Queues().Queue(0).QueBusy, kVbFalse);
}

TEST(KeyEditorSound, ACountedLoopEndedByAChangeDoesNotCutTheNextLoopShort) {
    EditRig r;
    const int w = r.WaveKey(1, 600, 1000, kPlayLoop);
    r.Key(1).LoopOption = kLoopCounted;
    r.Key(1).LoopTimes = 3; // ends at 1800
    r.Press(1);
    r.RunTo(500);
    r.editor.ChooseSource(kSrcMidi);
    r.RunTo(700);
    r.editor.ChooseSource(kSrcWave);
    r.RunTo(800);
    r.Press(1); // its own count: ends at 2600
    r.RunTo(3500);
    EXPECT_TRUE(r.Sounds({{w, 0, 500, true}, {w, 800, 2600, true}}));
}

TEST(KeyEditorSound, AChangeLeavesOtherKeysAlone) {
    EditRig r;
    r.WaveKey(1, 600, 1000, kPlayMulti);
    const int w2 = r.WaveKey(2, 600, 3000, kPlayMulti);
    r.Key(1).MultiTimLst = "0,2";
    r.Key(2).MultiTimLst = "0,2";
    r.Press(2);
    r.RunTo(1000);
    r.editor.ChooseSource(kSrcMidi);
    r.RunTo(3000);
    EXPECT_TRUE(r.Sounds({{w2, 1, 601}, {w2, 2000}}));
}

TEST(KeyEditorSound, MutingALoopingWaveKeyCancelsItAndDrawsTheCross) {
    EditRig r;
    const int w = r.WaveKey(1, 600, 1000, kPlayLoop);
    r.Press(1);
    r.RunTo(1000);
    r.shell.Clear();
    r.editor.SetMute(true);
    EXPECT_EQ(r.Key(1).Mute, 1);
    EXPECT_EQ(r.Key(1).Looping, kVbFalse);
    EXPECT_EQ(r.st.FileModified, kVbTrue);
    EXPECT_TRUE(r.shell.notices.size() >= 1u);
    EXPECT_EQ(r.shell.notices.front(), (Notice{notice::ShowKeyIcon{{PlayBoardNo{P}, SubBoardNo{B}, KeyNo{1}}}}));
    r.RunTo(2500);
    EXPECT_TRUE(r.Sounds({{w, 0, 1000, true}}));
    // Unmuting silences nothing and the key plays again.
    r.editor.SetMute(false);
    EXPECT_EQ(r.Key(1).Mute, 0);
    r.Press(1);
    EXPECT_EQ(r.Key(1).Looping, kVbTrue);
}

TEST(KeyEditorSound, ANewDelayListStopsTheKeysCopies) {
    EditRig r;
    const int w = r.WaveKey(1, 3000, 1000, kPlayMulti);
    r.Key(1).MultiTimLst = "0";
    r.Press(1);
    r.RunTo(1000);
    EXPECT_EQ(r.editor.CommitDelayList("0"), "0"); // unchanged: plays on
    r.RunTo(1500);
    r.editor.CommitDelayList("0,1");
    r.RunTo(4000);
    EXPECT_TRUE(r.Sounds({{w, 1, 1500}}));
}

} // namespace
} // namespace tambrel::test
