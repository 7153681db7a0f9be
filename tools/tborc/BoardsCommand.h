#pragma once
// `tborc boards`: an Orchestra's board view of one Play Board as JSON, after
// clicks on its boards, so layouts, icons and the click rules can be checked
// from scripts.

#include <ostream>
#include <string>
#include <vector>

#include "tools/tborc/TborcSettings.h"

namespace CLI {
class App;
}

namespace tambrel {

struct BoardsArgs {
    std::string file;
    std::vector<std::string> devices; // NAME:KEYS
    TborcSettings settings;
    std::string playBoard;            // empty: the active one
    std::vector<std::string> presses; // SURFACE:X:Y[:right]
};

// Adds the subcommand to app, parsing into args (which must outlive app).
CLI::App* AddBoardsCommand(CLI::App& app, BoardsArgs& args);

// Returns the exit status: 0, 1 when a file cannot be read, 2 for bad arguments.
int RunBoards(const BoardsArgs& args, std::ostream& out, std::ostream& err);

} // namespace tambrel
