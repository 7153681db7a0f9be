#pragma once
// What the key player needs from MIDI output: one note per MIDI key press and
// a way to silence every sounding note. MIDI output implements it; until it is
// up, or in tools without a synthesizer, NullMidiPlayer stands in.
// User-interface thread.

#include "document/KeyAddress.h"

namespace tambrel {

class MidiPlayer {
public:
    virtual ~MidiPlayer() = default;
    // True while MIDI output is open.
    virtual bool MidiReady() const = 0;
    // Plays the note of the MIDI key at key; starts MIDI output first when it
    // is not up yet.
    virtual void PlayMidiKey(KeyAddress key) = 0;
    // Stops every sounding note; only called while MidiReady().
    virtual void StopAllMidi() = 0;
};

class NullMidiPlayer final : public MidiPlayer {
public:
    bool MidiReady() const override { return false; }
    void PlayMidiKey(KeyAddress) override {}
    void StopAllMidi() override {}
};

} // namespace tambrel
