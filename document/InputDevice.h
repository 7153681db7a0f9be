#pragma once
// One detected input device as the program knows it.

#include <cstdint>
#include <string>
#include <vector>

#include "document/DeviceLayout.h"

namespace tambrel {

struct InputDevice {
    std::string Name;          // as the device reports it
    bool Ready = false;        // the server could open and read it
    std::int32_t KeyCount = 0; // keys in the device's object order
    std::vector<std::string> KeyLabels;
    DeviceLayout Layout; // read after detection; Keys sized to KeyCount
};

} // namespace tambrel
