// Devices plugged in and out while the program runs: the program detects
// again by itself when nothing would be disturbed, keeps every Sub Board on
// its device and says what changed. The whole program on a virtual clock
// with a fake server; then the real server and bridge telling the change.

#include "session/HotPlug.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/Settings.h"
#include "common/VirtualClock.h"
#include "input/InputProtocol.h"
#include "input/LocInputDx7Class.h"
#include "recording/KeystrokeRecorder.h"
#include "session/Program.h"
#include "tests/FakeInputLink.h"
#include "tests/ProgramOnFakeLinks.h"
#include "tests/ScriptPipe.h"
#include "tests/ServerPath.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

struct OpenDialog : DialogWatch {
    bool open = false;
    bool DialogOpen() const override { return open; }
};

struct Rig : ProgramOnFakeLinks {
    OpenDialog dialog;

    Rig() : ProgramOnFakeLinks({Dev("Keyboard", 128), Dev("Mouse", 8), Dev("Pad", 6)}) {
        program->GetHotPlug().dialogs = &dialog;
        program->Start("");
        // A Sub Board on the pad, as a user adds one.
        SubBoard pad = t.st.Orc.PlayBoards[0].Bds[0];
        pad.InpDev = "Pad";
        t.st.Orc.PlayBoards[0].Bds.push_back(pad);
        program->DetectInputDevices();
        t.shell.statuses.clear();
    }
    void Serve() { link->reply = EncodeDetectionReply(devices); }
    // The server says the devices changed; it now lists these.
    void Plug(std::vector<DetectedDevice> now) {
        devices = std::move(now);
        Serve();
        ASSERT_NE(link->Events(), nullptr) << "the bridge tells the program";
        link->Events()->DevicesChanged();
    }
    int Detections() const { return static_cast<int>(std::count(link->calls.begin(), link->calls.end(), "detect")); }
    std::string LastStatus() const { return t.shell.statuses.empty() ? "" : t.shell.statuses.back(); }
    // Every Sub Board is bound to the device of its name, or to none.
    bool BoardsOnTheirDevices() const {
        for (const PlayBoard& pb : t.st.Orc.PlayBoards)
            for (const SubBoard& sb : pb.Bds) {
                const InputDevice* d = t.st.Device(sb.InpDevNo);
                if (d ? d->Name != sb.InpDev : NameListed(sb.InpDev)) return false;
            }
        return true;
    }
    bool NameListed(const std::string& n) const {
        for (const InputDevice& d : t.st.InputDevices)
            if (d.Name == n) return true;
        return false;
    }
};

TEST(HotPlug, APluggedInDeviceIsDetectedByItselfAndTheBoardsKeepTheirDevices) {
    Rig rig;
    const int before = rig.Detections();
    rig.Plug({Dev("Keyboard", 128), Dev("Drum Kit", 12), Dev("Mouse", 8), Dev("Pad", 6)});
    EXPECT_EQ(rig.Detections(), before) << "never inside the server's call";
    rig.clock.AdvanceBy(1);
    EXPECT_EQ(rig.Detections(), before + 1);
    EXPECT_EQ(rig.LastStatus(), "Input device added: Drum Kit");
    EXPECT_EQ(rig.t.st.DeviceCount(), 4);
    EXPECT_TRUE(rig.BoardsOnTheirDevices());
    EXPECT_EQ(rig.t.st.Orc.PlayBoards[0].Bds.back().InpDevNo, 4) << "the pad's board follows the pad";

    rig.Plug({Dev("Keyboard", 128), Dev("Mouse", 8)});
    rig.clock.AdvanceBy(1);
    EXPECT_EQ(rig.LastStatus(), "Input devices removed: Drum Kit, Pad");
    EXPECT_TRUE(rig.BoardsOnTheirDevices());
    EXPECT_EQ(rig.t.st.Orc.PlayBoards[0].Bds.back().InpDevNo, 0);

    rig.Plug({Dev("Keyboard", 128), Dev("Mouse", 8), Dev("Pad", 6)});
    rig.clock.AdvanceBy(1);
    EXPECT_EQ(rig.LastStatus(), "Input device added: Pad");
    EXPECT_EQ(rig.t.st.Orc.PlayBoards[0].Bds.back().InpDevNo, 3) << "plugged in again, it plays again";
    EXPECT_FALSE(rig.program->GetHotPlug().Waiting());
}

