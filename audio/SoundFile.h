#pragma once
// A sound file for a key: a wave the parser accepts is taken byte for byte,
// every other sound file is decoded and converted.

#include <optional>
#include <string>

#include "audio/SoundDecoder.h"
#include "audio/WaveData.h"
#include "audio/WaveFile.h"

namespace tambrel {

// ReadWaveFile first; when it refuses a file that is there, DecodeSoundFile.
// On failure `problem` holds the box to show (empty for an empty path or a
// missing file, as ReadWaveFile). `decoded`, when given, receives what the
// decoder found (left as it is when the parser took the file).
bool ReadSoundFile(const std::string& path, WaveData& w, std::optional<WaveProblem>& problem,
                   DecodeProgress* progress = nullptr, DecodeResult* decoded = nullptr);

// The box for a file neither the parser nor the decoder could use.
WaveProblem SoundFileProblem(const std::string& path, const DecodeResult& decode, const WaveProblem& parsed);

} // namespace tambrel
