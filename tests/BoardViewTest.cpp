#include <gtest/gtest.h>

#include "boards/BoardView.h"
#include "boards/KeyIcon.h"
#include "boards/RefreshBoardViews.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

// A grid of 40-wide keys, perRow to a row, rows 30 high; the first row 3
// below the caption strip, the first key of a row 10 in. Key k of row 1 then
// spans x 10 + 40(k-1) .. 49 + 40(k-1) and y 20..49; row 2 spans y 50..79.
DeviceLayout Grid(int keys, int perRow, int boardWidth) {
    DeviceLayout l;
    const int rows = (keys + perRow - 1) / perRow;
    l.BoardWidth = boardWidth;
    l.BoardHeight = rows * 30 + 30;
    l.RowCount = rows;
    l.Rows.assign(static_cast<std::size_t>(rows), LayoutRow{30, 0});
    l.Rows[0].SpaceAbove = 3;
    for (int i = 0; i < keys; ++i) {
        LayoutKey k;
        k.Row = i / perRow + 1;
        k.Position = i % perRow + 1;
        k.Width = 40;
        k.SpaceBefore = k.Position == 1 ? 10 : 0;
        l.Keys.push_back(k);
    }
    return l;
}

// Three Play Boards (Mike, Jim, Joe; Joe active), each with a board for the
// 4-key Pad (one row, 400 wide) and one for the 3-key Stick (two rows, the
// 200-pixel minimum wide).
struct BoardViewModel : ::testing::Test {
    TestState t{{{"Pad", 4}, {"Stick", 3}}};
    Orchestra& o = t.st.Orc;

    void SetUp() override {
        t.st.InputDevices[0].Layout = Grid(4, 4, 400);
        t.st.InputDevices[0].KeyLabels = {"A", "B", "C", "D"};
        t.st.InputDevices[1].Layout = Grid(3, 2, 110);
    }
    BoardView View(std::int32_t p) { return BoardView(t.st, p); }
    // Draws Play Board p once, so the keys have rectangles to hit.
    BoardViewPicture Drawn(std::int32_t p) { return View(p).DrawBoardsAll(); }
    const BoardKey& KeyOf(const BoardViewPicture& v, int surface, int key) {
        return v.Surfaces.at(static_cast<std::size_t>(surface - 1)).Keys.at(static_cast<std::size_t>(key - 1));
    }
};

// --- icons -----------------------------------------------------------------

TEST(KeyIconChoice, FollowsSourceStyleAndLoopingState) {
    struct Case {
        const char* name;
        std::int32_t src, style;
        VbBool looping;
        bool current;
        std::int32_t icon;
    };
    const Case cases[] = {
        {"no source", kSrcNone, kPlayOnce, kVbFalse, false, 0},
        {"no source, current key", kSrcNone, kPlayOnce, kVbFalse, true, 99},
        {"wave once", kSrcWave, kPlayOnce, kVbFalse, false, 1},
        {"wave once, current key", kSrcWave, kPlayOnce, kVbFalse, true, 1},
        {"wave multiple", kSrcWave, kPlayMulti, kVbFalse, false, 2},
        {"wave loop, stopped", kSrcWave, kPlayLoop, kVbFalse, false, 3},
        {"wave loop, looping", kSrcWave, kPlayLoop, kVbTrue, false, 4},
        {"wave loop, looping stored as 1", kSrcWave, kPlayLoop, 1, false, 4},
        {"wave queue", kSrcWave, kPlayQueue, kVbFalse, false, 5},
        {"wave with an unknown style", kSrcWave, 7, kVbFalse, false, 0},
        {"MIDI", kSrcMidi, kPlayLoop, kVbTrue, false, 6},
        {"action", kSrcAction, kPlayQueue, kVbFalse, true, 7},
        {"unknown source", 3, kPlayOnce, kVbFalse, false, 0},
    };
    for (const Case& c : cases) {
        KeyAssign k;
        k.SndSrc = c.src;
        k.PlayStyl = c.style;
        k.Looping = c.looping;
        EXPECT_EQ(ChooseKeyIcon(k, c.current), c.icon) << c.name;
    }
}

