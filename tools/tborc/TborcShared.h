#pragma once
// What several tborc subcommands share: the shell that shows message boxes on
// standard error, the --device list, the temporary folder and loading an
// Orchestra with a message when it cannot be read.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "common/Shell.h"
#include "document/ProgramState.h"

namespace tambrel {

// Shows what the loader and saver would show as "title: text" lines.
class StderrShell : public SilentShell {
public:
    explicit StderrShell(std::ostream& err) : err_(err) {}
    MsgAnswer Message(std::string_view text, std::string_view title, MsgButtons buttons) override;
    void Status(std::string_view text) override { status = text; }
    int shown = 0;
    std::string status;

private:
    std::ostream& err_;
};

// "NAME:KEYS" entries (default Keyboard:128 Mouse:8) appended to out as ready
// devices; false with a message in error on a malformed one.
bool ParseDevices(const std::vector<std::string>& args, std::vector<InputDevice>& out, std::string& error);

// $TMPDIR, else /tmp, ending in "/".
std::string TempFolder();

// Loads file into st; false after telling the shell why not.
bool LoadOrchestraFile(const std::string& file, ProgramState& st, StderrShell& shell);

} // namespace tambrel
