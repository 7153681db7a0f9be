#pragma once
// Sectioned "key=value" text files with the semantics of the classic profile
// functions: sections and keys matched without regard to letter case, reads
// through a fixed buffer, the file created by the first write, every other
// line kept as it was.

#include <cstddef>
#include <string>
#include <string_view>

namespace tambrel {

// The value of key in section, cut to bufferSize - 1 characters; fallback when
// the file, the section or the key is absent.
std::string GetProfileString(const std::string& path, std::string_view section, std::string_view key,
                             std::string_view fallback, std::size_t bufferSize = 100);

// Sets key in section to value, adding the section and key when missing.
// Returns false when the file cannot be written.
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);

} // namespace tambrel