TEST(KeyIconPlace, IconSitsInTheBottomRightCornerAndTheCrossOverIt) {
    LayoutKey place;
    place.Left = 10;
    place.Top = 20;
    place.Right = 49;
    place.Bottom = 49;
    KeyAssign a;
    a.SndSrc = kSrcWave;
    a.Mute = 1;
    const BoardKey k = DescribeBoardKey(place, 1, a, false, false);
    EXPECT_EQ(k.IconX, 33);
    EXPECT_EQ(k.IconY, 33);
    EXPECT_TRUE(k.Muted);
    EXPECT_EQ(k.Cross[0], (Line{35, 35, 48, 48}));
    EXPECT_EQ(k.Cross[1], (Line{35, 47, 48, 34}));
}

TEST(KeyIconPlace, OnlyAMutedKeyWithASourceIsCrossed) {
    struct Case {
        std::int32_t src, mute;
        bool crossed;
    };
    const Case cases[] = {{kSrcWave, 1, true},  {kSrcMidi, 1, true},  {kSrcAction, 1, true},
                          {kSrcNone, 1, false}, {kSrcWave, 0, false}, {kSrcWave, -1, false}};
    for (const Case& c : cases) {
        KeyAssign a;
        a.SndSrc = c.src;
        a.Mute = c.mute;
        EXPECT_EQ(DescribeBoardKey(LayoutKey{}, 1, a, false, false).Muted, c.crossed)
            << "source " << c.src << ", mute " << c.mute;
    }
}

TEST_F(BoardViewModel, TheCurrentKeyWithoutASourceShowsIcon99OnItsPlayBoardEvenWhenInactive) {
    o.Set(1).CurBd = 1;
    o.Set(1).Bd(1).CurKey = 2;
    const BoardViewPicture v = Drawn(1); // Joe (3) is active
    EXPECT_EQ(KeyOf(v, 1, 2).Icon, 99);
    EXPECT_FALSE(KeyOf(v, 1, 2).HasSource); // a whole drawing paints no icon on it
    EXPECT_FALSE(KeyOf(v, 1, 2).Highlighted);
    EXPECT_EQ(KeyOf(v, 1, 1).Icon, 0);
    EXPECT_EQ(KeyOf(v, 2, 2).Icon, 0); // the same key of a board that is not current
}

TEST_F(BoardViewModel, ALoopingKeyShowsIcon4WhileItLoopsAnd3OnceStopped) {
    KeyAssign& k = o.Set(3).Bd(1).Key(3);
    k.SndSrc = kSrcWave;
    k.PlayStyl = kPlayLoop;
    Drawn(3);
    k.Looping = kVbTrue;
    ASSERT_TRUE(View(3).ShowKeyIcon(SubBoardNo{1}, KeyNo{3}));
    EXPECT_EQ(View(3).ShowKeyIcon(SubBoardNo{1}, KeyNo{3})->Icon, 4);
    k.Looping = kVbFalse;
    EXPECT_EQ(View(3).ShowKeyIcon(SubBoardNo{1}, KeyNo{3})->Icon, 3);
    EXPECT_EQ(View(3).ShowKeyIcon(SubBoardNo{1}, KeyNo{3})->IconX, 129 - 16); // key 3 spans x 90..129
}

TEST_F(BoardViewModel, MutedKeysWithASourceCarryTheCross) {
    o.Set(3).Bd(1).Key(1).SndSrc = kSrcMidi;
    o.Set(3).Bd(1).Key(1).Mute = 1;
    o.Set(3).Bd(1).Key(2).Mute = 1; // no source: nothing to cross
    const BoardViewPicture v = Drawn(3);
    EXPECT_TRUE(KeyOf(v, 1, 1).Muted);
    EXPECT_TRUE(KeyOf(v, 1, 1).HasSource);
    EXPECT_EQ(KeyOf(v, 1, 1).Icon, 6);
    EXPECT_FALSE(KeyOf(v, 1, 2).Muted);
}

