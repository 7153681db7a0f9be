// Reading, writing and building the devices' key layouts.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "boards/DeviceLayouts.h"
#include "boards/LayOutBoard.h"
#include "common/NumberText.h"
#include "common/ProfileFile.h"
#include "common/Settings.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

using Entries = std::map<std::string, std::string>;

std::string Ini(const std::string& section, const Entries& entries) {
    std::string text = "[" + section + "]\n";
    for (const auto& [k, v] : entries) text += k + "=" + v + "\n";
    return text;
}

// A valid stored layout that is none of the defaults: keys split over two
// rows, 30 wide with 1 before, rows 30/3 and 30/0, board 400 x 120.
Entries StoredTwoRows(int keys) {
    Entries e;
    const int half = (keys + 1) / 2;
    for (int k = 1; k <= keys; ++k) {
        const int row = k <= half ? 1 : 2;
        const int pos = row == 1 ? k : k - half;
        e["Key" + IntText(k)] = IntText(row) + "," + IntText(pos) + ",30,1";
    }
    e["RowHeight"] = keys > 1 ? "2;30,3;30,0" : "1;30,3";
    e["BoardWidth"] = "400";
    e["BoardHeight"] = "120";
    return e;
}

struct LayoutRig {
    TempDir dir;
    TestState t;
    Settings settings{dir.File("TambrelOrchestra.ini")};

    explicit LayoutRig(std::vector<std::pair<std::string, int>> devices = {{"Keyboard", 128}, {"Mouse", 8}})
        : t(std::move(devices)) {}
    void Store(const std::string& section, const Entries& e) { dir.Write("TambrelOrchestra.ini", Ini(section, e)); }
    DeviceLayout& Read(std::int32_t d) {
        ReadDeviceLayout(t.st, settings, d);
        return Layout(d);
    }
    DeviceLayout& Layout(std::int32_t d) { return t.st.InputDevices[static_cast<std::size_t>(d - 1)].Layout; }
};

void ExpectRowsMatchCount(const DeviceLayout& l) { EXPECT_EQ(l.Rows.size(), static_cast<std::size_t>(l.RowCount)); }

// ---- the defaults -------------------------------------------------------

TEST(KeyboardDefault, A128KeyKeyboardWithNoSectionGetsThePcTable) {
    LayoutRig rig;
    DeviceLayout& l = rig.Read(1);
    EXPECT_EQ(l.BoardWidth, 944);
    EXPECT_EQ(l.BoardHeight, 230);
    EXPECT_EQ(l.RowCount, 8);
    ExpectRowsMatchCount(l);
    const std::vector<LayoutRow> rows{{30, 5}, {30, 15}, {30, 0}, {30, 0}, {30, 0}, {30, 0}, {18, 15}, {18, 0}};
    EXPECT_EQ(l.Rows, rows);
    EXPECT_EQ(l.Keys[56].Width, 250) << "key 57, the space bar";
    EXPECT_EQ(l.Keys[56].Row, 6);
    EXPECT_EQ(l.Keys[56].Position, 4);
    EXPECT_EQ(l.Keys[74].SpaceBefore, 160) << "key 75 stands after the gap over the arrow keys";
    EXPECT_TRUE(rig.t.shell.messages.empty()) << "a missing layout is never reported";

    const BoardPicture pic = LayOutBoard(l, {}, 0);
    EXPECT_EQ(pic.Width, 944);
    EXPECT_EQ(pic.Height, 230);
    EXPECT_EQ(RowTops(l)[6], 232) << "row 7 starts below the visible board";
    EXPECT_GT(l.Keys[83].Top, l.BoardHeight) << "key 84 (row 7)";
    EXPECT_GT(l.Keys[116].Top, l.BoardHeight) << "key 117 (row 8)";
    // Row 6: 29 (50; 10), 114 (50), 56 (50), 57 (250).
    EXPECT_EQ(l.Keys[56].Left, 160);
    EXPECT_EQ(l.Keys[56].Right, 409);
    EXPECT_EQ(l.Keys[58].Left, 90) << "key 59 (F1) after Esc and 40 of space";
}

