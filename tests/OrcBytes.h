#pragma once
// Orchestra file entries written by hand, independently of the saver:
//   "*" | int32 N | name | int32 M | value | "*"
// Shared by the file-format tests and the loading benchmark.

#include <cstdint>
#include <string>

namespace tambrel::test {

inline std::string LE32(std::int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xff);
    return s;
}

inline std::string EntryBytes(const std::string& name, const std::string& value) {
    return "*" + LE32(static_cast<std::int32_t>(name.size())) + name + LE32(static_cast<std::int32_t>(value.size())) +
           value + "*";
}

} // namespace tambrel::test
