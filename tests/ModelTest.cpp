#include <gtest/gtest.h>

#include "document/KeyAssign.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

// The codes are what Orchestra files store: renumbering one would read every
// saved key as something else.
static_assert(kSrcNone == 0 && kSrcWave == 1 && kSrcMidi == 5 && kSrcAction == 11);
static_assert(kPlayOnce == 0 && kPlayMulti == 1 && kPlayLoop == 2 && kPlayQueue == 3);
static_assert(kQueNoDup == 0 && kQueAllowDup == 1 && kQueKeepLooping == 2);
static_assert(kLoopContinuous == 0 && kLoopCounted == 1);
static_assert(kActNothing == 0 && kActChangeTable == 1 && kActStopPlay == 2);
static_assert(kActStopAll == 1 && kActStopMidi == 2 && kActStopLoopAndQueue == 3);

TEST(Model, OnlyOneTurnsAStoredFlagOn) {
    for (std::int32_t v : {-1, 0, 2, 11}) EXPECT_FALSE(FlagOn(v)) << v;
    EXPECT_TRUE(FlagOn(kFlagOn));
}

TEST(Model, NewKeyHasTheDocumentedDefaults) {
    const KeyAssign k = NewKeyAssign();
    EXPECT_EQ(k.SndSrc, 0);
    EXPECT_EQ(k.SaveInFile, 1);
    EXPECT_EQ(k.AllowDup, 1);
    EXPECT_EQ(k.QueDupLoop, 1);
    EXPECT_EQ(k.LoopOption, 0);
    EXPECT_EQ(k.LoopTimes, 10);
    EXPECT_EQ(k.MultiTimLst, "0,0.5,0.7,1.2");
    EXPECT_EQ(k.MidiKeyNo, 50);
    EXPECT_EQ(k.Velos, 127);
    EXPECT_EQ(k.Dur, 1000);
    // Everything else is zero or empty.
    EXPECT_EQ(k.Mute, 0);
    EXPECT_TRUE(k.WavFile.empty());
    EXPECT_EQ(k.PlayStyl, 0);
    EXPECT_EQ(k.Looping, kVbFalse);
    EXPECT_EQ(k.QueNo, 0);
    EXPECT_EQ(k.SndBuf, nullptr);
    EXPECT_EQ(k.WavBytes, 0);
    EXPECT_EQ(k.WaveDur, 0.0f);
    EXPECT_EQ(k.Instru, 0);
    EXPECT_EQ(k.DrumOn, 0);
    EXPECT_EQ(k.DrumBank, 0);
    EXPECT_EQ(k.ActCmd, 0);
    EXPECT_EQ(k.ActSub1, 0);
}

TEST(Model, NewOrchestraHasThreePlayBoardsWithOneSubBoardPerDevice) {
    TestState t;
    const Orchestra& o = t.st.Orc;
    ASSERT_EQ(o.SetNos(), 3);
    EXPECT_EQ(o.CurSet, 3);
    EXPECT_EQ(o.Set(o.CurSet).SetNam, "Joe");
    EXPECT_EQ(o.Set(1).SetNam, "Mike");
    EXPECT_EQ(o.Set(2).SetNam, "Jim");
    for (const PlayBoard& pb : o.PlayBoards) {
        ASSERT_EQ(pb.BodNos(), 2);
        EXPECT_EQ(pb.Bd(1).BodNam, "Keyboard-1");
        EXPECT_EQ(pb.Bd(1).InpDev, "Keyboard");
        EXPECT_EQ(pb.Bd(1).InpDevNo, 1);
        EXPECT_EQ(pb.Bd(1).KeyNos(), 128);
        EXPECT_EQ(pb.Bd(2).BodNam, "Mouse-2");
        EXPECT_EQ(pb.Bd(2).InpDevNo, 2);
        EXPECT_EQ(pb.Bd(2).KeyNos(), 8);
        EXPECT_EQ(pb.Bd(2).Key(8).MultiTimLst, "0,0.5,0.7,1.2");
    }
    ASSERT_EQ(o.RecNos(), 1);
    EXPECT_EQ(o.CurRec, 1);
    EXPECT_EQ(o.Recordings[0].Name, "First Recording");
    EXPECT_EQ(o.Recordings[0].count(), 0);
    EXPECT_TRUE(o.OrcFile.empty());
    EXPECT_EQ(o.OpenMsg, " ");
}

TEST(Model, SourceChangeKeepsTheOtherSourcesFields) {
    KeyAssign k = NewKeyAssign();
    k.SndSrc = kSrcWave;
    k.WavFile = "/x/drum.wav";
    k.PlayStyl = kPlayQueue;
    k.QueNo = 3;
    k.SndSrc = kSrcAction;
    k.ActCmd = kActStopPlay;
    k.SndSrc = kSrcWave;
    EXPECT_EQ(k.WavFile, "/x/drum.wav");
    EXPECT_EQ(k.PlayStyl, kPlayQueue);
    EXPECT_EQ(k.QueNo, 3);
}

TEST(Model, KeyLookupIsOneBasedAndChecked) {
    TestState t;
    Orchestra& o = t.st.Orc;
    EXPECT_NE(o.FindKey({PlayBoardNo{1}, SubBoardNo{1}, KeyNo{1}}), nullptr);
    EXPECT_NE(o.FindKey({PlayBoardNo{3}, SubBoardNo{2}, KeyNo{8}}), nullptr);
    EXPECT_EQ(o.FindKey({PlayBoardNo{0}, SubBoardNo{1}, KeyNo{1}}), nullptr);
    EXPECT_EQ(o.FindKey({PlayBoardNo{4}, SubBoardNo{1}, KeyNo{1}}), nullptr);
    EXPECT_EQ(o.FindKey({PlayBoardNo{1}, SubBoardNo{3}, KeyNo{1}}), nullptr);
    EXPECT_EQ(o.FindKey({PlayBoardNo{1}, SubBoardNo{2}, KeyNo{9}}), nullptr);
    EXPECT_EQ(o.FindKey({PlayBoardNo{1}, SubBoardNo{1}, KeyNo{0}}), nullptr);
}

} // namespace
} // namespace tambrel::test
