#pragma once
// Real devices through evdev (libevdev). Every keyboard is joined into one
// device "Keyboard" and every mouse into one "Mouse"; each game controller is
// a device of its own. Devices are opened read-only and never grabbed, so the
// rest of the desktop keeps receiving every key.

#include "inputserver/Backend.h"

namespace tambrel::server {

class EvdevBackend : public Backend {
public:
    // sysRoot: where the input class lives ("/sys/class/input"); devRoot:
    // where the event nodes are ("/dev/input").
    EvdevBackend(std::string sysRoot = "/sys/class/input", std::string devRoot = "/dev/input");
    std::vector<std::unique_ptr<BackendDevice>> Enumerate() override;

private:
    std::string sysRoot_, devRoot_;
};

} // namespace tambrel::server
