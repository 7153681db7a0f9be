#pragma once
// The main window's menus whose items follow the Orchestra and the device
// list: "PlayTable" > "Set Active", "Board" > "Clone" / "Rename" / "Delete",
// "Board" > "Add" and Tools > "Edit Layout". Item i (1-based) stands for Play
// Board, Sub Board or device i; item 0 is the "None" template.

#include "common/MenuItem.h"
#include "document/ProgramState.h"

namespace tambrel {

inline constexpr const char* kNoneItem = "None";

// One item per Play Board, captioned with its name; "None" hidden when there is one.
MenuItems SetActiveMenu(const Orchestra& orc);
// One item per Sub Board of the active Play Board: "Play Board: Sub Board";
// "None" disabled when there is none, hidden otherwise.
MenuItems BoardMenu(const Orchestra& orc);
// One item per detected device, captioned with its name; "None" shown
// disabled when there is no device, hidden otherwise.
MenuItems DeviceMenu(const ProgramState& st);

} // namespace tambrel
