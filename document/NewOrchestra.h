#pragma once

#include <string>

#include "document/ProgramState.h"

namespace tambrel {

// A Sub Board bound to device d (1-based) with KeyNos = its key count and
// every key at the new-key defaults.
SubBoard NewSubBoard(const ProgramState& st, std::int32_t d, std::string name);

// The Orchestra a new document starts with: Play Boards "Mike", "Jim" and
// "Joe" (the last active), one Sub Board per detected device, one empty
// recording "First Recording".
Orchestra NewOrchestra(const ProgramState& st);

} // namespace tambrel
