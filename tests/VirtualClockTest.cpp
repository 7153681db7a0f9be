#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/VirtualClock.h"

namespace tambrel::test {
namespace {

TEST(VirtualClock, TicksRepeatUntilStoppedAndFireInTimeOrder) {
    VirtualClock clock;
    std::vector<std::string> log;
    const auto a = clock.Create([&] { log.push_back("a@" + std::to_string(clock.NowMs())); });
    TimerHost::TimerId b = 0;
    b = clock.Create([&] {
        log.push_back("b@" + std::to_string(clock.NowMs()));
        clock.Stop(b);
    });
    clock.Start(a, 300);
    clock.Start(b, 300); // same due time as a: started later, fires later
    clock.AdvanceTo(950);
    EXPECT_EQ(log, (std::vector<std::string>{"a@300", "b@300", "a@600", "a@900"}));
    EXPECT_EQ(clock.NowMs(), 950);
    EXPECT_EQ(clock.NextDue(), 1200);
}

TEST(VirtualClock, AHandlerCanRestartItsOwnTimerWithANewInterval) {
    VirtualClock clock;
    std::vector<std::int64_t> ticks;
    TimerHost::TimerId id = 0;
    id = clock.Create([&] {
        ticks.push_back(clock.NowMs());
        if (ticks.size() == 1) clock.Start(id, 35000); // the remainder after a long first step
        else clock.Stop(id);
    });
    clock.Start(id, 65000);
    clock.AdvanceBy(200000);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{65000, 100000}));
    EXPECT_FALSE(clock.Running(id));
}

TEST(VirtualClock, AHandlerMayDestroyItsTimerAndZeroIntervalsBecomeOneMs) {
    VirtualClock clock;
    int fired = 0;
    TimerHost::TimerId id = 0;
    id = clock.Create([&] {
        ++fired;
        clock.Destroy(id);
    });
    clock.Start(id, 0);
    clock.AdvanceTo(0);
    EXPECT_EQ(fired, 0);
    clock.AdvanceTo(1);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(clock.Count(), 0);
    clock.AdvanceTo(100);
    EXPECT_EQ(fired, 1);
}

} // namespace
} // namespace tambrel::test
