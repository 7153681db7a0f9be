// tborc layout: Parts 5.1 and 5.3 seen from outside.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "common/Settings.h"
#include "tests/TempDir.h"
#include "tests/TborcRun.h"
#include "tools/tborc/Tborc.h"

namespace tambrel::test {
namespace {

ToolRun Layout(std::vector<std::string> args) {
    args.insert(args.begin(), "layout");
    return Tborc(std::move(args));
}

TEST(TborcLayout, TheDefaultKeyboardAndMouseWithoutSettings) {
    const ToolRun r = Layout({});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = r.Json();
    ASSERT_EQ(j.size(), 2u);
    const nlohmann::json& kb = j[0];
    EXPECT_EQ(kb["name"], "Keyboard");
    EXPECT_EQ(kb["BoardWidth"], 944);
    EXPECT_EQ(kb["BoardHeight"], 230);
    EXPECT_EQ(kb["surface"], nlohmann::json::array({944, 230}));
    ASSERT_EQ(kb["rows"].size(), 8u);
    EXPECT_EQ(kb["rows"][0], nlohmann::json({{"height", 30}, {"spaceAbove", 5}, {"top", 22}}));
    EXPECT_EQ(kb["rows"][6]["top"], 232) << "row 7 lies below the board";
    ASSERT_EQ(kb["keys"].size(), 128u);
    EXPECT_EQ(kb["keys"][56], nlohmann::json({{"label", "Space"},
                                              {"row", 6},
                                              {"position", 4},
                                              {"width", 250},
                                              {"spaceBefore", 0},
                                              {"left", 160},
                                              {"top", 187},
                                              {"right", 409},
                                              {"bottom", 216}}));
    EXPECT_EQ(kb["keys"][0]["label"], "Esc");
    EXPECT_EQ(kb["keys"][70]["label"], "  7") << "labels as detection cleans them";

    const nlohmann::json& mouse = j[1];
    EXPECT_EQ(mouse["surface"], nlohmann::json::array({330, 60}));
    for (int k = 0; k < 8; ++k) EXPECT_EQ(mouse["keys"][k]["left"], 6 + 60 * k);
    EXPECT_EQ(mouse["keys"][5]["right"], 365) << "past the 330-pixel board";
    EXPECT_EQ(mouse["keys"][0]["label"], "X Axis");
}

TEST(TborcLayout, DevicesInTheOrderGivenAndOthersGetTheGrid) {
    const ToolRun r = Layout({"--device", "Pad:20", "--device", "Keyboard:104", "--device", "Empty:0"});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = r.Json();
    ASSERT_EQ(j.size(), 3u);
    EXPECT_EQ(j[0]["name"], "Pad");
    EXPECT_EQ(j[0]["BoardWidth"], 590);
    EXPECT_EQ(j[0]["BoardHeight"], 90);
    EXPECT_EQ(j[0]["keys"][0]["label"], "");
    EXPECT_EQ(j[1]["rows"].size(), 8u) << "a 104-key keyboard: 14 per row";
    EXPECT_EQ(j[1]["BoardHeight"], 270);
    EXPECT_EQ(j[2]["keys"].size(), 0u);
    EXPECT_EQ(j[2]["surface"], nlohmann::json::array({500, 200}));
}

TEST(TborcLayout, TheSettingsNameTheKeyboardAndMouseAndHoldLayouts) {
    TempDir dir;
    const std::string ini =
        dir.Write("t.ini", "[KeyBoard]\nLangName=AT Keyboard\n[Mouse]\nLangName=Maus\n"
                           "[Pad]\nKey1=1,1,50,0\nKey2=1,2,50,5\nRowHeight=1;10,120\nBoardWidth=60\n"
                           "BoardHeight=80\n");
    const ToolRun r = Layout({"--settings", ini, "--device", "AT Keyboard:128", "--device", "Keyboard:128", "--device",
                              "Maus:3", "--device", "Pad:2"});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = r.Json();
    EXPECT_EQ(j[0]["BoardWidth"], 944);
    EXPECT_EQ(j[1]["BoardWidth"], 590) << "named Keyboard, but not this computer's keyboard";
    EXPECT_EQ(j[2]["BoardWidth"], 330);
    EXPECT_EQ(j[3]["BoardWidth"], 500) << "60 reads as 500";
    EXPECT_EQ(j[3]["BoardHeight"], 80);
    EXPECT_EQ(j[3]["rows"][0], nlohmann::json({{"height", 18}, {"spaceAbove", 100}, {"top", 117}}));
    EXPECT_EQ(j[3]["keys"][1]["left"], 55);
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(TborcLayout, WriteStoresWhatItShowsAndItReadsBack) {
    TempDir dir;
    const std::string ini = dir.Write("t.ini", "[Pad]\nKey1=1,1,50,0\nKey2=1,1,50,0\nRowHeight=1;30,0\n");
    const ToolRun first = Layout({"--settings", ini, "--device", "Pad:2", "--write"});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.Json()[0]["keys"][1]["row"], 2) << "the clash is repaired";
    const Settings s(ini);
    EXPECT_EQ(s.ReadSetting("Pad", "Key2", ""), "2,1,50,0");
    EXPECT_EQ(s.ReadSetting("Pad", "RowHeight", ""), "2;30,0;20,0");
    EXPECT_EQ(s.ReadSetting("Pad", "BoardWidth", ""), "500");
    const ToolRun again = Layout({"--settings", ini, "--device", "Pad:2"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, first.out);
}

TEST(TborcLayout, ALayoutOfManyRowsSurvivesARestart) {
    TempDir dir;
    const std::string script = dir.Write("rows.txt", "reset rectangle 1\ndrag-width 300\nok\n");
    const std::string ini = dir.File("t.ini");
    const ToolRun first = Layout({"--settings", ini, "--device", "Pad:30", "--edit", "Pad:" + script, "--write"});
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(first.Json()[0]["rows"].size(), 30u);
    const ToolRun again = Layout({"--settings", ini, "--device", "Pad:30"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.Json()[0]["rows"].size(), 30u);
    EXPECT_EQ(again.Json()[0]["BoardWidth"], 300);
}

TEST(TborcLayout, AnEditScriptMovesAndSizesKeys) {
    TempDir dir;
    // Pad:8 gets the grid: one row, keys 40 wide from x = 10, row 1 from y = 20.
    const std::string script = dir.Write("edit.txt", "# key 3, then to the second row\n"
                                                     "select-right 100 30\n"
                                                     "move down\n"
                                                     "\n"
                                                     "width 19.5\n"
                                                     "row-height abc\n"
                                                     "space-before 600\n"
                                                     "select 20 30\n"
                                                     "move right\n"
                                                     "space-above   7  \n"
                                                     "drag-height 60\n"
                                                     "ok\n");
    const ToolRun r = Layout({"--device", "Pad:8", "--edit", "Pad:" + script});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json l = r.Json()[0];
    ASSERT_EQ(l["rows"].size(), 2u);
    EXPECT_EQ(l["rows"][1], nlohmann::json({{"height", 30}, {"spaceAbove", 3}, {"top", 57}}))
        << "the new row copies the last one; row 1 has 7 above it now";
    EXPECT_EQ(l["rows"][0]["spaceAbove"], 7);
    const nlohmann::json& k3 = l["keys"][2];
    EXPECT_EQ(k3["row"], 2);
    EXPECT_EQ(k3["position"], 1);
    EXPECT_EQ(k3["width"], 20);
    EXPECT_EQ(k3["spaceBefore"], 200);
    EXPECT_EQ(l["keys"][0]["position"], 2);
    EXPECT_EQ(l["keys"][1]["position"], 1);
    EXPECT_EQ(l["keys"][3]["position"], 3) << "row 1 closed up";
    EXPECT_EQ(l["BoardHeight"], 100);
}

TEST(TborcLayout, CancelOrNoOkKeepsNothing) {
    TempDir dir;
    const ToolRun plain = Layout({"--device", "Pad:8"});
    for (const char* end : {"cancel\n", ""}) {
        const std::string script = dir.Write("edit.txt", std::string("select 20 30\nmove down\ndrag-width 900\n"
                                                                     "reset rectangle 2\n") +
                                                             end);
        const ToolRun r = Layout({"--device", "Pad:8", "--edit", "1:" + script});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, plain.out) << "ending with '" << end << "'";
    }
}

TEST(TborcLayout, MessageBoxesGoToStandardError) {
    TempDir dir;
    const std::string script = dir.Write("edit.txt", "reset rectangle 0\nreset rectangle\nok\n");
    const ToolRun r = Layout({"--device", "Pad:8", "--edit", "Pad:" + script});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Tambrel Orchestra: Number of keys invalid\n");
}

TEST(TborcLayout, TooManyRows) {
    TempDir dir;
    // 100 rows of one key: key 100's row starts at 17 + 3 + 99 * 30.
    const std::string script = dir.Write("edit.txt", "reset rectangle 1\nselect 30 3000\nmove down\nok\n");
    const ToolRun r = Layout({"--device", "Pad:100", "--edit", "Pad:" + script});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Tambrel Orchestra: Too many rows\n");
    EXPECT_EQ(r.Json()[0]["rows"].size(), 100u);
}

TEST(TborcLayout, SeveralEditsRunInOrderOnTheirDevices) {
    TempDir dir;
    const std::string mouse = dir.Write("m.txt", "reset rectangle 4\nok\n");
    const std::string pad = dir.Write("p.txt", "reset mouse\nok\n");
    const ToolRun r =
        Layout({"--device", "Mouse:8", "--device", "Pa:d:3", "--edit", "Mouse:" + mouse, "--edit", "Pa:d:" + pad});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Json()[0]["BoardWidth"], 190);
    EXPECT_EQ(r.Json()[1]["name"], "Pa:d");
    EXPECT_EQ(r.Json()[1]["BoardWidth"], 330);
}

TEST(TborcLayout, AMidiPortIsResetToItsNotesAfterAnEdit) {
    TempDir dir;
    const std::string plain = dir.Write("plain.txt", "ok\n");
    const std::string edit = dir.Write("edit.txt", "reset rectangle 16\nreset notes\nok\n");
    const ToolRun before = Layout({"--device", "MIDI: Pads:128", "--edit", "MIDI: Pads:" + plain});
    const ToolRun after = Layout({"--device", "MIDI: Pads:128", "--edit", "MIDI: Pads:" + edit});
    ASSERT_EQ(before.status, 0) << before.err;
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(after.Json()[0]["rows"].size(), 11u);
    EXPECT_EQ(after.Json(), before.Json());
}

struct Failure {
    const char* name;
    std::string script; // the edit script; empty: none
    std::vector<std::string> args;
    int status;
    std::string message;
};

class TborcLayoutFailures : public ::testing::TestWithParam<Failure> {};

TEST_P(TborcLayoutFailures, SayWhatIsWrong) {
    TempDir dir;
    dir.Write("ok.ini", "[Pad]\n");
    std::filesystem::create_directory(dir.File("folder.ini"));
    std::vector<std::string> args{"--device", "Pad:8"};
    if (!GetParam().script.empty()) {
        args.push_back("--edit");
        args.push_back("Pad:" + dir.Write("s.txt", GetParam().script));
    }
    for (std::string a : GetParam().args) {
        const std::size_t at = a.find("DIR/");
        if (at != std::string::npos) a.replace(at, 4, dir.Path() + "/");
        args.push_back(a);
    }
    const ToolRun r = Layout(args);
    EXPECT_EQ(r.status, GetParam().status) << r.err;
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TborcLayoutFailures,
    ::testing::Values(
        Failure{"UnknownCommand", "select 20 30\njump\n", {}, 1, "s.txt:2: unknown command 'jump'"},
        Failure{"SelectWantsNumbers", "select 20\n", {}, 1, "s.txt:1: 'select' wants X Y"},
        Failure{"SelectWantsWholeNumbers", "select 2.5 30\n", {}, 1, "s.txt:1:"},
        Failure{"MoveWhere", "select 20 30\nmove away\n", {}, 1, "s.txt:2: 'move' wants up, down, left or right"},
        Failure{"ResetWhat",
                "reset circle\n",
                {},
                1,
                "s.txt:1: 'reset' wants keyboard, mouse, rectangle [ANSWER], notes or osc-keys"},
        Failure{"ResetNotOffered", "reset notes\n", {}, 1, "s.txt:1: this device's reset list has no \"Notes\""},
        Failure{"NoKeySelected", "width 30\n", {}, 1, "s.txt:1: no key is selected"},
        Failure{"MissedTheKeys", "select 5 5\nmove up\n", {}, 1, "s.txt:2: no key is selected"},
        Failure{"AfterOk", "ok\nselect 20 30\n", {}, 1, "s.txt:2: the editor was closed on line 1"},
        Failure{"UnknownDevice", "", {"--edit", "Stick:DIR/s.txt"}, 2, "--edit wants DEVICE:SCRIPT"},
        Failure{"DeviceNumberOutOfRange", "", {"--edit", "2:DIR/s.txt"}, 2, "--edit wants DEVICE:SCRIPT"},
        Failure{"MissingScript", "", {"--edit", "Pad:DIR/none.txt"}, 1, "cannot read the edit script"},
        Failure{"MissingSettings", "", {"--settings", "DIR/none.ini"}, 1, "no such settings file"},
        Failure{"SettingsAFolder", "", {"--settings", "DIR/folder.ini"}, 1, "cannot read the settings file"},
        Failure{"WriteWithoutSettings", "", {"--write"}, 2, "--write needs --settings"},
        Failure{"WriteIntoNoFolder", "", {"--settings", "DIR/no/t.ini", "--write"}, 1, "cannot make the settings file"},
        Failure{"BadDevice", "", {"--device", "Pad"}, 2, "--device wants NAME:KEYS"}),
    [](const auto& info) { return info.param.name; });

TEST(TborcLayout, AScriptWithWindowsLineEndsAndCommentsReads) {
    TempDir dir;
    const std::string script = dir.Write("edit.txt", "# comment\r\n   # indented comment\r\n\r\nselect 20 30\r\n"
                                                     "width 60\r\nok\r\n");
    const ToolRun r = Layout({"--device", "Pad:8", "--edit", "Pad:" + script});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Json()[0]["keys"][0]["width"], 60);
}

TEST(TborcDevicesSettings, AMissingSettingsFileIsAnError) {
    TempDir dir;
    const std::string missing = dir.File("none.ini");
    for (const char* command : {"devices", "listen"}) {
        const char* argv[] = {"tborc", command, "--settings", missing.c_str()};
        std::ostringstream out, err;
        EXPECT_EQ(RunTborc(4, argv, out, err), 1) << command;
        EXPECT_NE(err.str().find("no such settings file"), std::string::npos) << err.str();
    }
}

} // namespace
} // namespace tambrel::test
