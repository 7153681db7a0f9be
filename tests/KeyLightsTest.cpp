#include "boards/KeyLights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "tests/SoundRig.h"
#include "tests/TempDir.h"

namespace tambrel::test {
namespace {

KeyAddress K(std::int32_t key, std::int32_t sub = 1, std::int32_t pb = 1) {
    return {PlayBoardNo{pb}, SubBoardNo{sub}, KeyNo{key}};
}

// ---- the light of one key over time ----

TEST(KeyLights, AKeyIsLitWhileItSoundsAtLeast120MsThenFadesOut) {
    struct Case {
        const char* name;
        std::int32_t ms;        // the notice's length
        std::int64_t stoppedAt; // -1: never stopped
        std::int64_t fullUntil; // lit fully before this time
    };
    const Case cases[] = {
        {"an action lights the shortest time", 0, -1, 120},  {"a short wave too", 30, -1, 120},
        {"a long wave for its length", 800, -1, 800},        {"a loop until stopped", -1, 2000, 2000},
        {"a loop stopped at once still shows", -1, 10, 120}, {"a long wave cut short", 800, 300, 300},
    };
    for (const Case& c : cases) {
        KeyLights l;
        std::vector<KeyAddress> changed;
        l.Played(K(1), 0, c.ms);
        if (c.stoppedAt >= 0) {
            l.Frame(c.stoppedAt, changed);
            l.Stopped(K(1), c.stoppedAt);
        }
        l.Frame(c.fullUntil - 1, changed);
        EXPECT_EQ(l.Level(K(1)), kFullLight) << c.name;
        l.Frame(c.fullUntil, changed);
        EXPECT_LT(l.Level(K(1)), kFullLight) << c.name << ": fading";
        EXPECT_GT(l.Level(K(1)), 0) << c.name << ": fading";
        l.Frame(c.fullUntil + kLightFadeMs - 1, changed);
        EXPECT_GT(l.Level(K(1)), 0) << c.name;
        l.Frame(c.fullUntil + kLightFadeMs, changed);
        EXPECT_EQ(l.Level(K(1)), 0) << c.name << ": dark again";
        EXPECT_TRUE(l.Idle()) << c.name << ": forgotten once dark";
    }
}

TEST(KeyLights, FadingNeverBrightensAndTakesAFewSteps) {
    KeyLights l;
    std::vector<KeyAddress> changed;
    l.Played(K(1), 0, 0);
    std::uint8_t last = kFullLight;
    int steps = 0;
    for (std::int64_t t = 0; t <= kMinLitMs + kLightFadeMs; ++t) {
        changed.clear();
        l.Frame(t, changed);
        EXPECT_LE(l.Level(K(1)), last) << t;
        last = l.Level(K(1));
        steps += static_cast<int>(changed.size());
    }
    // Lit, each step of the fade, dark: one repaint each, not one a frame.
    EXPECT_EQ(steps, 1 + kLightFadeSteps + 1);
}

TEST(KeyLights, AKeyPlayedAgainWhileLitKeepsTheLongerLight) {
    KeyLights l;
    std::vector<KeyAddress> changed;
    l.Played(K(1), 0, -1);  // a loop
    l.Played(K(1), 100, 0); // and a short play of the same key
    l.Frame(5000, changed);
    EXPECT_EQ(l.Level(K(1)), kFullLight) << "the loop still sounds";
    l.Played(K(2), 0, 1000);
    l.Frame(1500, changed);
    l.Played(K(2), 1500, 0); // faded out, played again: lit anew
    l.Frame(1600, changed);
    EXPECT_EQ(l.Level(K(2)), kFullLight);
}

TEST(KeyLights, AStopForAKeyThatIsNotLitLightsNothing) {
    KeyLights l;
    std::vector<KeyAddress> changed;
    l.Stopped(K(1), 0);
    l.Frame(1, changed);
    EXPECT_TRUE(changed.empty());
    EXPECT_TRUE(l.Idle());
}

// ---- frames: each key repainted at most once a frame ----

TEST(KeyLights, AThousandPlaysOfAKeyInOneFrameRepaintItOnce) {
    KeyLights l;
    std::vector<KeyAddress> changed;
    for (int i = 0; i < 1000; ++i) l.Played(K(1 + i % 10), 0, 200);
    l.Frame(1, changed);
    EXPECT_EQ(changed.size(), 10u) << "ten keys, each named once";
    changed.clear();
    for (int i = 0; i < 1000; ++i) l.Played(K(1 + i % 10), 5, 200);
    l.Frame(16, changed);
    EXPECT_TRUE(changed.empty()) << "still fully lit: nothing to repaint";
}

TEST(KeyLights, KeysOfOtherBoardsAndPlayBoardsAreLitApart) {
    KeyLights l;
    std::vector<KeyAddress> changed;
    l.Played(K(3, 1, 1), 0, 0);
    l.Frame(1, changed);
    EXPECT_EQ(l.Level(K(3, 1, 1)), kFullLight);
    EXPECT_EQ(l.Level(K(3, 2, 1)), 0);
    EXPECT_EQ(l.Level(K(3, 1, 2)), 0);
    changed.clear();
    l.Clear(changed);
    EXPECT_EQ(changed, std::vector<KeyAddress>{K(3, 1, 1)}) << "the lit key is painted dark";
    EXPECT_TRUE(l.Idle());
}

TEST(KeyLights, TheSettingTurnsLightingOff) {
    struct Case {
        const char* text; // the file's "LightKeys" line; nullptr: none
        bool on;
    };
    const Case cases[] = {{nullptr, true},  {"1", true},    {"0", false},  {" 0 ", false},
                          {"False", false}, {"off", false}, {"yes", true}, {"", true}};
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.File("TambrelOrchestra.ini");
        if (c.text) std::ofstream(path) << "[Display]\nLightKeys=" << c.text << "\n";
        EXPECT_EQ(KeyLightsOn(Settings(path)), c.on) << (c.text ? c.text : "(no line)");
    }
}

// ---- the core tells every play and every early end ----

std::vector<notice::KeyPlayed> Plays(const SoundRig& r) { return r.shell.All<notice::KeyPlayed>(); }

TEST(KeyPlayNotices, EveryWayAKeySoundsIsTold) {
    SoundRig r;
    r.WaveKey(1, 400, 1000); // once with duplicates
    r.WaveKey(2, 300, 1000);
    r.Key(2).AllowDup = 0; // once on its own buffer
    r.WaveKey(3, 200, 1000, kPlayMulti);
    r.Key(3).MultiTimLst = "0,0.5";
    r.WaveKey(4, 250, 1000, kPlayQueue);
    r.Key(5).SndSrc = kSrcMidi;
    r.Key(5).Dur = 750;
    r.Key(6).SndSrc = kSrcAction;
    r.Key(6).ActCmd = kActStopPlay;
    r.Key(6).ActSub1 = kActStopMidi;
    for (int k = 1; k <= 6; ++k) r.player.PlayKey(SoundRig::At(k));
    r.RunTo(2000); // the delayed copy
    const std::vector<notice::KeyPlayed> expected = {
        {SoundRig::At(1), 400}, {SoundRig::At(2), 300}, {SoundRig::At(4), 250}, {SoundRig::At(5), 750},
        {SoundRig::At(6), 0},   {SoundRig::At(3), 200}, {SoundRig::At(3), 200},
    };
    std::vector<notice::KeyPlayed> got = Plays(r);
    // The first copy of the delay list and the queue's entry come through
    // timers: compare as sets of plays.
    auto order = [](const notice::KeyPlayed& a, const notice::KeyPlayed& b) {
        return std::tie(a.key.key.value, a.ms) < std::tie(b.key.key.value, b.ms);
    };
    std::vector<notice::KeyPlayed> want = expected;
    std::sort(got.begin(), got.end(), order);
    std::sort(want.begin(), want.end(), order);
    EXPECT_EQ(got, want);
}

TEST(KeyPlayNotices, NothingIsToldForAKeyThatDoesNotSound) {
    SoundRig r;
    r.WaveKey(1, 400, 1000);
    r.Key(1).Mute = kFlagOn;
    r.Key(2).SndSrc = kSrcWave; // no wave loaded
    r.player.PlayKey(SoundRig::At(1));
    r.player.PlayKey(SoundRig::At(2));
    r.player.PlayKey(SoundRig::At(9999)); // no such key
    r.RunTo(1000);
    EXPECT_TRUE(Plays(r).empty());
}

TEST(KeyPlayNotices, ALoopSoundsUntilItIsStoppedAndItsEndIsTold) {
    struct Case {
        const char* name;
        void (*stop)(SoundRig&);
    };
    const Case cases[] = {
        {"pressed again", [](SoundRig& r) { r.player.PlayKey(SoundRig::At(1)); }},
        {"Stop All", [](SoundRig& r) { r.player.StopSounds(kStopAll); }},
        {"Stop Loop and Queue", [](SoundRig& r) { r.player.StopSounds(kStopLoopAndQueue); }},
        {"silenced", [](SoundRig& r) { r.player.SilenceKey(SoundRig::At(1)); }},
    };
    for (const Case& c : cases) {
        SoundRig r;
        r.WaveKey(1, 300, 1000, kPlayLoop);
        r.WaveKey(2, 300, 1000); // never played: its stop is not told
        r.player.PlayKey(SoundRig::At(1));
        ASSERT_EQ(Plays(r), (std::vector<notice::KeyPlayed>{{SoundRig::At(1), notice::KeyPlayed::kUntilStopped}}))
            << c.name;
        r.RunTo(1000);
        EXPECT_FALSE(r.shell.Saw<notice::KeyStoppedSounding>()) << c.name;
        c.stop(r);
        EXPECT_EQ(r.shell.All<notice::KeyStoppedSounding>(), std::vector<notice::KeyStoppedSounding>{{SoundRig::At(1)}})
            << c.name;
    }
}

TEST(KeyPlayNotices, ACountedLoopEndsByItself) {
    SoundRig r;
    r.WaveKey(1, 300, 1000, kPlayLoop);
    r.Key(1).LoopOption = kLoopCounted;
    r.Key(1).LoopTimes = 2;
    r.player.PlayKey(SoundRig::At(1));
    r.RunTo(550);
    EXPECT_FALSE(r.shell.Saw<notice::KeyStoppedSounding>());
    r.RunTo(700);
    EXPECT_EQ(r.shell.Count<notice::KeyStoppedSounding>(), 1);
}

TEST(KeyPlayNotices, StoppedCopiesTellTheirKeyOnce) {
    SoundRig r;
    r.WaveKey(1, 1000, 1000);
    for (int i = 0; i < 3; ++i) r.player.PlayKey(SoundRig::At(1));
    r.RunTo(100);
    r.player.StopDupCopies(SoundRig::At(1));
    EXPECT_EQ(r.shell.All<notice::KeyStoppedSounding>(), std::vector<notice::KeyStoppedSounding>{{SoundRig::At(1)}});
    r.shell.Clear();
    r.player.StopDupCopies(SoundRig::At(1)); // nothing sounds any more
    EXPECT_FALSE(r.shell.Saw<notice::KeyStoppedSounding>());
}

} // namespace
} // namespace tambrel::test
