#include "boards/RefreshBoardViews.h"

#include "boards/BoardView.h"

namespace tambrel {

namespace {

void Draw(ProgramState& st, std::int32_t p) {
    BoardView(st, p).DrawBoardsAll(); // matches every Sub Board's key count to its device
    st.shell.Notify(ShellEvent::RedrawBoardView, p);
}

void ActivateCurrent(ProgramState& st) {
    if (!st.Orc.ValidSet(st.Orc.CurSet)) return;
    // The rule runs here, not only when the window reports its activation:
    // a window that is active already reports nothing.
    BoardView(st, st.Orc.CurSet).Activated();
    st.shell.Notify(ShellEvent::ActivateBoardView, st.Orc.CurSet);
}

} // namespace

void RefreshBoardViews(ProgramState& st, std::int32_t p) {
    Orchestra& o = st.Orc;
    if (p != 0 && !o.ValidSet(p)) return;
    st.shell.Busy(true);
    if (p != 0) {
        st.shell.Notify(ShellEvent::OpenBoardView, p);
        Draw(st, p);
        st.shell.Notify(ShellEvent::ShowBoardView, p);
        ActivateCurrent(st);
        st.shell.Notify(ShellEvent::UpdateTableCaption, p);
    } else {
        st.shell.Notify(ShellEvent::CloseAllBoardViews);
        // Settled before drawing, so the first picture already shows the
        // active Play Board's current key.
        if (o.CurSet < 1 || o.CurSet > o.SetNos()) o.CurSet = o.SetNos();
        for (std::int32_t i = 1; i <= o.SetNos(); ++i) {
            st.shell.Notify(ShellEvent::OpenBoardView, i);
            st.shell.Notify(ShellEvent::UpdateTableCaption, i);
            Draw(st, i);
        }
        for (std::int32_t i = 1; i <= o.SetNos(); ++i) st.shell.Notify(ShellEvent::ShowBoardView, i);
        ActivateCurrent(st);
    }
    st.shell.Busy(false);
}

} // namespace tambrel
