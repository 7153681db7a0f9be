// The evdev code on recordings of real devices (tests/data/devices): what
// each node is to the program, which devices a machine's mix of nodes
// becomes, and what their recorded events play. Replayed on a clock of the
// test's own, so nothing here waits.

#ifdef TAMBREL_HAVE_EVDEV

#include <gtest/gtest.h>
#include <libevdev/libevdev.h>

#include <memory>
#include <string>
#include <vector>

#include "inputserver/EvdevBackend.h"

namespace tambrel::server {
namespace {

std::string Fixture(const std::string& name) {
    return std::string(TAMBREL_SOURCE_DIR) + "/tests/data/devices/" + name + ".evemu";
}

NodeClass ClassOf(const std::string& name) {
    EvemuDevice d;
    std::string error;
    EXPECT_TRUE(ReadEvemuFile(Fixture(name), d, error)) << name << ": " << error;
    libevdev* dev = NewDeviceFromDescription(d);
    EXPECT_NE(dev, nullptr);
    const NodeClass c = Classify(dev);
    libevdev_free(dev);
    return c;
}

TEST(EvdevClassify, EachRealNodeIsWhatItsCapabilitiesSay) {
    struct Row {
        const char* fixture;
        bool keyboard, mouse, touchpad, controller;
        const char* ignored;
    };
    // clang-format off
    const Row rows[] = {
        {"keyboard-lenovo-compact",          true,  false, false, false, ""},
        {"keyboard-laptop-at",               true,  false, false, false, ""},
        {"mouse-roccat-kone-xtd-keyboard",   true,  false, false, false, ""}, // a gaming mouse's keyboard interface
        {"receiver-microsoft-nano",          true,  false, false, false, ""}, // its odd axes make no controller
        {"receiver-logitech-k400",           true,  true,  false, false, ""}, // keyboard and pointer on one node
        {"mouse-ps2-generic",                false, true,  false, false, ""},
        {"mouse-roccat-kone-xtd",            false, true,  false, false, ""},
        {"mouse-chicony-named-keyboard",     false, true,  false, false, ""}, // named a keyboard, built a mouse
        {"trackpoint-lenovo-compact",        false, true,  false, false, ""},
        {"touchpad-synaptics-clickpad",      false, true,  true,  false, ""},
        {"touchpad-apple-bcm5974",           false, true,  true,  false, ""}, // no pointer property
        {"gamepad-ds4-touchpad",             false, true,  true,  false, ""}, // alone: a touchpad
        {"gamepad-xbox360-madcatz",          false, false, false, true,  ""},
        {"gamepad-ds4",                      false, false, false, true,  ""},
        {"gamepad-ds4-motion-sensors",       false, false, false, false, "motion sensors"},
        {"touchscreen-elan",                 false, false, false, false, "a touchscreen"},
        {"tablet-genius-easypen",            false, false, false, false, "a drawing tablet"},
        {"headset-plantronics-648",          false, false, false, false, "nothing the program can play"},
        {"receiver-logitech-consumer",       false, false, false, false, "nothing the program can play"},
        {"power-button",                     false, false, false, false, "nothing the program can play"},
        {"video-bus",                        false, false, false, false, "nothing the program can play"},
        {"lid-switch",                       false, false, false, false, "nothing the program can play"},
    };
    // clang-format on
    for (const Row& r : rows) {
        const NodeClass c = ClassOf(r.fixture);
        EXPECT_EQ(c.keyboard, r.keyboard) << r.fixture;
        EXPECT_EQ(c.mouse, r.mouse) << r.fixture;
        EXPECT_EQ(c.touchpad, r.touchpad) << r.fixture;
        EXPECT_EQ(c.controller, r.controller) << r.fixture;
        EXPECT_EQ(c.ignored, r.ignored) << r.fixture;
    }
}

// Detects the recordings as one machine, switches every device on, lets
// the recordings play to their end and reads what each device reported:
// "device label" per press (releases and zero movements report nothing).
struct Machine {
    std::int64_t now = 5'000'000;
    std::unique_ptr<EvemuBackend> backend;
    std::vector<std::unique_ptr<BackendDevice>> devices;

