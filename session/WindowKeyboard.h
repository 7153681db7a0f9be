#pragma once
// Playing from the main window when the input server cannot read any
// keyboard (no permission, no /dev/input, as on many Wayland desktops and in
// containers): the device list still holds the 128-key keyboard, and the
// window's own key presses feed it while it has the focus. A keyboard the
// server reads is never fed a second time. User-interface thread.

#include <cstdint>
#include <string_view>

#include "document/ProgramState.h"

namespace tambrel {

class Instrument;

// Said once in the second status panel when the window feeds the keyboard.
inline constexpr std::string_view kWindowKeyboardText =
    "Keys play while this window has the focus: the keyboard cannot be read in the background. To play from any "
    "window, add your user to the \"input\" group (sudo usermod -aG input $USER), log out and in, and press Detect Again.";

class WindowKeyboard {
public:
    // After every detection: when no ready keyboard was found, makes sure the
    // list holds one (appended as "Keyboard" with the 128 keys) and feeds it.
    void AfterDetection(ProgramState& st);
    // The device the window feeds; 0 when the server reads the keyboard.
    std::int32_t Device() const { return device_; }

    // A key went down in the main window. nativeScanCode is the key event's
    // X11/Wayland key code (the Linux code + 8). Auto-repeats and keys
    // outside the 128 play nothing. True when the press was played.
    bool KeyPressed(Instrument& instrument, std::uint32_t nativeScanCode, bool autoRepeat) const;

private:
    std::int32_t device_ = 0;
    bool told_ = false;
};

} // namespace tambrel
