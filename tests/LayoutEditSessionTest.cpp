// The layout editor's session, headless, with the scripted shell.

#include <gtest/gtest.h>

#include <tuple>
#include <string>
#include <utility>
#include <vector>

#include "boards/DeviceLayouts.h"
#include "boards/LayoutEditSession.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

struct EditRig {
    TestState t;
    LayoutEditSession s{t.st};

    explicit EditRig(std::vector<std::pair<std::string, int>> devices = {{"Keyboard", 128}, {"Mouse", 8}})
        : t(std::move(devices)) {
        for (std::int32_t d = 1; d <= t.st.DeviceCount(); ++d) BuildRectangularLayout(t.st, d, 4);
    }
    DeviceLayout& L(std::int32_t d = 1) { return t.st.InputDevices[static_cast<std::size_t>(d - 1)].Layout; }
    LayoutKey& K(int k, std::int32_t d = 1) { return L(d).Keys[static_cast<std::size_t>(k - 1)]; }
    // Clicks the middle of key k.
    SelectResult Click(int k, MouseButton b = MouseButton::Left) {
        const LayoutKey& key = K(k, s.Device());
        return s.Select((key.Left + key.Right) / 2, (key.Top + key.Bottom) / 2, b);
    }
    std::pair<int, int> Place(int k) { return {K(k, s.Device()).Row, K(k, s.Device()).Position}; }
};

// ---- opening --------------------------------------------------------------

TEST(LayoutEditor, OpeningShowsTheBoardWithTheLinesAtItsEdges) {
    EditRig rig({{"Pad", 10}});
    rig.L().BoardWidth = 150;
    rig.L().BoardHeight = 70;
    ASSERT_TRUE(rig.s.InitilizeForm(1));
    EXPECT_TRUE(rig.s.IsOpen());
    EXPECT_FALSE(rig.s.Accepted());
    EXPECT_EQ(rig.s.SelectedKey(), 0);
    EXPECT_EQ(rig.s.WorkingWidth(), 150);
    EXPECT_EQ(rig.s.WorkingHeight(), 70);
    EXPECT_EQ(rig.s.WidthLineX(), 150);
    EXPECT_EQ(rig.s.HeightLineY(), 110);
    EXPECT_EQ(rig.s.CaptionText(), "Device: Pad");
    EXPECT_EQ(rig.s.Picture().Width, 200) << "the surface keeps LayOutBoard's minimum";
    EXPECT_EQ(rig.s.Picture().Faces.size(), 10u);
    for (const KeyFace& f : rig.s.Picture().Faces) EXPECT_EQ(f.Fill, KeyColour);
}

TEST(LayoutEditor, ThereIsNoOpeningOnADeviceThatIsNotThere) {
    EditRig rig;
    EXPECT_FALSE(rig.s.InitilizeForm(0));
    EXPECT_FALSE(rig.s.InitilizeForm(3));
    EXPECT_FALSE(rig.s.IsOpen());
}

TEST(LayoutEditor, TheWindowHoldsBoardAndLinesButNeverOutgrowsTheScreen) {
    EditRig rig({{"Pad", 10}});
    ASSERT_TRUE(rig.s.InitilizeForm(1)); // 190 x 120 board: surface 200 x 120
    const LayoutEditSession::WindowExtent fits = rig.s.WindowSize(10, 30, 4, 1920, 1080);
    EXPECT_EQ(fits.width, 200 + 10);
    EXPECT_EQ(fits.height, 160 + 4 + 30);
    const LayoutEditSession::WindowExtent small = rig.s.WindowSize(10, 30, 4, 150, 100);
    EXPECT_EQ(small.width, 150);
    EXPECT_EQ(small.height, 100);
}

// ---- selecting -------------------------------------------------------------

TEST(LayoutEditor, AClickSelectsAndHighlightsTheKeyUnderIt) {
    EditRig rig({{"Pad", 10}});
    rig.s.InitilizeForm(1);
    const SelectResult r = rig.Click(6);
    EXPECT_EQ(r.key, 6);
    EXPECT_FALSE(r.popUpKeyMenu);
    EXPECT_EQ(rig.s.SelectedKey(), 6);
    for (const KeyFace& f : rig.s.Picture().Faces) EXPECT_EQ(f.Fill, f.Key == 6 ? CurrentKeyColour : KeyColour);
    // The border is not inside.
    EXPECT_EQ(rig.s.Select(rig.K(6).Left, rig.K(6).Top + 5, MouseButton::Left).key, 0);
    EXPECT_EQ(rig.s.SelectedKey(), 0);
}

