#pragma once
// Bringing the sound service up at start-up, and the editor's "Select File".
// User-interface thread.

#include <string>
#include <string_view>

#include "document/ProgramState.h"
#include "common/AudioOutput.h"

namespace tambrel {

class KeyPlayer;

// Checks that the media services the program was built with can start.
// On failure shows the start-up text of the download-links window through
// the shell and returns false; start-up goes on.
bool CreateDirectX(ProgramState& st, bool servicesPresent, const std::string& error);
// The error line of the download-links window when the audio system cannot be
// started; error is the audio system's own description.
std::string DirectXErrorLine(std::string_view error);

// Opens the sound device and starts pulling frames from render. On failure
// shows the long message and returns false: the program then ends.
bool InitSound(ProgramState& st, AudioOutput& output, AudioOutput::RenderFn render);
// The long message InitSound shows when the sound device cannot be opened.
void ShowSoundStartFailure(ProgramState& st, const std::string& error);

// The editor's "Select File" button: asks for a wave file, stops what the
// edited key plays and loads the chosen file into it. Does nothing when the
// dialog is cancelled; only hides the editor while no valid key is edited.
void SelectWaveFile(ProgramState& st, KeyPlayer& player);

} // namespace tambrel