TEST(KeyboardDefault, EveryKeyHasItsOwnPlace) {
    LayoutRig rig;
    DeviceLayout& l = rig.Read(1);
    std::map<std::pair<int, int>, int> places;
    std::vector<int> perRow(9, 0);
    for (std::size_t k = 0; k < l.Keys.size(); ++k) {
        EXPECT_TRUE(places.emplace(std::make_pair(l.Keys[k].Row, l.Keys[k].Position), static_cast<int>(k + 1)).second)
            << "key " << k + 1;
        ++perRow[static_cast<std::size_t>(l.Keys[k].Row)];
    }
    EXPECT_EQ(perRow, (std::vector<int>{0, 16, 21, 21, 16, 16, 14, 12, 12}));
}

TEST(KeyboardDefault, AKeyboardWithout128KeysGetsThe14PerRowGrid) {
    LayoutRig rig({{"Keyboard", 104}, {"Mouse", 8}});
    DeviceLayout& l = rig.Read(1);
    EXPECT_EQ(l.RowCount, 8);
    EXPECT_EQ(l.BoardWidth, 590);
    EXPECT_EQ(l.BoardHeight, 270);
    ExpectRowsMatchCount(l);
}

TEST(MouseDefault, An8KeyMouseWithNoSection) {
    LayoutRig rig;
    DeviceLayout& l = rig.Read(2);
    EXPECT_EQ(l.BoardWidth, 330);
    EXPECT_EQ(l.BoardHeight, 60);
    ASSERT_EQ(l.RowCount, 1);
    EXPECT_EQ(l.Rows, (std::vector<LayoutRow>{{25, 2}}));
    LayOutBoard(l, {}, 0);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(l.Keys[static_cast<std::size_t>(k)].Left, 6 + 60 * k) << "key " << k + 1;
        EXPECT_EQ(l.Keys[static_cast<std::size_t>(k)].Width, 60);
    }
    EXPECT_GT(l.Keys[5].Right, 330) << "the sixth key reaches past the board and is clipped";
    EXPECT_LE(l.Keys[4].Right, 330);
}

TEST(MouseDefault, AMouseWithoutKeysReportsTheErrorAndKeepsWhatWasSet) {
    LayoutRig rig({{"Keyboard", 128}, {"Mouse", 0}});
    BuildMouseLayout(rig.t.st, 2);
    ASSERT_EQ(rig.t.shell.messages.size(), 1u);
    EXPECT_EQ(rig.t.shell.messages[0].text, "Subscript out of range");
    EXPECT_EQ(rig.t.shell.messages[0].title, "Error Initilizing mouse key layout");
    EXPECT_EQ(rig.Layout(2).BoardWidth, 330);
    EXPECT_EQ(rig.Layout(2).RowCount, 1);
    ExpectRowsMatchCount(rig.Layout(2));
}

TEST(RectangularDefault, TwelvePerRowOnTwentyKeys) {
    LayoutRig rig({{"Pad", 20}});
    BuildRectangularLayout(rig.t.st, 1, 12);
    const DeviceLayout& l = rig.Layout(1);
    EXPECT_EQ(l.RowCount, 2);
    EXPECT_EQ(l.BoardWidth, 510);
    EXPECT_EQ(l.BoardHeight, 90);
    EXPECT_EQ(l.Rows, (std::vector<LayoutRow>{{30, 3}, {30, 0}}));
    for (int k = 1; k <= 20; ++k) {
        const LayoutKey& key = l.Keys[static_cast<std::size_t>(k - 1)];
        EXPECT_EQ(key.Row, k <= 12 ? 1 : 2) << k;
        EXPECT_EQ(key.Position, k <= 12 ? k : k - 12) << k;
        EXPECT_EQ(key.Width, 40);
        EXPECT_EQ(key.SpaceBefore, key.Position == 1 ? 10 : 0) << k;
    }
}

TEST(RectangularDefault, AnExactMultipleAddsNoRow) {
    LayoutRig rig({{"Pad", 24}});
    BuildRectangularLayout(rig.t.st, 1, 12);
    EXPECT_EQ(rig.Layout(1).RowCount, 2);
    EXPECT_EQ(rig.Layout(1).BoardHeight, 90);
}

