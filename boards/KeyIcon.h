#pragma once
// The icon a board key carries for its assignment, and where it and the mute
// cross are painted. User-interface thread.

#include <cstdint>
#include <string>

#include "boards/BoardViewPicture.h"
#include "document/DeviceLayout.h"
#include "document/KeyAssign.h"

namespace tambrel {

// 1..7 by sound source and play style; for a key without a source 99 when it
// is the current key of its Play Board's current Sub Board, else 0. A source
// or play style outside the known ones shows 0.
std::int32_t ChooseKeyIcon(const KeyAssign& key, bool isCurrentKey);

// Key `key` at its computed place, with its icon, icon corner, mute cross
// and the name of what it plays with the box that name is printed in.
BoardKey DescribeBoardKey(const LayoutKey& place, std::int32_t key, const KeyAssign& assign, bool isCurrentKey,
                          bool highlighted, std::string sound = {});

} // namespace tambrel
