#pragma once
// The tborc command line, callable from tests with its own output streams.

#include <ostream>

namespace tambrel {

// Returns the process exit status.
int RunTborc(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace tambrel
