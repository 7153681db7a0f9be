#pragma once
// Reshaping the Orchestra: Play Boards and Sub Boards added, cloned, renamed
// and deleted. Views and menus are told through the shell what changed.
// User-interface thread.

#include <string>
#include <vector>

#include "document/ProgramState.h"

namespace tambrel {

enum PlayBoardOpCode { kPbClone = 1, kPbDelete = 2, kPbRename = 3 };
enum SubBoardOpCode { kSbAdd = 1, kSbDelete = 2, kSbRename = 3, kSbClone = 4 };

// Does nothing when p is not a Play Board.
void PlayBoardOp(ProgramState& st, int op, std::int32_t p);

// For kSbAdd, b is the device number on entry and the new Sub Board's index on
// return. Any other code only redraws Play Board p's view.
void SubBoardOp(ProgramState& st, int op, std::int32_t& b, std::int32_t p);

// Item captions of the "Set Active" menu: one per Play Board.
std::vector<std::string> SetActiveMenuItems(const Orchestra& orc);
// Item captions of the "Board" > Clone / Rename / Delete menus: "Joe: Keyboard-1".
std::vector<std::string> BoardMenuItems(const Orchestra& orc);

} // namespace tambrel