TEST(LayoutEditor, TheRightButtonOnAKeyAsksForTheKeyMenu) {
    EditRig rig({{"Pad", 10}});
    rig.s.InitilizeForm(1);
    const SelectResult r = rig.Click(3, MouseButton::Right);
    EXPECT_EQ(r.key, 3);
    EXPECT_TRUE(r.popUpKeyMenu);
    const SelectResult none = rig.s.Select(1, 1, MouseButton::Right);
    EXPECT_EQ(none.key, 0);
    EXPECT_FALSE(none.popUpKeyMenu) << "no menu off the keys";
}

// ---- moving ---------------------------------------------------------------

TEST(LayoutEditor, MovingTheLastKeyOfARowUpLeavesTheRowEmptyButThere) {
    EditRig rig({{"Pad", 9}}); // rows of 4, 4 and 1
    rig.s.InitilizeForm(1);
    rig.Click(9);
    rig.s.Move(KeyMove::Up);
    EXPECT_EQ(rig.K(9).Row, 2);
    EXPECT_EQ(rig.L().RowCount, 3);
    EXPECT_EQ(rig.L().Rows[2], (LayoutRow{30, 0}));
    for (int k = 1; k <= 9; ++k) EXPECT_NE(rig.K(k).Row, 3);
    EXPECT_EQ(rig.s.Picture().Faces.size(), 9u);
}

TEST(LayoutEditor, MovingUpPutsTheKeyUnderItsLeftEdgeAndShiftsTheRows) {
    EditRig rig({{"Pad", 8}}); // row 1: 1..4, row 2: 5..8, each 40 wide from x = 10
    rig.s.InitilizeForm(1);
    rig.Click(7); // left 90: in the span of key 3 (90..129)
    rig.s.Move(KeyMove::Up);
    EXPECT_EQ(rig.Place(7), (std::pair{1, 3}));
    EXPECT_EQ(rig.Place(3), (std::pair{1, 4}));
    EXPECT_EQ(rig.Place(4), (std::pair{1, 5}));
    EXPECT_EQ(rig.Place(2), (std::pair{1, 2}));
    EXPECT_EQ(rig.Place(8), (std::pair{2, 3})) << "the old row closes up";
    EXPECT_EQ(rig.Place(6), (std::pair{2, 2}));
    EXPECT_EQ(rig.s.Picture().Faces[2].Key, 7);
    EXPECT_EQ(rig.s.Picture().Faces[2].Fill, CurrentKeyColour);
}

TEST(LayoutEditor, TheSpaceBeforeAKeyBelongsToItsSpan) {
    EditRig rig({{"Pad", 8}});
    rig.K(1).SpaceBefore = 100; // key 1 spans 0..139 with its space
    rig.s.InitilizeForm(1);
    rig.Click(6); // left 50
    rig.s.Move(KeyMove::Up);
    EXPECT_EQ(rig.Place(6), (std::pair{1, 1}));
    EXPECT_EQ(rig.Place(1), (std::pair{1, 2}));
}

TEST(LayoutEditor, WithNoKeyUnderItsLeftEdgeTheKeyGoesFirst) {
    EditRig rig({{"Pad", 8}});
    rig.K(4).SpaceBefore = 200;
    rig.s.InitilizeForm(1);
    rig.Click(4); // left 330, past every key of row 2
    rig.s.Move(KeyMove::Down);
    EXPECT_EQ(rig.Place(4), (std::pair{2, 1}));
    EXPECT_EQ(rig.Place(5), (std::pair{2, 2}));
}

TEST(LayoutEditor, UpFromTheFirstRowDoesNothing) {
    EditRig rig({{"Pad", 8}});
    rig.s.InitilizeForm(1);
    rig.Click(2);
    const DeviceLayout before = rig.L();
    const std::int32_t redraws = rig.s.Redraws();
    rig.s.Move(KeyMove::Up);
    EXPECT_EQ(rig.L(), before);
    EXPECT_EQ(rig.s.Redraws(), redraws);
}

