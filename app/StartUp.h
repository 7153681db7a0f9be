#pragma once
// The start routine of TambrelOrchestra and everything it wires together:
// installer switches, the second-instance check, folders and settings, the
// services behind the core's interfaces (Qt timers, SDL2 audio, the built-in
// synthesizer and the ALSA sequencer, the input server on the event loop),
// the main window, then the core's start steps. Returns the exit status.

namespace tambrel {

int RunMainProgram(int argc, char** argv);

} // namespace tambrel
