#pragma once
// Numbers as text, the way the Orchestra and settings files hold them.

#include <cstdint>
#include <string>
#include <string_view>

namespace tambrel {

// Decimal digits with a leading "-" when negative, no blanks.
std::string IntText(std::int64_t value);

// A 32-bit float with at most 7 significant digits, trailing zeros dropped,
// no leading zero before the point (".5", "-.25"), exponent form for very
// large or small values ("1E-05", "1.5E+12").
std::string SingleText(float value);

// Lenient reading: leading blanks skipped, the longest numeric prefix taken
// (sign, digits, point, exponent), 0 when there is none.
double ParseLenient(std::string_view text);

// Nearest integer, halves to even. Values outside the 32-bit range throw
// std::overflow_error("Overflow").
std::int32_t RoundHalfEven(double value);

// ParseLenient then RoundHalfEven: how integer fields receive text.
std::int32_t ParseInt(std::string_view text);
// ParseInt without the throw: false (and value untouched) when the number
// does not fit in 32 bits, so that a caller can say which field overflowed.
bool TryParseInt(std::string_view text, std::int32_t& out);

// RoundHalfEven without the throw: false (and value untouched) when the
// rounded number does not fit in 32 bits.
bool TryRoundHalfEven(double value, std::int32_t& out);

// Whether the whole text, blanks around it aside, is one decimal number:
// an optional sign, digits with an optional point and fraction (at least one
// digit), an optional exponent ("e", "E", "d" or "D", optional sign, digits).
// What a typed answer must be for an input box that takes a number.
bool IsNumericText(std::string_view text);

} // namespace tambrel