// --- texts, sizes and stacking ------------------------------------------------

TEST_F(BoardViewModel, CaptionsAndTitlesNameTheBoardItsDeviceAndThePlayTable) {
    o.Set(2).SetNam = "Jim Caf\xe9";
    const BoardViewPicture v = Drawn(2);
    EXPECT_EQ(v.Title, "Play Table : Jim Caf\xe9");
    EXPECT_EQ(v.MinimisedTitle, "Jim Caf\xe9");
    EXPECT_EQ(View(2).UpdateTableCaption(true), "Jim Caf\xe9");
    ASSERT_EQ(v.Surfaces.size(), 2u);
    EXPECT_EQ(v.Surfaces[0].Caption, "Board Name: Pad-1 (Device: Pad)");
    EXPECT_EQ(v.Surfaces[1].Caption, "Board Name: Stick-2 (Device: Stick)");
}

TEST_F(BoardViewModel, SurfacesStackTopToBottomAndTheWindowFitsTheWidest) {
    const BoardViewPicture v = Drawn(3);
    ASSERT_EQ(v.Surfaces.size(), 2u);
    EXPECT_EQ(v.Surfaces[0].Left, 0);
    EXPECT_EQ(v.Surfaces[0].Top, 0);
    EXPECT_EQ(v.Surfaces[0].Width, 400);
    EXPECT_EQ(v.Surfaces[0].Height, 60);
    EXPECT_EQ(v.Surfaces[1].Top, 60);
    EXPECT_EQ(v.Surfaces[1].Width, 200); // 110 wide in the layout, raised to the minimum
    EXPECT_EQ(v.Surfaces[1].Height, 90);
    EXPECT_EQ(v.ClientWidth, 403);
    EXPECT_EQ(v.ClientHeight, 154);
    // Keys in index order with the rectangles LayOutBoard stored.
    const BoardKey& k = KeyOf(v, 2, 3);
    EXPECT_EQ(k.Key, 3);
    EXPECT_EQ((std::array{k.Left, k.Top, k.Right, k.Bottom}), (std::array{10, 50, 49, 79}));
    EXPECT_EQ(v.Surfaces[0].Picture.Faces.size(), 4u);
    EXPECT_EQ(v.Surfaces[0].Picture.Faces[0].Label, "A");
}

// --- the highlight -------------------------------------------------------------

TEST_F(BoardViewModel, OnlyTheActivePlayBoardsCurrentBoardHighlightsItsCurrentKey) {
    struct Case {
        const char* name;
        std::int32_t curSet, curBd, curKey;
        std::int32_t highlighted; // key of board 1, or 0
    };
    const Case cases[] = {
        {"active, current board", 1, 1, 3, 3},
        {"another Play Board active", 2, 1, 3, 0},
        {"another board current", 1, 2, 3, 0},
        {"no current key", 1, 1, 0, 0},
        {"current key past the device's keys", 1, 1, 9, 0},
    };
    for (const Case& c : cases) {
        o.CurSet = c.curSet;
        o.Set(1).CurBd = c.curBd;
        o.Set(1).Bd(1).CurKey = c.curKey;
        const BoardViewPicture v = Drawn(1);
        for (int k = 1; k <= 4; ++k) {
            EXPECT_EQ(KeyOf(v, 1, k).Highlighted, k == c.highlighted) << c.name << ", key " << k;
            const KeyFace& face = v.Surfaces[0].Picture.Faces[static_cast<std::size_t>(k - 1)];
            EXPECT_EQ(face.Fill, k == c.highlighted ? CurrentKeyColour : KeyColour) << c.name << ", key " << k;
        }
    }
}

// --- key counts ------------------------------------------------------------------