TEST(RectangularDefault, ZeroKeysPerRowIsReportedAndChangesNothing) {
    LayoutRig rig({{"Pad", 20}});
    BuildRectangularLayout(rig.t.st, 1, 5);
    const DeviceLayout before = rig.Layout(1);
    BuildRectangularLayout(rig.t.st, 1, 0);
    ASSERT_EQ(rig.t.shell.messages.size(), 1u);
    EXPECT_EQ(rig.t.shell.messages[0].text, "Division by zero");
    EXPECT_EQ(rig.t.shell.messages[0].title, "Error Initilizing rectangular layout");
    EXPECT_EQ(rig.Layout(1), before);
}

// ---- reading --------------------------------------------------------------

TEST(ReadDeviceLayout, AValidStoredLayoutIsReadAsStored) {
    LayoutRig rig({{"Pad", 6}});
    rig.Store("Pad", StoredTwoRows(6));
    const DeviceLayout& l = rig.Read(1);
    EXPECT_EQ(l.BoardWidth, 400);
    EXPECT_EQ(l.BoardHeight, 120);
    EXPECT_EQ(l.RowCount, 2);
    EXPECT_EQ(l.Rows, (std::vector<LayoutRow>{{30, 3}, {30, 0}}));
    EXPECT_EQ(l.Keys[4].Row, 2);
    EXPECT_EQ(l.Keys[4].Position, 2);
    EXPECT_EQ(l.Keys[4].Width, 30);
    EXPECT_EQ(l.Keys[4].SpaceBefore, 1);
}

TEST(ReadDeviceLayout, TheSectionNameIsExactlyTheDeviceName) {
    LayoutRig rig({{"Game Pad 2", 4}});
    rig.Store("Game Pad 2", StoredTwoRows(4));
    EXPECT_EQ(rig.Read(1).BoardWidth, 400);
}

struct SizeCase {
    const char* name;
    const char* key;
    const char* value;
    int width, height;
};

class BoardSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(BoardSizes, AreCheckedOnReading) {
    LayoutRig rig({{"Pad", 6}});
    Entries e = StoredTwoRows(6);
    e[GetParam().key] = GetParam().value;
    rig.Store("Pad", e);
    const DeviceLayout* l = nullptr;
    EXPECT_NO_THROW(l = &rig.Read(1));
    EXPECT_EQ(l->BoardWidth, GetParam().width);
    EXPECT_EQ(l->BoardHeight, GetParam().height);
    EXPECT_EQ(l->RowCount, 2) << "the board size does not make the layout invalid";
}

INSTANTIATE_TEST_SUITE_P(Cases, BoardSizes,
                         ::testing::Values(SizeCase{"Width60Is500", "BoardWidth", "60", 500, 120},
                                           SizeCase{"Width99Is500", "BoardWidth", "99", 500, 120},
                                           SizeCase{"Width100Stays", "BoardWidth", "100", 100, 120},
                                           SizeCase{"WidthTextIs500", "BoardWidth", "wide", 500, 120},
                                           SizeCase{"WidthHalfToEven", "BoardWidth", "150.5", 150, 120},
                                           SizeCase{"WidthTooLargeIs500", "BoardWidth", "1e12", 500, 120},
                                           SizeCase{"WidthTooSmallIs500", "BoardWidth", "-1e12", 500, 120},
                                           SizeCase{"Height49Is200", "BoardHeight", "49", 400, 200},
                                           SizeCase{"Height50Stays", "BoardHeight", "50", 400, 50},
                                           SizeCase{"HeightTooLargeIs200", "BoardHeight", "1e12", 400, 200}),
                         [](const auto& info) { return info.param.name; });

TEST(ReadDeviceLayout, MissingBoardSizesTakeTheirDefaults) {
    LayoutRig rig({{"Pad", 6}});
    Entries e = StoredTwoRows(6);
    e.erase("BoardWidth");
    e.erase("BoardHeight");
    rig.Store("Pad", e);
    EXPECT_EQ(rig.Read(1).BoardWidth, 500);
    EXPECT_EQ(rig.Layout(1).BoardHeight, 200);
}