TEST(HotPlug, UnpluggingTheMouseAsksNothingMidPerformance) {
    Rig rig;
    int questions = 0;
    rig.program->SetDeviceChooser([&](std::string_view, const std::vector<std::string>&) {
        ++questions;
        return 0;
    });
    rig.Plug({Dev("Keyboard", 128), Dev("Pad", 6)});
    rig.clock.AdvanceBy(1);
    EXPECT_EQ(rig.LastStatus(), "Input device removed: Mouse");
    EXPECT_EQ(questions, 0);
    rig.program->DetectInputDevices();
    EXPECT_EQ(questions, 1) << "the user's own Detect Again still asks";
}

TEST(HotPlug, ChangesInABurstAreOneDetection) {
    Rig rig;
    const int before = rig.Detections();
    rig.Plug({Dev("Keyboard", 128), Dev("Mouse", 8), Dev("Pad", 6), Dev("Pad", 6)});
    rig.link->Events()->DevicesChanged();
    rig.clock.AdvanceBy(1000);
    EXPECT_EQ(rig.Detections(), before + 1);
    EXPECT_EQ(rig.LastStatus(), "Input device added: Pad") << "a second pad of the same name";
}

TEST(HotPlug, ItWaitsWhileADialogIsOpenOrARecordingOrPlaybackRuns) {
    struct Row {
        const char* what;
        std::function<void(Rig&)> begin, end;
    };
    const Row rows[] = {
        {"a dialog", [](Rig& r) { r.dialog.open = true; }, [](Rig& r) { r.dialog.open = false; }},
        {"a recording", [](Rig& r) { r.program->GetInstrument().Recorder().StartRecording(); },
         [](Rig& r) { r.program->GetInstrument().Recorder().StopRecording(); }},
    };
    for (const Row& r : rows) {
        Rig rig;
        const int before = rig.Detections();
        r.begin(rig);
        rig.Plug({Dev("Keyboard", 128), Dev("Mouse", 8), Dev("Pad", 6), Dev("Wheel", 4)});
        rig.clock.AdvanceBy(5000);
        EXPECT_EQ(rig.Detections(), before) << r.what;
        EXPECT_TRUE(rig.program->GetHotPlug().Waiting()) << r.what;
        r.end(rig);
        rig.clock.AdvanceBy(kHotPlugRetryMs);
        EXPECT_EQ(rig.Detections(), before + 1) << r.what;
        EXPECT_EQ(rig.LastStatus(), "Input device added: Wheel") << r.what;
    }
}

TEST(HotPlug, TheStatusSaysWhatWasAddedAndRemoved) {
    auto list = [](std::vector<std::string> names) {
        std::vector<InputDevice> out;
        for (auto& n : names) {
            out.emplace_back();
            out.back().Name = n;
        }
        return out;
    };
    struct Row {
        std::vector<std::string> before, after;
        const char* says;
    };
    const Row rows[] = {
        {{"Keyboard"}, {"Keyboard", "Pad"}, "Input device added: Pad"},
        {{"Keyboard"}, {"Keyboard", "Pad", "Wheel"}, "Input devices added: Pad, Wheel"},
        {{"Keyboard", "Pad"}, {"Keyboard"}, "Input device removed: Pad"},
        {{"Keyboard", "Mouse"}, {"Keyboard", "Pad"}, "Input device added: Pad; removed: Mouse"},
        {{"Keyboard", "Pad"}, {"Pad", "Keyboard"}, "Input devices detected again"},
        {{"Pad"}, {"Pad", "Pad"}, "Input device added: Pad"},
    };
    for (const Row& r : rows) EXPECT_EQ(DevicesChangedText(list(r.before), list(r.after)), r.says);
}

// Hears the bridge's events: the device changes counted, the presses kept as
// (device, key).
struct Told : InputServerEvents {
    int times = 0;
    std::vector<std::pair<int, int>> presses;
    void DevicesChanged() override { ++times; }
    void PlayThisKey(std::int32_t keyNo, std::int32_t deviceNo) override { presses.emplace_back(deviceNo, keyNo); }
};

