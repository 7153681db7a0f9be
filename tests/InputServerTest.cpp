// The real server process on its scripted device service, driven through
// the real bridge: what the program sees is what the server sends.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "input/InputProtocol.h"
#include "input/LocInputDx7Class.h"
#include "tests/ScriptPipe.h"
#include "tests/ServerPath.h"
#include "tests/TempDir.h"

namespace tambrel::test {
namespace {

using Clock = std::chrono::steady_clock;
using Event = std::pair<int, int>; // device, key
using Events = std::vector<Event>;

class Rig : InputServerEvents {
public:
    // Every press delivered however long it waited: these tests are about
    // what the server sends, on machines of any speed.
    explicit Rig(const std::string& script)
        : pipe_(script), bridge_(InputServerOptions{ServerPath(), {"--virtual", pipe_.Path()}, 5000, 5000, 0}) {
        bridge_.SetEvents(this);
    }
    void PlayThisKey(std::int32_t k, std::int32_t d) override { events.emplace_back(d, k); }
    void ServerMessage(std::string_view text, std::string_view title) override {
        messages.push_back(std::string(title) + ": " + std::string(text));
    }

    LocInputDx7Class& Bridge() { return bridge_; }
    void Write(const std::string& lines) { pipe_.Write(lines); }

    std::vector<DetectedDevice> Detect() {
        std::vector<std::int32_t> reply;
        EXPECT_TRUE(bridge_.DxDetectDiDevices(0, reply));
        std::vector<DetectedDevice> devices;
        EXPECT_TRUE(DecodeDetectionReply(reply, devices));
        return devices;
    }
    void DetectAndAcquire() {
        Detect();
        ASSERT_TRUE(bridge_.DxDeviceAcquire());
    }
    // Waits until at least n events have arrived (or 5 s have passed).
    const Events& WaitFor(std::size_t n) {
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (events.size() < n && Clock::now() < deadline) bridge_.WaitForEvents(50);
        return events;
    }

