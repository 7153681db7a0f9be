#pragma once
// The program's own small wave-file parser.

#include <string>

#include "audio/WaveData.h"

namespace tambrel {

class Shell;

// Reads the format bytes and the "data" chunk of a wave file into w. Returns
// false (with the matching message box, or silently for an empty path or a
// missing file) when the file cannot be used.
bool ParseWaveFile(const std::string& path, WaveData& w, Shell& shell);

} // namespace tambrel
