#pragma once
// Where the input server listens for OSC: the settings file's section "OSC"
// (Enabled, Listen, Port), by default on this computer only, port 9000.
// Anything other than a loopback address opens the instrument to the
// network; the server then says so in the status panel.

#include <string>
#include <vector>

#include "common/Settings.h"

namespace tambrel {

inline constexpr const char* kOscSection = "OSC";

struct OscSetting {
    bool enabled = true;
    std::string listen = "127.0.0.1";
    std::string port = "9000"; // as written: a bad one is the server's to report
};

OscSetting ReadOscSetting(const Settings& settings);
// The input server's arguments for it: {"--osc", "LISTEN:PORT"}, or none
// when OSC is off.
std::vector<std::string> OscServerArgs(const OscSetting& osc);

} // namespace tambrel
