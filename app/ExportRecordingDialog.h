#pragma once
// File > "Export Recording as Wave…": the core's export command with a
// progress window whose Cancel stops the render.

class QWidget;

namespace tambrel {

struct ProgramState;

// Runs the export of the current recording; returns once it is written,
// cancelled, refused or failed (the core says which in the status panel).
void ExportRecordingAsWave(QWidget* parent, ProgramState& st);

} // namespace tambrel
