#include <gtest/gtest.h>

#include "common/SanitizeName.h"
#include "document/BoardOps.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

// Three Play Boards with an action key on Mike that switches to each of them.
struct BoardOps : ::testing::Test {
    TestState t;
    Orchestra& o = t.st.Orc;

    void SetUp() override {
        for (int target = 1; target <= 3; ++target) {
            KeyAssign& k = o.Set(1).Bd(1).Key(target);
            k.SndSrc = kSrcAction;
            k.ActCmd = kActChangeTable;
            k.ActSub1 = target;
        }
        t.st.FileModified = kVbFalse;
    }
    std::int32_t Target(int key) const { return o.Set(1).Bd(1).Key(key).ActSub1; }
};

TEST_F(BoardOps, CloneAddsANamedCopyAsTheLastActivePlayBoardSharingWaves) {
    o.Set(3).Bd(1).Key(5).SndBuf = std::make_shared<SoundBuffer>(WaveFormat{16, 1, 22050}, SoundBuffer::Samples(8));
    PlayBoardOp(t.st, kPbClone, 3);
    ASSERT_EQ(o.SetNos(), 4);
    EXPECT_EQ(o.CurSet, 4);
    EXPECT_EQ(o.Set(4).SetNam, "Joe1");
    EXPECT_EQ(o.Set(4).Bd(1).Key(5).SndBuf, o.Set(3).Bd(1).Key(5).SndBuf);
    // The copy's keys are its own: editing one leaves the source alone.
    o.Set(4).Bd(1).Key(6).Velos = 3;
    EXPECT_EQ(o.Set(3).Bd(1).Key(6).Velos, 127);
    EXPECT_EQ(t.st.FileModified, kVbTrue);
    EXPECT_TRUE((t.shell.notices.back() == Notice{notice::RebuildBoardView{PlayBoardNo{4}}}));
}

TEST_F(BoardOps, DeletingTheFirstOfThreeKeepsTheActiveOneAndRenumbersActionTargets) {
    t.shell.answers = {MsgAnswer::Yes};
    PlayBoardOp(t.st, kPbDelete, 1);
    ASSERT_EQ(t.shell.messages.size(), 1u);
    EXPECT_EQ(t.shell.messages[0].text, "Do you wish to delete the Play Board \"Mike\" ?");
    EXPECT_EQ(t.shell.messages[0].title, "Delete Play Board");
    EXPECT_EQ(t.shell.messages[0].buttons, MsgButtons::YesNo);
    ASSERT_EQ(o.SetNos(), 2);
    EXPECT_EQ(o.CurSet, 2);
    EXPECT_EQ(o.Set(2).SetNam, "Joe");
    EXPECT_TRUE(t.shell.Saw<notice::CloseBoardView>());
    EXPECT_TRUE((t.shell.notices[1] == Notice{notice::RenumberBoardView{PlayBoardNo{2}, PlayBoardNo{1}}}));
    EXPECT_EQ(t.st.FileModified, kVbTrue);
}

TEST_F(BoardOps, DeletionRenumbersActionTargetsAfterTheDeletedBoard) {
    // Move the action keys to Jim, then delete Mike.
    o.Set(2).Bd(1).Keys = o.Set(1).Bd(1).Keys;
    t.shell.answers = {MsgAnswer::Yes};
    PlayBoardOp(t.st, kPbDelete, 1);
    const SubBoard& jim = o.Set(1).Bd(1);
    EXPECT_EQ(jim.Key(1).ActSub1, 1); // targeted the deleted board: keeps its number
    EXPECT_EQ(jim.Key(2).ActSub1, 1);
    EXPECT_EQ(jim.Key(3).ActSub1, 2);
}

TEST_F(BoardOps, DeletingTheLastWhileTheSecondIsActiveActivatesTheFirst) {
    o.CurSet = 2;
    t.shell.answers = {MsgAnswer::Yes};
    PlayBoardOp(t.st, kPbDelete, 3);
    EXPECT_EQ(o.SetNos(), 2);
    EXPECT_EQ(o.CurSet, 1);
    EXPECT_EQ(Target(3), 3); // no later board: nothing renumbered
}

