#include "sound/PlayQueues.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/VirtualClock.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

// Queues whose copies are only logged: "key@ms". Keys are (3, 1, k) with the
// wave durations and queue modes the test gives them.
class QueueRig : public ReplayActions {
public:
    QueueRig() : ts({{"Keyboard", 8}}) {}

    void PlayDupCopy(KeyAddress k) override {
        plays.push_back(
            (k.playBoard == PlayBoardNo{3} && k.subBoard == SubBoardNo{1} ? std::to_string(k.key.value) : "gone") +
            "@" + std::to_string(clock.NowMs()));
    }
    void StopKey(KeyAddress) override {}
    void ServeQueue(std::int32_t q) override { queues.ServeQueue(q); }

    void SetKey(std::int32_t k, float seconds, std::int32_t mode) {
        KeyAssign& key = ts.st.Orc.Set(3).Bd(1).Key(k);
        key.WaveDur = seconds;
        key.QueDupLoop = mode;
    }
    // What a queue-style press does once it is let in.
    void Join(std::int32_t q, KeyAddress e) {
        PlayQueue& Q = queues.Queue(q);
        Q.QueItems.push_back(e);
        if (!Q.QueBusy) queues.ServeQueue(q);
    }
    void Join(std::int32_t q, std::int32_t k) { Join(q, KeyAddress{PlayBoardNo{3}, SubBoardNo{1}, KeyNo{k}}); }

    TestState ts;
    VirtualClock clock;
    TimerPool timers{clock, *this};
    PlayQueues queues{ts.st, timers, *this};
    std::vector<std::string> plays;
};

// The plain orders (duplicates, a loop ended by another key or by itself)
// are shown through the mixer output in KeyPlayerTest; these are the rest.
TEST(PlayQueues, ServiceOrderCornerCases) {
    struct Press {
        std::int64_t at;
        std::int32_t key;
    };
    const struct {
        const char* name;
        std::vector<Press> presses;
        std::vector<std::string> plays; // up to 5000 ms
        std::int64_t idleAt;            // -1: still busy at 5000
    } cases[] = {
        {"a looping key queued behind another loops again",
         {{0, 2}, {2300, 3}, {2400, 2}},
         {"2@0", "2@1000", "2@2000", "3@3000", "2@3500", "2@4500"},
         -1},
        {"a zero-length entry moves on after 1 ms", {{0, 4}, {0, 3}}, {"4@0", "3@1"}, 501},
    };
    for (const auto& c : cases) {
        QueueRig r;
        r.SetKey(2, 1.0f, kQueKeepLooping);
        r.SetKey(3, 0.5f, kQueAllowDup);
        r.SetKey(4, 0.0f, kQueAllowDup);
        PlayQueue& Q = r.queues.Queue(2);
        for (const Press& p : c.presses) {
            r.clock.AdvanceTo(p.at);
            r.Join(2, p.key);
        }
        if (c.idleAt >= 0) {
            r.clock.AdvanceTo(c.idleAt - 1);
            EXPECT_TRUE(Q.QueBusy) << c.name;
            r.clock.AdvanceTo(c.idleAt);
            EXPECT_FALSE(Q.QueBusy) << c.name;
            EXPECT_EQ(Q.QueItems, std::vector<KeyAddress>(1)) << c.name << ": idle, entry 0 zero";
            EXPECT_EQ(r.clock.NextDue(), -1) << c.name << ": no service pending";
        }
        r.clock.AdvanceTo(5000);
        EXPECT_EQ(r.plays, c.plays) << c.name;
    }
}

TEST(PlayQueues, AnEntryWhoseKeyIsGoneDoesNotStallTheQueue) {
    QueueRig r;
    r.SetKey(3, 0.5f, kQueAllowDup);
    r.Join(0, KeyAddress{PlayBoardNo{9}, SubBoardNo{1}, KeyNo{1}}); // its Play Board was deleted while it waited
    r.Join(0, 3);
    r.clock.AdvanceTo(2000);
    EXPECT_EQ(r.plays, (std::vector<std::string>{"gone@0", "3@1"}));
    EXPECT_FALSE(r.queues.Queue(0).QueBusy);
}

TEST(PlayQueues, ALoopingEntryWithNothingLeftToPlayEndsItsLoop) {
    const struct {
        const char* name;
        void (*takeAway)(QueueRig&);
    } cases[] = {
        {"its Play Board deleted", [](QueueRig& r) { r.ts.st.Orc.PlayBoards.pop_back(); }},
        {"its wave unloaded", [](QueueRig& r) { r.SetKey(2, 0.0f, kQueKeepLooping); }},
    };
    for (const auto& c : cases) {
        QueueRig r;
        r.SetKey(2, 1.0f, kQueKeepLooping);
        r.Join(3, 2);
        r.clock.AdvanceTo(1500);
        c.takeAway(r);
        r.clock.AdvanceTo(2000);
        EXPECT_EQ(r.plays, (std::vector<std::string>{"2@0", "2@1000"})) << c.name;
        EXPECT_FALSE(r.queues.Queue(3).QueBusy) << c.name;
        EXPECT_EQ(r.clock.NextDue(), -1) << c.name;
    }
}

TEST(PlayQueues, AnEmptiedLoopingQueueTakesTheSameKeyAgain) {
    QueueRig r;
    r.SetKey(2, 1.0f, kQueKeepLooping);
    r.Join(1, 2);
    r.clock.AdvanceTo(1500);
    PlayQueue& Q = r.queues.Queue(1);
    ASSERT_TRUE(Q.QueLoop);
    // What a stop option does to the queue (its pending service is reset).
    for (std::int32_t i = 1; i <= r.timers.TimerNos(); ++i) r.timers.Timer(i).ResetIt();
    Q.Empty();
    EXPECT_TRUE(Q.QueLoop) << "left for the next service to overwrite";
    EXPECT_EQ(Q.QueItems[0], KeyAddress{});

    r.clock.AdvanceTo(4000);
    r.Join(1, 2);
    EXPECT_EQ(r.plays.back(), "2@4000") << "the press is not taken for a second press of a looping key";
    EXPECT_TRUE(Q.QueBusy);
}

TEST(PlayQueues, OnlyQueuesZeroToFourExist) {
    QueueRig r;
    for (std::int32_t q : {-1, 5, 7}) {
        EXPECT_FALSE(PlayQueues::Valid(q));
        EXPECT_THROW(r.queues.Queue(q), std::out_of_range) << q;
        EXPECT_THROW(r.queues.ServeQueue(q), std::out_of_range) << q;
    }
    for (std::int32_t q = 0; q < kQueueCount; ++q) EXPECT_NO_THROW(r.queues.Queue(q)) << q;
}

} // namespace
} // namespace tambrel::test
