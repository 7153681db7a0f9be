#include "sound/ReplayTimers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/VirtualClock.h"

namespace tambrel::test {
namespace {

// Records each fired action with the clock time it fired at.
class ActionLog : public ReplayActions {
public:
    explicit ActionLog(const VirtualClock& c) : clock(c) {}
    void PlayDupCopy(KeyAddress k) override { Add("copy", k.key.value, k.subBoard.value, k.playBoard.value); }
    void StopKey(KeyAddress k) override { Add("stop", k.key.value, k.subBoard.value, k.playBoard.value); }
    void ServeQueue(std::int32_t q) override { Add("serve", q, 0, 0); }

    const VirtualClock& clock;
    std::vector<std::string> fired;

private:
    void Add(const char* what, int a, int b, int c) {
        fired.push_back(std::string(what) + " " + std::to_string(a) + "," + std::to_string(b) + "," +
                        std::to_string(c) + " @" + std::to_string(clock.NowMs()));
    }
};

struct Pool {
    VirtualClock clock;
    ActionLog log{clock};
    TimerPool pool{clock, log};
};

TEST(DelayMs, SecondsBecomeWholeMillisecondsNeverBelowOne) {
    const struct {
        const char* name;
        double seconds;
        std::int32_t ms;
    } cases[] = {
        {"zero plays at once", 0.0, 1},
        {"half a second", 0.5, 500},
        {"tenths", 0.7, 700},
        {"below half a ms rounds to zero, then one", 0.0004, 1},
        {"one and a half ms rounds to even", 0.0015, 2},
        {"two and a half ms rounds to even", 0.0025, 2},
        {"hundred seconds", 100.0, 100000},
        {"negative plays at once", -3.0, 1},
        {"not a number plays at once", std::nan(""), 1},
        {"beyond 32 bits is held at the largest", 1e300, std::numeric_limits<std::int32_t>::max()},
        {"infinite is held at the largest", std::numeric_limits<double>::infinity(),
         std::numeric_limits<std::int32_t>::max()},
    };
    for (const auto& c : cases) EXPECT_EQ(DelayMs(c.seconds), c.ms) << c.name;
}

TEST(TimerClass1, DelaysChainIn65000MsStepsBeforeTheActionRuns) {
    const struct {
        std::int32_t delay;
        std::vector<std::int32_t> intervals; // interval after arming, then after each intermediate tick
    } cases[] = {
        {1, {1}},
        {65000, {65000}},
        {65001, {65000, 1}},
        {100000, {65000, 35000}},
        {200000, {65000, 65000, 65000, 5000}},
    };
    for (const auto& c : cases) {
        Pool p;
        TimerClass1& t = p.pool.Schedule({PlayBoardNo{3}, SubBoardNo{1}, KeyNo{7}}, 0, kTimerPlayCopy, c.delay);
        std::vector<std::int32_t> seen{t.Interval()};
        while (p.log.fired.empty()) {
            p.clock.AdvanceTo(p.clock.NextDue());
            if (p.log.fired.empty()) seen.push_back(t.Interval());
        }
        EXPECT_EQ(seen, c.intervals) << c.delay;
        EXPECT_EQ(p.log.fired, std::vector<std::string>{"copy 7,1,3 @" + std::to_string(c.delay)}) << c.delay;
        EXPECT_TRUE(t.IsFree);
        EXPECT_EQ(t.ActType, kTimerNone);
        EXPECT_FALSE(p.clock.Running(t.Timer1)) << "a fired timer stays quiet";
    }
}

TEST(TimerClass1, ResetCancelsAndTriggerActsAtOnceOnlyWithoutRemainder) {
    Pool p;
    TimerClass1& a = p.pool.Schedule({PlayBoardNo{1}, SubBoardNo{1}, KeyNo{1}}, 0, kTimerStopKey, 5000);
    TimerClass1& b = p.pool.Schedule({}, 2, kTimerServeQueue, 5000);
    TimerClass1& c = p.pool.Schedule({PlayBoardNo{1}, SubBoardNo{1}, KeyNo{2}}, 0, kTimerPlayCopy, 100000);
    EXPECT_EQ(p.pool.TimerNos(), 3);

    a.ResetIt();
    EXPECT_TRUE(a.IsFree);
    EXPECT_EQ(a.ActType, kTimerNone);
    EXPECT_FALSE(p.clock.Running(a.Timer1));

    p.clock.AdvanceTo(1000);
    b.Trigger();
    EXPECT_EQ(p.log.fired, std::vector<std::string>{"serve 2,0,0 @1000"});
    EXPECT_TRUE(b.IsFree);

    // With a remainder pending, a trigger is just one more step of the chain:
    // the remainder becomes the interval, counted from now.
    c.Trigger();
    EXPECT_EQ(c.RestMs, 0);
    EXPECT_EQ(c.Interval(), 35000);
    EXPECT_FALSE(c.IsFree);
    p.clock.AdvanceBy(100000);
    EXPECT_EQ(p.log.fired.back(), "copy 2,1,1 @36000");
    EXPECT_EQ(p.log.fired.size(), 2u) << "the reset timer never fired";
}

TEST(TimerPool, TakesTheFirstFreeObjectAndGrowsOnlyWhenNoneIs) {
    Pool p;
    for (int i = 0; i < 4; ++i)
        p.pool.Schedule({PlayBoardNo{1}, SubBoardNo{1}, KeyNo{i + 1}}, 0, kTimerPlayCopy, 100 * (i + 1));
    EXPECT_EQ(p.pool.TimerNos(), 4);
    p.clock.AdvanceTo(250); // timers 1 and 2 have fired
    EXPECT_EQ(&p.pool.Get(), &p.pool.Timer(1));
    TimerClass1& reused = p.pool.Schedule({PlayBoardNo{1}, SubBoardNo{1}, KeyNo{9}}, 0, kTimerPlayCopy, 1);
    EXPECT_EQ(&reused, &p.pool.Timer(1));
    EXPECT_EQ(&p.pool.Schedule({PlayBoardNo{1}, SubBoardNo{1}, KeyNo{10}}, 0, kTimerPlayCopy, 1), &p.pool.Timer(2));
    TimerClass1& grown = p.pool.Schedule({PlayBoardNo{1}, SubBoardNo{1}, KeyNo{11}}, 0, kTimerPlayCopy, 1);
    EXPECT_EQ(&grown, &p.pool.Timer(5));
    EXPECT_EQ(p.pool.TimerNos(), 5);
}

TEST(TimerPool, TrimReleasesOneFreeObjectFromTheEndAboveThirty) {
    Pool p;
    for (int i = 0; i < 40; ++i) p.pool.Schedule({PlayBoardNo{1}, SubBoardNo{1}, KeyNo{1}}, 0, kTimerPlayCopy, i + 1);
    p.pool.Trim();
    EXPECT_EQ(p.pool.TimerNos(), 40) << "the last object is busy";
    p.clock.AdvanceTo(39); // all but the last have fired
    p.pool.Trim();
    EXPECT_EQ(p.pool.TimerNos(), 40) << "the last object is still busy";
    p.clock.AdvanceTo(40);
    const int created = p.clock.Count();
    for (int expected = 39; expected >= 30; --expected) {
        p.pool.Trim();
        EXPECT_EQ(p.pool.TimerNos(), expected);
    }
    EXPECT_EQ(p.clock.Count(), created - 10) << "released objects give their window timers back";
    p.pool.Trim();
    EXPECT_EQ(p.pool.TimerNos(), 30) << "thirty objects stay";
}

} // namespace
} // namespace tambrel::test
