// tborc devices and tborc listen, through the real bridge and server on a
// device script.

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

// tborc against the input server this build made.
ToolRun TborcOnServer(std::vector<std::string> args) {
    if (std::string(TAMBREL_INPUT_SERVER_PATH) != "") {
        args.push_back("--server");
        args.push_back(TAMBREL_INPUT_SERVER_PATH);
    }
    return Tborc(std::move(args));
}

TEST(TborcDevices, PrintsTheDetectedDevicesWithTheirLabels) {
    TempDir dir;
    const std::string script = dir.Write("devices.txt", "keyboard\nmouse\ndevice-unready Pad \xc3\xa9\nkey Numpad 1\n");
    const ToolRun r = TborcOnServer({"devices", "--virtual", script});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.size(), 3u);
    EXPECT_EQ(j[0]["name"], "Keyboard");
    EXPECT_EQ(j[0]["ready"], true);
    EXPECT_EQ(j[0]["keys"], 128);
    EXPECT_EQ(j[0]["labels"][0], "Esc");
    EXPECT_EQ(j[0]["labels"][70], "  7") << "key 71 is Numpad 7, shown by the label rule";
    EXPECT_EQ(j[1]["name"], "Mouse");
    EXPECT_EQ(j[1]["labels"][0], "X Axis");
    // Names are code-page bytes: the script's two UTF-8 bytes are two characters.
    EXPECT_EQ(j[2]["name"], "Pad \xc3\x83\xc2\xa9");
    EXPECT_EQ(j[2]["ready"], false);
    EXPECT_EQ(j[2]["labels"], nlohmann::json::array({"  1"}));
}

TEST(TborcDevices, AMidiPortAndTheOscDeviceAreListedAfterTheOthers) {
    TempDir dir;
    const std::string script = dir.Write("devices.txt", "keyboard\nmidi-port Launchpad Mini\n");
    // Port 0: the system picks a free one, so parallel runs never collide.
    const ToolRun r = TborcOnServer({"devices", "--virtual", script, "--osc", "127.0.0.1:0"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.size(), 3u);
    EXPECT_EQ(j[1]["name"], "MIDI: Launchpad Mini");
    EXPECT_EQ(j[1]["keys"], 128);
    EXPECT_EQ(j[1]["labels"][60], "C4");
    EXPECT_EQ(j[2]["name"], "OSC");
    EXPECT_EQ(j[2]["ready"], true);
    EXPECT_EQ(j[2]["labels"][127], "OSC 128");
}

TEST(TborcDevices, AFailedDetectionIsAnError) {
    TempDir dir;
    const ToolRun r = TborcOnServer({"devices", "--virtual", dir.Write("devices.txt", "fail-detect no bus\n")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error Detecting Input Devices: no bus"), std::string::npos) << r.err;
}

TEST(TborcListen, PrintsEveryPressUntilTheTimeIsUp) {
    TempDir dir;
    const std::string script = dir.Write(
        "play.txt", "keyboard\nmouse\nwait-acquire\nevent 1 30 1\nevent 1 30 0\nevent 1 71 1\nevent 2 1 -4\n");
    const ToolRun r = TborcOnServer({"listen", "--seconds", "1", "--virtual", script});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1 30 A\n1 71   7\n2 1 X Axis\n");
}

TEST(TborcListen, RejectsANegativeTime) {
    const ToolRun r = TborcOnServer({"listen", "--seconds", "-2"});
    EXPECT_EQ(r.status, 2);
}

} // namespace
} // namespace tambrel::test
