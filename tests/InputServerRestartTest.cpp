// A lost input server comes back by itself: at once, then after growing
// waits; the ON/OFF ball shows what is true meanwhile, the window's keys
// play, and presses that waited while the window was blocked are dropped.
// The whole program on a virtual clock, its server a fake.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/Settings.h"
#include "common/VirtualClock.h"
#include "input/InputProtocol.h"
#include "input/KeyboardTable.h"
#include "input/RestartBackoff.h"
#include "recording/KeystrokeRecorder.h"
#include "session/Program.h"
#include "tests/FakeInputLink.h"
#include "tests/ProgramOnFakeLinks.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

constexpr std::uint32_t kNativeA = 30 + 8; // KEY_A as X11 reports it

// A server that ends in the middle of its detection.
struct DyingLink : FakeLink {
    bool DxDetectDiDevices(std::int32_t h, std::vector<std::int32_t>& r) override {
        FakeLink::DxDetectDiDevices(h, r);
        Die();
        r = DetectionErrorReply();
        return false;
    }
};

// Bridges that may fail to start the server, or die in their detection.
struct Rig : ProgramOnFakeLinks {
    bool serverStarts = true, dieInDetection = false;
    int questions = 0;

    // No "Mouse" among the devices: the program asks which device is the mouse.
    Rig()
        : ProgramOnFakeLinks({Dev("Keyboard", 128), Dev("Pad", 6)}, [this] {
              std::unique_ptr<FakeLink> l =
                  dieInDetection ? std::make_unique<DyingLink>() : std::make_unique<FakeLink>();
              l->server = serverStarts;
              return l;
          }) {
        program->SetDeviceChooser([this](std::string_view, const std::vector<std::string>&) {
            ++questions;
            return 0;
        });
        program->Start("");
    }
    InputSystem& Input() { return program->GetInstrument().Input(); }
    std::int32_t Ball() const {
        std::int32_t shown = -1;
        for (const notice::ShowInputOnOff& n : t.shell.All<notice::ShowInputOnOff>()) shown = n.on ? 1 : 0;
        return shown;
    }
    // A press in the main window: true when it reached the dispatcher.
    bool WindowPress() {
        KeystrokeRecorder& rec = program->GetInstrument().Recorder();
        const std::size_t before = t.st.Orc.Recordings[0].events.size();
        rec.StartRecording();
        program->GetWindowKeyboard().KeyPressed(program->GetInstrument(), kNativeA, false);
        rec.StopRecording();
        return t.st.Orc.Recordings[0].events.size() > before;
    }
    std::vector<std::int32_t> BoundDevices() const {
        std::vector<std::int32_t> out;
        for (const PlayBoard& pb : t.st.Orc.PlayBoards)
            for (const SubBoard& sb : pb.Bds) out.push_back(sb.InpDevNo);
        return out;
    }
};

TEST(RestartBackoff, AtOnceThenGrowingThenThreeAMinuteAndQuickAgainAfterAGoodMinute) {
    RestartBackoff b;
    std::vector<std::int64_t> waits;
    for (int i = 0; i < 6; ++i) waits.push_back(b.NextWaitMs(0));
    EXPECT_EQ(waits, (std::vector<std::int64_t>{0, 1000, 5000, 20000, 20000, 20000}));

    b.Up(100000);
    EXPECT_EQ(b.NextWaitMs(100000 + RestartBackoff::kSettledMs - 1), 20000) << "lost within a minute: no reprieve";
    b.Up(200000);
    EXPECT_EQ(b.NextWaitMs(200000 + RestartBackoff::kSettledMs), 0) << "a minute up: quick again";
    EXPECT_EQ(b.NextWaitMs(200000 + RestartBackoff::kSettledMs), 1000);
}

