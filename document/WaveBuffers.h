#pragma once
// Between parsed waves, a key's sound buffer and the Orchestra file.

#include <string>
#include <vector>

#include "document/KeyAssign.h"
#include "audio/SoundBuffer.h"
#include "audio/WaveData.h"

namespace tambrel {

class Shell;

// Makes a buffer of w's format holding its ByteCount sample bytes; w.Data is
// moved into the buffer, not copied. Replaces what buf held. False, without a
// message, when the format or size cannot make a buffer.
bool CreateWaveBuffer(WaveData& w, SoundBufferRef& buf);

// The reverse, used when saving: fills w with buf's format and its first n
// sample bytes (only the fields when withData is false). False when buf is
// empty, n is 0 or the format is incomplete.
bool ReadWaveBuffer(const SoundBufferRef& buf, std::int32_t n, WaveData& w, bool withData = true);

// Reads path (a wave the parser takes as it is, any other sound file decoded
// to 16-bit 44100 Hz) and gives the key a new buffer; on failure the key keeps its
// file name and byte count. WaveDur is recomputed in every case. Why a file
// could not be used is shown at once, or, when `problems` is given, added
// to it as "PATH: reason" for the caller to show with others in one box.
void LoadWaveForKey(const std::string& path, KeyAssign& key, Shell& shell,
                    std::vector<std::string>* problems = nullptr);

// WaveDur = buffer bytes / average bytes per second, 0 unless a wave key.
void CalcWaveDur(KeyAssign& key);

} // namespace tambrel
