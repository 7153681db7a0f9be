#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "common/Settings.h"
#include "common/VirtualClock.h"
#include "input/InputProtocol.h"
#include "input/InputSystem.h"
#include "recording/KeystrokeRecorder.h"
#include "tests/FakeInputLink.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

using Play = std::tuple<int, int, int>; // key, Sub Board, Play Board

struct InputRig {
    TestState t;
    FakeLink* link = nullptr;
    InputSystem input{t.st, [this] {
                          auto l = std::make_unique<FakeLink>();
                          l->reply = reply;
                          l->server = server;
                          link = l.get();
                          return l;
                      }};
    std::vector<std::int32_t> reply;
    bool server = true;
    std::vector<Play> played;

    TestInputClient client;

    InputRig() {
        client.playKey = [this](KeyAddress a) {
            played.emplace_back(a.key.value, a.subBoard.value, a.playBoard.value);
        };
        input.SetClient(&client);
    }
    void Press(std::int32_t key, std::int32_t device) {
        auto* l = static_cast<FakeLink*>(input.Bridge());
        ASSERT_TRUE(l && l->Heard());
        l->Press(key, device); // as the bridge delivers an event
    }
};

struct LabelCase {
    const char* name;
    std::string in, out;
};

class KeyLabels : public ::testing::TestWithParam<LabelCase> {};

TEST_P(KeyLabels, NumpadBecomesTwoSpaces) { EXPECT_EQ(CleanKeyLabel(GetParam().in), GetParam().out); }

INSTANTIATE_TEST_SUITE_P(Cases, KeyLabels,
                         ::testing::Values(LabelCase{"Plain", "Numpad 7", "  7"}, LabelCase{"Upper", "NUMPAD 7", "  7"},
                                           LabelCase{"Mixed", "nUmPaD Enter", "  Enter"},
                                           LabelCase{"Inside", "Left Numpad 1", "Left   1"},
                                           LabelCase{"Twice", "numpad numpad 1", "    1"},
                                           LabelCase{"NoBlankAfter", "Numpad", "Numpad"},
                                           LabelCase{"OtherWords", "Keypad 7", "Keypad 7"}, LabelCase{"Empty", "", ""}),
                         [](const auto& info) { return info.param.name; });