TEST(ServerRestart, AServerThatDiesComesBackAtOnceAsBefore) {
    Rig rig;
    ASSERT_EQ(rig.made, 1);
    EXPECT_EQ(rig.questions, 1) << "the start asks which device is the mouse";
    EXPECT_EQ(rig.Ball(), 1);
    const std::vector<std::int32_t> bound = rig.BoundDevices();
    rig.t.shell.Clear();

    rig.link->Die();
    EXPECT_EQ(rig.Ball(), 0) << "the ball shows at once that nothing is read";
    EXPECT_EQ(rig.Input().OnOffState(), 0);
    rig.clock.AdvanceBy(1);

    ASSERT_EQ(rig.made, 2);
    EXPECT_EQ(rig.link->calls, (std::vector<std::string>{"detect", "acquire"})) << "detected and switched on as before";
    EXPECT_EQ(rig.Ball(), 1);
    EXPECT_EQ(rig.t.shell.statuses.back(), kServerRestartedText);
    EXPECT_EQ(rig.questions, 1) << "a restart asks nothing";
    EXPECT_EQ(rig.BoundDevices(), bound) << "Sub Boards keep their devices";
    EXPECT_TRUE(rig.t.st.Device(1)->Ready);
    EXPECT_EQ(rig.program->GetWindowKeyboard().Device(), 0) << "the server reads the keyboard again";
    EXPECT_FALSE(rig.WindowPress());
}

TEST(ServerRestart, TheUsersOffStaysOffAndAnUnansweringServerIsReplaced) {
    Rig rig;
    rig.program->Buttons().SetInputOn(false);
    rig.link->Die(true);
    rig.clock.AdvanceBy(1);
    ASSERT_EQ(rig.made, 2);
    EXPECT_EQ(rig.link->calls, (std::vector<std::string>{"detect"}));
    EXPECT_EQ(rig.Input().OnOffState(), 0);
    EXPECT_EQ(rig.t.shell.statuses.back(), kServerUnansweringRestartedText);

    // Asked for a sign of life only while on; one that stops answering goes.
    rig.clock.AdvanceBy(5 * kHeartbeatMs);
    EXPECT_EQ(rig.link->beats, 0) << "no heartbeat while the devices are off";
    rig.program->Buttons().SetInputOn(true);
    rig.clock.AdvanceBy(kHeartbeatMs);
    EXPECT_EQ(rig.link->beats, 1);
    rig.link->answering = false;
    rig.clock.AdvanceBy(kHeartbeatMs);
    EXPECT_EQ(rig.Input().OnOffState(), 0);
    // Lost again within a minute of its restart: the next try waits a second.
    rig.clock.AdvanceBy(999);
    EXPECT_EQ(rig.made, 2);
    rig.clock.AdvanceBy(1);
    EXPECT_EQ(rig.made, 3);
    EXPECT_EQ(rig.Input().OnOffState(), 1);
}

TEST(ServerRestart, AHeartbeatAfterABlockedWindowJudgesNothing) {
    Rig rig;
    rig.clock.AdvanceBy(kHeartbeatMs);
    const int beats = rig.link->beats;
    rig.link->answering = false;
    rig.clock.Stall(10 * kHeartbeatMs); // the window was busy: the answer may wait unread
    rig.clock.AdvanceBy(0);
    EXPECT_EQ(rig.link->beats, beats) << "a late tick asks nothing";
    EXPECT_EQ(rig.made, 1);
    rig.clock.AdvanceBy(kHeartbeatMs);
    EXPECT_EQ(rig.link->beats, beats + 1);
    rig.clock.AdvanceBy(1);
    EXPECT_EQ(rig.made, 2) << "the next tick on time judges again";
}