TEST_F(BoardViewModel, ABoardWhoseKeyCountDiffersFromItsDeviceIsResizedKeepingWhatFits) {
    struct Case {
        std::size_t stored;
    };
    for (const Case c : {Case{2}, Case{6}, Case{0}}) {
        SubBoard& sb = o.Set(3).Bd(1);
        sb.Keys.assign(c.stored, NewKeyAssign());
        for (std::size_t i = 0; i < c.stored; ++i) sb.Keys[i].MidiKeyNo = static_cast<std::int32_t>(60 + i);
        const BoardViewPicture v = Drawn(3);
        ASSERT_EQ(sb.KeyNos(), 4) << c.stored;
        EXPECT_EQ(v.Surfaces[0].Keys.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i) {
            if (i < c.stored) EXPECT_EQ(sb.Keys[i].MidiKeyNo, static_cast<std::int32_t>(60 + i)) << c.stored;
            else EXPECT_EQ(sb.Keys[i].MidiKeyNo, 0) << c.stored; // an added key is empty
        }
    }
}

// --- absent devices ----------------------------------------------------------------

TEST_F(BoardViewModel, ABoardOfAnAbsentDeviceIsACaptionOnlySurfaceStackedWithTheOthers) {
    for (std::int32_t absent : {0, 3, -2}) {
        PlayBoard& pb = o.Set(3);
        pb.Bds.insert(pb.Bds.begin(), SubBoard{});
        SubBoard& gone = pb.Bd(1);
        gone.BodNam = "Drums-1";
        gone.InpDev = "Drum Pad";
        gone.InpDevNo = absent;
        gone.Keys.assign(5, NewKeyAssign());
        gone.Keys[4].SndSrc = kSrcMidi;

        const BoardViewPicture v = Drawn(3);
        ASSERT_EQ(v.Surfaces.size(), 3u);
        const BoardSurface& s = v.Surfaces[0];
        EXPECT_FALSE(s.DevicePresent);
        EXPECT_EQ(s.Caption, "Board Name: Drums-1 (Device: Drum Pad)");
        EXPECT_EQ((std::array{s.Left, s.Top, s.Width, s.Height}), (std::array{0, 0, 200, 50}));
        EXPECT_TRUE(s.Keys.empty());
        EXPECT_TRUE(s.Picture.Faces.empty());
        EXPECT_EQ(v.Surfaces[1].Top, 50);
        EXPECT_EQ(v.Surfaces[2].Top, 110);
        EXPECT_EQ(v.ClientHeight, 50 + 60 + 90 + 4);
        EXPECT_EQ(gone.KeyNos(), 5); // its assignments wait for the device
        EXPECT_EQ(gone.Keys[4].SndSrc, kSrcMidi);

        // No key can be hit on it; the board still becomes the current one.
        View(3).MousePressed(1, 15, 25, MouseButton::Right);
        EXPECT_EQ(pb.CurBd, 1);
        EXPECT_EQ(gone.CurKey, 0);
        EXPECT_EQ(t.st.EditKeyValid, kVbFalse);
        EXPECT_FALSE(t.shell.Saw<notice::ShowKeyMenu>());
        EXPECT_EQ(gone.KeyNos(), 5);
        EXPECT_FALSE(View(3).ShowKeyIcon(SubBoardNo{1}, KeyNo{5}));
        pb.Bds.erase(pb.Bds.begin());
        t.shell.Clear();
    }
}

// --- mouse presses -------------------------------------------------------------------