TEST(HotPlug, TheRealServerTellsTheBridgeWhenAScriptedDeviceIsPluggedIn) {
    ScriptPipe pipe("keyboard\n");
    LocInputDx7Class bridge(InputServerOptions{ServerPath(), {"--virtual", pipe.Path()}, 5000, 5000, 0});
    Told told;
    bridge.SetEvents(&told);
    std::vector<std::int32_t> reply;
    ASSERT_TRUE(bridge.DxDetectDiDevices(0, reply));
    pipe.Write("device Drum Kit\nkeys 4 Pad \n");
    for (int i = 0; i < 100 && told.times == 0; ++i) bridge.WaitForEvents(50);
    EXPECT_EQ(told.times, 1);
    ASSERT_TRUE(bridge.DxDetectDiDevices(0, reply));
    std::vector<DetectedDevice> devices;
    ASSERT_TRUE(DecodeDetectionReply(reply, devices));
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[1].name, "Drum Kit");
}

#ifdef TAMBREL_HAVE_EVDEV
TEST(HotPlug, ATouchpadsRecordingPlaysTheMouseBoardsButtons) {
    // The whole program, its server playing a laptop's touchpad.
    TestState t{{}};
    TempDir dir;
    Settings settings{dir.File("TambrelOrchestra.ini")};
    VirtualClock clock;
    MemoryAudioOutput output;
    t.st.AppPath = dir.Path();
    InstrumentSeams seams(clock);
    LocInputDx7Class* bridge = nullptr;
    seams.inputLink = [&] {
        auto b = std::make_unique<LocInputDx7Class>(InputServerOptions{
            ServerPath(),
            {"--evemu", std::string(TAMBREL_SOURCE_DIR) + "/tests/data/devices/touchpad-synaptics-clickpad.evemu"},
            5000,
            5000,
            0});
        bridge = b.get();
        return std::unique_ptr<InputServerLink>(std::move(b));
    };
    Program program(t.st, settings, std::move(seams), output);
    program.Start("");
    ASSERT_NE(bridge, nullptr);
    const std::int32_t mouse = 1;
    ASSERT_EQ(t.st.Device(mouse)->Name, "Mouse") << "no question about the mouse at every start";
    const PlayBoard& active = t.st.Orc.PlayBoards[static_cast<std::size_t>(t.st.Orc.CurSet - 1)];
    ASSERT_FALSE(active.Bds.empty());
    EXPECT_EQ(active.Bds[0].InpDevNo, mouse) << "the Mouse board plays what the touchpad does";
    KeystrokeRecorder& rec = program.GetInstrument().Recorder();
    rec.StartRecording();
    const auto& events = t.st.Orc.Recordings[0].events;
    auto clicked = [&] {
        for (const KeyStroke& k : events)
            if (k.InpDvNo == mouse && k.KeyNo == 4) return true;
        return false;
    };
    for (int i = 0; i < 60 && !clicked(); ++i) bridge->WaitForEvents(50);
    rec.StopRecording();
    EXPECT_TRUE(clicked()) << "the pad's click is the Left Button";
    program.ExitProgram();
}

TEST(HotPlug, ARecordingPluggedOutMidPerformanceLeavesTheOthersPlaying) {
    const std::string dirPath = std::string(TAMBREL_SOURCE_DIR) + "/tests/data/devices/";
    ScriptPipe pipe("evemu " + dirPath + "mouse-ps2-generic.evemu\nevemu " + dirPath +
                    "gamepad-xbox360-madcatz.evemu\n");
    LocInputDx7Class bridge(InputServerOptions{ServerPath(), {"--virtual", pipe.Path()}, 5000, 5000, 0});
    Told told;
    bridge.SetEvents(&told);
    std::vector<std::pair<int, int>>& presses = told.presses;
    std::vector<std::int32_t> reply;
    ASSERT_TRUE(bridge.DxDetectDiDevices(0, reply));
    ASSERT_TRUE(bridge.DxDeviceAcquire());
    // The mouse goes at once; the pad plays its presses 0.5 to 1.5 s in.
    pipe.Write("evemu-unplug " + dirPath + "mouse-ps2-generic.evemu\n");
    auto padPresses = [&] {
        int n = 0;
        for (const auto& [d, k] : presses) n += d == 2;
        return n;
    };
    for (int i = 0; i < 80 && padPresses() < 3; ++i) bridge.WaitForEvents(50);
    EXPECT_EQ(told.times, 1);
    EXPECT_EQ(padPresses(), 3) << "Hat 1, Y Rotation and Button 2 of the pad";
}
#endif

} // namespace
} // namespace tambrel::test
