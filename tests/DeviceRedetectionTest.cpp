// Detecting the devices again (the main window's detect button): this run's
// layouts carry over by device name, and Sub Boards are bound again to their
// device by name, with the rule loading uses.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "boards/DeviceLayouts.h"
#include "common/Settings.h"
#include "document/DeviceBinding.h"
#include "document/NewOrchestra.h"
#include "input/InputProtocol.h"
#include "input/InputSystem.h"
#include "tests/FakeInputLink.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

class ScriptedLink : public InputServerLink {
public:
    bool DxDetectDiDevices(std::int32_t, std::vector<std::int32_t>& kbData) override {
        kbData = reply;
        return true;
    }
    bool DxDeviceAcquire() override { return true; }
    bool DxDeviceUnAcquire() override { return true; }
    bool HasServer() const override { return true; }
    std::vector<std::int32_t> reply;
};

DetectedDevice Dev(const std::string& name, int keys) {
    DetectedDevice d{name, true, {}};
    for (int k = 1; k <= keys; ++k) d.keyNames.push_back(name + " " + std::to_string(k));
    return d;
}

struct Rig {
    TempDir dir;
    TestState t{{}};
    Settings settings{dir.File("TambrelOrchestra.ini")};
    ScriptedLink* link = nullptr;
    InputSystem input{t.st, [this] {
                          auto l = std::make_unique<ScriptedLink>();
                          link = l.get();
                          return l;
                      }};
    std::vector<std::int32_t> read;

    TestInputClient client;

    Rig() {
        input.settings = &settings;
        input.SetClient(&client);
        client.readDeviceLayout = [this](std::int32_t d) {
            read.push_back(d);
            ReadDeviceLayout(t.st, settings, d);
        };
        input.Bridge();
    }
    void Detect(std::vector<DetectedDevice> devices) {
        link->reply = EncodeDetectionReply(devices);
        read.clear();
        t.shell.notices.clear();
        input.DetectInputDevices();
    }
    void FailDetection() {
        link->reply = DetectionErrorReply();
        read.clear();
        t.shell.notices.clear();
        input.DetectInputDevices();
    }
    DeviceLayout& L(std::int32_t d) { return t.st.InputDevices[static_cast<std::size_t>(d - 1)].Layout; }
    bool Rebuilt() const { return t.shell.Saw<notice::RebuildAllBoardViews>(); }
};