TEST(LayoutEditor, DownFromTheLastRowOfAKeyboardAddsRow9LikeRow8) {
    EditRig rig;
    BuildKeyboardLayout(rig.t.st, 1);
    rig.s.InitilizeForm(1);
    rig.Click(120); // row 8: below the board, but its rectangle is there
    rig.s.Move(KeyMove::Down);
    EXPECT_EQ(rig.L().RowCount, 9);
    EXPECT_EQ(rig.L().Rows.size(), 9u);
    EXPECT_EQ(rig.L().Rows[8], (LayoutRow{18, 0}));
    EXPECT_EQ(rig.Place(120), (std::pair{9, 1}));
    EXPECT_EQ(rig.Place(121), (std::pair{8, 4})) << "row 8 closes up";
}

TEST(LayoutEditor, DownFromRow100SaysTooManyRowsAndChangesNothing) {
    EditRig rig({{"Pad", 100}});
    BuildRectangularLayout(rig.t.st, 1, 1); // 100 rows
    rig.L().BoardHeight = 4000;
    rig.s.InitilizeForm(1);
    rig.Click(100);
    const DeviceLayout before = rig.L();
    rig.s.Move(KeyMove::Down);
    ASSERT_EQ(rig.t.shell.messages.size(), 1u);
    EXPECT_EQ(rig.t.shell.messages[0].text, "Too many rows");
    EXPECT_EQ(rig.L(), before);
    // From row 99 the key may still go down into row 100.
    rig.Click(99);
    rig.s.Move(KeyMove::Down);
    EXPECT_EQ(rig.K(99).Row, 100);
    EXPECT_EQ(rig.t.shell.messages.size(), 1u);
}

TEST(LayoutEditor, RightOnTheRightmostKeyDoesNothing) {
    EditRig rig({{"Pad", 8}});
    rig.s.InitilizeForm(1);
    rig.Click(4);
    const DeviceLayout before = rig.L();
    rig.s.Move(KeyMove::Right);
    EXPECT_EQ(rig.L(), before);
}

TEST(LayoutEditor, LeftAndRightSwapWithTheNeighbour) {
    EditRig rig({{"Pad", 8}});
    rig.s.InitilizeForm(1);
    rig.Click(2);
    rig.s.Move(KeyMove::Right);
    EXPECT_EQ(rig.Place(2), (std::pair{1, 3}));
    EXPECT_EQ(rig.Place(3), (std::pair{1, 2}));
    rig.s.Move(KeyMove::Left);
    rig.s.Move(KeyMove::Left);
    EXPECT_EQ(rig.Place(2), (std::pair{1, 1}));
    EXPECT_EQ(rig.Place(1), (std::pair{1, 2}));
    rig.s.Move(KeyMove::Left);
    EXPECT_EQ(rig.Place(2), (std::pair{1, 1})) << "Left at position 1 does nothing";
}

TEST(LayoutEditor, LeftIntoAGapMovesWithoutSwapping) {
    EditRig rig({{"Pad", 8}});
    rig.K(4).Position = 6; // row 1: 1, 2, 3, 6
    rig.s.InitilizeForm(1);
    rig.Click(4);
    rig.s.Move(KeyMove::Left);
    EXPECT_EQ(rig.Place(4), (std::pair{1, 5}));
    EXPECT_EQ(rig.Place(3), (std::pair{1, 3})) << "no key stood at 5: nobody swaps";
    rig.s.Move(KeyMove::Left);
    EXPECT_EQ(rig.Place(4), (std::pair{1, 4}));
    rig.s.Move(KeyMove::Left);
    EXPECT_EQ(rig.Place(4), (std::pair{1, 3}));
    EXPECT_EQ(rig.Place(3), (std::pair{1, 4})) << "now it swaps with its neighbour";
}

