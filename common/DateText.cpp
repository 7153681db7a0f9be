#include "common/DateText.h"

#include <algorithm>
#include <cstdio>

namespace tambrel {

namespace {

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A std::tm may come from anywhere; out-of-range fields are pulled into their
// calendar range so the texts keep their shape and the month table is never
// indexed outside its bounds.
struct Fields {
    int sec, min, hour, mday;
    const char* month;
    long long year;
};

Fields Clamp(const std::tm& t) {
    Fields f{};
    f.sec = std::clamp(t.tm_sec, 0, 59);
    f.min = std::clamp(t.tm_min, 0, 59);
    f.hour = std::clamp(t.tm_hour, 0, 23);
    f.mday = std::clamp(t.tm_mday, 1, 31);
    f.month = kMonths[std::clamp(t.tm_mon, 0, 11)];
    f.year = static_cast<long long>(t.tm_year) + 1900; // no int overflow near INT_MAX
    return f;
}

} // namespace

std::string HeaderTimeText(const std::tm& t) {
    const Fields f = Clamp(t);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d:%d:%d, %s %d %lld", f.hour, f.min, f.sec, f.month, f.mday, f.year);
    return buf;
}

std::string TimeSavedText(const std::tm& t) {
    const Fields f = Clamp(t);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%02d-%s-%04lld/%02d:%02d:%02d", f.mday, f.month, f.year, f.hour, f.min, f.sec);
    return buf;
}

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm result{};
    if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &result) == nullptr) {
        result = std::tm{};
        result.tm_mday = 1;
        result.tm_year = 70;
    }
    return result;
}

} // namespace tambrel
