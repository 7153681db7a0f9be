#pragma once

#include <string>

namespace tambrel {

// Replaces, in place, every character that is not A-Z, a-z, 0-9, a space or
// "_" by "_" (byte by byte, so accented letters are replaced too). True when
// nothing needed replacing.
bool SanitizeName(std::string& name);

} // namespace tambrel
