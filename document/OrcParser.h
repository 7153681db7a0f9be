#pragma once
// Reading an Orchestra from the bytes of its file: the entries are indexed,
// the version checked and every value read by name with its default. No
// file is opened here, no device looked at, no wave file loaded and nothing
// said to the user: what the bytes hold comes back whole, and the loader
// (OpenSaveClass) binds it to this computer's devices and sounds. The bytes
// are hostile: every count and length is checked against what the file can
// hold before anything is made for it. Stored samples are found but not read:
// the loader reads each one as it makes its buffer, so a file refused for a
// fault found late has cost no sample reading.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/WaveData.h"
#include "common/ByteSource.h"
#include "document/OrcIndex.h"
#include "document/Orchestra.h"

namespace tambrel {

// The sound a wave key's entries give it, for the loader to make its buffer.
struct WaveRef {
    std::int32_t set = 0, bd = 0, key = 0; // the key's place, each counted from 1
    enum class Kind {
        File,     // the wave file `path` (never "") is to be loaded
        Stored,   // `wave` holds the format of the ByteCount samples of a "WavBuf" entry
        Unusable, // stored in a format no wave file may have: `problem` says why
    } kind = Kind::File;
    std::string path;        // File: the file to load; Unusable: the wave file it came from, or ""
    std::string entry;       // Unusable: the number of its "WavBuf" entry, as stored
    std::string problem;     // Unusable
    WaveData wave;           // Stored: Data stays empty until OrcParse::ReadSamples
    OrcIndex::Entry samples; // Stored: where the samples lie
};

// The key count of the device a Sub Board is bound to on this computer, by
// the device name the board stores; nullopt when there is no such device.
using DeviceKeyCount = std::function<std::optional<std::int32_t>(const std::string& storedName)>;

struct OrcParse {
    enum class Outcome {
        Read,           // orc and waves hold what the file holds
        Newer,          // "File Version" above 1: made by a newer version, nothing read
        NotAnOrchestra, // "File Version" missing or below 1: problem says which
        Damaged,        // problem names the place or the field at fault
    } outcome = Outcome::Damaged;
    // Why the file cannot be read, without the file's name.
    std::string problem;
    // As stored: each Sub Board keeps the device name of the file
    // ("Keyboard", not this computer's name) and InpDevNo 0. A board of a
    // device that is here holds its stored KeyNos keys, but no more than the
    // device has: those its lists give with their fields, WavFile and
    // MultiTimLst but no sound, the rest with the new-key defaults. A board
    // of an absent device holds none (its key entries are not read).
    Orchestra orc;
    // The sounds of the wave keys that have one to load, in file order.
    std::vector<WaveRef> waves;
    // The entries of the file, through which ReadSamples reads (Read only).
    std::unique_ptr<const OrcIndex> index;
    // For each Sub Board in file order, how many of its keys the reading
    // reached, for the loader's progress: 0 for a board of an absent device;
    // where a board's list ends before its key count, the key after its last
    // item.
    std::vector<std::int32_t> keysReached;
};

// Throws only when the bytes cannot be read (std::runtime_error) or memory
// runs out (std::bad_alloc). `bytes` must outlive every ReadSamples on the
// result.
OrcParse ParseOrchestra(const ByteSource& bytes, const DeviceKeyCount& keysOf);

// Reads the samples of a Stored wave of `read` into wave.wave.Data (exactly
// its ByteCount bytes); throws std::runtime_error when they cannot be read.
void ReadSamples(const OrcParse& read, WaveRef& wave);

} // namespace tambrel