TEST_F(BoardViewModel, PressingAKeyMakesItCurrentAndTheEditKey) {
    Drawn(3);
    View(3).MousePressed(2, 60, 30, MouseButton::Left); // Stick key 2: 50..89 x 20..49
    EXPECT_EQ(o.CurSet, 3);
    EXPECT_EQ(o.Set(3).CurBd, 2);
    EXPECT_EQ(o.Set(3).Bd(2).CurKey, 2);
    EXPECT_EQ((std::array{t.st.EditSet, t.st.EditBd, t.st.EditKey}), (std::array{3, 2, 2}));
    EXPECT_EQ(t.st.EditKeyValid, kVbTrue);
    const std::vector<Notice> expected = {notice::ShowPlayAssignment{},
                                          notice::RedrawBoard{PlayBoardNo{3}, SubBoardNo{2}}};
    EXPECT_EQ(t.shell.notices, expected);
    // The new current key is the highlighted one.
    EXPECT_TRUE(KeyOf(Drawn(3), 2, 2).Highlighted);
}

TEST_F(BoardViewModel, BorderPixelsHitNoKey) {
    struct Case {
        const char* name;
        std::int32_t x, y;
        std::int32_t key;
    };
    // Pad key 2 spans x 50..89, y 20..49 inclusive; key 1 ends at x 49.
    const Case cases[] = {
        {"inside", 51, 21, 2},        {"left edge", 50, 30, 0},      {"right edge", 89, 30, 0},
        {"top edge", 60, 20, 0},      {"bottom edge", 60, 49, 0},    {"far corner inside", 88, 48, 2},
        {"caption strip", 60, 10, 0}, {"below the keys", 60, 55, 0}, {"left of every key", 5, 30, 0},
        {"negative", -60, -30, 0},
    };
    for (const Case& c : cases) {
        Drawn(3);
        o.Set(3).Bd(1).CurKey = 4;
        t.st.EditSet = 3, t.st.EditBd = 1, t.st.EditKey = 4, t.st.EditKeyValid = kVbTrue;
        t.shell.Clear();
        // Hovering finds the key a click finds, and changes nothing.
        EXPECT_EQ(View(3).KeyAt(1, c.x, c.y), c.key) << c.name;
        EXPECT_EQ(o.Set(3).Bd(1).CurKey, 4) << c.name;
        EXPECT_TRUE(t.shell.notices.empty()) << c.name;
        View(3).MousePressed(1, c.x, c.y, MouseButton::Left);
        EXPECT_EQ(o.Set(3).Bd(1).CurKey, c.key) << c.name;
        EXPECT_EQ(o.Set(3).CurBd, 1) << c.name;
        if (c.key) {
            EXPECT_EQ(t.st.EditKeyValid, kVbTrue) << c.name;
        } else {
            EXPECT_EQ(t.st.EditKeyValid, kVbFalse) << c.name;
            EXPECT_EQ((std::array{t.st.EditSet, t.st.EditBd, t.st.EditKey}), (std::array{0, 0, 0})) << c.name;
        }
        // Redrawn either way, so the highlight follows.
        EXPECT_TRUE((t.shell.notices == std::vector<Notice>{notice::ShowPlayAssignment{},
                                                            notice::RedrawBoard{PlayBoardNo{3}, SubBoardNo{1}}}))
            << c.name;
    }
}

TEST_F(BoardViewModel, PressingAKeyOfAnInactivePlayBoardMakesItTheActiveOne) {
    Drawn(1);
    View(1).MousePressed(1, 20, 30, MouseButton::Left);
    EXPECT_EQ(o.CurSet, 1);
    EXPECT_EQ(t.st.EditSet, 1);
    EXPECT_EQ(t.st.EditKey, 1);
    EXPECT_TRUE(KeyOf(Drawn(1), 1, 1).Highlighted);
}

TEST_F(BoardViewModel, RightClickingAKeyPopsUpTheKeyMenuAfterTheRedraw) {
    Drawn(3);
    View(3).MousePressed(1, 100, 30, MouseButton::Right); // key 3
    ASSERT_FALSE(t.shell.notices.empty());
    EXPECT_EQ(t.shell.notices.back(), (Notice{notice::ShowKeyMenu{{PlayBoardNo{3}, SubBoardNo{1}, KeyNo{3}}}}));
    EXPECT_EQ(t.shell.notices[t.shell.notices.size() - 2],
              (Notice{notice::RedrawBoard{PlayBoardNo{3}, SubBoardNo{1}}}));
}

