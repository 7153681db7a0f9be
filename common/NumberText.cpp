#include "common/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace tambrel {

std::string IntText(std::int64_t value) { return std::to_string(value); }

// Built by hand from std::to_chars rather than printf("%.7G") so that the
// result never depends on the process locale (a GUI toolkit may switch
// LC_NUMERIC to one with a decimal comma, and these texts go into files).
std::string SingleText(float value) {
    if (!std::isfinite(value) || value == 0.0f) return "0";

    // Seven significant digits: d.dddddde[+-]xx
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::scientific, 6);
    if (res.ec != std::errc()) return "0";
    const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));

    std::string out;
    std::size_t pos = 0;
    if (sci[pos] == '-') {
        out += '-';
        ++pos;
    }
    const std::size_t ePos = sci.find('e', pos);
    if (ePos == std::string_view::npos) return "0";

    std::string digits;
    for (std::size_t i = pos; i < ePos; ++i)
        if (sci[i] != '.') digits += sci[i];
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    int exponent = 0;
    const char* expBegin = sci.data() + ePos + 1;
    if (*expBegin == '+') ++expBegin;
    std::from_chars(expBegin, sci.data() + sci.size(), exponent);

    if (exponent < -4 || exponent >= 7) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1, std::string::npos);
        }
        out += 'E';
        out += exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10) out += '0';
        out += std::to_string(magnitude);
    } else if (exponent < 0) {
        // No leading zero before the point: ".5", ".001".
        out += '.';
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intDigits) {
            out += digits;
            out.append(intDigits - digits.size(), '0');
        } else {
            out.append(digits, 0, intDigits);
            out += '.';
            out.append(digits, intDigits, std::string::npos);
        }
    }
    return out;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decides the side of an out-of-range result: the position of the first
// significant digit plus the exponent tells whether the number was huge or tiny.
double OutOfRangeValue(std::string_view intDigits, std::string_view fracDigits, long long exponent, bool negative) {
    long long magnitude = 0;
    const std::size_t firstInt = intDigits.find_first_not_of('0');
    if (firstInt != std::string_view::npos) {
        magnitude = static_cast<long long>(intDigits.size() - firstInt);
    } else {
        const std::size_t firstFrac = fracDigits.find_first_not_of('0');
        if (firstFrac == std::string_view::npos) return negative ? -0.0 : 0.0;
        magnitude = -static_cast<long long>(firstFrac);
    }
    const double inf = std::numeric_limits<double>::infinity();
    if (magnitude + exponent > 0) return negative ? -inf : inf;
    return negative ? -0.0 : 0.0;
}

} // namespace

double ParseLenient(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    const std::size_t intBegin = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    const std::string_view intDigits = text.substr(intBegin, i - intBegin);

    std::string_view fracDigits;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fracBegin = ++i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        fracDigits = text.substr(fracBegin, i - fracBegin);
    }
    if (intDigits.empty() && fracDigits.empty()) return 0.0;

    // The exponent only counts when it has at least one digit ("1e" reads 1).
    // It saturates so that a hostile run of digits cannot overflow.
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        bool expNegative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            expNegative = text[j] == '-';
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            constexpr long long kCap = 1'000'000'000LL;
            while (j < text.size() && IsDigit(text[j])) {
                if (exponent < kCap) exponent = exponent * 10 + (text[j] - '0');
                ++j;
            }
            if (expNegative) exponent = -exponent;
        }
    }

    // A normalised copy that std::from_chars surely accepts; from_chars is
    // locale independent, unlike strtod.
    std::string normal;
    normal.reserve(intDigits.size() + fracDigits.size() + 16);
    if (negative) normal += '-';
    normal += intDigits.empty() ? std::string_view("0") : intDigits;
    normal += '.';
    normal += fracDigits.empty() ? std::string_view("0") : fracDigits;
    normal += 'e';
    normal += std::to_string(exponent);

    double value = 0.0;
    const auto res = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (res.ec == std::errc::result_out_of_range) return OutOfRangeValue(intDigits, fracDigits, exponent, negative);
    if (res.ec != std::errc()) return 0.0;
    return value;
}

bool TryRoundHalfEven(double value, std::int32_t& out) {
    if (!std::isfinite(value)) return false;
    // Done by hand so that the result does not depend on the FPU rounding mode.
    double rounded = std::floor(value);
    const double diff = value - rounded;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return false;
    out = static_cast<std::int32_t>(rounded);
    return true;
}

bool IsNumericText(std::string_view text) {
    std::size_t i = 0;
    const auto blank = [&](std::size_t at) { return at < text.size() && (text[at] == ' ' || text[at] == '\t'); };
    while (blank(i)) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0) return false;
    }
    while (blank(i)) ++i;
    return i == text.size();
}

std::int32_t RoundHalfEven(double value) {
    std::int32_t out = 0;
    if (!TryRoundHalfEven(value, out)) throw std::overflow_error("Overflow");
    return out;
}

std::int32_t ParseInt(std::string_view text) { return RoundHalfEven(ParseLenient(text)); }

bool TryParseInt(std::string_view text, std::int32_t& out) { return TryRoundHalfEven(ParseLenient(text), out); }

} // namespace tambrel
