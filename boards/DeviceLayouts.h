#pragma once
// Reading, writing and building the devices' key layouts. A layout lives on
// its InputDevices entry and is stored in the settings file in a section
// named exactly as the device. User-interface thread.

#include <cstdint>
#include <string_view>

#include "common/Settings.h"
#include "document/ProgramState.h"

namespace tambrel {

// Reads device's layout from settings; a missing or invalid one becomes the
// default for the system keyboard, the system mouse, a MIDI port (its notes
// by octave), or (any other device) the 14-per-row grid. Called for every device, in device order, after
// detection. The entries are read whole (not cut to 99 characters); a number
// that does not fit in 32 bits fails its field's check (a board size then
// takes its default, a key or row entry makes the layout invalid). The rows
// array always has the row count's length. An invalid layout is never
// reported (only a default builder's own error is).
void ReadDeviceLayout(ProgramState& st, const Settings& settings, std::int32_t device);
// Writes device's layout back, as shutdown does for every device in order.
void WriteDeviceLayout(const ProgramState& st, const Settings& settings, std::int32_t device);

// Overwrite device's layout with a default arrangement. The mouse and
// rectangle builders report an error in a message box titled "Error
// Initilizing mouse key layout" / "Error Initilizing rectangular layout" and
// stop, leaving what they had set (a mouse without keys; zero keys per row).
void BuildKeyboardLayout(ProgramState& st, std::int32_t device);
void BuildMouseLayout(ProgramState& st, std::int32_t device);
void BuildRectangularLayout(ProgramState& st, std::int32_t device, std::int32_t keysPerRow);

// A MIDI port the input server reports: "MIDI: " and the port's name, one
// key per note.
inline constexpr std::string_view kMidiNoteDevicePrefix = "MIDI: ";
inline constexpr std::int32_t kMidiNoteKeys = 128;
bool IsMidiNoteDevice(const InputDevice& dev);
// A MIDI port's default: eleven rows of twelve notes, one octave a row, the
// lowest octave at the bottom, black keys narrower and set apart. Any other
// device gets the rectangular grid.
void BuildNoteLayout(ProgramState& st, std::int32_t device);
// The OSC device the input server offers: its 128 keys "OSC 1" ... "OSC 128"
// in rows of sixteen, wide enough for their labels.
inline constexpr std::string_view kOscDeviceName = "OSC";
inline constexpr std::int32_t kOscKeys = 128;
void BuildOscLayout(ProgramState& st, std::int32_t device);

} // namespace tambrel
