#pragma once
// The program's own small wave-file parser.

#include <cstdint>
#include <optional>
#include <string>

#include "audio/WaveData.h"

namespace tambrel {

class Shell;

// The message box a wave file that cannot be used calls for.
struct WaveProblem {
    std::string text;
    std::string title;
};

// Reads the format and the "data" chunk of a wave file into w. Returns false
// when the file cannot be used, with the box to show in `problem` (left empty
// for an empty path or a missing file, which fail silently).
bool ReadWaveFile(const std::string& path, WaveData& w, std::optional<WaveProblem>& problem);

// ReadWaveFile, showing the problem's box.
bool ParseWaveFile(const std::string& path, WaveData& w, Shell& shell);

// Why a wave of this format cannot be played ("Sampling rate ( 1) not
// supported", ...), or empty when the parser accepts it: the same rule for
// waves stored inside an Orchestra file as for wave files.
std::string WaveFormatProblem(std::int32_t bitsPerSample, std::int32_t channels, std::int32_t sampleRate);

} // namespace tambrel
