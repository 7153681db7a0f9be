#include "editor/EditorNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "common/NumberText.h"
#include "common/SplitText.h"

namespace tambrel {

namespace {
constexpr double kLongestDelaySeconds = 100.0;
} // namespace

double TypedNumber(std::string_view text) { return IsNumericText(text) ? ParseLenient(text) : 0.0; }

std::int32_t RoundClamped(double value, std::int32_t lo, std::int32_t hi) {
    if (std::isnan(value)) value = 0.0;
    // Beyond the range before rounding: also covers what no integer can hold.
    if (value <= static_cast<double>(lo)) return lo;
    if (value >= static_cast<double>(hi)) return hi;
    std::int32_t n = lo;
    TryRoundHalfEven(value, n); // within lo..hi, so it fits
    return std::clamp(n, lo, hi);
}

std::int32_t RoundOrDefault(double value, std::int32_t lo, std::int32_t hi, std::int32_t fallback) {
    std::int32_t n = 0;
    if (!TryRoundHalfEven(value, n) || n < lo || n > hi) return fallback;
    return n;
}

std::string DecimalText(double value, int minDecimals, int maxDecimals) {
    if (!std::isfinite(value)) value = 0.0;
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, maxDecimals);
    if (res.ec != std::errc()) return "0";
    std::string s(buf, res.ptr);
    const std::size_t point = s.find('.');
    if (point != std::string::npos) {
        std::size_t keep = s.size();
        while (keep > point + 1 + static_cast<std::size_t>(minDecimals) && s[keep - 1] == '0') --keep;
        if (keep == point + 1) --keep; // no digits after the point: no point
        s.resize(keep);
    }
    // A small negative value rounded away shows as zero, not "-0.0".
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

std::string NormaliseDelayList(std::string_view text) {
    std::vector<float> values;
    for (const std::string_view piece : SplitText(text, ',')) {
        double v = TypedNumber(piece);
        if (!(v >= 0.0 && v <= kLongestDelaySeconds)) v = 0.0;
        values.push_back(static_cast<float>(v));
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());

    std::vector<std::string> pieces;
    for (float v : values) {
        std::string t = v == 0.0f || v >= 1.0f ? SingleText(v) : DecimalText(static_cast<double>(v), 0, 3);
        // Values closer than the format shows come out alike: each text once.
        if (pieces.empty() || pieces.back() != t) pieces.push_back(std::move(t));
    }
    std::string out;
    for (const std::string& p : pieces) {
        if (!out.empty()) out += ',';
        out += p;
    }
    return out;
}

} // namespace tambrel