TEST(Redetection, AtStartEveryLayoutIsReadInDeviceOrder) {
    Rig rig;
    rig.Detect({Dev("Keyboard", 128), Dev("Mouse", 8), Dev("Pad", 6)});
    EXPECT_EQ(rig.read, (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(rig.L(1).BoardWidth, 944);
    EXPECT_EQ(rig.L(2).BoardWidth, 330);
    EXPECT_EQ(rig.L(3).BoardWidth, 590) << "the 14-per-row grid at once";
}

TEST(Redetection, KeepsThisRunsLayoutsOfDevicesFoundAgainWhateverTheirNumber) {
    Rig rig;
    rig.Detect({Dev("Keyboard", 128), Dev("Pad", 6)});
    rig.L(1).BoardWidth = 1200; // changed in the layout editor, not yet saved
    rig.L(2).Keys[0].Width = 99;
    const DeviceLayout keyboard = rig.L(1), pad = rig.L(2);

    rig.Detect({Dev("Stick", 4), Dev("Keyboard", 128), Dev("Pad", 6)});
    EXPECT_EQ(rig.read, (std::vector<std::int32_t>{1})) << "only the new device is read";
    EXPECT_EQ(rig.L(2), keyboard);
    EXPECT_EQ(rig.L(3), pad);
    EXPECT_EQ(rig.L(1).BoardWidth, 590);
}

TEST(Redetection, ADeviceWithAnotherKeyCountIsReadAnew) {
    Rig rig;
    rig.Detect({Dev("Pad", 6)});
    rig.L(1).BoardWidth = 1200;
    rig.Detect({Dev("Pad", 10)});
    EXPECT_EQ(rig.read, (std::vector<std::int32_t>{1}));
    EXPECT_EQ(rig.L(1).BoardWidth, 590);
    EXPECT_EQ(rig.L(1).Keys.size(), 10u);
}

TEST(Redetection, ALayoutSurvivesAnUnpluggingAndAFailedDetection) {
    Rig rig;
    rig.Detect({Dev("Keyboard", 128), Dev("Pad", 6)});
    rig.L(2).BoardWidth = 1200;
    rig.Detect({Dev("Keyboard", 128)}); // unplugged
    rig.FailDetection();
    EXPECT_EQ(rig.t.st.DeviceCount(), 0);
    rig.Detect({Dev("Pad", 6), Dev("Keyboard", 128)}); // back
    EXPECT_TRUE(rig.read.empty());
    EXPECT_EQ(rig.L(1).BoardWidth, 1200);
    EXPECT_EQ(rig.L(2).BoardWidth, 944);
}

TEST(Redetection, TwoDevicesOfOneNameKeepTheirLayoutsInOrder) {
    Rig rig;
    rig.Detect({Dev("Pad", 6), Dev("Pad", 6)});
    rig.L(1).BoardWidth = 301;
    rig.L(2).BoardWidth = 302;
    rig.Detect({Dev("Mouse", 8), Dev("Pad", 6), Dev("Pad", 6)});
    EXPECT_EQ(rig.L(2).BoardWidth, 301);
    EXPECT_EQ(rig.L(3).BoardWidth, 302);
}

TEST(Redetection, SubBoardsFollowTheirDeviceByNameAndKeepTheirKeys) {
    Rig rig;
    rig.Detect({Dev("Keyboard", 128), Dev("Pad", 6)});
    rig.t.st.Orc = NewOrchestra(rig.t.st); // Sub Boards 1: Keyboard, 2: Pad on every Play Board
    rig.t.st.Orc.Set(3).Bd(2).Key(6).SndSrc = kSrcMidi;

    // A new device comes first: the Pad is device 3 now.
    rig.Detect({Dev("Stick", 4), Dev("Keyboard", 128), Dev("Pad", 6)});
    for (const PlayBoard& pb : rig.t.st.Orc.PlayBoards) {
        EXPECT_EQ(pb.Bd(1).InpDevNo, 2);
        EXPECT_EQ(pb.Bd(2).InpDevNo, 3);
        EXPECT_EQ(pb.Bd(2).KeyNos(), 6);
    }
    EXPECT_EQ(rig.t.st.Orc.Set(3).Bd(2).Key(6).SndSrc, kSrcMidi) << "the Stick's 4 keys cut nothing";
    EXPECT_TRUE(rig.Rebuilt());

    std::vector<std::int32_t> boards;
    rig.client.playKey = [&](KeyAddress a) { boards.push_back(a.subBoard.value); };
    rig.input.InputDx7_PlayThisKey({DeviceNo{3}, KeyNo{6}});
    EXPECT_EQ(boards, (std::vector<std::int32_t>{2})) << "the Pad's presses reach the Pad's board";

    // Unplugged: the board has no device and keeps its keys.
    rig.Detect({Dev("Keyboard", 128)});
    EXPECT_EQ(rig.t.st.Orc.Set(3).Bd(2).InpDevNo, 0);
    EXPECT_EQ(rig.t.st.Orc.Set(3).Bd(2).KeyNos(), 6);
    EXPECT_TRUE(rig.Rebuilt());

    // Back with more keys: bound again, the new keys all zero, the old ones kept.
    rig.Detect({Dev("Keyboard", 128), Dev("Pad", 8)});
    const SubBoard& sb = rig.t.st.Orc.Set(3).Bd(2);
    EXPECT_EQ(sb.InpDevNo, 2);
    EXPECT_EQ(sb.KeyNos(), 8);
    EXPECT_EQ(sb.Key(6).SndSrc, kSrcMidi);
    EXPECT_EQ(sb.Key(8).MidiKeyNo, 0) << "as loading gives keys the file did not hold";

    // Back with fewer keys: nothing is cut.
    rig.Detect({Dev("Keyboard", 128), Dev("Pad", 5)});
    EXPECT_EQ(rig.t.st.Orc.Set(3).Bd(2).KeyNos(), 8);
    EXPECT_EQ(rig.t.st.Orc.Set(3).Bd(2).Key(6).SndSrc, kSrcMidi);
}

TEST(Redetection, AFailedDetectionLeavesEveryBoardWithoutDevice) {
    Rig rig;
    rig.Detect({Dev("Keyboard", 128), Dev("Pad", 6)});
    rig.t.st.Orc = NewOrchestra(rig.t.st);
    rig.FailDetection();
    for (const PlayBoard& pb : rig.t.st.Orc.PlayBoards)
        for (const SubBoard& sb : pb.Bds) EXPECT_EQ(sb.InpDevNo, 0);
    EXPECT_TRUE(rig.Rebuilt());
}

TEST(Redetection, TheSameDevicesAgainChangeNothingAndRebuildNothing) {
    Rig rig;
    rig.Detect({Dev("Keyboard", 128), Dev("Pad", 6)});
    rig.t.st.Orc = NewOrchestra(rig.t.st);
    rig.Detect({Dev("Keyboard", 128), Dev("Pad", 6)});
    EXPECT_TRUE(rig.read.empty());
    EXPECT_FALSE(rig.Rebuilt());
}

TEST(Redetection, ABoardOfADeviceWhoseLayoutWasReadAnewIsRebuilt) {
    Rig rig;
    rig.Detect({Dev("Keyboard", 128), Dev("Pad", 6)});
    rig.t.st.Orc = NewOrchestra(rig.t.st);
    rig.Detect({Dev("Keyboard", 128), Dev("Pad", 4)}); // same index, fewer keys, a new layout
    EXPECT_EQ(rig.read, (std::vector<std::int32_t>{2}));
    EXPECT_TRUE(rig.Rebuilt());
}

TEST(DeviceBinding, KeyboardAndMouseStandForThisComputersNamesThenTheExactName) {
    TestState t({{"Tastatur", 128}, {"Maus", 8}, {"pad", 3}, {"Pad", 3}});
    t.st.KeyboardName = "Tastatur";
    t.st.MouseName = "Maus";
    struct Case {
        std::string stored, bound;
        std::int32_t device;
    };
    for (const Case& c : {Case{"Keyboard", "Tastatur", 1}, Case{"Mouse", "Maus", 2}, Case{"Pad", "Pad", 4},
                          Case{"pad", "pad", 3}, Case{"Tastatur", "Tastatur", 1}, Case{"Stick", "Stick", 0}}) {
        SubBoard sb;
        sb.InpDev = c.stored;
        sb.InpDevNo = 9;
        BindSubBoardToDevice(t.st, sb);
        EXPECT_EQ(sb.InpDev, c.bound) << c.stored;
        EXPECT_EQ(sb.InpDevNo, c.device) << c.stored;
    }
}

} // namespace
} // namespace tambrel::test
