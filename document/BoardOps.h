#pragma once
// Reshaping the Orchestra: Play Boards and Sub Boards added, cloned, renamed
// and deleted. Views and menus are told what changed through notices.
// User-interface thread.

#include <optional>
#include <string>
#include <vector>

#include "document/ProgramState.h"

namespace tambrel {

enum PlayBoardOpCode { kPbClone = 1, kPbDelete = 2, kPbRename = 3 };
enum SubBoardOpCode { kSbAdd = 1, kSbDelete = 2, kSbRename = 3, kSbClone = 4 };

// Does nothing when p is not a Play Board.
void PlayBoardOp(ProgramState& st, int op, std::int32_t p);

// For kSbAdd, b is a device number; the Sub Board added for it is returned.
// For the other codes b is a Sub Board, and nothing is returned; an unknown
// code only redraws Play Board p's view.
std::optional<SubBoardNo> SubBoardOp(ProgramState& st, int op, std::int32_t b, std::int32_t p);

// Item captions of the "Set Active" menu: one per Play Board.
std::vector<std::string> SetActiveMenuItems(const Orchestra& orc);
// Item captions of the "Board" > Clone / Rename / Delete menus: "Joe: Keyboard-1".
std::vector<std::string> BoardMenuItems(const Orchestra& orc);

} // namespace tambrel
