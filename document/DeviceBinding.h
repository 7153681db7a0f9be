#pragma once
// How a Sub Board finds its input device: by the device name it stores
// (InpDev), never by a number kept from another device list. Loading an
// Orchestra and detecting the devices again bind by this one rule.
// User-interface thread.

#include <cstdint>

#include "document/ProgramState.h"

namespace tambrel {

// A stored name "Keyboard" stands for this computer's keyboard (KeyboardName)
// and "Mouse" for its mouse (MouseName); sb.InpDev takes that name. Then
// sb.InpDevNo becomes the index of the first device with exactly that name,
// or 0 when there is none. The keys are left as they are.
void BindSubBoardToDevice(const ProgramState& st, SubBoard& sb);

// After the device list was rebuilt: every Sub Board of every Play Board is
// bound again by BindSubBoardToDevice. A board bound to a device with more
// keys than it holds gains all-zero keys up to the device's count, as a
// loaded board does; no board loses a key, so an assignment is never cut.
// True when any board's device index or key count changed.
bool RebindSubBoards(ProgramState& st);

} // namespace tambrel
