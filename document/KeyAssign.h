#pragma once
// One key's assignment. The bracketed defaults of a new key live in
// NewKeyAssign(); a value-initialised KeyAssign is the all-zero key that a
// loaded Sub Board gets for keys its file did not hold.

#include <cstdint>
#include <string>

#include "audio/SoundBuffer.h"

namespace tambrel {

// 16-bit Boolean fields hold 0 for False and -1 for True.
using VbBool = std::int16_t;
inline constexpr VbBool kVbTrue = -1;
inline constexpr VbBool kVbFalse = 0;

enum SoundSource : std::int32_t { kSrcNone = 0, kSrcWave = 1, kSrcMidi = 5, kSrcAction = 11 };
enum PlayStyle : std::int32_t { kPlayOnce = 0, kPlayMulti = 1, kPlayLoop = 2, kPlayQueue = 3 };
enum QueueDup : std::int32_t { kQueNoDup = 0, kQueAllowDup = 1, kQueKeepLooping = 2 };
enum LoopOpt : std::int32_t { kLoopContinuous = 0, kLoopCounted = 1 };
enum ActionCmd : std::int32_t { kActNothing = 0, kActChangeTable = 1, kActStopPlay = 2 };
// ActSub1 of a kActStopPlay key: which stop it runs (1-based, as its list shows them).
enum ActionStop : std::int32_t { kActStopAll = 1, kActStopMidi = 2, kActStopLoopAndQueue = 3 };

// Flags stored as integers (Mute, AllowDup, SaveInFile, DrumOn) hold 0 or 1;
// only 1 counts as on, so a stray value read from a file is off.
inline constexpr std::int32_t kFlagOff = 0;
inline constexpr std::int32_t kFlagOn = 1;
constexpr bool FlagOn(std::int32_t flag) { return flag == kFlagOn; }

struct KeyAssign {
    std::int32_t SndSrc = 0;
    std::int32_t Mute = 0;
    std::string WavFile;
    std::int32_t SaveInFile = 0;
    std::int32_t PlayStyl = 0;
    std::int32_t AllowDup = 0;
    std::int32_t QueDupLoop = 0;
    std::string MultiTimLst;
    std::int32_t LoopOption = 0;
    std::int32_t LoopTimes = 0;
    VbBool Looping = kVbFalse;
    std::int32_t QueNo = 0;
    SoundBufferRef SndBuf;
    std::int32_t WavBytes = 0;
    float WaveDur = 0.0f;
    std::int32_t Instru = 0;
    std::int32_t MidiKeyNo = 0;
    std::int32_t Velos = 0;
    std::int32_t Dur = 0;
    std::int32_t DrumOn = 0;
    std::int32_t DrumBank = 0;
    std::int32_t ActCmd = 0;
    std::int32_t ActSub1 = 0;
};

// The assignment of a freshly made key.
KeyAssign NewKeyAssign();

} // namespace tambrel
