#include <gtest/gtest.h>

#include "session/MainMenus.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

std::vector<std::string> Shown(const MenuItems& items) {
    std::vector<std::string> out;
    for (const MenuItem& i : items)
        if (i.Visible) out.push_back(i.Caption + (i.Enabled ? "" : " (disabled)"));
    return out;
}

TEST(MainMenus, ItemListsFollowTheOrchestraAndTheDevices) {
    TestState t;
    Orchestra& o = t.st.Orc;
    o.PlayBoards[0].SetNam = "Joe & Co";
    EXPECT_EQ(Shown(SetActiveMenu(o)),
              (std::vector<std::string>{"Joe & Co", o.PlayBoards[1].SetNam, o.PlayBoards[2].SetNam}));
    o.CurSet = 1;
    o.PlayBoards[0].Bds[0].BodNam = "Keyboard-1";
    std::vector<std::string> boards = Shown(BoardMenu(o));
    ASSERT_EQ(boards.size(), o.PlayBoards[0].Bds.size());
    EXPECT_EQ(boards[0], "Joe & Co: Keyboard-1");
    EXPECT_EQ(Shown(DeviceMenu(t.st)), (std::vector<std::string>{"Keyboard", "Mouse"}));
}

TEST(MainMenus, TheNoneTemplateStandsInForAnEmptyList) {
    TestState t{{}};
    Orchestra& o = t.st.Orc;
    o.PlayBoards[0].Bds.clear();
    o.CurSet = 1;
    EXPECT_EQ(Shown(BoardMenu(o)), std::vector<std::string>{"None (disabled)"});
    EXPECT_EQ(Shown(DeviceMenu(t.st)), std::vector<std::string>{"None (disabled)"});
    o.CurSet = 9; // out of range: no Sub Board to list
    EXPECT_EQ(Shown(BoardMenu(o)), std::vector<std::string>{"None (disabled)"});
    o.PlayBoards.clear();
    EXPECT_EQ(Shown(SetActiveMenu(o)), std::vector<std::string>{"None"});
}

} // namespace
} // namespace tambrel::test
