#pragma once
// tborc run in this process, as the tests call it: the arguments without
// the program's name, the exit status and both outputs.

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tools/tborc/Tborc.h"

namespace tambrel::test {

struct ToolRun {
    int status;
    std::string out, err;
    nlohmann::json Json() const { return nlohmann::json::parse(out); }
};

inline ToolRun Tborc(std::vector<std::string> args) {
    args.insert(args.begin(), "tborc");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = RunTborc(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

} // namespace tambrel::test