TEST(LayoutEditor, MovesWithoutASelectedKeyDoNothing) {
    EditRig rig({{"Pad", 8}});
    rig.s.InitilizeForm(1);
    const DeviceLayout before = rig.L();
    for (KeyMove m : {KeyMove::Up, KeyMove::Down, KeyMove::Left, KeyMove::Right}) rig.s.Move(m);
    rig.s.Size(KeySize::KeyWidth);
    EXPECT_EQ(rig.L(), before);
    EXPECT_TRUE(rig.t.shell.inputs.empty());
}

// ---- sizing -----------------------------------------------------------------

struct SizeCase {
    const char* name;
    KeySize item;
    std::string typed;
    int stored; // what the field holds afterwards (from 40 / 30 / 10 / 3)
};

class Sizing : public ::testing::TestWithParam<SizeCase> {};

int Field(EditRig& rig, KeySize item) {
    switch (item) {
    case KeySize::KeyWidth: return rig.K(1).Width;
    case KeySize::RowHeight: return rig.L().Rows[0].Height;
    case KeySize::SpaceBefore: return rig.K(1).SpaceBefore;
    case KeySize::SpaceAbove: return rig.L().Rows[0].SpaceAbove;
    }
    return -1;
}

TEST_P(Sizing, StoresTheRoundedClampedAnswer) {
    EditRig rig({{"Pad", 8}});
    rig.s.InitilizeForm(1);
    rig.Click(1);
    const int before = Field(rig, GetParam().item);
    const std::int32_t redraws = rig.s.Redraws();
    rig.t.shell.typed.push_back(GetParam().typed);
    EXPECT_NO_THROW(rig.s.Size(GetParam().item));
    EXPECT_EQ(Field(rig, GetParam().item), GetParam().stored);
    EXPECT_EQ(rig.s.Redraws(), redraws + (GetParam().stored != before ? 1 : 0)) << "redrawn only on a change";
    EXPECT_TRUE(rig.t.shell.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, Sizing,
                         ::testing::Values(SizeCase{"WidthText", KeySize::KeyWidth, "abc", 40},
                                           SizeCase{"WidthEmpty", KeySize::KeyWidth, "", 40},
                                           SizeCase{"WidthNumberThenText", KeySize::KeyWidth, "60px", 40},
                                           SizeCase{"Width600Is500", KeySize::KeyWidth, "600", 500},
                                           SizeCase{"Width19Point5Is20", KeySize::KeyWidth, "19.5", 20},
                                           SizeCase{"Width20Point5IsEven", KeySize::KeyWidth, "20.5", 20},
                                           SizeCase{"Width21Point5IsEven", KeySize::KeyWidth, "21.5", 22},
                                           SizeCase{"WidthBlanks", KeySize::KeyWidth, " 75 ", 75},
                                           SizeCase{"WidthNegativeIs20", KeySize::KeyWidth, "-5", 20},
                                           SizeCase{"WidthHugeIs500", KeySize::KeyWidth, "1e12", 500},
                                           SizeCase{"WidthSame", KeySize::KeyWidth, "40", 40},
                                           SizeCase{"Height10Is18", KeySize::RowHeight, "10", 18},
                                           SizeCase{"Height101Is100", KeySize::RowHeight, "101", 100},
                                           SizeCase{"Height45", KeySize::RowHeight, "45", 45},
                                           SizeCase{"SpaceBefore201Is200", KeySize::SpaceBefore, "201", 200},
                                           SizeCase{"SpaceBeforeNegativeIs0", KeySize::SpaceBefore, "-3", 0},
                                           SizeCase{"SpaceBefore7", KeySize::SpaceBefore, "7", 7},
                                           SizeCase{"SpaceAbove101Is100", KeySize::SpaceAbove, "101", 100},
                                           SizeCase{"SpaceAboveText", KeySize::SpaceAbove, "x", 3},
                                           SizeCase{"SpaceAbove0", KeySize::SpaceAbove, "0", 0}),
                         [](const auto& info) { return info.param.name; });

TEST(LayoutEditor, SizingAsksWithThePromptPreFilledWithTheCurrentValue) {
    EditRig rig({{"Pad", 8}});
    rig.s.InitilizeForm(1);
    rig.Click(6); // row 2: height 30, space above 0
    for (KeySize item : {KeySize::KeyWidth, KeySize::RowHeight, KeySize::SpaceBefore, KeySize::SpaceAbove})
        rig.s.Size(item);
    ASSERT_EQ(rig.t.shell.inputs.size(), 4u);
    EXPECT_EQ(rig.t.shell.inputs[0].prompt, "Enter new width for this buttons");
    EXPECT_EQ(rig.t.shell.inputs[0].proposed, "40");
    EXPECT_EQ(rig.t.shell.inputs[1].prompt, "Enter new height for this row");
    EXPECT_EQ(rig.t.shell.inputs[1].proposed, "30");
    EXPECT_EQ(rig.t.shell.inputs[2].prompt, "Enter new space width before this buttons");
    EXPECT_EQ(rig.t.shell.inputs[2].proposed, "0");
    EXPECT_EQ(rig.t.shell.inputs[3].prompt, "Enter new space height above this row");
    EXPECT_EQ(rig.t.shell.inputs[3].proposed, "0");
}

TEST(LayoutEditor, ARowSizeActsOnTheSelectedKeysRow) {
    EditRig rig({{"Pad", 8}});
    rig.s.InitilizeForm(1);
    rig.Click(6);
    rig.t.shell.typed = {"50", "12"};
    rig.s.Size(KeySize::RowHeight);
    rig.s.Size(KeySize::SpaceAbove);
    EXPECT_EQ(rig.L().Rows[1], (LayoutRow{50, 12}));
    EXPECT_EQ(rig.L().Rows[0], (LayoutRow{30, 3}));
    EXPECT_EQ(rig.K(6).Top, 17 + 3 + 30 + 12) << "redrawn with the new row";
}

// ---- dragging ------------------------------------------------------------------

struct DropCase {
    const char* name;
    bool widthLine;
    int at, size, line;
};

class Drops : public ::testing::TestWithParam<DropCase> {};

TEST_P(Drops, SetTheBoardSizeWithinTheEditorsLimits) {
    EditRig rig({{"Pad", 8}});
    rig.s.InitilizeForm(1);
    rig.Click(2);
    const std::int32_t redraws = rig.s.Redraws();
    if (GetParam().widthLine) rig.s.DropWidthLine(GetParam().at);
    else rig.s.DropHeightLine(GetParam().at);
    if (GetParam().widthLine) {
        EXPECT_EQ(rig.L().BoardWidth, GetParam().size);
        EXPECT_EQ(rig.s.WorkingWidth(), GetParam().size);
        EXPECT_EQ(rig.s.WidthLineX(), GetParam().line);
        EXPECT_EQ(rig.s.Picture().Width, GetParam().size);
    } else {
        EXPECT_EQ(rig.L().BoardHeight, GetParam().size);
        EXPECT_EQ(rig.s.WorkingHeight(), GetParam().size);
        EXPECT_EQ(rig.s.HeightLineY(), GetParam().line);
        EXPECT_EQ(rig.s.Picture().Height, GetParam().size);
    }
    EXPECT_EQ(rig.s.Redraws(), redraws + 1);
    for (const KeyFace& f : rig.s.Picture().Faces) EXPECT_EQ(f.Fill, KeyColour) << "redrawn with no key highlighted";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Drops,
    ::testing::Values(DropCase{"WidthTo50Is200", true, 50, 200, 200}, DropCase{"WidthTo200", true, 200, 200, 200},
                      DropCase{"WidthTo640", true, 640, 640, 640}, DropCase{"WidthToNegative", true, -30, 200, 200},
                      DropCase{"HeightTo60Is100", false, 60, 100, 140}, DropCase{"HeightTo140", false, 140, 100, 140},
                      DropCase{"HeightTo300", false, 300, 260, 300}),
    [](const auto& info) { return info.param.name; });

TEST(LayoutEditor, ADragMovesTheLineByThePointersDistance) {
    EditRig rig({{"Pad", 8}}); // board 190 x 90: lines at 190 and 130
    rig.s.InitilizeForm(1);
    rig.s.PressWidthLine(192);
    EXPECT_TRUE(rig.s.Dragging());
    rig.s.DragMove(250, 0);
    EXPECT_EQ(rig.s.WidthLineX(), 248);
    EXPECT_EQ(rig.L().BoardWidth, 190) << "nothing changes before the release";
    rig.s.DragMove(300, 7);
    rig.s.ReleaseLine();
    EXPECT_FALSE(rig.s.Dragging());
    EXPECT_EQ(rig.L().BoardWidth, 298);

    rig.s.PressHeightLine(131);
    rig.s.DragMove(0, 51);
    EXPECT_EQ(rig.s.HeightLineY(), 50);
    rig.s.ReleaseLine();
    EXPECT_EQ(rig.L().BoardHeight, 100);
    EXPECT_EQ(rig.s.HeightLineY(), 140) << "the line jumps to 140";
    EXPECT_EQ(rig.L().BoardWidth, 298);
}

TEST(LayoutEditor, TheLinesStatusTips) {
    EXPECT_EQ(kWidthLineTip, "Drag this line to size the tree box.");
    EXPECT_EQ(kHeightLineTip, "Drag this line to size the tree box and wave view.");
}

// ---- reset ------------------------------------------------------------------------

TEST(LayoutEditor, ARectangularResetOfTwelveOnTwentyKeys) {
    EditRig rig({{"Pad", 20}});
    rig.s.InitilizeForm(1);
    rig.Click(5);
    rig.t.shell.typed.push_back("12");
    rig.s.Reset(LayoutType::Rectangle);
    ASSERT_EQ(rig.t.shell.inputs.size(), 1u);
    EXPECT_EQ(rig.t.shell.inputs[0].prompt, "Enter the number of keys for each row.");
    EXPECT_EQ(rig.t.shell.inputs[0].proposed, "12");
    EXPECT_EQ(rig.L().RowCount, 2);
    EXPECT_EQ(rig.L().BoardWidth, 510);
    EXPECT_EQ(rig.L().BoardHeight, 90);
    EXPECT_EQ(rig.s.WorkingWidth(), 510);
    EXPECT_EQ(rig.s.WorkingHeight(), 90);
    EXPECT_EQ(rig.s.WidthLineX(), 510);
    EXPECT_EQ(rig.s.HeightLineY(), 130);
    EXPECT_EQ(rig.s.SelectedKey(), 5);
    for (const KeyFace& f : rig.s.Picture().Faces) EXPECT_EQ(f.Fill, f.Key == 5 ? CurrentKeyColour : KeyColour);
}

struct RectAnswer {
    const char* name;
    std::string typed;
    bool invalid;
};

class RectangleAnswers : public ::testing::TestWithParam<RectAnswer> {};

TEST_P(RectangleAnswers, OutsideOneToTheKeyCountAreRefused) {
    EditRig rig({{"Pad", 20}});
    rig.s.InitilizeForm(1);
    const DeviceLayout before = rig.L();
    rig.t.shell.typed.push_back(GetParam().typed);
    EXPECT_NO_THROW(rig.s.Reset(LayoutType::Rectangle));
    EXPECT_EQ(rig.L(), before);
    if (GetParam().invalid) {
        ASSERT_EQ(rig.t.shell.messages.size(), 1u);
        EXPECT_EQ(rig.t.shell.messages[0].text, "Number of keys invalid");
    } else {
        EXPECT_TRUE(rig.t.shell.messages.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RectangleAnswers,
                         ::testing::Values(RectAnswer{"Empty", "", false}, RectAnswer{"Zero", "0", true},
                                           RectAnswer{"MoreThanTheKeys", "21", true},
                                           RectAnswer{"RoundsTo0", "0.5", true}, RectAnswer{"Text", "abc", true},
                                           RectAnswer{"Negative", "-4", true}, RectAnswer{"Huge", "1e12", true}),
                         [](const auto& info) { return info.param.name; });

TEST(LayoutEditor, ARectangularResetRoundsHalvesToEven) {
    EditRig rig({{"Pad", 20}});
    rig.s.InitilizeForm(1);
    rig.t.shell.typed.push_back("20.5");
    rig.s.Reset(LayoutType::Rectangle);
    EXPECT_EQ(rig.L().RowCount, 1);
    EXPECT_EQ(rig.L().BoardWidth, 20 * 40 + 30);
}

TEST(LayoutEditor, KeyboardAndMouseResets) {
    EditRig rig({{"Pad", 104}});
    rig.s.InitilizeForm(1);
    rig.s.Reset(LayoutType::Keyboard);
    EXPECT_EQ(rig.L().BoardWidth, 590) << "104 keys get the 14-per-row grid";
    EXPECT_EQ(rig.L().RowCount, 8);
    EXPECT_EQ(rig.s.WidthLineX(), 590);
    rig.s.Reset(LayoutType::Mouse);
    EXPECT_EQ(rig.L().BoardWidth, 330);
    EXPECT_EQ(rig.L().RowCount, 1);
    EXPECT_EQ(rig.K(104).Position, 104) << "all keys in one row, whatever the device";
    EXPECT_EQ(rig.s.HeightLineY(), 100);
    EXPECT_TRUE(rig.t.shell.inputs.empty());
}

// A MIDI port and the OSC device can go back to the layouts they get when
// first seen; other devices are not offered those.
TEST(LayoutEditor, MidiPortsAndTheOscDeviceCanBeResetToTheirOwnLayouts) {
    EditRig rig({{"Keyboard", 128}, {"MIDI: Launchpad Mini", 128}, {"OSC", 128}, {"MIDI: Tiny", 16}});
    using T = LayoutType;
    const std::vector<T> base{T::Keyboard, T::Mouse, T::Rectangle};
    const auto snapshot = [&](std::int32_t d) {
        std::vector<std::tuple<int, int, int, int>> keys;
        for (const LayoutKey& k : rig.L(d).Keys) keys.emplace_back(k.Row, k.Position, k.Width, k.SpaceBefore);
        return std::make_tuple(keys, rig.L(d).RowCount, rig.L(d).BoardWidth, rig.L(d).BoardHeight);
    };
    struct Case {
        std::int32_t device;
        T own;
        void (*build)(ProgramState&, std::int32_t);
    };
    for (const Case& c : {Case{2, T::Notes, BuildNoteLayout}, Case{3, T::OscKeys, BuildOscLayout}}) {
        c.build(rig.t.st, c.device);
        const auto fresh = snapshot(c.device);
        ASSERT_TRUE(rig.s.InitilizeForm(c.device));
        std::vector<T> offered = base;
        offered.push_back(c.own);
        EXPECT_EQ(rig.s.ResetTypes(), offered) << c.device;
        rig.s.Reset(T::Mouse);
        ASSERT_NE(snapshot(c.device), fresh);
        rig.s.Reset(c.own);
        EXPECT_EQ(snapshot(c.device), fresh) << c.device;
        EXPECT_EQ(rig.s.WidthLineX(), rig.L(c.device).BoardWidth);
        rig.s.Cancel();
    }
    for (std::int32_t d : {1, 4}) {
        ASSERT_TRUE(rig.s.InitilizeForm(d));
        EXPECT_EQ(rig.s.ResetTypes(), base) << "device " << d;
        const auto before = snapshot(d);
        rig.s.Reset(T::Notes);
        rig.s.Reset(T::OscKeys);
        EXPECT_EQ(snapshot(d), before) << "a type the list did not offer changes nothing, device " << d;
        rig.s.Cancel();
    }
}

// ---- closing ------------------------------------------------------------------------

void ChangeEverything(EditRig& rig) {
    rig.Click(2);
    rig.s.Move(KeyMove::Down);
    rig.t.shell.typed = {"99", "77"};
    rig.s.Size(KeySize::KeyWidth);
    rig.s.Size(KeySize::RowHeight);
    rig.s.DropWidthLine(700);
    rig.s.DropHeightLine(500);
    rig.Click(8);
    rig.s.Move(KeyMove::Down); // a new row
    rig.t.shell.typed = {"3"};
    rig.s.Reset(LayoutType::Rectangle);
    rig.Click(1);
    rig.s.Move(KeyMove::Right);
}

TEST(LayoutEditor, CancelRestoresTheLayoutExactly) {
    EditRig rig({{"Keyboard", 128}, {"Pad", 8}});
    rig.s.InitilizeForm(2);
    const DeviceLayout opened = rig.L(2);
    ChangeEverything(rig);
    ASSERT_NE(rig.L(2), opened);
    rig.s.Cancel();
    EXPECT_FALSE(rig.s.IsOpen());
    EXPECT_FALSE(rig.s.Accepted());
    EXPECT_EQ(rig.L(2), opened);
    EXPECT_EQ(rig.L(2).RowCount, 2);
    EXPECT_EQ(rig.L(2).BoardWidth, 190);
}

TEST(LayoutEditor, ClosingFromTheTitleBarRestoresToo) {
    EditRig rig({{"Pad", 8}});
    rig.s.InitilizeForm(1);
    const DeviceLayout opened = rig.L();
    ChangeEverything(rig);
    rig.s.Close();
    EXPECT_EQ(rig.L(), opened);
}

TEST(LayoutEditor, TheSavedCopyHoldsWhatOpeningRepaired) {
    EditRig rig({{"Pad", 8}});
    rig.K(8).Row = 1;
    rig.K(8).Position = 1; // clashes with key 1
    rig.s.InitilizeForm(1);
    EXPECT_EQ(rig.K(8).Row, 3);
    rig.s.Cancel();
    EXPECT_EQ(rig.K(8).Row, 3) << "the repair came before the copy";
}

TEST(LayoutEditor, OkKeepsTheChangesAndTheBoardViewsAreRebuilt) {
    EditRig rig({{"Pad", 8}});
    rig.s.InitilizeForm(1);
    ChangeEverything(rig);
    const DeviceLayout changed = rig.L();
    rig.s.Ok();
    EXPECT_TRUE(rig.s.Accepted());
    EXPECT_FALSE(rig.s.IsOpen());
    rig.s.Close();
    EXPECT_EQ(rig.L(), changed);
    FinishLayoutEditing(rig.t.st, rig.s);
    EXPECT_EQ(rig.t.shell.notices, (std::vector<Notice>{notice::ShowPlayAssignment{}, notice::RebuildAllBoardViews{}}));
}

TEST(LayoutEditor, AfterCancelTheViewsAreNotRebuilt) {
    EditRig rig({{"Pad", 8}});
    rig.s.InitilizeForm(1);
    rig.s.Cancel();
    FinishLayoutEditing(rig.t.st, rig.s);
    EXPECT_EQ(rig.t.shell.notices, (std::vector<Notice>{notice::ShowPlayAssignment{}}));
}

TEST(LayoutEditor, NothingHoldsOverToTheNextOpening) {
    EditRig rig({{"Pad", 8}});
    rig.s.InitilizeForm(1);
    rig.Click(3);
    rig.s.Ok();
    rig.s.InitilizeForm(1);
    EXPECT_EQ(rig.s.SelectedKey(), 0);
    EXPECT_FALSE(rig.s.Accepted());
    EXPECT_TRUE(rig.s.IsOpen());
}

} // namespace
} // namespace tambrel::test

namespace tambrel {
namespace {

// The window builds its menus and the reset list from these tables and
// hands back the item's number: each caption must stand at its command's place.
TEST(LayoutEditTexts, MenuAndListCaptionsMatchTheirCommands) {
    EXPECT_EQ(kKeyMoveItems[static_cast<int>(KeyMove::Up) - 1], "Up");
    EXPECT_EQ(kKeyMoveItems[static_cast<int>(KeyMove::Right) - 1], "Right");
    EXPECT_EQ(kKeySizeItems[static_cast<int>(KeySize::KeyWidth) - 1], "Key Width");
    EXPECT_EQ(kKeySizeItems[static_cast<int>(KeySize::SpaceAbove) - 1], "Space Above");
    EXPECT_EQ(kLayoutTypeNames[static_cast<int>(LayoutType::Keyboard)], "Keyboard");
    EXPECT_EQ(kLayoutTypeNames[static_cast<int>(LayoutType::Rectangle)], "Rectangle");
    EXPECT_EQ(kLayoutTypeNames[static_cast<int>(LayoutType::Notes)], "Notes");
    EXPECT_EQ(kLayoutTypeNames[static_cast<int>(LayoutType::OscKeys)], "OSC Keys");
}

} // namespace
} // namespace tambrel
