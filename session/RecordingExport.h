#pragma once
// File > "Export Recording as Wave…": the current keystroke recording played
// through the offline renderer (as `tborc render --recording N`) into a wave
// file, apart from the live instrument.

#include <cstdint>
#include <string>

#include "document/ProgramState.h"
#include "session/OfflineRenderer.h"

namespace tambrel {

class AudioSource;
class MidiService;

// The rate an export is written at, as `tborc render` by default.
inline constexpr int kExportRate = 44100;
inline constexpr char kExportTitle[] = "Export Recording as Wave";
inline constexpr char kExportNoRecording[] = "There is no recording to export: record one first.";

struct ExportOutcome {
    enum class Kind { Written, Cancelled, Failed, Refused } kind = Kind::Failed;
    std::string text; // what went wrong, for the box
};

// Renders recording `recording` of st's Orchestra and writes it to path as a
// 16-bit stereo wave at `rate`. Works on a copy of the Orchestra whose keys
// hold duplicates of the live buffers (the samples shared, the voices not),
// so nothing that sounds or is shown live changes. The file is complete or
// absent; a file already at path goes to the Trash first, as saving does.
// midi and synth make MIDI keys sound (both may be null: MIDI keys are silent).
ExportOutcome ExportRecording(const ProgramState& st, std::int32_t recording, const std::string& path, int rate,
                              RenderProgress* progress, MidiService* midi = nullptr, AudioSource* synth = nullptr);

// The menu command: refuses when there is nothing to export or a recording
// is running, asks for the file, exports with `progress`, and says in a box
// what failed; the status panel says what came of it.
ExportOutcome ExportRecordingCommand(ProgramState& st, RenderProgress& progress, MidiService* midi = nullptr,
                                     AudioSource* synth = nullptr);

} // namespace tambrel
