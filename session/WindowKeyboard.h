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
// It names no group to join: the reason may be another (no /dev/input, a
// desktop that keeps devices to itself); where the nodes exist but may not
// be read, the program says which group they belong to (PermissionHelpText).
inline constexpr std::string_view kWindowKeyboardText =
    "Keys play while this window has the focus: the keyboard cannot be read in the background.";

// How long ago a window-system key event happened, from its time stamp.
// X and Wayland servers stamp in milliseconds of a monotonic clock of their
// own (on Xorg and Xvfb CLOCK_MONOTONIC itself, as a wrapping 32-bit count),
// so the smallest lag seen (now - stamp) is taken as the offset between the
// clocks: the first event handled at once calibrates it, whatever the clock.
class StampAge {
public:
    // Milliseconds the event waited longer than the quickest one seen; 0
    // for an event without a stamp (0: made up by a program).
    std::int64_t AgeMs(std::uint64_t stampMs, std::int64_t nowMs);

private:
    bool known_ = false;
    std::int32_t offset_ = 0;
};

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
    // The same with the event's time stamp (the window system's
    // milliseconds) and now (monotonic milliseconds): a press that waited
    // longer than kLatePressMs, because the window was blocked, is dropped
    // and counted rather than played late.
    bool KeyPressed(Instrument& instrument, std::uint32_t nativeScanCode, bool autoRepeat, std::uint64_t stampMs,
                    std::int64_t nowMs);

private:
    // The key a press plays; 0: none.
    std::int32_t KeyOf(std::uint32_t nativeScanCode, bool autoRepeat) const;

    StampAge age_;
    std::int32_t device_ = 0;
    bool told_ = false;
};

} // namespace tambrel