    Events events;
    std::vector<std::string> messages;

private:
    ScriptPipe pipe_;
    LocInputDx7Class bridge_;
};

bool Ended(pid_t pid, int timeoutMs, int& status) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

TEST(InputServerEndToEnd, DetectionReplyCarriesCountsReadyFlagsAndPackedNames) {
    // Names of 0, 1, 6, 10 and 14 characters.
    Rig rig("device \nkey Fire\nkey \n"
            "device-unready A\nkey X Axis\n"
            "device Joypad\nkeys 3 Button \n"
            "device Game Pad 1\n"
            "device Numpad Enter 2\nkey Numpad 7\n");
    std::vector<std::int32_t> reply;
    ASSERT_TRUE(rig.Bridge().DxDetectDiDevices(0, reply));
    const std::vector<DetectedDevice> expected{{"", true, {"Fire", ""}},
                                               {"A", false, {"X Axis"}},
                                               {"Joypad", true, {"Button 1", "Button 2", "Button 3"}},
                                               {"Game Pad 1", true, {}},
                                               {"Numpad Enter 2", true, {"Numpad 7"}}};
    // The exact array, element by element: reserved 0, count, then devices.
    EXPECT_EQ(reply, EncodeDetectionReply(expected));
    ASSERT_GE(reply.size(), 6u);
    EXPECT_EQ(reply[0], 0);
    EXPECT_EQ(reply[1], 5);
    EXPECT_EQ(reply[2], -1);
    EXPECT_EQ(reply[3], 2);
    EXPECT_EQ(reply[4], 1); // the empty name: [1, 0]
    EXPECT_EQ(reply[5], 0);
}

TEST(InputServerEndToEnd, NoDeviceRepliesZeroZero) {
    Rig rig("");
    std::vector<std::int32_t> reply;
    ASSERT_TRUE(rig.Bridge().DxDetectDiDevices(0, reply));
    EXPECT_EQ(reply, (std::vector<std::int32_t>{0, 0}));
}

TEST(InputServerEndToEnd, AFailedDetectionRepliesOneZeroAndTheServerStaysUsable) {
    Rig rig("mouse\nfail-detect The device list is not available\n");
    std::vector<std::int32_t> reply;
    EXPECT_TRUE(rig.Bridge().DxDetectDiDevices(0, reply));
    EXPECT_EQ(reply, (std::vector<std::int32_t>{0}));
    EXPECT_EQ(rig.messages,
              (std::vector<std::string>{"Error Detecting Input Devices: The device list is not available"}));
    const auto devices = rig.Detect();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, "Mouse");
}

TEST(InputServerEndToEnd, PressesAreReportedAndReleasesAreNot) {
    Rig rig("keyboard\n");
    rig.DetectAndAcquire();
    rig.Write("event 1 30 1\nevent 1 30 0\nevent 1 31 1\nevent 1 31 0\nevent 1 57 1\n");
    EXPECT_EQ(rig.WaitFor(3), (Events{{1, 30}, {1, 31}, {1, 57}}));
    // The last release, and nothing after it.
    rig.Write("event 1 57 0\nevent 1 1 1\n");
    EXPECT_EQ(rig.WaitFor(4).back(), (Event{1, 1}));
    EXPECT_EQ(rig.events.size(), 4u);
}

TEST(InputServerEndToEnd, MouseMovementsRaiseOneEventPerMovedAxis) {
    Rig rig("keyboard\nmouse\n");
    rig.DetectAndAcquire();
    // X right, X left, Y not moved, wheel down, left button pressed and released.
    rig.Write("event 2 1 5\nevent 2 1 -3\nevent 2 2 0\nevent 2 3 -1\nevent 2 4 1\nevent 2 4 0\nevent 2 2 7\n");
    EXPECT_EQ(rig.WaitFor(5), (Events{{2, 1}, {2, 1}, {2, 3}, {2, 4}, {2, 2}}));
}

struct WakeCase {
    const char* name;
    std::string lines;
    Events expected;
};

class InputServerWakeUps : public ::testing::TestWithParam<WakeCase> {};

TEST_P(InputServerWakeUps, ReadAtMostTenItemsPerDevice) {
    Rig rig("device One\nkeys 12 K\ndevice Two\nkeys 2 K\n");
    rig.DetectAndAcquire();
    rig.Write(GetParam().lines);
    EXPECT_EQ(rig.WaitFor(GetParam().expected.size()), GetParam().expected);
    rig.Write("event 2 2 1\n"); // nothing else was still coming
    EXPECT_EQ(rig.WaitFor(GetParam().expected.size() + 1).back(), (Event{2, 2}));
    EXPECT_EQ(rig.events.size(), GetParam().expected.size() + 1);
}

std::string Presses(int device, int from, int to) {
    std::string s;
    for (int k = from; k <= to; ++k) s += "event " + std::to_string(device) + " " + std::to_string(k) + " 1\n";
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InputServerWakeUps,
    ::testing::Values(
        // Twelve presses wait on device 1: ten now, device 2 in the same
        // wake-up, the last two in the next.
        WakeCase{"TwelvePresses",
                 Presses(1, 1, 12) + Presses(2, 1, 1),
                 {{1, 1},
                  {1, 2},
                  {1, 3},
                  {1, 4},
                  {1, 5},
                  {1, 6},
                  {1, 7},
                  {1, 8},
                  {1, 9},
                  {1, 10},
                  {2, 1},
                  {1, 11},
                  {1, 12}}},
        // Releases fill buffer places too.
        WakeCase{"ReleasesCount",
                 "event 1 1 1\nevent 1 1 0\nevent 1 2 1\nevent 1 2 0\nevent 1 3 1\nevent 1 3 0\nevent 1 4 1\n"
                 "event 1 4 0\nevent 1 5 1\nevent 1 5 0\nevent 1 6 1\n" +
                     Presses(2, 1, 1),
                 {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {2, 1}, {1, 6}}},
        // Lost changes end the device's read for this wake-up: what came
        // before is reported, what came after waits for the next.
        WakeCase{"OverflowEndsTheRead",
                 Presses(1, 1, 3) + "overflow 1\n" + Presses(1, 4, 4) + Presses(2, 1, 1),
                 {{1, 1}, {1, 2}, {1, 3}, {2, 1}, {1, 4}}},
        WakeCase{"OverflowAfterAFullBuffer",
                 Presses(1, 1, 11) + "overflow 1\n" + Presses(1, 12, 12) + Presses(2, 1, 1),
                 {{1, 1},
                  {1, 2},
                  {1, 3},
                  {1, 4},
                  {1, 5},
                  {1, 6},
                  {1, 7},
                  {1, 8},
                  {1, 9},
                  {1, 10},
                  {2, 1},
                  {1, 11},
                  {1, 12}}},
        WakeCase{"NoOverflow", Presses(1, 1, 4) + Presses(2, 1, 1), {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 1}}}),
    [](const auto& info) { return info.param.name; });