TEST_F(BoardOps, RefusalsAndCancellationsChangeNothing) {
    t.shell.answers = {MsgAnswer::No};
    PlayBoardOp(t.st, kPbDelete, 2);
    EXPECT_EQ(o.SetNos(), 3);

    o.PlayBoards.resize(1);
    PlayBoardOp(t.st, kPbDelete, 1);
    EXPECT_EQ(t.shell.messages.back().text, "Can not Delete the last one");
    EXPECT_EQ(t.shell.messages.back().title, "Delete Play Board Failed");
    EXPECT_EQ(t.shell.messages.back().buttons, MsgButtons::Ok);

    o.Set(1).Bds.resize(1);
    std::int32_t b = 1;
    SubBoardOp(t.st, kSbDelete, b, 1);
    EXPECT_EQ(t.shell.messages.back().text, "Can not Delete the last one");
    EXPECT_EQ(t.shell.messages.back().title, "Delete Sub Board Failed");

    t.shell.typed = {"   "};
    PlayBoardOp(t.st, kPbRename, 1);
    EXPECT_EQ(o.Set(1).SetNam, "Mike");
    t.shell.typed = {""};
    SubBoardOp(t.st, kSbRename, b, 1);
    EXPECT_EQ(o.Set(1).Bd(1).BodNam, "Keyboard-1");

    PlayBoardOp(t.st, kPbClone, 0);
    PlayBoardOp(t.st, kPbClone, 2);
    b = 9;
    SubBoardOp(t.st, kSbClone, b, 1);
    EXPECT_EQ(o.SetNos(), 1);
    EXPECT_EQ(o.Set(1).BodNos(), 1);
    EXPECT_EQ(t.st.FileModified, kVbFalse);
}

TEST_F(BoardOps, RenamesFilterPlayBoardNamesButKeepSubBoardNamesAsTyped) {
    t.shell.typed = {"Ab/ #9", "Ab/ #9"};
    PlayBoardOp(t.st, kPbRename, 2);
    EXPECT_EQ(o.Set(2).SetNam, "Ab_ _9");
    EXPECT_EQ(t.shell.inputs[0].prompt, "Enter the New Name");
    EXPECT_EQ(t.shell.inputs[0].title, "Rename Play Table");
    EXPECT_EQ(t.shell.inputs[0].proposed, "Jim");

    std::int32_t b = 2;
    SubBoardOp(t.st, kSbRename, b, 2);
    EXPECT_EQ(o.Set(2).Bd(2).BodNam, "Ab/ #9");
    EXPECT_EQ(t.shell.inputs[1].prompt, "Enter the new name for this board\r\n(old name: Mouse-2)");
    EXPECT_EQ(t.shell.inputs[1].title, "");
    EXPECT_TRUE(t.shell.Saw<notice::UpdateBoardCaption>());
    EXPECT_EQ(t.st.FileModified, kVbTrue);
}

TEST(SanitizeName, ReplacesEveryByteOutsideTheAllowedSet) {
    struct Case {
        std::string in, out;
        bool clean;
    } cases[] = {
        {"Joe 2_x", "Joe 2_x", true},
        {"a/b#c", "a_b_c", false},
        {"Caf\xE9", "Caf_", false}, // an accented letter is replaced too
        {"", "", true},
    };
    for (auto c : cases) {
        std::string s = c.in;
        EXPECT_EQ(SanitizeName(s), c.clean) << c.in;
        EXPECT_EQ(s, c.out);
    }
}

TEST_F(BoardOps, AddSubBoardForADeviceNamesItAndReturnsItsIndex) {
    EXPECT_EQ(SubBoardOp(t.st, kSbAdd, 2, 3), SubBoardNo{3}); // for the mouse
    ASSERT_EQ(o.Set(3).BodNos(), 3);
    const SubBoard& sb = o.Set(3).Bd(3);
    EXPECT_EQ(sb.BodNam, "NewMouse-3");
    EXPECT_EQ(sb.InpDev, "Mouse");
    EXPECT_EQ(sb.InpDevNo, 2);
    EXPECT_EQ(sb.KeyNos(), 8);
    EXPECT_EQ(sb.Key(1).LoopTimes, 10);
    EXPECT_EQ(t.st.FileModified, kVbTrue);

    // Devices are bounded by the detected devices, not by the board count.
    o.Set(1).Bds.resize(1);
    EXPECT_EQ(SubBoardOp(t.st, kSbAdd, 2, 1), SubBoardNo{2});
    EXPECT_EQ(o.Set(1).BodNos(), 2);
    EXPECT_EQ(SubBoardOp(t.st, kSbAdd, 3, 1), std::nullopt);
    EXPECT_EQ(o.Set(1).BodNos(), 2);
    EXPECT_EQ(SubBoardOp(t.st, kSbRename, 1, 1), std::nullopt) << "only an added board is returned";
}