struct RowCase {
    const char* name;
    const char* value;
    std::vector<LayoutRow> rows;
};

class RowClamps : public ::testing::TestWithParam<RowCase> {};

TEST_P(RowClamps, HeightsAndSpacesAreClampedNotRejected) {
    LayoutRig rig({{"Pad", 6}});
    Entries e = StoredTwoRows(6);
    e["RowHeight"] = GetParam().value;
    rig.Store("Pad", e);
    EXPECT_EQ(rig.Read(1).Rows, GetParam().rows);
    EXPECT_EQ(rig.Layout(1).BoardWidth, 400) << "still the stored layout";
}

INSTANTIATE_TEST_SUITE_P(Cases, RowClamps,
                         ::testing::Values(RowCase{"Height10Is18", "2;10,3;30,0", {{18, 3}, {30, 0}}},
                                           RowCase{"Height150Is100", "2;150,3;30,0", {{100, 3}, {30, 0}}},
                                           RowCase{"Space120Is100", "2;30,120;30,0", {{30, 100}, {30, 0}}},
                                           RowCase{"NegativeSpaceIs0", "2;30,-4;30,0", {{30, 0}, {30, 0}}},
                                           RowCase{"TextHeightIs18", "2;tall,3;30,0", {{18, 3}, {30, 0}}},
                                           RowCase{"HalvesToEven", "2;30.5,2.5;31.5,0", {{30, 2}, {32, 0}}},
                                           RowCase{"BlanksAreRead", "2; 30 , 3;30,0", {{30, 3}, {30, 0}}}),
                         [](const auto& info) { return info.param.name; });

// One entry spoils the whole stored layout; the default replaces it for the
// keyboard and the mouse and, a mend, for every other device too.
struct Spoiler {
    const char* name;
    const char* key;
    const char* value; // nullptr: the entry is missing
};

class SpoiltLayouts : public ::testing::TestWithParam<Spoiler> {};

