#include "common/DateText.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>

namespace tambrel::test {
namespace {

std::tm MakeTm(int year, int month0, int day, int hour, int min, int sec) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month0;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_sec = sec;
    return t;
}

struct DateCase {
    std::tm t;
    const char* header;
    const char* saved;
};

TEST(DateText, Formats) {
    const DateCase cases[] = {
        {MakeTm(2004, 2, 4, 9, 5, 7), "9:5:7, Mar 4 2004", "04-Mar-2004/09:05:07"},
        {MakeTm(2004, 2, 4, 21, 5, 7), "21:5:7, Mar 4 2004", "04-Mar-2004/21:05:07"},
        {MakeTm(1999, 0, 31, 0, 0, 0), "0:0:0, Jan 31 1999", "31-Jan-1999/00:00:00"},
        {MakeTm(2023, 11, 25, 23, 59, 59), "23:59:59, Dec 25 2023", "25-Dec-2023/23:59:59"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HeaderTimeText(c.t), c.header);
        EXPECT_EQ(TimeSavedText(c.t), c.saved);
    }
}

TEST(DateText, AllMonthNames) {
    const char* const names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int m = 0; m < 12; ++m)
        EXPECT_EQ(TimeSavedText(MakeTm(2010, m, 1, 0, 0, 0)), std::string("01-") + names[m] + "-2010/00:00:00");
}

TEST(DateText, BadFieldsAreClampedNotIndexed) {
    EXPECT_EQ(TimeSavedText(MakeTm(2004, 12, 4, 1, 2, 3)), "04-Dec-2004/01:02:03");
    EXPECT_EQ(TimeSavedText(MakeTm(2004, -1, 4, 1, 2, 3)), "04-Jan-2004/01:02:03");
    EXPECT_EQ(HeaderTimeText(MakeTm(2004, INT_MAX, 0, -5, 99, 61)), "0:59:59, Dec 1 2004");

    std::tm farFuture = MakeTm(2000, 0, 1, 0, 0, 0);
    farFuture.tm_year = INT_MAX;
    EXPECT_EQ(HeaderTimeText(farFuture), "0:0:0, Jan 1 2147485547");
}

TEST(DateText, LocalNowIsAPlausibleDate) {
    const std::tm now = LocalNow();
    EXPECT_GE(now.tm_year, 120); // 2020 or later
    EXPECT_GE(now.tm_mon, 0);
    EXPECT_LE(now.tm_mon, 11);
    EXPECT_GE(now.tm_mday, 1);
}

} // namespace
} // namespace tambrel::test
