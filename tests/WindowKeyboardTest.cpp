#include <gtest/gtest.h>

#include "common/VirtualClock.h"
#include "input/KeyboardTable.h"
#include "recording/KeystrokeRecorder.h"
#include "session/Instrument.h"
#include "session/WindowKeyboard.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

constexpr std::uint32_t kNativeA = 30 + 8; // KEY_A as X11 and Wayland report it

struct FeedRig {
    explicit FeedRig(std::vector<std::pair<std::string, int>> devices) : t(std::move(devices)) {}
    TestState t;
    VirtualClock clock;
    Instrument instrument{t.st, InstrumentSeams(clock)};
    WindowKeyboard feed;

    std::vector<KeyStroke> Recorded(std::uint32_t code, bool repeat) {
        instrument.Recorder().StartRecording();
        feed.KeyPressed(instrument, code, repeat);
        instrument.Recorder().StopRecording();
        return t.st.Orc.Recordings[0].events;
    }
};

TEST(WindowKeyboard, WithoutAReadableKeyboardTheWindowFeedsOne) {
    FeedRig rig({{"Mouse", 8}});
    rig.feed.AfterDetection(rig.t.st);
    ASSERT_EQ(rig.t.st.DeviceCount(), 2);
    const InputDevice& k = rig.t.st.InputDevices[1];
    EXPECT_EQ(k.Name, "Keyboard");
    EXPECT_EQ(k.KeyCount, 128);
    EXPECT_EQ(k.KeyLabels[29], "A");
    EXPECT_EQ(rig.feed.Device(), 2);
    EXPECT_EQ(rig.t.shell.statuses, std::vector<std::string>{std::string(kWindowKeyboardText)});

    const std::vector<KeyStroke> ev = rig.Recorded(kNativeA, false);
    ASSERT_EQ(ev.size(), 1u) << "the press takes the road of a server press";
    EXPECT_EQ(ev[0].InpDvNo, 2);
    EXPECT_EQ(ev[0].KeyNo, KeyboardObjectForCode(30));

    rig.feed.AfterDetection(rig.t.st); // detecting again neither adds a second keyboard nor tells again
    EXPECT_EQ(rig.t.st.DeviceCount(), 2);
    EXPECT_EQ(rig.t.shell.statuses.size(), 1u);
}

TEST(WindowKeyboard, AKeyboardListedButUnreadableIsFedInItsPlace) {
    FeedRig rig({{"Keyboard", 128}, {"Mouse", 8}});
    rig.t.st.InputDevices[0].Ready = false;
    rig.feed.AfterDetection(rig.t.st);
    EXPECT_EQ(rig.t.st.DeviceCount(), 2);
    EXPECT_EQ(rig.feed.Device(), 1);
}

TEST(WindowKeyboard, AKeyboardTheServerReadsIsNeverFedTwice) {
    FeedRig rig({{"Keyboard", 128}, {"Mouse", 8}});
    rig.feed.AfterDetection(rig.t.st);
    EXPECT_EQ(rig.feed.Device(), 0);
    EXPECT_TRUE(rig.Recorded(kNativeA, false).empty());
    EXPECT_TRUE(rig.t.shell.statuses.empty());
}

TEST(WindowKeyboard, RepeatsAndUnknownCodesPlayNothing) {
    FeedRig rig({});
    rig.feed.AfterDetection(rig.t.st);
    EXPECT_TRUE(rig.Recorded(kNativeA, true).empty());
    EXPECT_TRUE(rig.Recorded(3, false).empty());
    EXPECT_TRUE(rig.Recorded(0x7FFFFFFF, false).empty());
    EXPECT_TRUE(rig.Recorded(400 + 8, false).empty());
}

} // namespace
} // namespace tambrel::test