TEST_F(BoardViewModel, RightClickingEmptySpaceOnABoardClearsTheCurrentKeyAndOpensNoMenu) {
    Drawn(3);
    View(3).MousePressed(1, 100, 30, MouseButton::Left);
    ASSERT_EQ(o.Set(3).Bd(1).CurKey, 3);
    t.shell.Clear();
    View(3).MousePressed(1, 300, 30, MouseButton::Right);
    EXPECT_EQ(o.Set(3).Bd(1).CurKey, 0);
    EXPECT_EQ(t.st.EditKeyValid, kVbFalse);
    EXPECT_FALSE(t.shell.Saw<notice::ShowKeyMenu>());
    EXPECT_FALSE(t.shell.Saw<notice::ShowPlayTableMenu>());
    EXPECT_TRUE(t.shell.Saw<notice::RedrawBoard>());
}

TEST_F(BoardViewModel, TheBoardThatLosesTheHighlightIsPaintedAgainToo) {
    Drawn(1);
    Drawn(3);
    View(3).MousePressed(1, 20, 30, MouseButton::Left);
    t.shell.Clear();
    View(3).MousePressed(2, 20, 30, MouseButton::Left); // board 1 of Joe was current
    EXPECT_EQ(t.shell.notices,
              (std::vector<Notice>{notice::ShowPlayAssignment{}, notice::RedrawBoard{PlayBoardNo{3}, SubBoardNo{2}},
                                   notice::RedrawBoard{PlayBoardNo{3}, SubBoardNo{1}}}));
    t.shell.Clear();
    View(1).MousePressed(1, 20, 30, MouseButton::Left); // Joe was active, its board 2 current
    EXPECT_EQ(t.shell.notices,
              (std::vector<Notice>{notice::ShowPlayAssignment{}, notice::RedrawBoard{PlayBoardNo{1}, SubBoardNo{1}},
                                   notice::RedrawBoard{PlayBoardNo{3}, SubBoardNo{2}}}));
}

TEST_F(BoardViewModel, IndexesOutsideTheOrchestraChangeNothingAndDescribeNothing) {
    Drawn(3);
    o.Set(3).CurBd = 1;
    t.st.EditSet = 3, t.st.EditBd = 1, t.st.EditKey = 2, t.st.EditKeyValid = kVbTrue;
    t.shell.Clear();
    View(3).MousePressed(0, 20, 30, MouseButton::Right);
    View(3).MousePressed(3, 20, 30, MouseButton::Right);
    View(4).MousePressed(1, 20, 30, MouseButton::Right);
    View(0).MousePressed(1, 20, 30, MouseButton::Left);
    View(4).BackgroundPressed(MouseButton::Right);
    View(4).Activated();
    EXPECT_EQ(o.CurSet, 3);
    EXPECT_EQ(o.Set(3).CurBd, 1);
    EXPECT_EQ((std::array{t.st.EditSet, t.st.EditBd, t.st.EditKey}), (std::array{3, 1, 2}));
    EXPECT_TRUE(t.shell.notices.empty());

    for (std::int32_t p : {0, 4, -1}) {
        const BoardViewPicture v = Drawn(p);
        EXPECT_TRUE(v.Surfaces.empty()) << p;
        EXPECT_EQ(v.Title, "") << p;
        EXPECT_FALSE(View(p).DrawBoard(1)) << p;
        EXPECT_FALSE(View(p).ShowKeyIcon(SubBoardNo{1}, KeyNo{1})) << p;
    }
    EXPECT_FALSE(View(3).DrawBoard(0));
    EXPECT_FALSE(View(3).DrawBoard(3));
    for (auto [b, k] : {std::pair{0, 1}, {3, 1}, {1, 0}, {1, 5}})
        EXPECT_FALSE(View(3).ShowKeyIcon(SubBoardNo{b}, KeyNo{k})) << b << "/" << k;
    EXPECT_TRUE(View(3).ShowKeyIcon(SubBoardNo{2}, KeyNo{3}));
}

