#pragma once
// How the key editor reads the numbers a user types and writes the numbers it
// shows. Typed text is never refused: text that is not a number reads as 0,
// and a value out of range is clamped or replaced, whatever its size.

#include <cstdint>
#include <string>
#include <string_view>

namespace tambrel {

// The value of a typed number: the whole text (blanks around it aside) must
// be one decimal number, otherwise 0. May be huge or infinite ("1e999").
double TypedNumber(std::string_view text);

// value rounded to the nearest integer, halves to even, then clamped into
// lo..hi. Values far beyond the 32-bit range clamp like any other.
std::int32_t RoundClamped(double value, std::int32_t lo, std::int32_t hi);

// value rounded, halves to even; `fallback` when the result lies outside
// lo..hi (the loop-times rule).
std::int32_t RoundOrDefault(double value, std::int32_t lo, std::int32_t hi, std::int32_t fallback);

// Fixed-point text with at least minDecimals and at most maxDecimals digits
// after the point, rounded at the last one: (1, 3) is the picture "0.0##",
// (0, 3) is "0.###". Never depends on the process locale.
std::string DecimalText(double value, int minDecimals, int maxDecimals);

// "0.0##"
inline std::string SecondsText(double seconds) { return DecimalText(seconds, 1, 3); }

// The delay list in its one normal form: pieces split at ",", each read as a
// decimal number of seconds (not a number, below 0 or above 100: 0), held as
// single-precision values, sorted ascending, each value once, written as the
// shortest text for 0 and values of 1 or more and as "0.###" below 1, joined
// with ",". An empty text gives "0".
std::string NormaliseDelayList(std::string_view text);

} // namespace tambrel
