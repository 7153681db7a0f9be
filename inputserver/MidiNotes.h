#pragma once
// MIDI input as keys: a port is a device of 128 keys, one per note, named
// as musicians name them ("C-1" ... "G9", middle C = "C4"). A Note On with a
// velocity above 0 presses its key; a Note Off, or a Note On with velocity
// 0, releases it.
//
// MidiByteReader turns a raw MIDI byte stream into those changes: running
// status, real-time bytes anywhere, system exclusive messages of any length
// (skipped without being kept), stray data bytes. It holds a few bytes of
// state and nothing else, whatever it is fed.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inputserver/Backend.h"

namespace tambrel::server {

inline constexpr int kMidiNotes = 128;
inline constexpr std::string_view kMidiDevicePrefix = "MIDI: ";

// "C-1" for note 0, "C4" for 60, "G9" for 127; sharps as "C#4".
std::string MidiNoteName(int note);
std::vector<std::string> MidiKeyNames();

// A note change as a server item: key note + 1, data the velocity (0 is a
// release).
inline Item MidiNoteItem(int note, int velocity) { return {note + 1, velocity}; }

class MidiByteReader {
public:
    // The change this byte completes, if any.
    std::optional<Item> Feed(std::uint8_t byte);

private:
    std::uint8_t status_ = 0; // running status (a channel message's), 0: none
    std::uint8_t data_[2] = {0, 0};
    int have_ = 0;       // data bytes collected for status_
    int skip_ = 0;       // data bytes of a system common message still to skip
    bool sysex_ = false; // inside a system exclusive message
};

} // namespace tambrel::server