TEST_F(BoardViewModel, APressOnABoardWithTooFewKeysMatchesThemFirstSoTheEditKeyExists) {
    Drawn(3);
    o.Set(3).Bd(1).Keys.resize(1);                       // as a file made with a smaller pad leaves it
    View(3).MousePressed(1, 140, 30, MouseButton::Left); // key 4
    EXPECT_EQ(t.st.EditKey, 4);
    EXPECT_EQ(t.st.EditKeyValid, kVbTrue);
    EXPECT_NE(o.FindKey({PlayBoardNo{3}, SubBoardNo{1}, KeyNo{4}}), nullptr);
}

TEST_F(BoardViewModel, TheKeysOfABoardThatWasNeverDrawnCannotBeHit) {
    View(3).MousePressed(1, 20, 30, MouseButton::Left);
    EXPECT_EQ(t.st.EditKeyValid, kVbFalse);
    EXPECT_EQ(o.Set(3).CurBd, 1);
}

TEST_F(BoardViewModel, OnlyARightClickOnTheBackgroundPopsUpThePlayTableMenu) {
    View(2).BackgroundPressed(MouseButton::Left);
    View(2).BackgroundPressed(MouseButton::Middle);
    EXPECT_TRUE(t.shell.notices.empty());
    View(2).BackgroundPressed(MouseButton::Right);
    EXPECT_EQ(t.shell.notices, (std::vector<Notice>{notice::ShowPlayTableMenu{PlayBoardNo{2}}}));
    EXPECT_EQ(o.CurSet, 3); // the background changes nothing
}

// --- activation ------------------------------------------------------------------------

TEST_F(BoardViewModel, ActivatingAWindowMakesItsPlayBoardActiveAndEdited) {
    o.Set(1).CurBd = 2;
    o.Set(1).Bd(2).CurKey = 3;
    t.st.EditSet = 3, t.st.EditBd = 1, t.st.EditKey = 1, t.st.EditKeyValid = kVbTrue;
    View(1).Activated();
    EXPECT_EQ(o.CurSet, 1);
    EXPECT_EQ((std::array{t.st.EditSet, t.st.EditBd, t.st.EditKey}), (std::array{1, 2, 3}));
    EXPECT_EQ(t.st.EditKeyValid, kVbTrue);
    EXPECT_EQ(t.shell.notices, (std::vector<Notice>{notice::ShowActivePlayBoard{}, notice::ShowPlayAssignment{}}));

    // Already the edit Play Board: the edit key stays, only the label follows.
    o.Set(1).Bd(2).CurKey = 1;
    t.shell.Clear();
    View(1).Activated();
    EXPECT_EQ(t.st.EditKey, 3);
    EXPECT_EQ(t.shell.notices, (std::vector<Notice>{notice::ShowActivePlayBoard{}}));
}

TEST_F(BoardViewModel, ActivatingAPlayBoardWithNoCurrentKeyLeavesTheEditKeyInvalid) {
    struct Case {
        const char* name;
        std::int32_t curBd, curKey;
    };
    for (const Case& c :
         {Case{"never clicked", 0, 0}, Case{"a board but no key", 2, 0}, Case{"a board past the last", 5, 1}}) {
        o.Set(2).CurBd = c.curBd;
        if (c.curBd >= 1 && c.curBd <= 2) o.Set(2).Bd(c.curBd).CurKey = c.curKey;
        t.st.EditSet = 3, t.st.EditBd = 1, t.st.EditKey = 1, t.st.EditKeyValid = kVbTrue;
        View(2).Activated();
        EXPECT_EQ(t.st.EditSet, 2) << c.name;
        EXPECT_EQ(t.st.EditKeyValid, kVbFalse) << c.name;
    }
}

// --- rebuilding the views ----------------------------------------------------------------