TEST(InputServerEndToEnd, DetectionTwiceRenumbersFromOne) {
    Rig rig("device Alpha\nkeys 2 A\ndevice Beta\nkeys 3 B\ndevice Gamma\nkeys 4 G\n");
    auto first = rig.Detect();
    ASSERT_EQ(first.size(), 3u);
    rig.Write("unplug 1\n");
    auto second = rig.Detect();
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0].name, "Beta");
    EXPECT_EQ(second[1].name, "Gamma");
    ASSERT_TRUE(rig.Bridge().DxDeviceAcquire());
    // Gamma is now device 2, its keys still 1..4.
    rig.Write("event 3 4 1\nevent 2 1 1\n");
    EXPECT_EQ(rig.WaitFor(2), (Events{{1, 1}, {2, 4}}));
}

TEST(InputServerEndToEnd, OnlyAcquiredDevicesReportAndNothingOldIsReplayed) {
    Rig rig("keyboard\n");
    rig.Detect();
    rig.Write("event 1 2 1\n"); // not acquired: not buffered
    ASSERT_TRUE(rig.Bridge().DxDeviceAcquire());
    rig.Write("event 1 3 1\n");
    EXPECT_EQ(rig.WaitFor(1), (Events{{1, 3}}));
    ASSERT_TRUE(rig.Bridge().DxDeviceUnAcquire());
    rig.Write("event 1 4 1\n");
    ASSERT_TRUE(rig.Bridge().DxDeviceAcquire());
    rig.Write("event 1 5 1\n");
    EXPECT_EQ(rig.WaitFor(2), (Events{{1, 3}, {1, 5}}));
    EXPECT_EQ(rig.events.size(), 2u);
}

TEST(InputServerEndToEnd, AcquiringStopsAtTheFirstFailingDevice) {
    Rig rig("device P\nkey k\ndevice Q\nkey k\ndevice R\nkey k\nfail-acquire 2\n");
    rig.Detect();
    EXPECT_FALSE(rig.Bridge().DxDeviceAcquire());
    rig.Write("event 3 1 1\nevent 2 1 1\nevent 1 1 1\n");
    EXPECT_EQ(rig.WaitFor(1), (Events{{1, 1}}));
    rig.Write("event 1 1 1\n");
    EXPECT_EQ(rig.WaitFor(2), (Events{{1, 1}, {1, 1}}));
}

TEST(InputServerEndToEnd, ADeviceWithoutPermissionIsListedAndSilencesNoOther) {
    Rig rig("device-denied Keyboard\nkeys 3 K\nmouse\n");
    const auto devices = rig.Detect();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_FALSE(devices[0].ready);
    EXPECT_EQ(devices[0].keyNames.size(), 3u);
    EXPECT_EQ(rig.Bridge().NoPermission, (std::vector<std::string>{"Keyboard"}));
    EXPECT_TRUE(rig.Bridge().DxDeviceAcquire());
    rig.Write("event 2 4 1\n");
    EXPECT_EQ(rig.WaitFor(1), (Events{{2, 4}}));
}