TEST(ServerRestart, WhileItStaysAwayTheWindowPlaysAndTriesAreFewAndQuiet) {
    Rig rig;
    rig.serverStarts = false;
    rig.t.shell.Clear();
    rig.link->Die();
    rig.clock.AdvanceBy(1);
    EXPECT_EQ(rig.made, 2);
    EXPECT_EQ(rig.Ball(), 0);
    EXPECT_FALSE(rig.t.st.Device(1)->Ready);
    EXPECT_EQ(rig.t.st.DeviceCount(), 2) << "still listed, so the boards keep their devices";
    EXPECT_EQ(rig.program->GetWindowKeyboard().Device(), 1) << "the window's keys stand in for the keyboard";
    EXPECT_TRUE(rig.WindowPress());

    // Ten minutes of a server that never comes back.
    const int afterFirst = rig.made;
    rig.clock.AdvanceBy(60000);
    const int firstMinute = rig.made - afterFirst;
    EXPECT_GE(firstMinute, 3);
    EXPECT_LE(firstMinute, 4);
    const int before = rig.made;
    rig.clock.AdvanceBy(9 * 60000);
    EXPECT_LE(rig.made - before, 9 * 3) << "at most three tries a minute";
    EXPECT_GE(rig.made - before, 9 * 3 - 1);
    int told = 0;
    for (const std::string& s : rig.t.shell.statuses)
        if (s.rfind(kServerRestartingText, 0) == 0) ++told;
    EXPECT_EQ(told, 1) << "said once, not at every try";
    EXPECT_EQ(std::string(kServerRestartingText) + std::string(kWindowKeysPlayText),
              "The input server stopped; trying to restart it. Until then, keys play while this window has the focus");

    rig.serverStarts = true;
    rig.clock.AdvanceBy(20000);
    EXPECT_TRUE(rig.link->server);
    EXPECT_EQ(rig.t.shell.statuses.back(), kServerRestartedText);
    EXPECT_EQ(rig.Ball(), 1);
    EXPECT_EQ(rig.program->GetWindowKeyboard().Device(), 0);
    const int made = rig.made;
    rig.clock.AdvanceBy(60000);
    EXPECT_EQ(rig.made, made) << "nothing more once it is back";
}

TEST(ServerRestart, ALossThatMustWaitForItsTryLetsTheWindowPlayAtOnce) {
    Rig rig;
    rig.link->Die();
    rig.clock.AdvanceBy(1); // back at once
    EXPECT_FALSE(rig.WindowPress());
    rig.link->Die(); // again within a minute: the next try waits a second
    EXPECT_EQ(rig.program->GetWindowKeyboard().Device(), 1);
    EXPECT_TRUE(rig.WindowPress());
    EXPECT_EQ(rig.t.shell.statuses.back(), std::string(kServerRestartingText) + std::string(kWindowKeysPlayText));
    rig.clock.AdvanceBy(1000);
    EXPECT_EQ(rig.made, 3);
    EXPECT_FALSE(rig.WindowPress()) << "never fed twice once the server reads the keyboard again";
}

TEST(ServerRestart, DetectAgainStartsAServerThatIsAwayAtOnce) {
    Rig rig;
    rig.serverStarts = false;
    rig.link->Die();
    rig.clock.AdvanceBy(1);
    const int made = rig.made;
    rig.serverStarts = true;
    rig.program->Buttons().DetectAgain();
    EXPECT_EQ(rig.made, made + 1) << "without waiting for the next try";
    EXPECT_EQ(rig.link->calls, (std::vector<std::string>{"detect", "acquire"}));
    EXPECT_EQ(rig.Input().OnOffState(), 1);
    EXPECT_EQ(rig.questions, 2) << "the user's own detection asks as it always did";
    rig.clock.AdvanceBy(60000);
    EXPECT_EQ(rig.made, made + 1) << "the pending try was called off";
}

TEST(ServerRestart, DetectAgainSwitchesTheDevicesOnAgainWhenTheyWereOn) {
    Rig rig;
    rig.link->calls.clear();
    rig.program->Buttons().DetectAgain();
    EXPECT_EQ(rig.link->calls, (std::vector<std::string>{"detect", "acquire"}));
    rig.program->Buttons().SetInputOn(false);
    rig.link->calls.clear();
    rig.program->Buttons().DetectAgain();
    EXPECT_EQ(rig.link->calls, (std::vector<std::string>{"detect"}));
}

TEST(ServerRestart, AServerThatDiesWhileBeingRestartedIsTriedAgainLater) {
    Rig rig;
    rig.dieInDetection = true;
    rig.link->Die();
    rig.clock.AdvanceBy(1);
    ASSERT_EQ(rig.made, 2);
    EXPECT_FALSE(rig.link->server);
    EXPECT_EQ(rig.Ball(), 0);
    EXPECT_EQ(rig.program->GetWindowKeyboard().Device(), 1);
    rig.dieInDetection = false;
    rig.clock.AdvanceBy(998);
    EXPECT_EQ(rig.made, 2) << "the second try waits a second";
    rig.clock.AdvanceBy(2);
    EXPECT_EQ(rig.made, 3);
    EXPECT_TRUE(rig.link->server);
    EXPECT_EQ(rig.Ball(), 1);
}