TEST_F(BoardViewModel, RebuildingAllViewsSettlesAnOutOfRangeActivePlayBoardOnTheLast) {
    for (std::int32_t curSet : {0, -1, 4, 99, 2}) {
        o.CurSet = curSet;
        t.st.EditSet = 0;
        t.shell.Clear();
        RefreshBoardViews(t.st, 0);
        const std::int32_t expected = curSet == 2 ? 2 : 3;
        EXPECT_EQ(o.CurSet, expected) << curSet;
        EXPECT_EQ(t.st.EditSet, expected) << curSet; // activation makes it the edit Play Board
        EXPECT_EQ(t.shell.notices.back(), (Notice{notice::ActivateBoardView{PlayBoardNo{expected}}})) << curSet;
    }
}

TEST_F(BoardViewModel, RebuildingAllViewsMakesOneViewPerPlayBoardInOrder) {
    o.Set(2).Bd(1).Keys.resize(1);
    RefreshBoardViews(t.st, 0);
    const std::vector<Notice> expected = {
        notice::CloseAllBoardViews{},
        notice::OpenBoardView{PlayBoardNo{1}},
        notice::UpdateTableCaption{PlayBoardNo{1}},
        notice::RedrawBoardView{PlayBoardNo{1}},
        notice::OpenBoardView{PlayBoardNo{2}},
        notice::UpdateTableCaption{PlayBoardNo{2}},
        notice::RedrawBoardView{PlayBoardNo{2}},
        notice::OpenBoardView{PlayBoardNo{3}},
        notice::UpdateTableCaption{PlayBoardNo{3}},
        notice::RedrawBoardView{PlayBoardNo{3}},
        notice::ShowBoardView{PlayBoardNo{1}},
        notice::ShowBoardView{PlayBoardNo{2}},
        notice::ShowBoardView{PlayBoardNo{3}},
        notice::ShowActivePlayBoard{},
        notice::ShowPlayAssignment{},
        notice::ActivateBoardView{PlayBoardNo{3}},
    };
    EXPECT_EQ(t.shell.notices, expected);
    EXPECT_EQ(o.Set(2).Bd(1).KeyNos(), 4); // drawn, so matched to its device
    EXPECT_EQ(t.shell.busy, (std::vector<bool>{true, false}));
}

TEST_F(BoardViewModel, RebuildingOneViewDrawsItAndActivatesTheActivePlayBoard) {
    o.Set(1).Bd(2).Keys.clear();
    RefreshBoardViews(t.st, 1);
    const std::vector<Notice> expected = {
        notice::OpenBoardView{PlayBoardNo{1}},
        notice::RedrawBoardView{PlayBoardNo{1}},
        notice::ShowBoardView{PlayBoardNo{1}},
        notice::ShowActivePlayBoard{},
        notice::ShowPlayAssignment{},
        notice::ActivateBoardView{PlayBoardNo{3}},
        notice::UpdateTableCaption{PlayBoardNo{1}},
    };
    EXPECT_EQ(t.shell.notices, expected);
    EXPECT_EQ(o.Set(1).Bd(2).KeyNos(), 3);
    EXPECT_EQ(o.CurSet, 3);
    EXPECT_EQ(t.st.EditSet, 3);
}

TEST_F(BoardViewModel, RebuildingAViewThatIsNotThereDoesNothing) {
    for (std::int32_t p : {4, -1}) {
        RefreshBoardViews(t.st, p);
        EXPECT_TRUE(t.shell.notices.empty()) << p;
        EXPECT_TRUE(t.shell.busy.empty()) << p;
    }
    // A one-view rebuild leaves an out-of-range active Play Board alone.
    o.CurSet = 0;
    RefreshBoardViews(t.st, 2);
    EXPECT_EQ(o.CurSet, 0);
    EXPECT_FALSE(t.shell.Saw<notice::ActivateBoardView>());
}

} // namespace
} // namespace tambrel::test
