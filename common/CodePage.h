#pragma once
// Names and values in files are Windows-1252 bytes; the user interface speaks
// UTF-8. These convert at that boundary only.

#include <string>
#include <string_view>

namespace tambrel {

std::string Cp1252ToUtf8(std::string_view bytes);
// Characters that Windows-1252 cannot hold, and malformed UTF-8, become "?".
std::string Utf8ToCp1252(std::string_view utf8);

} // namespace tambrel
