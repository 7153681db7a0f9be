// The real server lost and found again: the bridge notices a server that is
// killed or stops answering, and the program starts a new one that plays;
// presses read while the program was blocked are dropped, not fired late.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/Mixer.h"
#include "common/VirtualClock.h"
#include "document/NewOrchestra.h"
#include "input/InputProtocol.h"
#include "input/LocInputDx7Class.h"
#include "session/Instrument.h"
#include "sound/KeyPlayer.h"
#include "tests/ScriptPipe.h"
#include "tests/ServerPath.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

using Clock = std::chrono::steady_clock;

InputServerOptions Scripted(const ScriptPipe& pipe, int replyTimeoutMs = 5000) {
    InputServerOptions o{ServerPath(), {"--virtual", pipe.Path()}, replyTimeoutMs};
    return o;
}

// Calls f until it holds or 5 s have passed.
template <class F>
bool Within5s(F f) {
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (!f()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

struct Watched : InputServerEvents {
    explicit Watched(LocInputDx7Class& b) : bridge(b) {
        b.SetEvents(this);
        b.ChannelClosing = [this, &b] { fdOpenWhenTold = fcntl(b.EventFd(), F_GETFD) != -1; };
    }
    // The bridge is released after this: it must not tell what is gone.
    ~Watched() override {
        bridge.SetEvents(nullptr);
        bridge.ChannelClosing = nullptr;
    }
    Watched(const Watched&) = delete;
    Watched& operator=(const Watched&) = delete;
    LocInputDx7Class& bridge;
    void ServerLost(bool unanswered) override { lost.push_back(unanswered); }
    void PlayThisKey(std::int32_t k, std::int32_t) override { keys.push_back(k); }
    void LatePress() override { ++late; }
    std::vector<bool> lost;
    std::vector<int> keys;
    int late = 0;
    bool fdOpenWhenTold = false;
};

TEST(InputServerLoss, AKilledServerIsReportedOnceAndItsWatcherToldBeforeTheChannelCloses) {
    ScriptPipe pipe("keyboard\n");
    LocInputDx7Class bridge(Scripted(pipe));
    Watched w(bridge);
    ASSERT_TRUE(bridge.HasServer());
    ASSERT_EQ(kill(bridge.ServerPid(), SIGKILL), 0);
    ASSERT_TRUE(Within5s([&] {
        bridge.ProcessEvents();
        return !bridge.HasServer();
    }));
    EXPECT_EQ(w.lost, std::vector<bool>{false});
    EXPECT_TRUE(w.fdOpenWhenTold);
    EXPECT_EQ(bridge.EventFd(), -1);
    EXPECT_EQ(bridge.ServerPid(), -1) << "reaped";
    bridge.ProcessEvents();
    EXPECT_FALSE(bridge.Heartbeat());
    EXPECT_EQ(w.lost.size(), 1u);
    bridge.Release();
    EXPECT_EQ(w.lost.size(), 1u) << "releasing is no loss";
}

TEST(InputServerLoss, ReleasingAWorkingServerIsNoLoss) {
    ScriptPipe pipe("keyboard\n");
    LocInputDx7Class bridge(Scripted(pipe));
    Watched w(bridge);
    bridge.Release();
    EXPECT_TRUE(w.lost.empty());
}

TEST(InputServerLoss, AStoppedServerFailsItsHeartbeatAndIsEnded) {
    ScriptPipe pipe("keyboard\n");
    LocInputDx7Class bridge(Scripted(pipe));
    Watched w(bridge);
    // A working server answers between two beats.
    ASSERT_TRUE(bridge.Heartbeat());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(bridge.Heartbeat());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(w.lost.empty());

    const pid_t pid = bridge.ServerPid();
    ASSERT_EQ(kill(pid, SIGSTOP), 0);
    EXPECT_TRUE(bridge.Heartbeat()) << "the last one was answered; asked again";
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(bridge.Heartbeat());
    EXPECT_EQ(w.lost, std::vector<bool>{true});
    EXPECT_FALSE(bridge.HasServer());
    EXPECT_EQ(kill(pid, 0), -1) << "ended and reaped, stopped or not";
}

TEST(InputServerLoss, ARequestToAStoppedServerGivesUpWithinItsTimeLimit) {
    ScriptPipe pipe("keyboard\n");
    LocInputDx7Class bridge(Scripted(pipe, 300));
    Watched w(bridge);
    std::vector<std::int32_t> reply;
    ASSERT_TRUE(bridge.DxDetectDiDevices(0, reply));
    const pid_t pid = bridge.ServerPid();
    ASSERT_EQ(kill(pid, SIGSTOP), 0);
    const auto start = Clock::now();
    EXPECT_FALSE(bridge.DxDeviceAcquire());
    const auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_LT(took, std::chrono::milliseconds(1500));
    EXPECT_EQ(w.lost, std::vector<bool>{true});
    EXPECT_EQ(kill(pid, 0), -1);
}

TEST(InputServerLoss, PressesReadWhileTheProgramWasBlockedAreDroppedAndCounted) {
    // Read a moment after the devices go on, so they come after its answer.
    ScriptPipe pipe("keyboard\nwait-acquire\nwait 100\nevent 1 30 1\nevent 1 31 1\n");
    LocInputDx7Class bridge(Scripted(pipe));
    Watched w(bridge);
    const int& late = w.late;
    std::vector<std::int32_t> reply;
    ASSERT_TRUE(bridge.DxDetectDiDevices(0, reply));
    ASSERT_TRUE(bridge.DxDeviceAcquire());
    // The window is blocked: the server reads both presses meanwhile (its
    // frames are waiting), and they grow old unread.
    pollfd p{bridge.EventFd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(kLatePressMs + 250));
    bridge.WaitForEvents(100);
    EXPECT_TRUE(w.keys.empty()) << "nothing fires late";
    EXPECT_EQ(late, 2);
    EXPECT_EQ(bridge.LatePresses(), 2);
    // A press made now plays.
    pipe.Write("event 1 32 1\n");
    ASSERT_TRUE(Within5s([&] {
        bridge.WaitForEvents(20);
        return !w.keys.empty();
    }));
    EXPECT_EQ(w.keys, std::vector<int>{32});
    EXPECT_EQ(bridge.LatePresses(), 2);
}

// The program's input on the real server, on a virtual clock for its
// restarts: key 30 of the keyboard board plays a wave.
struct LiveRig {
    TestState t{{}};
    VirtualClock clock;
    ScriptPipe pipe{"keyboard\nmouse\n"};
    LocInputDx7Class* bridge = nullptr;
    int made = 0;
    std::unique_ptr<Instrument> instrument;

    LiveRig() {
        InstrumentSeams seams(clock);
        seams.inputLink = [this]() -> std::unique_ptr<InputServerLink> {
            auto b = std::make_unique<LocInputDx7Class>(Scripted(pipe));
            bridge = b.get();
            ++made;
            return b;
        };
        instrument = std::make_unique<Instrument>(t.st, std::move(seams));
        instrument->Input().DetectInputDevices();
        t.st.Orc = NewOrchestra(t.st);
        KeyAssign& key = t.st.Orc.Set(t.st.Orc.CurSet).Bd(1).Key(30);
        key.SndSrc = kSrcWave;
        key.PlayStyl = kPlayOnce;
        key.AllowDup = 0;
        key.SndBuf = std::make_shared<SoundBuffer>(WaveFormat{8, 1, 44100}, SoundBuffer::Samples(44100, 200));
        key.WavBytes = 44100;
        key.WaveDur = 1.0f;
        std::int32_t on = 1;
        instrument->Input().DiAcuire_Do(on);
    }
    bool Sounds() {
        const auto& buf = *t.st.Orc.Set(t.st.Orc.CurSet).Bd(1).Key(30).SndBuf;
        return (instrument->GetMixer().Status(buf) & Mixer::kStatusPlaying) != 0;
    }
    // Presses key 30 through the server alive now; true once it sounds.
    bool PressPlays() {
        instrument->Player().StopSounds(kStopAll);
        pipe.Write("event 1 30 1\nevent 1 30 0\n");
        return Within5s([&] {
            if (bridge) bridge->WaitForEvents(20);
            return Sounds();
        });
    }
};

TEST(InputServerLoss, AServerKilledMidPerformanceIsReplacedAndPlaysAgain) {
    LiveRig rig;
    ASSERT_TRUE(rig.bridge && rig.bridge->HasServer());
    ASSERT_TRUE(rig.PressPlays());
    const pid_t first = rig.bridge->ServerPid();
    const std::int32_t boundTo = rig.t.st.Orc.Set(rig.t.st.Orc.CurSet).Bd(1).InpDevNo;

    ASSERT_EQ(kill(first, SIGKILL), 0);
    ASSERT_TRUE(Within5s([&] {
        rig.bridge->ProcessEvents();
        return !rig.bridge->HasServer();
    }));
    EXPECT_EQ(rig.instrument->Input().OnOffState(), 0);
    // The dead server read its devices from the script; the next one reads
    // them again from what follows.
    rig.pipe.Write("keyboard\nmouse\n");
    rig.clock.AdvanceBy(1);

    ASSERT_EQ(rig.made, 2);
    ASSERT_TRUE(rig.bridge->HasServer());
    EXPECT_NE(rig.bridge->ServerPid(), first);
    EXPECT_EQ(rig.instrument->Input().OnOffState(), 1);
    EXPECT_EQ(rig.t.shell.statuses.back(), kServerRestartedText);
    EXPECT_EQ(rig.t.st.Orc.Set(rig.t.st.Orc.CurSet).Bd(1).InpDevNo, boundTo);
    EXPECT_TRUE(rig.PressPlays()) << "a press through the new server sounds";
}

} // namespace
} // namespace tambrel::test
