// tborc devices and tborc listen on recordings of real devices: the whole
// road, the real server process reading each recording through its evdev
// code, the bridge and the program's device list.

#ifdef TAMBREL_HAVE_EVDEV

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/TempDir.h"
#include "tests/TborcRun.h"

#ifndef TAMBREL_INPUT_SERVER_PATH
#define TAMBREL_INPUT_SERVER_PATH ""
#endif

namespace tambrel::test {
namespace {

std::string Fixture(const std::string& name) {
    return std::string(TAMBREL_SOURCE_DIR) + "/tests/data/devices/" + name + ".evemu";
}

// tborc against the input server this build made.
ToolRun TborcOnServer(std::vector<std::string> args) {
    if (std::string(TAMBREL_INPUT_SERVER_PATH) != "") {
        args.push_back("--server");
        args.push_back(TAMBREL_INPUT_SERVER_PATH);
    }
    return Tborc(std::move(args));
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

using Lines = std::vector<std::string>;

struct Row {
    const char* fixture;
    Lines devices;  // "name keys", in device order
    double seconds; // how long its events take to play
    Lines presses;  // what tborc listen prints
};

// clang-format off
const Row kRows[] = {
    {"keyboard-lenovo-compact",        {"Keyboard 128"}, 1.6,  {"1 29 Left Ctrl", "1 46 C"}},
    {"keyboard-laptop-at",             {"Keyboard 128"}, 0.9,  {"1 16 Q", "1 1 Esc"}},
    {"mouse-roccat-kone-xtd-keyboard", {"Keyboard 128"}, 0.1,  {"1 2 1"}},
    {"receiver-microsoft-nano",        {"Keyboard 128"}, 0.05, {"1 98 Volume Up"}},
    {"receiver-logitech-k400",         {"Keyboard 128", "Mouse 8"}, 0.2, {"1 30 A", "2 1 X Axis", "2 4 Left Button"}},
    {"mouse-ps2-generic",              {"Mouse 8"}, 0.16, {"1 2 Y Axis", "1 2 Y Axis", "1 1 X Axis", "1 2 Y Axis",
                                                           "1 2 Y Axis", "1 1 X Axis", "1 2 Y Axis", "1 2 Y Axis",
                                                           "1 1 X Axis", "1 2 Y Axis"}},
    {"mouse-roccat-kone-xtd",          {"Mouse 8"}, 0.12, {"1 3 Wheel", "1 7 Button 4"}},
    {"mouse-chicony-named-keyboard",   {"Mouse 8"}, 0.03, {"1 3 Wheel", "1 3 Wheel"}},
    {"trackpoint-lenovo-compact",      {"Mouse 8"}, 0.3,  {"1 1 X Axis", "1 2 Y Axis", "1 6 Middle Button"}},
    {"touchpad-synaptics-clickpad",    {"Mouse 8"}, 0.5,  {"1 2 Y Axis", "1 1 X Axis", "1 2 Y Axis", "1 2 Y Axis",
                                                           "1 1 X Axis", "1 2 Y Axis", "1 2 Y Axis",
                                                           "1 4 Left Button", "1 2 Y Axis", "1 1 X Axis",
                                                           "1 1 X Axis"}},
    {"touchpad-apple-bcm5974",         {"Mouse 8"}, 0.15, {"1 1 X Axis", "1 2 Y Axis", "1 4 Left Button"}},
    {"gamepad-xbox360-madcatz",        {"Mad Catz Wired Xbox 360 Controller 18"}, 1.5,
                                       {"1 7 Hat 1", "1 5 Y Rotation", "1 9 Button 2"}},
    {"gamepad-ds4",                    {"Sony Interactive Entertainment Wireless Controller 20"}, 0.25,
                                       {"1 8 Button 1", "1 7 Hat 1", "1 3 Z Axis"}},
    {"gamepad-ds4-motion-sensors",     {}, 0, {}},
    {"gamepad-ds4-touchpad",           {"Mouse 8"}, 0.1, {"1 1 X Axis", "1 4 Left Button"}},
    {"touchscreen-elan",               {}, 0, {}},
    {"tablet-genius-easypen",          {}, 0, {}},
    {"headset-plantronics-648",        {}, 0, {}},
    {"receiver-logitech-consumer",     {}, 0, {}},
    {"power-button",                   {}, 0, {}},
    {"video-bus",                      {}, 0, {}},
    {"lid-switch",                     {}, 0, {}},
};
// clang-format on

TEST(TborcRecordings, DevicesListsWhatEachRecordingIs) {
    for (const Row& r : kRows) {
        const ToolRun run = TborcOnServer({"devices", "--evemu", Fixture(r.fixture)});
        ASSERT_EQ(run.status, 0) << r.fixture << ": " << run.err;
        Lines got;
        for (const auto& d : nlohmann::json::parse(run.out)) {
            got.push_back(d["name"].get<std::string>() + " " + std::to_string(d["keys"].get<int>()));
            EXPECT_TRUE(d["ready"].get<bool>()) << r.fixture;
        }
        EXPECT_EQ(got, r.devices) << r.fixture;
    }
}

TEST(TborcRecordings, ListenPrintsWhatEachRecordingPlays) {
    for (const Row& r : kRows) {
        if (r.devices.empty()) continue; // nothing to switch on, nothing to hear
        const ToolRun run =
            TborcOnServer({"listen", "--seconds", std::to_string(r.seconds + 0.6), "--evemu", Fixture(r.fixture)});
        ASSERT_EQ(run.status, 0) << r.fixture << ": " << run.err;
        EXPECT_EQ(Split(run.out), r.presses) << r.fixture;
    }
}

TEST(TborcRecordings, AMachinesMixPlaysThroughOneKeyboardAndOneMouse) {
    const ToolRun run = TborcOnServer({"listen", "--seconds", "1.6", "--evemu", Fixture("power-button"), "--evemu",
                                       Fixture("keyboard-laptop-at"), "--evemu", Fixture("gamepad-ds4-motion-sensors"),
                                       "--evemu", Fixture("touchpad-apple-bcm5974"), "--evemu", Fixture("gamepad-ds4"),
                                       "--evemu", Fixture("gamepad-ds4-touchpad")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Lines got = Split(run.out);
    auto has = [&](const std::string& l) { return std::count(got.begin(), got.end(), l); };
    EXPECT_EQ(has("1 16 Q"), 1);
    EXPECT_EQ(has("2 4 Left Button"), 1) << "the touchpad is the mouse; the pad's own touchpad is not";
    EXPECT_EQ(has("3 8 Button 1"), 1);
    EXPECT_EQ(got.size(), 8u) << run.out;
}

TEST(TborcRecordings, ARecordingThatIsNoDeviceIsAnErrorNamingIt) {
    TempDir dir;
    const std::string bad = dir.Write("bad.evemu", "E: 0.1 0001 001e 1\n");
    const ToolRun run = TborcOnServer({"devices", "--evemu", bad});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("Error Detecting Input Devices"), std::string::npos) << run.err;
}

} // namespace
} // namespace tambrel::test

#endif