    explicit Machine(const std::vector<std::string>& fixtures) {
        std::vector<std::string> files;
        for (const auto& f : fixtures) files.push_back(Fixture(f));
        backend = std::make_unique<EvemuBackend>(files, [this] { return now; });
        devices = backend->Enumerate();
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> n;
        for (const auto& d : devices) n.push_back(d->name);
        return n;
    }
    void On() {
        for (auto& d : devices) {
            std::string error;
            EXPECT_TRUE(d->Acquire(error)) << error;
        }
    }
    std::vector<std::string> Play(std::int64_t forUs) {
        now += forUs;
        std::vector<std::string> out;
        for (std::size_t i = 0; i < devices.size(); ++i) {
            Item items[10];
            for (int guard = 0; guard < 1000 && devices[i]->Pending(); ++guard) {
                const ReadResult r = devices[i]->Read(items, 10);
                for (int k = 0; k < r.count; ++k)
                    if (items[k].data != 0)
                        out.push_back(std::to_string(i + 1) + " " +
                                      devices[i]->keyNames[static_cast<std::size_t>(items[k].keyNo - 1)]);
            }
        }
        return out;
    }
};

using Lines = std::vector<std::string>;

TEST(EvdevRecordings, EachRecordingPlaysWhatTheRulesSay) {
    struct Row {
        const char* fixture;
        Lines devices, presses;
    };
    const Row rows[] = {
        // Releases play nothing; autorepeat is no new press.
        {"keyboard-lenovo-compact", {"Keyboard"}, {"1 Left Ctrl", "1 C"}},
        {"keyboard-laptop-at", {"Keyboard"}, {"1 Q", "1 Esc"}},
        {"mouse-roccat-kone-xtd-keyboard", {"Keyboard"}, {"1 1"}},
        {"receiver-microsoft-nano", {"Keyboard"}, {"1 Volume Up"}},
        {"receiver-logitech-k400", {"Keyboard", "Mouse"}, {"1 A", "2 X Axis", "2 Left Button"}},
        {"mouse-ps2-generic",
         {"Mouse"},
         {"1 Y Axis", "1 Y Axis", "1 X Axis", "1 Y Axis", "1 Y Axis", "1 X Axis", "1 Y Axis", "1 Y Axis", "1 X Axis",
          "1 Y Axis"}},
        {"mouse-roccat-kone-xtd", {"Mouse"}, {"1 Wheel", "1 Button 4"}},
        {"mouse-chicony-named-keyboard", {"Mouse"}, {"1 Wheel", "1 Wheel"}},
        {"trackpoint-lenovo-compact", {"Mouse"}, {"1 X Axis", "1 Y Axis", "1 Middle Button"}},
        // The touch-down frame is no movement; then each frame's change.
        {"touchpad-synaptics-clickpad",
         {"Mouse"},
         {"1 Y Axis", "1 X Axis", "1 Y Axis", "1 Y Axis", "1 X Axis", "1 Y Axis", "1 Y Axis", "1 Left Button",
          "1 Y Axis", "1 X Axis", "1 X Axis"}},
        // Two fingers scroll: no movement, and no jump when one lifts.
        {"touchpad-apple-bcm5974", {"Mouse"}, {"1 X Axis", "1 Y Axis", "1 Left Button"}},
        // The resting stick's jitter plays nothing; the d-pad once, B once.
        {"gamepad-xbox360-madcatz", {"Mad Catz Wired Xbox 360 Controller"}, {"1 Hat 1", "1 Y Rotation", "1 Button 2"}},
        {"gamepad-ds4", {"Sony Interactive Entertainment Wireless Controller"}, {"1 Button 1", "1 Hat 1", "1 Z Axis"}},
        {"gamepad-ds4-motion-sensors", {}, {}},
        {"touchscreen-elan", {}, {}},
        {"tablet-genius-easypen", {}, {}},
        {"headset-plantronics-648", {}, {}},
        {"receiver-logitech-consumer", {}, {}},
        {"power-button", {}, {}},
        {"video-bus", {}, {}},
        {"lid-switch", {}, {}},
    };
    for (const Row& r : rows) {
        Machine m({r.fixture});
        EXPECT_EQ(m.Names(), r.devices) << r.fixture;
        m.On();
        EXPECT_EQ(m.Play(60'000'000), r.presses) << r.fixture;
    }
}

TEST(EvdevRecordings, AGameControllersNodesAreOneControllerAndNoMouse) {
    Machine m({"gamepad-ds4", "gamepad-ds4-motion-sensors", "gamepad-ds4-touchpad"});
    EXPECT_EQ(m.Names(), Lines{"Sony Interactive Entertainment Wireless Controller"});
    m.On();
    EXPECT_EQ(m.Play(60'000'000), (Lines{"1 Button 1", "1 Hat 1", "1 Z Axis"}));
}

TEST(EvdevRecordings, ALaptopsNodesJoinIntoKeyboardAndMouseWithControllersAfter) {
    Machine m({"power-button", "video-bus", "lid-switch", "gamepad-xbox360-madcatz", "keyboard-laptop-at",
               "touchpad-synaptics-clickpad", "receiver-logitech-k400", "trackpoint-lenovo-compact", "gamepad-ds4",
               "touchscreen-elan"});
    EXPECT_EQ(m.Names(), (Lines{"Keyboard", "Mouse", "Mad Catz Wired Xbox 360 Controller",
                                "Sony Interactive Entertainment Wireless Controller"}));
    EXPECT_EQ(m.devices[0]->keyNames.size(), 128u);
    EXPECT_EQ(m.devices[1]->keyNames.size(), 8u);
    EXPECT_EQ(m.devices[2]->keyNames.size(), 18u) << "6 axes, 1 hat, 11 buttons";
    m.On();
    const Lines played = m.Play(60'000'000);
    // Every keyboard plays the one Keyboard, every pointer the one Mouse.
    EXPECT_EQ(std::count(played.begin(), played.end(), "1 Q"), 1);
    EXPECT_EQ(std::count(played.begin(), played.end(), "1 A"), 1);
    EXPECT_EQ(std::count(played.begin(), played.end(), "2 Middle Button"), 1);
    EXPECT_EQ(std::count(played.begin(), played.end(), "2 Left Button"), 2) << "the clickpad and the K400";
}

TEST(EvdevRecordings, RecordedEventsPlayAtTheirGapsFromTheFirstSwitchingOn) {
    Machine m({"keyboard-lenovo-compact"});
    m.On();
    EXPECT_TRUE(m.Play(1'000'000).empty()) << "Left Ctrl was pressed 1.4 s in";
    EXPECT_EQ(m.Play(450'000), Lines{"1 Left Ctrl"});
    // Off and on again: what happened meanwhile is not played.
    m.devices[0]->Unacquire();
    m.now += 200'000;
    m.On();
    EXPECT_TRUE(m.Play(10'000'000).empty());
}

TEST(EvdevRecordings, AnUnpluggedRecordingReadsAsGoneAndTheOthersPlayOn) {
    Machine m({"keyboard-lenovo-compact", "mouse-roccat-kone-xtd"});
    m.On();
    EXPECT_TRUE(m.backend->Unplug(Fixture("keyboard-lenovo-compact")));
    EXPECT_FALSE(m.backend->Unplug(Fixture("keyboard-lenovo-compact")));
    EXPECT_TRUE(m.backend->TakeChanged());
    EXPECT_FALSE(m.backend->TakeChanged()) << "told once";
    Item items[10];
    EXPECT_EQ(m.devices[0]->Read(items, 10).status, ReadStatus::Gone);
    EXPECT_EQ(m.Play(1'000'000), (Lines{"2 Wheel", "2 Button 4"}));
    EXPECT_EQ(m.backend->Enumerate().size(), 1u);
    std::string error;
    EXPECT_TRUE(m.backend->Plug(Fixture("keyboard-laptop-at"), error)) << error;
    EXPECT_TRUE(m.backend->TakeChanged());
    EXPECT_FALSE(m.backend->Plug(Fixture("missing"), error));
    EXPECT_EQ(error, "cannot be opened");
}

TEST(EvdevRecordings, ABrokenRecordingIsRefusedByName) {
    try {
        EvemuBackend b({Fixture("LICENSE-is-no-recording")});
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("LICENSE-is-no-recording.evemu: cannot be opened"), std::string::npos)
            << e.what();
    }
}

} // namespace
} // namespace tambrel::server

#endif
