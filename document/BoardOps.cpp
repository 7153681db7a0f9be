#include "document/BoardOps.h"

#include <algorithm>

#include "common/SanitizeName.h"
#include "common/NumberText.h"
#include "document/NewOrchestra.h"

namespace tambrel {
namespace {

constexpr std::string_view kLastOne = "Can not Delete the last one";

bool IsBlank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

void ClonePlayBoard(ProgramState& st, std::int32_t p) {
    Orchestra& o = st.Orc;
    PlayBoard copy = o.Set(p); // keys' wave buffers are shared, not copied
    copy.SetNam += "1";
    o.PlayBoards.push_back(std::move(copy));
    o.CurSet = o.SetNos();
    st.views.Post(notice::RebuildBoardView{PlayBoardNo{o.CurSet}});
    st.SetModified();
}

// The edit key is addressed by position: when boards before it go or come,
// it follows its own board; when its board goes, nothing is edited, so the
// next change never lands on another board's key.
void ForgetEditKey(ProgramState& st) {
    st.EditSet = st.EditBd = st.EditKey = 0;
    st.EditKeyValid = kVbFalse;
    st.views.Post(notice::HidePlayAssignment{});
}

void DeletePlayBoard(ProgramState& st, std::int32_t p) {
    Orchestra& o = st.Orc;
    if (o.SetNos() < 2) {
        st.shell.Message(kLastOne, "Delete Play Board Failed", MsgButtons::Ok);
        return;
    }
    const std::string question = "Do you wish to delete the Play Board \"" + o.Set(p).SetNam + "\" ?";
    if (st.shell.Message(question, "Delete Play Board", MsgButtons::YesNo) != MsgAnswer::Yes) return;

    st.views.Post(notice::CloseBoardView{PlayBoardNo{p}});
    o.PlayBoards.erase(o.PlayBoards.begin() + (p - 1));
    if (st.EditSet == p) ForgetEditKey(st);
    else if (st.EditSet > p) --st.EditSet;
    for (std::int32_t i = p; i <= o.SetNos(); ++i)
        st.views.Post(notice::RenumberBoardView{PlayBoardNo{i + 1}, PlayBoardNo{i}});
    st.views.Post(notice::UpdateSetActiveMenu{});

    // CurSet steps back whatever the position of p, so the same Play Board
    // stays active when an earlier one goes.
    o.CurSet = std::max(o.CurSet - 1, 1);
    st.views.Post(notice::ActivateBoardView{PlayBoardNo{o.CurSet}});

    // Action keys that switched to a later Play Board follow it down.
    for (PlayBoard& pb : o.PlayBoards)
        for (SubBoard& sb : pb.Bds)
            for (KeyAssign& k : sb.Keys)
                if (k.SndSrc == kSrcAction && k.ActCmd == kActChangeTable && k.ActSub1 > p) --k.ActSub1;

    st.views.Post(notice::UpdateBoardMenu{});
    st.SetModified();
}

void RenamePlayBoard(ProgramState& st, std::int32_t p) {
    PlayBoard& pb = st.Orc.Set(p);
    std::string name = st.shell.Input("Enter the New Name", "Rename Play Table", pb.SetNam);
    if (IsBlank(name)) return;
    SanitizeName(name);
    pb.SetNam = std::move(name);
    st.views.Post(notice::UpdateTableCaption{PlayBoardNo{p}});
    st.views.Post(notice::UpdateSetActiveMenu{});
    st.views.Post(notice::ShowActivePlayBoard{});
    st.SetModified();
}

void BoardsChanged(ProgramState& st, std::int32_t p) {
    st.views.Post(notice::UpdateBoardMenu{});
    st.SetModified();
    st.views.Post(notice::RedrawBoardView{PlayBoardNo{p}});
}

} // namespace

void PlayBoardOp(ProgramState& st, int op, std::int32_t p) {
    if (!st.Orc.ValidSet(p)) return;
    switch (op) {
    case kPbClone: ClonePlayBoard(st, p); break;
    case kPbDelete: DeletePlayBoard(st, p); break;
    case kPbRename: RenamePlayBoard(st, p); break;
    default: break;
    }
}

std::optional<SubBoardNo> SubBoardOp(ProgramState& st, int op, std::int32_t b, std::int32_t p) {
    Orchestra& o = st.Orc;
    if (!o.ValidSet(p)) return std::nullopt;
    PlayBoard& pb = o.Set(p);

    if (op == kSbAdd) {
        // b names a device here, so it is bounded by the detected devices,
        // not by how many Sub Boards the Play Board happens to have.
        if (!st.Device(b)) return std::nullopt;
        const std::int32_t n = pb.BodNos() + 1;
        pb.Bds.push_back(NewSubBoard(st, b, "New" + st.Device(b)->Name + "-" + IntText(n)));
        BoardsChanged(st, p);
        return SubBoardNo{n};
    }
    if (op != kSbDelete && op != kSbRename && op != kSbClone) {
        st.views.Post(notice::RedrawBoardView{PlayBoardNo{p}});
        return std::nullopt;
    }
    if (b < 1 || b > pb.BodNos()) return std::nullopt;

    if (op == kSbDelete) {
        if (pb.BodNos() < 2) {
            st.shell.Message(kLastOne, "Delete Sub Board Failed", MsgButtons::Ok);
            return std::nullopt;
        }
        const std::string question =
            "Do you wish to delete the Board \"" + pb.Bd(b).BodNam + "\" in the Play Board \"" + pb.SetNam + "\" ?";
        if (st.shell.Message(question, "Delete Sub Board", MsgButtons::YesNo) != MsgAnswer::Yes) return std::nullopt;
        pb.Bds.erase(pb.Bds.begin() + (b - 1));
        if (pb.CurBd > pb.BodNos()) pb.CurBd = pb.BodNos();
        if (st.EditSet == p && st.EditBd == b) ForgetEditKey(st);
        else if (st.EditSet == p && st.EditBd > b) --st.EditBd;
        BoardsChanged(st, p);
    } else if (op == kSbRename) {
        const std::string old = pb.Bd(b).BodNam;
        std::string name = st.shell.Input("Enter the new name for this board\r\n(old name: " + old + ")", "", old);
        if (name.empty()) return std::nullopt;
        pb.Bd(b).BodNam = std::move(name); // Sub Board names are kept as typed
        st.views.Post(notice::UpdateBoardMenu{});
        st.views.Post(notice::UpdateBoardCaption{PlayBoardNo{p}, SubBoardNo{b}});
        st.SetModified();
        st.views.Post(notice::RedrawBoardView{PlayBoardNo{p}});
    } else { // clone: the copy sits right after its source
        SubBoard copy = pb.Bd(b);
        copy.BodNam += "1";
        pb.Bds.insert(pb.Bds.begin() + b, std::move(copy));
        if (st.EditSet == p && st.EditBd > b) ++st.EditBd;
        BoardsChanged(st, p);
    }
    return std::nullopt;
}

std::vector<std::string> SetActiveMenuItems(const Orchestra& orc) {
    std::vector<std::string> items;
    for (const PlayBoard& pb : orc.PlayBoards) items.push_back(pb.SetNam);
    return items;
}

std::vector<std::string> BoardMenuItems(const Orchestra& orc) {
    std::vector<std::string> items;
    if (!orc.ValidSet(orc.CurSet)) return items;
    const PlayBoard& pb = orc.Set(orc.CurSet);
    for (const SubBoard& sb : pb.Bds) items.push_back(pb.SetNam + ": " + sb.BodNam);
    return items;
}

} // namespace tambrel
