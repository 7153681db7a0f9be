#pragma once
// The runs for the installer's switches "-AfterInstall" and
// "-BeforeUnInstall": the media-service check with its window, then the
// installer hooks. They run before anything else is touched; Qt is started
// only when the check window must be shown, so both runs also work without
// a desktop.

#include <optional>
#include <string>

#include "session/MediaServices.h"

namespace tambrel {

// The exit status of a switch run, or nothing when the command line is not
// an installer switch.
std::optional<int> RunInstallerSwitches(int argc, char** argv);

// The probes that look at this computer: SDL's audio, the built-in
// synthesizer's SoundFont, the input server in appPath.
MediaProbes SystemMediaProbes(const std::string& appPath);

} // namespace tambrel
