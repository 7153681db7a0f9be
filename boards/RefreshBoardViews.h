#pragma once
// Building the board view windows again after the Orchestra was reshaped,
// opened or renewed. The program calls it when asked by RebuildBoardView (p)
// or RebuildAllBoardViews (0). User-interface thread.

#include <cstdint>

#include "document/ProgramState.h"

namespace tambrel {

// p = 0: every view is closed and one is made per Play Board; an out-of-range
// CurSet becomes the last Play Board, whose view is then activated.
// p = a Play Board: its view is made when missing and drawn again, and the
// view of CurSet is activated. Any other p does nothing.
// The windows follow the notices OpenBoardView, RedrawBoardView,
// ShowBoardView, ActivateBoardView, UpdateTableCaption and CloseAllBoardViews;
// the state changes (key counts matched, CurSet, the edit Play Board) are
// made here.
void RefreshBoardViews(ProgramState& st, std::int32_t p);

} // namespace tambrel
