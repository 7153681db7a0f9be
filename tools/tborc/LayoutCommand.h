#pragma once
// tborc layout: the devices' key layouts after ReadDeviceLayout and
// LayOutBoard as JSON, optionally after layout-editor sessions run from
// scripts, optionally written back into the settings file as shutdown does.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "document/InputDevice.h"
#include "tools/tborc/TborcSettings.h"

namespace CLI {
class App;
}

namespace tambrel {

// Turns --device NAME:KEYS arguments into devices (tborc's own parser).
using DeviceParser =
    std::function<bool(const std::vector<std::string>& args, std::vector<InputDevice>& out, std::string& error)>;

class LayoutCommand {
public:
    // Registers the subcommand "layout" with its options on app.
    explicit LayoutCommand(CLI::App& app);
    // Whether the command line chose it (after parsing).
    bool Chosen() const;
    // Runs it; the process exit status.
    int Run(const DeviceParser& parseDevices, std::ostream& out, std::ostream& err) const;

private:
    CLI::App* command_ = nullptr;
    std::vector<std::string> devices_, edits_;
    TborcSettings settings_;
    bool write_ = false;
};

} // namespace tambrel
