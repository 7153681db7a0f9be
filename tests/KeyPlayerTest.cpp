#include "sound/KeyPlayer.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/SoundRig.h"

namespace tambrel::test {
namespace {

constexpr std::int32_t B = 1, P = 3; // the board and Play Board the keys live on

void Press(SoundRig& r, std::int32_t k) { r.player.PlayKey(SoundRig::At(k)); }

// ---- once ----

TEST(KeyPlayerOnce, WithoutDuplicatesAPressWhileSoundingNeitherRestartsNorOverlaps) {
    SoundRig r;
    const int w = r.WaveKey(1, 2000, 1000);
    r.Key(1).AllowDup = 0;
    Press(r, 1);
    r.RunTo(500);
    Press(r, 1);
    r.RunTo(2500);
    Press(r, 1); // finished: plays again from its start
    r.RunTo(5000);
    EXPECT_TRUE(r.Sounds({{w, 0}, {w, 2500}}));
    EXPECT_TRUE(r.player.DupBufs().empty()) << "the key's own buffer plays";
}

TEST(KeyPlayerOnce, DuplicatesOverlapAndReuseTheFirstFinishedCopy) {
    SoundRig r;
    const int a = r.WaveKey(1, 3000, 1000);
    const int b = r.WaveKey(2, 500, 3000);
    Press(r, 1);
    r.RunTo(100);
    Press(r, 2);
    r.RunTo(200);
    Press(r, 1);
    ASSERT_EQ(r.player.DupBufs().size(), 3u);
    r.RunTo(1000); // the copy of key 2 (entry 2) has finished
    Press(r, 1);
    ASSERT_EQ(r.player.DupBufs().size(), 3u) << "a finished copy is reused before the pool grows";
    EXPECT_EQ(r.player.DupBufs()[1].Owner, SoundRig::At(1));
    Press(r, 1);
    EXPECT_EQ(r.player.DupBufs().size(), 4u) << "none was free";
    r.RunTo(3400); // the first copy of key 1 (entry 1) has finished
    Press(r, 2);
    EXPECT_EQ(r.player.DupBufs()[0].Owner, SoundRig::At(2)) << "the lowest-numbered free entry";
    EXPECT_EQ(r.player.DupBufs().size(), 4u);
    r.RunTo(7000);
    EXPECT_TRUE(r.Sounds({{a, 0}, {b, 100}, {a, 200}, {a, 1000}, {a, 1000}, {b, 3400}}));
}

TEST(KeyPlayerOnce, ASoundingCopyIsNeverTakenOverEvenOnRecycledVoices) {
    // Pairs of presses 1 ms apart, rounds apart enough for every copy to end
    // and its mixer voice to be released and handed out again.
    SoundRig r;
    const int w = r.WaveKey(1, 100, 1000);
    std::vector<Voice> voices;
    for (std::int64_t t = 0; t < 4000; t += 200) {
        for (std::int64_t at : {t, t + 1}) {
            r.RunTo(at);
            Press(r, 1);
            voices.push_back({w, at});
        }
    }
    r.RunTo(4200);
    EXPECT_TRUE(r.Sounds(voices));
    EXPECT_EQ(r.player.DupBufs().size(), 2u);
}

// ---- multiple ----

TEST(KeyPlayerMultiple, EachPieceOfTheDelayListPlaysACopy) {
    const struct {
        const char* list;
        std::vector<std::int64_t> starts;
    } cases[] = {
        {"0,0.5,0.7,1.2", {1, 500, 700, 1200}},
        {"", {}},
        {"0,0.5", {1, 500}},
        {"0,,x,0.2", {1, 1, 1, 200}}, // an empty piece and text without a number play at once
        {"-3,0.3", {1, 300}},         // a negative delay plays at once too
        {" 0.25s", {250}},            // the number at the start of the piece
    };
    for (const auto& c : cases) {
        SoundRig r;
        const int w = r.WaveKey(1, 2000, 1000, kPlayMulti);
        r.Key(1).MultiTimLst = c.list;
        r.Key(1).AllowDup = 0; // not consulted: every play is a copy
        Press(r, 1);
        EXPECT_EQ(r.player.Timers().TimerNos(), static_cast<std::int32_t>(c.starts.size())) << c.list;
        r.RunTo(4000);
        std::vector<Voice> voices;
        for (std::int64_t s : c.starts) voices.push_back({w, s});
        EXPECT_TRUE(r.Sounds(voices)) << '"' << c.list << '"';
        EXPECT_EQ(r.BusyTimers(), 0) << c.list << ": every timer is free again";
    }
}

TEST(KeyPlayerMultiple, AHundredSecondDelayRunsAs65000Then35000Ms) {
    SoundRig r;
    const int w = r.WaveKey(1, 100, 1000, kPlayMulti);
    r.Key(1).MultiTimLst = "100";
    Press(r, 1);
    TimerClass1& t = r.player.Timers().Timer(1);
    EXPECT_EQ(t.Interval(), 65000);
    EXPECT_EQ(t.RestMs, 35000);
    r.RunTo(65001);
    EXPECT_EQ(t.Interval(), 35000);
    EXPECT_EQ(t.RestMs, 0);
    EXPECT_FALSE(t.IsFree);
    r.RunTo(100300);
    EXPECT_TRUE(r.Sounds({{w, 100000}}));
    EXPECT_TRUE(t.IsFree);
}

TEST(KeyPlayerMultiple, ThePoolShrinksByOneFreeTimerPerPressAboveThirty) {
    SoundRig r;
    r.WaveKey(1, 100, 100, kPlayMulti);
    std::string forty;
    for (int i = 1; i <= 40; ++i) forty += (i > 1 ? "," : "") + std::to_string(i / 1000.0);
    r.Key(1).MultiTimLst = forty;
    Press(r, 1);
    EXPECT_EQ(r.player.Timers().TimerNos(), 40) << "the trim after the press found the last timer busy";
    r.RunTo(100);
    ASSERT_EQ(r.BusyTimers(), 0);

    r.WaveKey(2, 100, 100, kPlayMulti);
    r.Key(2).MultiTimLst = "0";
    r.WaveKey(3, 100, 100, kPlayLoop);
    r.Key(3).LoopOption = kLoopCounted;
    r.Key(3).LoopTimes = 1;
    std::vector<std::int32_t> sizes;
    for (int i = 0; i < 12; ++i) {
        Press(r, i % 2 ? 2 : 3); // counted loops and multiple plays both trim
        sizes.push_back(r.player.Timers().TimerNos());
        r.Run(200);
    }
    EXPECT_EQ(sizes, (std::vector<std::int32_t>{39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 30, 30}));
}

// ---- loop ----

TEST(KeyPlayerLoop, AContinuousLoopTogglesAndRestartsFromItsStart) {
    SoundRig r;
    const int w = r.WaveKey(1, 1000, 1000, kPlayLoop);
    Press(r, 1);
    EXPECT_EQ(r.Key(1).Looping, kVbTrue);
    r.RunTo(2500);
    Press(r, 1);
    EXPECT_EQ(r.Key(1).Looping, kVbFalse);
    r.RunTo(4000);
    Press(r, 1);
    r.RunTo(6000);
    EXPECT_TRUE(r.Sounds({{w, 0, 2500, true}, {w, 4000, kNever, true}}));
    EXPECT_EQ(r.shell.Count<notice::ShowKeyIcon>(), 3);
    EXPECT_EQ(r.player.Timers().TimerNos(), 0) << "a continuous loop uses no timer";
}

TEST(KeyPlayerLoop, ACountedLoopStopsItselfAfterLoopTimesWaveDurations) {
    const struct {
        std::int32_t times, durMs;
        std::int64_t stop;
    } cases[] = {{2, 1500, 3000}, {3, 1000, 3000}, {1, 500, 500}, {0, 500, 1}};
    for (const auto& c : cases) {
        SoundRig r;
        const int w = r.WaveKey(1, c.durMs, 1000, kPlayLoop);
        r.Key(1).LoopOption = kLoopCounted;
        r.Key(1).LoopTimes = c.times;
        Press(r, 1);
        r.RunTo(c.stop + 2000);
        EXPECT_TRUE(r.Sounds({{w, 0, c.stop, true}})) << c.times << " x " << c.durMs;
        EXPECT_EQ(r.Key(1).Looping, kVbFalse);
        EXPECT_EQ(r.shell.Count<notice::ShowKeyIcon>(), 2) << "drawn looping, then stopped";
        EXPECT_EQ(r.BusyTimers(), 0);
    }
}

TEST(KeyPlayerLoop, StoppingACountedLoopByHandCancelsItsOwnTimerOnly) {
    SoundRig r;
    const int w = r.WaveKey(1, 1000, 1000, kPlayMulti);
    r.Key(1).MultiTimLst = "2.5";
    Press(r, 1); // a copy pending at 2500 from when the key played multiple times
    r.Key(1).PlayStyl = kPlayLoop;
    r.Key(1).LoopOption = kLoopCounted;
    r.Key(1).LoopTimes = 3;
    r.RunTo(100);
    Press(r, 1); // loops until 3100
    r.RunTo(1500);
    Press(r, 1); // stops, and its counting timer with it
    r.RunTo(2600);
    Press(r, 1); // loops again until 5600, not cut short at 3100
    r.RunTo(7000);
    EXPECT_TRUE(r.Sounds({{w, 100, 1500, true}, {w, 2500}, {w, 2600, 5600, true}}));
}

TEST(KeyPlayerLoop, AHugeLoopCountDoesNotEndThePressEarly) {
    SoundRig r;
    const int w = r.WaveKey(1, 1000, 1000, kPlayLoop);
    r.Key(1).LoopOption = kLoopCounted;
    r.Key(1).LoopTimes = std::numeric_limits<std::int32_t>::max();
    Press(r, 1);
    EXPECT_EQ(r.Key(1).Looping, kVbTrue);
    EXPECT_EQ(r.shell.Count<notice::ShowKeyIcon>(), 1);
    EXPECT_EQ(r.BusyTimers(), 1);
    r.RunTo(3000);
    EXPECT_TRUE(r.Sounds({{w, 0, kNever, true}}));
}

// ---- queue ----

TEST(KeyPlayerQueue, AllowDuplicatesPlaysEachPressAfterThePrevious) {
    SoundRig r;
    const int w = r.WaveKey(1, 2000, 1000, kPlayQueue);
    r.Key(1).QueDupLoop = kQueAllowDup;
    r.Key(1).QueNo = 4;
    for (int i = 0; i < 3; ++i) Press(r, 1);
    const PlayQueue& Q = r.player.Queues().Queue(4);
    EXPECT_EQ(Q.QueCount(), 2);
    r.RunTo(5999);
    EXPECT_TRUE(Q.QueBusy);
    r.RunTo(6000);
    EXPECT_FALSE(Q.QueBusy) << "idle after 6 s";
    r.RunTo(8000);
    EXPECT_TRUE(r.Sounds({{w, 0}, {w, 2000}, {w, 4000}}));
    EXPECT_EQ(r.BusyTimers(), 0);
}

TEST(KeyPlayerQueue, KeepLoopingEndsWhenAnotherKeyJoinsOrTheKeyIsPressedAgain) {
    const struct {
        const char* name;
        std::int32_t secondKey;
        bool second; // expect the second key's sound at 3000
        std::int64_t idle;
    } cases[] = {{"another key", 2, true, 3500}, {"the looping key", 1, false, 3000}};
    for (const auto& c : cases) {
        SoundRig r;
        const int a = r.WaveKey(1, 1000, 1000, kPlayQueue);
        const int b = r.WaveKey(2, 500, 3000, kPlayQueue);
        r.Key(1).QueDupLoop = kQueKeepLooping;
        r.Key(2).QueDupLoop = kQueAllowDup;
        Press(r, 1);
        r.RunTo(2300);
        Press(r, c.secondKey);
        r.RunTo(c.idle - 1);
        EXPECT_TRUE(r.player.Queues().Queue(0).QueBusy) << c.name;
        r.RunTo(c.idle);
        EXPECT_FALSE(r.player.Queues().Queue(0).QueBusy) << c.name;
        r.RunTo(6000);
        std::vector<Voice> v{{a, 0}, {a, 1000}, {a, 2000}};
        if (c.second) v.push_back({b, 3000});
        EXPECT_TRUE(r.Sounds(v)) << c.name;
    }
}

TEST(KeyPlayerQueue, NoDuplicatesIgnoresAKeyAlreadyPlayingOrWaiting) {
    SoundRig r;
    const int a = r.WaveKey(1, 1000, 1000, kPlayQueue);
    const int b = r.WaveKey(2, 500, 3000, kPlayQueue);
    r.Key(1).QueDupLoop = kQueNoDup;
    r.Key(2).QueDupLoop = kQueNoDup;
    Press(r, 1);
    r.RunTo(300);
    Press(r, 1); // playing: ignored
    Press(r, 2);
    Press(r, 2); // waiting: ignored
    EXPECT_EQ(r.player.Queues().Queue(0).QueCount(), 1);
    r.RunTo(1200);
    Press(r, 1); // no longer in the queue: waits behind key 2
    r.RunTo(4000);
    EXPECT_TRUE(r.Sounds({{a, 0}, {b, 1000}, {a, 1500}}));
}

// ---- mute ----

TEST(KeyPlayerMute, MutingCancelsWhatTheKeyHasPlayingAndPending) {
    struct Case {
        const char* name;
        std::int32_t style, allowDup, loopOption, queDupLoop;
        std::vector<std::int64_t> presses; // of key 1
        bool other;                        // key 2 (wave 1) joins the queue at 200
        std::vector<Voice> voices;         // key 1 is muted at 1000
    };
    const Case cases[] = {
        {"once", kPlayOnce, 0, 0, 0, {0}, false, {{0, 0, 1000}}},
        {"once with duplicates", kPlayOnce, 1, 0, 0, {0, 500}, false, {{0, 0, 1000}, {0, 500, 1000}}},
        {"multiple", kPlayMulti, 0, 0, 0, {0}, false, {{0, 1, 1000}}},
        {"continuous loop", kPlayLoop, 0, kLoopContinuous, 0, {0}, false, {{0, 0, 1000, true}}},
        {"counted loop", kPlayLoop, 0, kLoopCounted, 0, {0}, false, {{0, 0, 1000, true}}},
        {"queue: waiting entries go, the next key plays at once",
         kPlayQueue,
         0,
         0,
         kQueAllowDup,
         {0, 100},
         true,
         {{0, 0, 1000}, {1, 1000}}},
        {"keep-looping queue: not replayed", kPlayQueue, 0, 0, kQueKeepLooping, {0}, false, {{0, 0, 1000}}},
    };
    for (const Case& c : cases) {
        SoundRig r;
        r.WaveKey(1, 3000, 1000, c.style);
        r.WaveKey(2, 600, 3000, kPlayQueue);
        KeyAssign& k = r.Key(1);
        k.AllowDup = c.allowDup;
        k.LoopOption = c.loopOption;
        k.LoopTimes = 3;
        k.QueDupLoop = c.queDupLoop;
        k.MultiTimLst = "0,2";
        for (std::int64_t t : c.presses) {
            r.RunTo(t);
            Press(r, 1);
        }
        r.RunTo(200);
        if (c.other) Press(r, 2);
        r.RunTo(1000);
        r.shell.Clear();
        r.player.ToggleMute(SoundRig::At(1));
        EXPECT_EQ(k.Mute, 1) << c.name;
        EXPECT_EQ(r.st.FileModified, kVbTrue) << c.name;
        EXPECT_TRUE(r.shell.Saw<notice::ShowKeyIcon>()) << c.name;
        r.RunTo(5000);
        EXPECT_TRUE(r.Sounds(c.voices)) << c.name;
        EXPECT_EQ(r.player.Queues().Queue(0).QueBusy, kVbFalse) << c.name;

        r.player.ToggleMute(SoundRig::At(1));
        EXPECT_EQ(k.Mute, 0) << c.name;
    }
}

TEST(KeyPlayerMute, AMutedKeyOfAnySourceOnlyShowsMutedKey) {
    const struct {
        const char* name;
        std::int32_t src, actCmd, actSub1;
    } cases[] = {
        {"wave", kSrcWave, 0, 0},
        {"midi", kSrcMidi, 0, 0},
        {"change table", kSrcAction, kActChangeTable, 1},
        {"stop all", kSrcAction, kActStopPlay, 1},
        {"no source", kSrcNone, 0, 0},
    };
    for (const auto& c : cases) {
        SoundRig r;
        const int loop = r.WaveKey(2, 1000, 1000, kPlayLoop);
        Press(r, 2);
        r.WaveKey(1, 1000, 3000);
        KeyAssign& k = r.Key(1);
        k.SndSrc = c.src;
        k.ActCmd = c.actCmd;
        k.ActSub1 = c.actSub1;
        k.Mute = 1;
        r.shell.Clear();
        Press(r, 1);
        r.RunTo(500);
        EXPECT_EQ(r.shell.statuses, std::vector<std::string>{"Muted Key"}) << c.name;
        EXPECT_TRUE(r.shell.notices.empty()) << c.name;
        EXPECT_TRUE(r.midi.played.empty()) << c.name;
        EXPECT_EQ(r.midi.stops, 0) << c.name;
        EXPECT_EQ(r.st.Orc.CurSet, 3) << c.name;
        EXPECT_TRUE(r.Sounds({{loop, 0, kNever, true}})) << c.name;
    }
}

// ---- MIDI and action keys ----

TEST(KeyPlayerMidi, AMidiKeyPlaysOneNoteWhateverItsPlayStyle) {
    SoundRig r;
    r.Key(5).SndSrc = kSrcMidi;
    r.Key(5).PlayStyl = kPlayLoop;
    r.player.PlayKey(SoundRig::At(5));
    r.player.PlayKey(SoundRig::At(5));
    EXPECT_EQ(r.midi.played, (std::vector<std::array<int, 3>>{{5, 1, 3}, {5, 1, 3}}));
    EXPECT_EQ(r.Key(5).Looping, kVbFalse);
}

TEST(KeyPlayerAction, ChangeTableActivatesAPlayBoardInRangeOnly) {
    const struct {
        std::int32_t cmd, target;
        std::int32_t curSet; // afterwards
    } cases[] = {{kActChangeTable, 1, 1},
                 {kActChangeTable, 2, 2},
                 {kActChangeTable, 4, 3},
                 {kActChangeTable, 0, 3},
                 {kActChangeTable, -1, 3},
                 {kActNothing, 1, 3},
                 {7, 1, 3}};
    for (const auto& c : cases) {
        SoundRig r;
        r.st.Orc.Set(1).CurBd = 1;
        r.st.Orc.Set(1).Bd(1).CurKey = 7;
        r.st.EditSet = 3;
        KeyAssign& k = r.Key(4);
        k.SndSrc = kSrcAction;
        k.ActCmd = c.cmd;
        k.ActSub1 = c.target;
        r.player.PlayKey(SoundRig::At(4));
        EXPECT_EQ(r.st.Orc.CurSet, c.curSet) << c.cmd << "/" << c.target;
        const bool moved = c.curSet != 3;
        EXPECT_EQ(r.shell.Saw<notice::ActivateBoardView>(), moved) << c.cmd << "/" << c.target;
        EXPECT_EQ(r.shell.Saw<notice::ShowActivePlayBoard>(), moved) << c.cmd << "/" << c.target;
        if (moved) {
            EXPECT_EQ(r.shell.notices.front(), (Notice{notice::ActivateBoardView{PlayBoardNo{c.curSet}}}));
            EXPECT_EQ(r.st.EditSet, c.curSet) << "the editor follows the active Play Board";
        }
        if (c.curSet == 1) {
            EXPECT_EQ(r.st.EditBd, 1);
            EXPECT_EQ(r.st.EditKey, 7);
        }
    }
}

TEST(KeyPlayerAction, StopActionsRunTheirStopOption) {
    const struct {
        std::int32_t target;
        int midiStops;
        bool loopStops;
    } cases[] = {{1, 1, true}, {2, 1, false}, {3, 0, true}, {0, 0, false}, {4, 0, false}};
    for (const auto& c : cases) {
        SoundRig r;
        const int w = r.WaveKey(1, 1000, 1000, kPlayLoop);
        Press(r, 1);
        r.Key(2).SndSrc = kSrcAction;
        r.Key(2).ActCmd = kActStopPlay;
        r.Key(2).ActSub1 = c.target;
        r.RunTo(500);
        r.player.PlayKey(SoundRig::At(2));
        r.RunTo(1500);
        EXPECT_EQ(r.midi.stops, c.midiStops) << c.target;
        EXPECT_TRUE(r.Sounds({{w, 0, c.loopStops ? 500 : kNever, true}})) << c.target;
    }
}

// ---- stop options ----

TEST(KeyPlayerStop, EachOptionStopsExactlyItsSounds) {
    // The scene at 1000 ms, keys of Play Board 3:
    enum Part { kOnce, kMultiNow, kMultiLater, kLoop, kCounted, kQueueNow, kQueueLater, kParts };
    const struct {
        const char* name;
        int option;
        std::array<bool, kParts> stops;
        int midiStops;
    } cases[] = {
        {"Stop All", kStopAll, {true, true, true, true, true, true, true}, 1},
        {"Stop Midi", kStopMidi, {false, false, false, false, false, false, false}, 1},
        {"Stop Loop and Queue", kStopLoopAndQueue, {false, false, false, true, true, false, true}, 0},
        {"unknown option", 3, {false, false, false, false, false, false, false}, 0},
    };
    for (const auto& c : cases) {
        SoundRig r;
        const int once = r.WaveKey(1, 10000, 100);
        r.Key(1).AllowDup = 0;
        const int multi = r.WaveKey(2, 10000, 200, kPlayMulti);
        r.Key(2).MultiTimLst = "0,5";
        const int loop = r.WaveKey(3, 1000, 400, kPlayLoop);
        const int counted = r.WaveKey(4, 1000, 800, kPlayLoop);
        r.Key(4).LoopOption = kLoopCounted;
        r.Key(4).LoopTimes = 5;
        const int queued = r.WaveKey(5, 10000, 1600, kPlayQueue);
        r.Key(6).SndSrc = kSrcMidi;
        for (std::int32_t k : {1, 2, 3, 4, 5, 5, 6}) Press(r, k);
        r.RunTo(1000);

        r.player.StopSounds(c.option);
        r.RunTo(12000);

        const Voice parts[kParts] = {
            {once, 0},   {multi, 1},     {multi, 5000}, {loop, 0, kNever, true}, {counted, 0, 5000, true},
            {queued, 0}, {queued, 10000}};
        std::vector<Voice> expected;
        for (int i = 0; i < kParts; ++i) {
            Voice v = parts[i];
            if (c.stops[static_cast<std::size_t>(i)]) {
                if (v.start >= 1000) continue; // pending: cancelled
                v.stop = 1000;
            }
            expected.push_back(v);
        }
        EXPECT_TRUE(r.Sounds(expected)) << c.name;
        EXPECT_EQ(r.midi.stops, c.midiStops) << c.name;
        if (c.stops[kLoop]) {
            EXPECT_EQ(r.Key(3).Looping, kVbFalse) << c.name;
            EXPECT_EQ(r.Key(4).Looping, kVbFalse) << c.name;
        }
    }
}

TEST(KeyPlayerStop, StopAllEndsAPendingCountedLoopAtOnceEvenBeyond65Seconds) {
    SoundRig r;
    const int w = r.WaveKey(1, 1000, 1000, kPlayLoop);
    r.Key(1).LoopOption = kLoopCounted;
    r.Key(1).LoopTimes = 100; // 65000 + 35000 ms
    Press(r, 1);
    r.RunTo(1000);
    r.shell.Clear();
    r.st.soundEngine->StopAllSounds(); // the key player
    EXPECT_EQ(r.BusyTimers(), 0);
    EXPECT_EQ(r.Key(1).Looping, kVbFalse);
    EXPECT_TRUE(r.shell.Saw<notice::ShowKeyIcon>());
    r.RunTo(2000);
    Press(r, 1); // a fresh loop, counted from now
    r.RunTo(40000);
    EXPECT_TRUE(r.Sounds({{w, 0, 1000, true}, {w, 2000, kNever, true}}));
}

TEST(KeyPlayerStop, AnErrorShowsItsDescriptionAndLeavesTheRestUndone) {
    SoundRig r;
    const int w = r.WaveKey(1, 1000, 1000, kPlayLoop);
    Press(r, 1);
    r.midi.failStop = true;
    r.player.StopSounds(kStopAll);
    ASSERT_EQ(r.shell.messages.size(), 1u);
    EXPECT_EQ(r.shell.messages[0].text, "Midi port lost");
    EXPECT_EQ(r.shell.messages[0].title, "");
    EXPECT_EQ(r.shell.messages[0].buttons, MsgButtons::Ok);
    r.RunTo(2000);
    EXPECT_TRUE(r.Sounds({{w, 0, kNever, true}}));

    r.midi.ready = false; // StopAllMidi only while MIDI output is up
    r.player.StopSounds(kStopMidi);
    EXPECT_EQ(r.shell.messages.size(), 1u);
}

TEST(KeyPlayerStop, TheQueueTakesTheLoopingKeyAgainAfterAStop) {
    SoundRig r;
    const int w = r.WaveKey(1, 1000, 1000, kPlayQueue);
    r.Key(1).QueDupLoop = kQueKeepLooping;
    Press(r, 1);
    r.RunTo(1500);
    r.player.StopSounds(kStopLoopAndQueue); // the playing copy sounds on
    r.RunTo(2500);
    Press(r, 1);
    r.RunTo(4000);
    EXPECT_TRUE(r.Sounds({{w, 0}, {w, 1000}, {w, 2500}, {w, 3500}}));
}

// ---- failures and odd keys ----

TEST(KeyPlayerFailure, BadPressesEndQuietly) {
    const struct {
        const char* name;
        std::int32_t key, board, playBoard;
        std::int32_t queNo;
        float waveDur; // < 0: keep the wave's own
    } cases[] = {
        {"key above KeyNos", 17, B, P, 0, -1},
        {"Sub Board that is not there", 1, 2, P, 0, -1},
        {"Play Board that is not there", 1, B, 4, 0, -1},
        {"queue number 5", 1, B, P, 5, -1},
        {"queue number -1", 1, B, P, -1, -1},
        {"no wave loaded", 1, B, P, 0, 0.0f},
    };
    for (const auto& c : cases) {
        SoundRig r;
        r.WaveKey(1, 1000, 1000, kPlayQueue);
        r.Key(1).QueNo = c.queNo;
        if (c.waveDur >= 0) r.Key(1).WaveDur = c.waveDur;
        EXPECT_NO_THROW(r.player.PlayKey(SoundRig::At(c.key, c.board, c.playBoard))) << c.name;
        r.RunTo(1500);
        EXPECT_TRUE(r.Sounds({})) << c.name;
        EXPECT_TRUE(r.shell.messages.empty()) << c.name;
        EXPECT_TRUE(r.shell.statuses.empty()) << c.name;
    }
}

TEST(KeyPlayerFailure, WithErrorTrappingOffErrorsReachTheCaller) {
    SoundRig r;
    r.WaveKey(1, 1000, 1000, kPlayQueue);
    r.Key(1).QueNo = 9;
    r.st.ErrorTrapping = false;
    EXPECT_THROW(Press(r, 1), std::out_of_range);
    r.midi.failStop = true;
    EXPECT_THROW(r.player.StopSounds(kStopMidi), std::runtime_error);
    EXPECT_TRUE(r.shell.messages.empty());
}

TEST(KeyPlayerFailure, StoppingKeysWithoutAWaveIsQuiet) {
    SoundRig r;
    r.Key(1).SndSrc = kSrcWave;
    r.Key(1).PlayStyl = kPlayLoop;
    r.Key(1).Looping = kVbTrue; // its wave is gone
    r.player.StopKey(SoundRig::At(1));
    r.player.StopKey(SoundRig::At(99));
    r.player.StopDupCopies(SoundRig::At(1));
    r.player.SilenceKey(SoundRig::At(1));
    r.player.PlayDupCopy(SoundRig::At(1));
    EXPECT_TRUE(r.player.DupBufs().empty()) << "no entry without a buffer";
    EXPECT_TRUE(r.shell.messages.empty());
}

} // namespace
} // namespace tambrel::test