TEST_P(SpoiltLayouts, GiveTheDefaultOfTheDevice) {
    struct Device {
        std::string name;
        int keys, width, height;
    };
    for (const Device& dev :
         {Device{"Keyboard", 128, 944, 230}, Device{"Mouse", 8, 330, 60}, Device{"Pad", 8, 590, 60}}) {
        SCOPED_TRACE(dev.name);
        LayoutRig rig({{"Keyboard", 128}, {"Mouse", 8}, {"Pad", 8}});
        Entries e = StoredTwoRows(dev.keys);
        if (GetParam().value) e[GetParam().key] = GetParam().value;
        else e.erase(GetParam().key);
        rig.Store(dev.name, e);
        const std::int32_t d = dev.name == "Keyboard" ? 1 : dev.name == "Mouse" ? 2 : 3;
        const DeviceLayout* l = nullptr;
        EXPECT_NO_THROW(l = &rig.Read(d));
        EXPECT_EQ(l->BoardWidth, dev.width);
        EXPECT_EQ(l->BoardHeight, dev.height);
        ExpectRowsMatchCount(*l);
        for (const LayoutKey& k : l->Keys) EXPECT_GE(k.Width, 40) << "every key can be seen";
        EXPECT_TRUE(rig.t.shell.messages.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpoiltLayouts,
    ::testing::Values(
        Spoiler{"Width19", "Key3", "1,3,19,1"}, Spoiler{"Width501", "Key3", "1,3,501,1"},
        Spoiler{"Row0", "Key3", "0,3,30,1"}, Spoiler{"Row101", "Key3", "101,3,30,1"},
        Spoiler{"Position0", "Key3", "1,0,30,1"}, Spoiler{"Position201", "Key3", "1,201,30,1"},
        Spoiler{"SpaceNegative", "Key3", "1,3,30,-1"}, Spoiler{"Space501", "Key3", "1,3,30,501"},
        Spoiler{"ThreeFields", "Key3", "1,3,30"}, Spoiler{"FiveFields", "Key3", "1,3,30,1,0"},
        Spoiler{"TextRow", "Key3", "one,3,30,1"}, Spoiler{"KeyMissing", "Key3", nullptr},
        Spoiler{"LastKeyMissing", "Key8", nullptr}, Spoiler{"RowTooLarge", "Key3", "1e12,3,30,1"},
        Spoiler{"SpaceTooLarge", "Key3", "1,3,30,1e12"},
        Spoiler{"CountAboveRowsOfKeys", "RowHeight", "3;30,3;30,0;30,0"},
        Spoiler{"CountStartsWith3", "RowHeight", "3;30,3;30,0"}, Spoiler{"TooFewRows", "RowHeight", "2;30,3"},
        Spoiler{"TooManyRows", "RowHeight", "2;30,3;30,0;30,0"}, Spoiler{"RowOfOneNumber", "RowHeight", "2;30;30,0"},
        Spoiler{"RowOfThreeNumbers", "RowHeight", "2;30,3,1;30,0"},
        Spoiler{"RowHeightTooLarge", "RowHeight", "2;1e12,3;30,0"},
        Spoiler{"CountTooLarge", "RowHeight", "1e12;30,3;30,0"}, Spoiler{"RowHeightMissing", "RowHeight", nullptr}),
    [](const auto& info) { return info.param.name; });

TEST(ReadDeviceLayout, AGameControllerWithNoSectionGetsThe14PerRowGridAtOnce) {
    // The mend: its keys would otherwise keep width 0 and could not be seen or clicked.
    LayoutRig rig({{"Keyboard", 128}, {"Mouse", 8}, {"Joystick", 30}});
    DeviceLayout& l = rig.Read(3);
    EXPECT_EQ(l.RowCount, 3);
    EXPECT_EQ(l.BoardWidth, 590);
    EXPECT_EQ(l.BoardHeight, 120);
    ExpectRowsMatchCount(l);
    LayOutBoard(l, {}, 0);
    EXPECT_EQ(HitKey(l, 20, 30), 1) << "its first key can be clicked";
}

TEST(ReadDeviceLayout, TheSystemKeyboardAndMouseAreTheOnesDetectionNamed) {
    LayoutRig rig({{"AT Keyboard", 128}, {"Keyboard", 128}, {"Maus", 8}});
    rig.t.st.KeyboardName = "AT Keyboard";
    rig.t.st.MouseName = "Maus";
    EXPECT_EQ(rig.Read(1).BoardWidth, 944);
    EXPECT_EQ(rig.Read(2).BoardWidth, 590) << "a device named Keyboard that is not the keyboard";
    EXPECT_EQ(rig.Read(3).BoardWidth, 330);
}

TEST(ReadDeviceLayout, ADeviceWithoutKeysAndNoSectionHasNoRows) {
    LayoutRig rig({{"Pad", 0}});
    const DeviceLayout& l = rig.Read(1);
    EXPECT_EQ(l.RowCount, 0);
    EXPECT_TRUE(l.Rows.empty());
    EXPECT_EQ(l.BoardWidth, 500);
    EXPECT_EQ(l.BoardHeight, 200);
}

TEST(ReadDeviceLayout, AnUnknownDeviceNumberIsIgnored) {
    LayoutRig rig;
    EXPECT_NO_THROW(ReadDeviceLayout(rig.t.st, rig.settings, 0));
    EXPECT_NO_THROW(ReadDeviceLayout(rig.t.st, rig.settings, 3));
}

TEST(ReadDeviceLayout, ReadingAgainStartsFromNoRows) {
    LayoutRig rig({{"Pad", 6}});
    BuildRectangularLayout(rig.t.st, 1, 1); // 6 rows in memory
    rig.Store("Pad", StoredTwoRows(6));
    EXPECT_EQ(rig.Read(1).RowCount, 2);
    ExpectRowsMatchCount(rig.Layout(1));
}

// ---- writing and reading back ---------------------------------------------

TEST(WriteDeviceLayout, WritesKeysThenRowsThenHeightThenWidth) {
    LayoutRig rig({{"Pad", 3}});
    BuildRectangularLayout(rig.t.st, 1, 2);
    WriteDeviceLayout(rig.t.st, rig.settings, 1);
    EXPECT_EQ(TempDir::Read(rig.settings.Path()),
              "[Pad]\nKey1=1,1,40,10\nKey2=1,2,40,0\nKey3=2,1,40,10\nRowHeight=2;30,3;30,0\nBoardHeight=90\n"
              "BoardWidth=110\n");
}

TEST(WriteDeviceLayout, WhatIsWrittenReadsBackTheSame) {
    LayoutRig rig;
    for (std::int32_t d : {1, 2}) rig.Read(d);
    // Change it as the editor may: another size, a moved key.
    rig.Layout(1).BoardWidth = 1000;
    rig.Layout(1).Keys[0].Row = 3;
    rig.Layout(1).Keys[0].Position = 30;
    for (std::int32_t d : {1, 2}) WriteDeviceLayout(rig.t.st, rig.settings, d);
    LayoutRig again;
    again.dir.Write("TambrelOrchestra.ini", TempDir::Read(rig.settings.Path()));
    for (std::int32_t d : {1, 2}) {
        const DeviceLayout& a = rig.Layout(d);
        const DeviceLayout& b = again.Read(d);
        EXPECT_EQ(a.BoardWidth, b.BoardWidth);
        EXPECT_EQ(a.BoardHeight, b.BoardHeight);
        EXPECT_EQ(a.Rows, b.Rows);
        for (std::size_t k = 0; k < a.Keys.size(); ++k) {
            EXPECT_EQ(a.Keys[k].Row, b.Keys[k].Row);
            EXPECT_EQ(a.Keys[k].Position, b.Keys[k].Position);
            EXPECT_EQ(a.Keys[k].Width, b.Keys[k].Width);
            EXPECT_EQ(a.Keys[k].SpaceBefore, b.Keys[k].SpaceBefore);
        }
    }
}

TEST(WriteDeviceLayout, ALayoutOfTwentyFiveRowsSurvivesARestart) {
    // Its "RowHeight" line is longer than the 99 characters other settings keep.
    LayoutRig rig({{"Pad", 25}});
    BuildRectangularLayout(rig.t.st, 1, 1);
    rig.Layout(1).Rows[24] = {45, 7};
    rig.Layout(1).BoardWidth = 300;
    WriteDeviceLayout(rig.t.st, rig.settings, 1);
    ASSERT_GT(rig.settings.ReadSettingUncut("Pad", "RowHeight", "").size(), 99u);

    LayoutRig again({{"Pad", 25}});
    again.dir.Write("TambrelOrchestra.ini", TempDir::Read(rig.settings.Path()));
    const DeviceLayout& l = again.Read(1);
    EXPECT_EQ(l.RowCount, 25);
    EXPECT_EQ(l.Rows, rig.Layout(1).Rows);
    EXPECT_EQ(l.BoardWidth, 300) << "the stored layout, not the 14-per-row default";
}

TEST(WriteDeviceLayout, AClashRepairedByLayOutBoardIsSavedWhereItWasPut) {
    LayoutRig rig({{"Pad", 4}});
    Entries e = StoredTwoRows(4); // keys 1, 2 in row 1; 3, 4 in row 2
    e["Key4"] = "2,1,30,1";       // key 4 on key 3's place
    rig.Store("Pad", e);
    DeviceLayout& l = rig.Read(1);
    LayOutBoard(l, {}, 0);
    EXPECT_EQ(l.Keys[2].Row, 2) << "the lower index keeps the place";
    EXPECT_EQ(l.Keys[3].Row, 3);
    EXPECT_EQ(l.Keys[3].Position, 1);
    EXPECT_EQ(l.RowCount, 3);
    EXPECT_EQ(l.Rows[2], (LayoutRow{20, 0}));
    WriteDeviceLayout(rig.t.st, rig.settings, 1);
    EXPECT_EQ(rig.settings.ReadSetting("Pad", "Key4", ""), "3,1,30,1");
    EXPECT_EQ(rig.settings.ReadSetting("Pad", "RowHeight", ""), "3;30,3;30,0;20,0");
}

} // namespace
} // namespace tambrel::test
