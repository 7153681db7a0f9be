#pragma once
// Where the tests find the real input-device server: the build tells them.

#include <string>

#include "input/LocInputDx7Class.h"

#ifndef TAMBREL_INPUT_SERVER_PATH
#define TAMBREL_INPUT_SERVER_PATH ""
#endif

namespace tambrel::test {

inline std::string ServerPath() {
    std::string p = TAMBREL_INPUT_SERVER_PATH;
    return p.empty() ? LocInputDx7Class::DefaultServerPath() : p;
}

} // namespace tambrel::test
