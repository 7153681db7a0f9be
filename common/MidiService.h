#pragma once
// The MIDI service behind MIDI output: the output ports present now, and one
// opened port that takes program changes, notes with velocity and duration,
// and band or motif segments. The built-in synthesizer (sound/fluidsynth) and
// the ALSA sequencer ports (sound/alsa) implement it; tests use fakes.
//
// Channels count from 0. Channels 16..31 are the second channel group: a port
// with 32 channels plays them as they are, a 16-channel port on channel - 16.
// User-interface thread only; no call blocks on the audio thread.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tambrel {

struct MidiPortInfo {
    std::string Name;
    // A software synthesizer that is driven by bands and motifs: notes sent to
    // it directly would not keep their velocity and duration.
    bool SoftSynth = false;
};

// One timed event of a band or a motif, relative to the segment's start.
struct MidiEvent {
    enum class Kind : std::uint8_t { Program, Note };
    Kind What = Kind::Note;
    std::int32_t TimeMs = 0;
    std::int32_t Channel = 0;
    std::int32_t Data = 0;     // program number, or note number
    std::int32_t Velocity = 0; // notes only
    std::int32_t DurMs = 0;    // notes only
};

// A band (program changes) or a motif (notes). Immutable once loaded; ports
// keep a reference while they play it.
struct MidiSegment {
    std::string Name;
    std::vector<MidiEvent> Events;
};
using MidiSegmentRef = std::shared_ptr<const MidiSegment>;

class MidiPort {
public:
    virtual ~MidiPort() = default;
    virtual void ProgramChange(int channel, int program) = 0;
    // A note of durationMs milliseconds; the port ends it itself. Notes and
    // velocities outside 0..127 sound nothing.
    virtual void Note(int channel, int note, int velocity, int durationMs) = 0;
    // Plays a segment as the one primary segment: the segment playing before
    // stops (its notes end, its events still to come are dropped).
    virtual void PlaySegment(const MidiSegmentRef& segment) = 0;
    // Master volume in hundredths of a decibel (0 = as the port plays).
    virtual void SetMasterVolume(int hundredthsDb) = 0;
    // Everything sounding stops at once; nothing scheduled remains.
    virtual void StopAll() = 0;
};

class MidiService {
public:
    virtual ~MidiService() = default;
    // The output ports present now, in menu order. May throw on a service error.
    virtual std::vector<MidiPortInfo> ListPorts() = 0;
    // Opens port index (0-based, in ListPorts order). Empty with a description
    // in error when it cannot be opened. Closing is dropping the port: it
    // stops what it plays.
    virtual std::unique_ptr<MidiPort> OpenPort(int index, std::string& error) = 0;
};

} // namespace tambrel
