#pragma once
// A performance exported to audio: key presses (given, or a keystroke
// recording played back) go through the same routing, dispatcher, timers and
// mixer as live presses, on a virtual clock, so the output is the same on
// every run, sample for sample.

#include <cstdint>
#include <exception>
#include <vector>

#include "document/ProgramState.h"

namespace tambrel {

class AudioSource;
class MidiService;

struct RenderPress {
    std::int64_t ms = 0; // from the start
    std::int32_t device = 0;
    std::int32_t key = 0;
};

// Told how far a render has come; answering false stops it (Cancel), and
// RenderPerformance then throws RenderCancelled.
class RenderProgress {
public:
    virtual ~RenderProgress() = default;
    // fraction of the expected length in [0, 1]; called once per block at most.
    virtual bool Rendered(double fraction) = 0;
};

struct RenderCancelled : std::exception {
    const char* what() const noexcept override { return "cancelled"; }
};

struct RenderOptions {
    int rate = 44100;
    double tailSeconds = 2.0;         // left to ring out after the last press
    std::int32_t recording = 0;       // a recording to play back from the start; 0 none
    std::vector<RenderPress> presses; // in any order
    // MIDI keys play on these ports (none: they sound nothing); source is
    // rendered beside the mixer in the same blocks (the built-in synthesizer
    // behind the ports), its output added to the mixer's.
    MidiService* midi = nullptr;
    AudioSource* source = nullptr;
    RenderProgress* progress = nullptr;
};

// Renders st.Orc; returns interleaved float stereo frames at options.rate.
// The Orchestra's runtime state (loops, CurSet) changes as it would live.
std::vector<float> RenderPerformance(ProgramState& st, const RenderOptions& options);

} // namespace tambrel
