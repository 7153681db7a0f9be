#pragma once
// The objects of the joined "Keyboard" and "Mouse" devices: which Linux
// input code each key number stands for, and the label people read on it.
// Key numbers follow the PC scan-code order the keyboard's default board
// layout is drawn for. Kept in the core (as plain numbers, no device
// headers) so the server, the virtual backend and the tests share one table.

#include <array>
#include <cstdint>
#include <string_view>

namespace tambrel {

struct InputObject {
    std::int32_t keyNo;      // 1-based object number on its device
    std::uint16_t linuxCode; // KEY_* / BTN_* / REL_* code
    std::string_view label;
};

inline constexpr std::string_view kKeyboardDeviceName = "Keyboard";
inline constexpr std::string_view kMouseDeviceName = "Mouse";
inline constexpr std::size_t kKeyboardObjects = 128;
inline constexpr std::size_t kMouseObjects = 8;

// Index i holds object i + 1.
const std::array<InputObject, kKeyboardObjects>& KeyboardObjects();

// The mouse: X axis, Y axis, wheel (relative codes), then buttons (key codes).
enum class MouseObjectKind { RelativeAxis, Button };
struct MouseObject {
    InputObject object;
    MouseObjectKind kind;
    std::uint16_t altCode; // a second code that means the same button, 0 if none
};
const std::array<MouseObject, kMouseObjects>& MouseObjects();

// The keyboard object number for a Linux key code, 0 when the code is not
// one of the 128.
std::int32_t KeyboardObjectForCode(std::uint16_t linuxCode);

} // namespace tambrel
