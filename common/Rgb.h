#pragma once
// A colour as the windows are told it: 8-bit red, green and blue.

#include <cstdint>

namespace tambrel {

struct Rgb {
    std::uint8_t R = 0, G = 0, B = 0;
    bool operator==(const Rgb&) const = default;
};

} // namespace tambrel
