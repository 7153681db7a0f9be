#include "boards/RefreshBoardViews.h"

#include "boards/BoardView.h"

namespace tambrel {

namespace {

void Draw(ProgramState& st, std::int32_t p) {
    BoardView(st, p).DrawBoardsAll(); // matches every Sub Board's key count to its device
    st.views.Post(notice::RedrawBoardView{PlayBoardNo{p}});
}

void ActivateCurrent(ProgramState& st) {
    if (!st.Orc.ValidSet(st.Orc.CurSet)) return;
    // The rule runs here, not only when the window reports its activation:
    // a window that is active already reports nothing.
    BoardView(st, st.Orc.CurSet).Activated();
    st.views.Post(notice::ActivateBoardView{PlayBoardNo{st.Orc.CurSet}});
}

} // namespace

void RefreshBoardViews(ProgramState& st, std::int32_t p) {
    Orchestra& o = st.Orc;
    if (p != 0 && !o.ValidSet(p)) return;
    st.shell.Busy(true);
    if (p != 0) {
        st.views.Post(notice::OpenBoardView{PlayBoardNo{p}});
        Draw(st, p);
        st.views.Post(notice::ShowBoardView{PlayBoardNo{p}});
        ActivateCurrent(st);
        st.views.Post(notice::UpdateTableCaption{PlayBoardNo{p}});
    } else {
        st.views.Post(notice::CloseAllBoardViews{});
        // Settled before drawing, so the first picture already shows the
        // active Play Board's current key.
        if (o.CurSet < 1 || o.CurSet > o.SetNos()) o.CurSet = o.SetNos();
        for (std::int32_t i = 1; i <= o.SetNos(); ++i) {
            st.views.Post(notice::OpenBoardView{PlayBoardNo{i}});
            st.views.Post(notice::UpdateTableCaption{PlayBoardNo{i}});
            Draw(st, i);
        }
        for (std::int32_t i = 1; i <= o.SetNos(); ++i) st.views.Post(notice::ShowBoardView{PlayBoardNo{i}});
        ActivateCurrent(st);
    }
    st.shell.Busy(false);
}

} // namespace tambrel