TEST(InputServerEndToEnd, AnUnpluggedDeviceFallsSilentAndTheServerGoesOn) {
    Rig rig("keyboard\nmouse\n");
    rig.DetectAndAcquire();
    rig.Write("unplug 1\nevent 1 30 1\nevent 2 5 1\n");
    EXPECT_EQ(rig.WaitFor(1), (Events{{2, 5}}));
    const auto devices = rig.Detect();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, "Mouse");
    EXPECT_TRUE(rig.Bridge().HasServer());
}

TEST(InputServerEndToEnd, TheServerEndsWhenTheBridgeIsReleased) {
    Rig rig("keyboard\n");
    rig.DetectAndAcquire();
    const pid_t pid = rig.Bridge().ServerPid();
    ASSERT_GT(pid, 0);
    const auto start = Clock::now();
    const int status = rig.Bridge().Release();
    // It ended by itself, at once, rather than being killed after the wait.
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(rig.Bridge().HasServer());
    EXPECT_EQ(kill(pid, 0), -1);
}

class InputServerParentDeath : public ::testing::TestWithParam<bool> {};

// A stand-in for the program: starts the server, reports its pid and waits
// to be killed. With keepCopy a grandchild holds a copy of the socket, so
// only the parent-death signal can end the server.
TEST_P(InputServerParentDeath, TheServerEndsWhenItsParentIsKilled) {
    const bool keepCopy = GetParam();
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0); // orphans come to this process
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        close(report[0]);
        LocInputDx7Class bridge(InputServerOptions{ServerPath(), {}, 5000});
        pid_t pids[2] = {bridge.ServerPid(), 0};
        if (keepCopy) {
            pids[1] = fork();
            if (pids[1] == 0) {
                pause();
                _exit(0);
            }
        }
        if (write(report[1], pids, sizeof pids) != sizeof pids) _exit(1);
        pause();
        _exit(0);
    }
    close(report[1]);
    pid_t pids[2] = {0, 0};
    ASSERT_EQ(read(report[0], pids, sizeof pids), static_cast<ssize_t>(sizeof pids));
    close(report[0]);
    ASSERT_GT(pids[0], 0);

    kill(program, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(program, &status, 0), program);
    const bool ended = Ended(pids[0], 5000, status);
    if (!ended) kill(pids[0], SIGKILL), waitpid(pids[0], &status, 0);
    if (pids[1] > 0) kill(pids[1], SIGKILL), waitpid(pids[1], &status, 0);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    EXPECT_TRUE(ended);
}

INSTANTIATE_TEST_SUITE_P(Cases, InputServerParentDeath, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "SocketStillOpenElsewhere" : "SocketClosed"; });

TEST(InputServerEndToEnd, ABridgeTriesTwiceThenWorksWithoutAServer) {
    LocInputDx7Class bridge(InputServerOptions{"/nonexistent/TambrelOrchestraDll", {}, 1000});
    EXPECT_FALSE(bridge.HasServer());
    EXPECT_EQ(bridge.StartAttempts(), 2);
    std::vector<std::int32_t> reply{7, 7, 7};
    EXPECT_FALSE(bridge.DxDetectDiDevices(0, reply));
    EXPECT_EQ(reply, (std::vector<std::int32_t>{0}));
    EXPECT_FALSE(bridge.DxDeviceAcquire());
}

TEST(InputServerEndToEnd, AServerThatDoesNotSpeakTheProtocolIsNotUsed) {
    // true is no server: both attempts fail and leave no process behind.
    LocInputDx7Class bridge(InputServerOptions{"/bin/true", {}, 300});
    EXPECT_FALSE(bridge.HasServer());
    EXPECT_EQ(bridge.StartAttempts(), 2);
    EXPECT_EQ(bridge.ServerPid(), -1);
}

} // namespace
} // namespace tambrel::test