TEST(ServerRestart, NoRestartAfterTheProgramHasEnded) {
    Rig rig;
    rig.program->ExitProgram();
    rig.clock.AdvanceBy(120000);
    EXPECT_EQ(rig.made, 1);
    EXPECT_EQ(rig.clock.NextDue(), -1) << "no timer left";
}

TEST(LatePresses, AreCountedPerRunInTheStatusPanel) {
    EXPECT_EQ(LatePressesText(1), "Dropped 1 key press made while the program was busy");
    EXPECT_EQ(LatePressesText(3), "Dropped 3 key presses made while the program was busy");
    Rig rig;
    rig.Input().LatePressDropped();
    rig.Input().LatePressDropped();
    EXPECT_EQ(rig.t.shell.statuses.back(), LatePressesText(2));
    rig.Input().InputDx7_PlayThisKey({DeviceNo{1}, KeyNo{30}}); // a press in time ends the run
    rig.Input().LatePressDropped();
    EXPECT_EQ(rig.t.shell.statuses.back(), LatePressesText(1));
    EXPECT_EQ(rig.Input().LatePresses(), 3);
}

struct AgeCase {
    const char* name;
    std::vector<std::pair<std::uint64_t, std::int64_t>> events; // stamp, now
    std::int64_t age;                                           // of the last
};

class StampAges : public ::testing::TestWithParam<AgeCase> {};

TEST_P(StampAges, MeasureTheWaitFromTheQuickestEventSeen) {
    StampAge a;
    std::int64_t age = -1;
    for (auto [stamp, now] : GetParam().events) age = a.AgeMs(stamp, now);
    EXPECT_EQ(age, GetParam().age);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StampAges,
    ::testing::Values(AgeCase{"SameClockAtOnce", {{5000, 5001}}, 0},
                      AgeCase{"SameClockLate", {{5000, 5001}, {6000, 6401}}, 400},
                      AgeCase{"AnotherEpochCalibrates", {{10, 900010}, {20, 900020}, {30, 900530}}, 500},
                      AgeCase{"AQuickerEventRecalibrates", {{10, 510}, {20, 20}, {30, 31}}, 1},
                      AgeCase{"XStampsWrapAfter49Days", {{0xFFFFFFF0u, 0x1FFFFFFF0}, {0x10, 0x200000310}}, 768},
                      AgeCase{"AStampAheadOfACoarseClock", {{1003, 1000}, {2000, 2100}}, 103},
                      AgeCase{"NoStampNoAge", {{5000, 5001}, {0, 999999}}, 0}),
    [](const auto& info) { return info.param.name; });

TEST(LatePresses, AWindowKeyThatWaitedIsDroppedAndCounted) {
    Rig rig;
    rig.serverStarts = false;
    rig.link->Die();
    rig.clock.AdvanceBy(1); // the window's keys stand in
    WindowKeyboard& keys = rig.program->GetWindowKeyboard();
    Instrument& ins = rig.program->GetInstrument();
    EXPECT_TRUE(keys.KeyPressed(ins, kNativeA, false, 1000, 50000));
    EXPECT_TRUE(keys.KeyPressed(ins, kNativeA, false, 1100, 50100 + kLatePressMs));
    EXPECT_FALSE(keys.KeyPressed(ins, kNativeA, false, 1200, 50201 + kLatePressMs));
    EXPECT_EQ(rig.Input().LatePresses(), 1);
    EXPECT_EQ(rig.t.shell.statuses.back(), LatePressesText(1));
    EXPECT_FALSE(keys.KeyPressed(ins, kNativeA, true, 1300, 60000)) << "a repeat plays nothing and is not counted";
    EXPECT_EQ(rig.Input().LatePresses(), 1);
}

} // namespace
} // namespace tambrel::test