TEST(DetectInputDevices, BuildsTheDeviceListFromTheReply) {
    InputRig rig;
    rig.reply = EncodeDetectionReply({{"Keyboard", true, {"Esc", "Numpad 7"}}, {"Mouse", false, {"X Axis"}}});
    std::vector<std::int32_t> layouts;
    rig.client.readDeviceLayout = [&](std::int32_t d) {
        EXPECT_EQ(rig.t.shell.statuses.back(), "Detecting Input Devices")
            << "layouts are read before the status clears";
        layouts.push_back(d);
    };
    rig.input.DetectInputDevices();
    ASSERT_EQ(rig.t.st.DeviceCount(), 2);
    const InputDevice& kb = *rig.t.st.Device(1);
    EXPECT_EQ(kb.Name, "Keyboard");
    EXPECT_TRUE(kb.Ready);
    EXPECT_EQ(kb.KeyCount, 2);
    EXPECT_EQ(kb.KeyLabels, (std::vector<std::string>{"Esc", "  7"}));
    EXPECT_FALSE(rig.t.st.Device(2)->Ready);
    EXPECT_EQ(layouts, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(rig.t.shell.statuses, (std::vector<std::string>{"Detecting Input Devices", " "}));
    EXPECT_TRUE(rig.t.shell.messages.empty());
}

struct BadReply {
    const char* name;
    std::vector<std::int32_t> reply;
};

class DetectionErrors : public ::testing::TestWithParam<BadReply> {};

TEST_P(DetectionErrors, EmptyTheListAndSaySo) {
    InputRig rig;
    rig.reply = GetParam().reply;
    bool layoutRead = false;
    rig.client.readDeviceLayout = [&](std::int32_t) { layoutRead = true; };
    rig.input.DetectInputDevices();
    EXPECT_EQ(rig.t.st.DeviceCount(), 0);
    EXPECT_EQ(rig.t.shell.statuses.back(), "Error Detecting Input Devices");
    EXPECT_FALSE(layoutRead);
}

INSTANTIATE_TEST_SUITE_P(Cases, DetectionErrors,
                         ::testing::Values(BadReply{"OneElement", {0}}, BadReply{"Empty", {}},
                                           BadReply{"CutShort", {0, 1, -1, 1, 2, 8}},
                                           BadReply{"CountTooLarge", {0, 100, 0, 0, 1, 0}}),
                         [](const auto& info) { return info.param.name; });

TEST(DetectInputDevices, WithoutAServerSaysSoOnceAndRunsOn) {
    InputRig rig;
    rig.server = false;
    rig.input.DetectInputDevices();
    rig.input.DetectInputDevices();
    EXPECT_EQ(rig.t.st.DeviceCount(), 0);
    ASSERT_EQ(rig.t.shell.messages.size(), 1u);
    EXPECT_NE(rig.t.shell.messages[0].text.find("TambrelOrchestraDll could not be started"), std::string::npos);
    EXPECT_EQ(rig.t.shell.statuses.back(), "Error Detecting Input Devices");
    EXPECT_TRUE(rig.link->calls.empty());
}

TEST(DetectInputDevices, TellsOnceHowToJoinTheGroupTheUnreadableNodesBelongTo) {
    struct Row {
        const char* group;
        const char* joins; // the command suggested; none when the group is not known
    };
    const Row rows[] = {
        {"input", "sudo usermod -aG input $USER"}, {"plugdev", "sudo usermod -aG plugdev $USER"}, {"", ""}};
    for (const Row& r : rows) {
        InputRig rig;
        rig.reply = EncodeDetectionReply({{"Keyboard", false, {"Esc"}}, {"Mouse", true, {}}});
        rig.input.Bridge();
        rig.link->denied = {"Keyboard"};
        rig.link->deniedGroup = r.group;
        rig.input.DetectInputDevices();
        rig.input.DetectInputDevices();
        ASSERT_EQ(rig.t.shell.messages.size(), 1u) << r.group;
        const std::string& text = rig.t.shell.messages[0].text;
        EXPECT_NE(text.find("Keyboard"), std::string::npos);
        EXPECT_EQ(rig.input.UnreadableGroup(), r.group);
        if (*r.joins) {
            EXPECT_NE(text.find(r.joins), std::string::npos) << text;
            EXPECT_NE(text.find(std::string("the group ") + r.group), std::string::npos) << text;
        } else {
            EXPECT_EQ(text.find("usermod"), std::string::npos) << "no group is suggested that the nodes lack";
        }
        if (std::string(r.group) != "input") {
            EXPECT_EQ(text.find("group input"), std::string::npos) << text;
        }
    }
}

TEST(DetectInputDevices, ThePermissionHelpNamesTheGroupFoundAndTheWindowKeyboard) {
    EXPECT_EQ(PermissionHelpText("input"),
              "Input devices cannot be read: add yourself to the group input (sudo usermod -aG input $USER), then log "
              "out and in again. The window keyboard plays meanwhile.");
    EXPECT_EQ(PermissionHelpText("plugdev").find("input "), std::string::npos);
    EXPECT_EQ(PermissionHelpText(""),
              "Input devices cannot be read by your user. The window keyboard plays meanwhile.");
}

struct NameRig : InputRig {
    TempDir dir;
    Settings settings{dir.File("TambrelOrchestra.ini")};
    std::vector<std::string> asked;
    std::vector<std::vector<std::string>> listed;
    std::deque<std::int32_t> picks;

    NameRig() {
        reply = EncodeDetectionReply({{"Tastatur", true, std::vector<std::string>(128, "k")}, {"Mouse", true, {}}});
        input.settings = &settings;
        client.chooseDevice = [this](std::string_view text, const std::vector<std::string>& entries) {
            asked.emplace_back(text);
            listed.push_back(entries);
            const std::int32_t p = picks.empty() ? 0 : picks.front();
            if (!picks.empty()) picks.pop_front();
            return p;
        };
    }
};

TEST(DetectInputDevices, AsksForTheKeyboardOnceAndRemembersTheChoice) {
    NameRig rig;
    rig.picks = {1};
    rig.input.DetectInputDevices();
    ASSERT_EQ(rig.asked.size(), 1u);
    EXPECT_EQ(rig.asked[0], "Due to language difference \"Keyboard\" could not be located. Please choose the keyboard "
                            "from this list of input devices.");
    EXPECT_EQ(rig.listed[0], (std::vector<std::string>{"1. Tastatur (128 Keys)", "2. Mouse (0 Keys)"}));
    EXPECT_EQ(rig.t.st.KeyboardName, "Tastatur");
    EXPECT_EQ(rig.t.st.MouseName, "Mouse");
    EXPECT_EQ(rig.settings.ReadSetting("KeyBoard", "LangName", "-"), "Tastatur");

    // The next start finds it by the stored name and does not ask.
    rig.input.DetectInputDevices();
    EXPECT_EQ(rig.asked.size(), 1u);
    EXPECT_EQ(rig.t.st.KeyboardName, "Tastatur");
}

TEST(DetectInputDevices, AStandInKeyboardIsNeverAskedForButTheMouseStillIs) {
    NameRig rig;
    rig.input.keyboardStandsIn = true;
    rig.reply = EncodeDetectionReply({{"Tastatur", true, {}}, {"Maus", true, {}}});
    rig.input.DetectInputDevices();
    ASSERT_EQ(rig.asked.size(), 1u);
    EXPECT_NE(rig.asked[0].find("\"Mouse\" could not be located"), std::string::npos);
    EXPECT_EQ(rig.t.st.KeyboardName, "Keyboard");
    EXPECT_EQ(rig.settings.ReadSetting("KeyBoard", "LangName", "none"), "none");
}

TEST(DetectInputDevices, NoChoiceStoresNothingAndAsksAgainNextTime) {
    NameRig rig;
    rig.reply = EncodeDetectionReply({{"Tastatur", true, {}}, {"Maus", true, {}}});
    rig.picks = {0, 7}; // cancelled, then an entry that does not exist
    rig.input.DetectInputDevices();
    ASSERT_EQ(rig.asked.size(), 2u);
    EXPECT_NE(rig.asked[1].find("\"Mouse\" could not be located. Please choose the mouse"), std::string::npos);
    EXPECT_EQ(rig.t.st.KeyboardName, "Keyboard");
    EXPECT_EQ(rig.t.st.MouseName, "Mouse");
    EXPECT_EQ(rig.settings.ReadSetting("KeyBoard", "LangName", "none"), "none");
    EXPECT_EQ(rig.settings.ReadSetting("Mouse", "LangName", "none"), "none");
    rig.input.DetectInputDevices();
    EXPECT_EQ(rig.asked.size(), 4u);
}

TEST(DetectInputDevices, TheListQuestionThroughAnInputBox) {
    FakeShell shell;
    const ChooseDeviceFn ask = DeviceListByInputBox(shell);
    const std::vector<std::string> entries{"1. Tastatur (128 Keys)", "2. Maus (8 Keys)"};
    shell.typed = {"2", " 1 ", "", "3", "0", "1x"};
    EXPECT_EQ(ask("Pick one.", entries), 2);
    EXPECT_EQ(ask("Pick one.", entries), 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ask("Pick one.", entries), 0);
    ASSERT_FALSE(shell.inputs.empty());
    EXPECT_EQ(shell.inputs[0].prompt, "Pick one.\r\n1. Tastatur (128 Keys)\r\n2. Maus (8 Keys)");
    EXPECT_EQ(shell.inputs[0].title, "Input devices found:");
}

TEST(DiAcuireDo, SwitchesTheDevicesAndShowsTheStateWhateverTheOutcome) {
    InputRig rig;
    rig.input.Bridge();
    rig.link->switchOk = false; // failures are ignored
    std::int32_t on = 1, off = 0, other = 5;
    rig.input.DiAcuire_Do(on);
    rig.input.DiAcuire_Do(on);
    rig.input.DiAcuire_Do(off);
    rig.input.DiAcuire_Do(other);
    EXPECT_EQ(rig.link->calls, (std::vector<std::string>{"acquire", "acquire", "unacquire", "unacquire"}));
    std::vector<int> shown;
    for (const notice::ShowInputOnOff& n : rig.t.shell.All<notice::ShowInputOnOff>()) shown.push_back(n.on ? 1 : 0);
    EXPECT_EQ(shown, (std::vector<int>{1, 0, 0})); // shown when the state changes
    EXPECT_EQ(rig.input.OnOffState(), 5);
}

TEST(KeyRouting, EverySubBoardOfTheDeviceOnTheActivePlayBoardPlaysLowestFirst) {
    InputRig rig; // devices 1 Keyboard, 2 Mouse; Play Board 3 active with Sub Boards 1 and 2
    PlayBoard& active = rig.t.st.Orc.Set(3);
    active.Bds.push_back(active.Bds[0]); // Sub Board 3: the keyboard again
    rig.Press(30, 1);
    rig.Press(4, 2);
    rig.Press(9, 3); // a device no Sub Board is bound to
    EXPECT_EQ(rig.played, (std::vector<Play>{{30, 1, 3}, {30, 3, 3}, {4, 2, 3}}));
}

TEST(KeyRouting, ADeviceOfAnotherPlayBoardPlaysNothingButIsRecorded) {
    InputRig rig;
    VirtualClock clock;
    KeystrokeRecorder rec(rig.t.st, clock, rig.client.playKey);
    rig.client.recorder = &rec;
    for (SubBoard& b : rig.t.st.Orc.Set(3).Bds) b.InpDevNo = 0; // only Play Boards 1 and 2 use devices
    rec.StartRecording();
    clock.AdvanceBy(250);
    rig.Press(30, 1);
    rec.StopRecording();
    rig.Press(31, 1); // not recording any more
    EXPECT_TRUE(rig.played.empty());
    const Recording& r = rig.t.st.Orc.Recordings[0];
    ASSERT_EQ(r.count(), 1);
    EXPECT_EQ(r.events[0].KeyNo, 30);
    EXPECT_EQ(r.events[0].InpDvNo, 1);
    EXPECT_FLOAT_EQ(r.events[0].time, 0.25f);
}

TEST(KeyRouting, APlayedKeyThatRemovesSubBoardsEndsTheRoundSafely) {
    InputRig rig;
    PlayBoard& active = rig.t.st.Orc.Set(3);
    active.Bds.push_back(active.Bds[0]);
    rig.client.playKey = [&](KeyAddress a) {
        rig.played.emplace_back(a.key.value, a.subBoard.value, a.playBoard.value);
        rig.t.st.Orc.Set(3).Bds.resize(1); // an action that deletes Sub Boards
    };
    rig.Press(30, 1);
    EXPECT_EQ(rig.played, (std::vector<Play>{{30, 1, 3}}));

    rig.t.st.Orc.CurSet = 0; // no Play Board active
    rig.Press(30, 1);
    EXPECT_EQ(rig.played.size(), 1u);
}

} // namespace
} // namespace tambrel::test