TEST_F(BoardOps, CloneSubBoardPutsTheCopyRightAfterItsSource) {
    std::int32_t b = 1;
    SubBoardOp(t.st, kSbAdd, b = 1, 1); // Keyboard-1, Mouse-2, NewKeyboard-3
    b = 1;
    SubBoardOp(t.st, kSbClone, b, 1);
    ASSERT_EQ(o.Set(1).BodNos(), 4);
    EXPECT_EQ(o.Set(1).Bd(1).BodNam, "Keyboard-1");
    EXPECT_EQ(o.Set(1).Bd(2).BodNam, "Keyboard-11");
    EXPECT_EQ(o.Set(1).Bd(3).BodNam, "Mouse-2");
    EXPECT_EQ(o.Set(1).Bd(4).BodNam, "NewKeyboard-3");
}

TEST_F(BoardOps, DeleteSubBoardAsksWithBothNamesAndClampsTheSelection) {
    o.Set(3).CurBd = 2;
    std::int32_t b = 1;
    t.shell.answers = {MsgAnswer::Yes};
    SubBoardOp(t.st, kSbDelete, b, 3);
    EXPECT_EQ(t.shell.messages[0].text, "Do you wish to delete the Board \"Keyboard-1\" in the Play Board \"Joe\" ?");
    EXPECT_EQ(t.shell.messages[0].title, "Delete Sub Board");
    ASSERT_EQ(o.Set(3).BodNos(), 1);
    EXPECT_EQ(o.Set(3).Bd(1).BodNam, "Mouse-2");
    EXPECT_EQ(o.Set(3).CurBd, 1);
}

TEST_F(BoardOps, OtherCodesOnlyRedraw) {
    std::int32_t b = 1;
    SubBoardOp(t.st, 5, b, 2);
    EXPECT_EQ(t.shell.notices.size(), 1u);
    EXPECT_TRUE((t.shell.notices[0] == Notice{notice::RedrawBoardView{PlayBoardNo{2}}}));
    EXPECT_EQ(t.st.FileModified, kVbFalse);
}

TEST_F(BoardOps, MenuItemsNameTheActivePlayBoardsSubBoards) {
    EXPECT_EQ(SetActiveMenuItems(o), (std::vector<std::string>{"Mike", "Jim", "Joe"}));
    EXPECT_EQ(BoardMenuItems(o), (std::vector<std::string>{"Joe: Keyboard-1", "Joe: Mouse-2"}));
}

} // namespace
} // namespace tambrel::test

namespace tambrel::test {
namespace {

struct EditKeyCase {
    const char* name;
    bool playBoard; // the operation is on a Play Board, else on Sub Board 1 of Play Board 1
    int op;
    std::int32_t editSet, editBd;
    std::int32_t wantSet, wantBd;
    bool wantValid;
};

class EditKeyFollowsItsBoard : public ::testing::TestWithParam<EditKeyCase> {};

TEST_P(EditKeyFollowsItsBoard, WhenBoardsBeforeItComeOrGo) {
    const EditKeyCase& c = GetParam();
    TestState t;
    t.st.Orc.PlayBoards[0].Bds.push_back(t.st.Orc.PlayBoards[0].Bds[0]); // three Sub Boards on Play Board 1
    t.st.EditSet = c.editSet;
    t.st.EditBd = c.editBd;
    t.st.EditKey = 30;
    t.st.EditKeyValid = kVbTrue;
    t.shell.answers = {MsgAnswer::Yes};
    if (c.playBoard) {
        PlayBoardOp(t.st, c.op, 1);
    } else {
        std::int32_t b = 1;
        SubBoardOp(t.st, c.op, b, 1);
    }
    EXPECT_EQ(t.st.EditKeyValid, c.wantValid ? kVbTrue : kVbFalse);
    if (c.wantValid) {
        EXPECT_EQ(t.st.EditSet, c.wantSet);
        EXPECT_EQ(t.st.EditBd, c.wantBd);
        EXPECT_EQ(t.st.EditKey, 30);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, EditKeyFollowsItsBoard,
                         ::testing::Values(EditKeyCase{"SubBoardBeforeItDeleted", false, kSbDelete, 1, 3, 1, 2, true},
                                           EditKeyCase{"ItsSubBoardDeleted", false, kSbDelete, 1, 1, 0, 0, false},
                                           EditKeyCase{"SubBoardOfAnotherPlayBoardDeleted", false, kSbDelete, 2, 1, 2,
                                                       1, true},
                                           EditKeyCase{"SubBoardBeforeItCloned", false, kSbClone, 1, 2, 1, 3, true},
                                           EditKeyCase{"ItsOwnSubBoardCloned", false, kSbClone, 1, 1, 1, 1, true},
                                           EditKeyCase{"PlayBoardBeforeItDeleted", true, kPbDelete, 3, 1, 2, 1, true},
                                           EditKeyCase{"ItsPlayBoardDeleted", true, kPbDelete, 1, 2, 0, 0, false}),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace tambrel::test
