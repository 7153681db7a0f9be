// LayOutBoard (normalising, rows' tops, key rectangles, the
// surface and the description of the bare board) and the hit test.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "boards/LayOutBoard.h"

namespace tambrel::test {
namespace {

LayoutKey Key(int row, int pos, int width, int space) {
    LayoutKey k;
    k.Row = row;
    k.Position = pos;
    k.Width = width;
    k.SpaceBefore = space;
    return k;
}

DeviceLayout Layout(std::vector<LayoutRow> rows, std::vector<LayoutKey> keys, int w = 400, int h = 150) {
    DeviceLayout l;
    l.BoardWidth = w;
    l.BoardHeight = h;
    l.RowCount = static_cast<std::int32_t>(rows.size());
    l.Rows = std::move(rows);
    l.Keys = std::move(keys);
    return l;
}

TEST(LayOutBoard, RowTopsLeaveTheCaptionStripAndAddSpacesAndHeights) {
    DeviceLayout l = Layout({{30, 5}, {20, 15}, {18, 0}}, {});
    EXPECT_EQ(RowTops(l), (std::vector<std::int32_t>{22, 67, 87}));
}

TEST(LayOutBoard, KeyRectanglesFromWidthsAndSpacesInPositionOrder) {
    // Row 1 holds positions 1, 2 and 5 (a gap adds nothing), stored out of order.
    DeviceLayout l =
        Layout({{30, 5}, {20, 0}}, {Key(1, 5, 50, 3), Key(1, 1, 40, 10), Key(1, 2, 30, 0), Key(2, 1, 60, 6)});
    LayOutBoard(l, {}, 0);
    const auto rect = [&](int k) {
        const LayoutKey& key = l.Keys[static_cast<std::size_t>(k - 1)];
        return std::vector<int>{key.Left, key.Top, key.Right, key.Bottom};
    };
    EXPECT_EQ(rect(2), (std::vector<int>{10, 22, 49, 51}));
    EXPECT_EQ(rect(3), (std::vector<int>{50, 22, 79, 51}));
    EXPECT_EQ(rect(1), (std::vector<int>{83, 22, 132, 51}));
    EXPECT_EQ(rect(4), (std::vector<int>{6, 52, 65, 71}));
}

TEST(LayOutBoard, DescribesTheBareBoardRowByRowAndPositionByPosition) {
    DeviceLayout l = Layout({{30, 5}, {20, 0}}, {Key(2, 1, 60, 6), Key(1, 2, 30, 0), Key(1, 1, 40, 10)});
    const BoardPicture pic = LayOutBoard(l, {"A", "B"}, 2);
    EXPECT_EQ(pic.TextColour, (Rgb{255, 255, 192}));
    ASSERT_EQ(pic.Faces.size(), 3u);
    EXPECT_EQ(pic.Faces[0].Key, 3);
    EXPECT_EQ(pic.Faces[1].Key, 2);
    EXPECT_EQ(pic.Faces[2].Key, 1);
    EXPECT_EQ(pic.Faces[1].Fill, (Rgb{0, 0, 255})) << "the current key";
    EXPECT_EQ(pic.Faces[0].Fill, (Rgb{128, 128, 128}));
    EXPECT_EQ(pic.Faces[2].Fill, (Rgb{128, 128, 128}));
    EXPECT_EQ(pic.Faces[2].Label, "A");
    EXPECT_EQ(pic.Faces[1].Label, "B");
    EXPECT_EQ(pic.Faces[0].Label, "") << "a key without a label prints none";
    EXPECT_EQ(pic.Faces[2].LabelX, 6 + 2);
    EXPECT_EQ(pic.Faces[2].LabelY, 52 + 2);
    EXPECT_EQ(pic.Faces[0].Left, l.Keys[2].Left);
    EXPECT_EQ(pic.Faces[0].Bottom, l.Keys[2].Bottom);
}

TEST(LayOutBoard, CurrentKeyZeroHighlightsNone) {
    DeviceLayout l = Layout({{30, 0}}, {Key(1, 1, 40, 0), Key(1, 2, 40, 0)});
    for (const KeyFace& f : LayOutBoard(l, {}, 0).Faces) EXPECT_EQ(f.Fill, KeyColour);
}

struct SurfaceCase {
    const char* name;
    int boardWidth, boardHeight, width, height;
};

class Surfaces : public ::testing::TestWithParam<SurfaceCase> {};

TEST_P(Surfaces, AreTheBoardRaisedToAtLeast200By50) {
    DeviceLayout l = Layout({{30, 0}}, {Key(1, 1, 40, 0)}, GetParam().boardWidth, GetParam().boardHeight);
    const BoardPicture pic = LayOutBoard(l, {}, 0);
    EXPECT_EQ(pic.Width, GetParam().width);
    EXPECT_EQ(pic.Height, GetParam().height);
    EXPECT_EQ(l.BoardWidth, GetParam().boardWidth) << "the layout keeps its own size";
}

INSTANTIATE_TEST_SUITE_P(Cases, Surfaces,
                         ::testing::Values(SurfaceCase{"Width150Draws200", 150, 100, 200, 100},
                                           SurfaceCase{"Height40Draws50", 300, 40, 300, 50},
                                           SurfaceCase{"BothSmall", 0, 0, 200, 50},
                                           SurfaceCase{"AsIs", 944, 230, 944, 230}),
                         [](const auto& info) { return info.param.name; });

TEST(LayOutBoard, KeysOutsideTheBoardKeepTheirRectangles) {
    DeviceLayout l = Layout({{30, 0}}, {Key(1, 1, 300, 0), Key(1, 2, 300, 0)}, 330, 60);
    const BoardPicture pic = LayOutBoard(l, {}, 0);
    EXPECT_EQ(l.Keys[1].Right, 599) << "clipped by the surface, not by the layout";
    EXPECT_EQ(pic.Faces.size(), 2u);
}

TEST(LayOutBoard, TwoKeysOnOnePlaceTheHigherIndexMovesToANewRowBelow) {
    DeviceLayout l =
        Layout({{30, 5}, {30, 0}}, {Key(1, 1, 40, 0), Key(2, 3, 40, 0), Key(1, 1, 50, 0), Key(2, 3, 40, 0)});
    LayOutBoard(l, {}, 0);
    EXPECT_EQ(l.Keys[0].Row, 1);
    EXPECT_EQ(l.Keys[1].Row, 2);
    EXPECT_EQ(l.Keys[2].Row, 3);
    EXPECT_EQ(l.Keys[2].Position, 1);
    EXPECT_EQ(l.Keys[3].Row, 3);
    EXPECT_EQ(l.Keys[3].Position, 2) << "the next free place of that row, in index order";
    EXPECT_EQ(l.RowCount, 3);
    EXPECT_EQ(l.Rows[2], (LayoutRow{20, 0}));
    EXPECT_EQ(l.Keys[2].Width, 50) << "only the place changes";
}

TEST(LayOutBoard, AGameControllerWithAllKeysUnplacedGetsOneRowOfHeight20) {
    DeviceLayout l = Layout({}, std::vector<LayoutKey>(5), 500, 200);
    const BoardPicture pic = LayOutBoard(l, {}, 0);
    EXPECT_EQ(l.RowCount, 1);
    EXPECT_EQ(l.Rows, (std::vector<LayoutRow>{{20, 0}}));
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(l.Keys[static_cast<std::size_t>(k)].Row, 1);
        EXPECT_EQ(l.Keys[static_cast<std::size_t>(k)].Position, k + 1);
        EXPECT_EQ(l.Keys[static_cast<std::size_t>(k)].Width, 0) << "the zero widths they have";
    }
    EXPECT_EQ(pic.Faces.size(), 5u);
}

TEST(LayOutBoard, UnplacedKeysGoBelowTheLastUsedRowWhichKeepsItsHeightWhenItExists) {
    // Rows 1..3 exist, keys use row 1 only: row 2 takes the unplaced keys and keeps its 25.
    DeviceLayout l =
        Layout({{30, 0}, {25, 4}, {30, 0}}, {Key(1, 1, 40, 0), Key(0, 3, 40, 0), Key(1, 2, 40, 0), Key(2, 0, 40, 0)});
    LayOutBoard(l, {}, 0);
    EXPECT_EQ(l.RowCount, 3);
    EXPECT_EQ(l.Rows[1], (LayoutRow{25, 4}));
    EXPECT_EQ(l.Keys[1].Row, 2);
    EXPECT_EQ(l.Keys[1].Position, 1);
    EXPECT_EQ(l.Keys[3].Row, 2);
    EXPECT_EQ(l.Keys[3].Position, 2);
}

TEST(LayOutBoard, NormalisingTwiceChangesNothingMore) {
    DeviceLayout l = Layout({{30, 0}}, {Key(1, 1, 40, 0), Key(1, 1, 40, 0), Key(0, 0, 40, 0)});
    LayOutBoard(l, {}, 0);
    const DeviceLayout once = l;
    LayOutBoard(l, {}, 0);
    EXPECT_EQ(l, once);
}

TEST(LayOutBoard, KeysInRowsBeyondTheRowCountNeverReadPastTheRows) {
    // A hand-made layout whose rows array is shorter than its keys' rows.
    DeviceLayout l = Layout({{30, 0}}, {Key(1, 1, 40, 0), Key(4, 1, 40, 0)});
    LayOutBoard(l, {}, 0);
    EXPECT_EQ(l.RowCount, 4);
    EXPECT_EQ(l.Rows.size(), 4u);
}

struct HitCase {
    const char* name;
    int x, y, key;
};

class Hits : public ::testing::TestWithParam<HitCase> {};

TEST_P(Hits, CountOnlyPointsStrictlyInside) {
    // Key 1: 10..49 x 22..51; key 2: 50..79; key 3 is moved over key 2: 60..100.
    DeviceLayout l = Layout({{30, 5}}, {Key(1, 1, 40, 10), Key(1, 2, 30, 0), Key(1, 3, 40, 0)});
    LayOutBoard(l, {}, 0);
    l.Keys[2].Left = 60;
    l.Keys[2].Right = 100;
    EXPECT_EQ(HitKey(l, GetParam().x, GetParam().y), GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(Cases, Hits,
                         ::testing::Values(HitCase{"Inside", 20, 30, 1}, HitCase{"LeftEdge", 10, 30, 0},
                                           HitCase{"RightEdge", 49, 30, 0}, HitCase{"TopEdge", 20, 22, 0},
                                           HitCase{"BottomEdge", 20, 51, 0}, HitCase{"Gap", 5, 30, 0},
                                           HitCase{"OverlapTakesTheFirstIndex", 70, 30, 2},
                                           HitCase{"SecondKey", 55, 30, 2}, HitCase{"OnlyTheThird", 90, 30, 3},
                                           HitCase{"CaptionStrip", 20, 10, 0}),
                         [](const auto& info) { return info.param.name; });

TEST(HitKey, AKeyOfZeroWidthCannotBeHit) {
    DeviceLayout l = Layout({}, std::vector<LayoutKey>(2));
    LayOutBoard(l, {}, 0);
    for (int x = -2; x < 5; ++x)
        for (int y = 15; y < 40; ++y) EXPECT_EQ(HitKey(l, x, y), 0);
}

} // namespace
} // namespace tambrel::test
