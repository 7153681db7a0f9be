#pragma once
// What the program is told when the input server says the devices changed.

namespace tambrel {

// Told when the input server says the devices changed (plugged in or out,
// permissions changed): a new detection would find something else. May come
// from inside one of the link's calls.
class DeviceChangeListener {
public:
    virtual ~DeviceChangeListener() = default;
    virtual void InputDevicesChanged() = 0;
};

} // namespace tambrel
