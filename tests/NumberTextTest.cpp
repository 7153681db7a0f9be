#include "common/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace tambrel::test {
namespace {

TEST(NumberText, IntText) {
    EXPECT_EQ(IntText(0), "0");
    EXPECT_EQ(IntText(42), "42");
    EXPECT_EQ(IntText(-7), "-7");
    EXPECT_EQ(IntText(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}

struct SingleCase {
    float value;
    const char* text;
};

TEST(NumberText, SingleTextTable) {
    const SingleCase cases[] = {
        {0.0f, "0"},
        {-0.0f, "0"},
        {0.5f, ".5"},
        {-0.25f, "-.25"},
        {1.2f, "1.2"},
        {12.5f, "12.5"},
        {-3.0f, "-3"},
        {100.0f, "100"},
        {1234567.0f, "1234567"},
        {12345678.0f, "1.234568E+07"},
        {9999999.0f, "9999999"},
        {1e7f, "1E+07"},
        {1e-5f, "1E-05"},
        {-2.5e-5f, "-2.5E-05"},
        {1.5e12f, "1.5E+12"},
        {0.001f, ".001"},
        {0.0001f, ".0001"},
        {0.1f, ".1"},
        {1.0f / 3.0f, ".3333333"},
        {2.0f / 3.0f, ".6666667"},
        {123.456f, "123.456"},
        {3.4028235e38f, "3.402823E+38"},
        {1e-45f, "1.401298E-45"},
    };
    for (const auto& c : cases) EXPECT_EQ(SingleText(c.value), c.text) << "value " << c.value;
}

TEST(NumberText, SingleTextOfNonFiniteIsHarmless) {
    EXPECT_EQ(SingleText(std::numeric_limits<float>::quiet_NaN()), "0");
    EXPECT_EQ(SingleText(std::numeric_limits<float>::infinity()), "0");
    EXPECT_EQ(SingleText(-std::numeric_limits<float>::infinity()), "0");
}

TEST(NumberText, SingleTextReadsBackToTheSameFloat) {
    const float values[] = {0.5f, 1.2f, 12.5f, 1e-5f, 1.5e12f, 1234567.0f, -0.25f, 0.0001f, 440.0f, 33.333f};
    for (const float v : values) EXPECT_EQ(static_cast<float>(ParseLenient(SingleText(v))), v) << SingleText(v);
}

struct ParseCase {
    const char* text;
    double value;
};

TEST(NumberText, ParseLenientTable) {
    const ParseCase cases[] = {
        {"12abc", 12}, {"  -3.5x", -3.5}, {"\t7", 7},          {".5", 0.5},    {"5.", 5},     {"1E-05", 1e-5},
        {"1e", 1},     {"1e+", 1},        {"2E3", 2000},       {"2d2", 200},   {"2D-1", 0.2}, {"abc", 0},
        {"", 0},       {"0,5", 0},        {"1.5E+12", 1.5e12}, {"--1", 0},     {"+4", 4},     {"-", 0},
        {".", 0},      {"-.e5", 0},       {" 1 2", 1},         {"1.2.3", 1.2}, {"0x10", 0},   {"007", 7},
        {"\n5", 0},    {"1e-400", 0},     {"-1e-400", 0},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(ParseLenient(c.text), c.value) << '"' << c.text << '"';
}

TEST(NumberText, ParseLenientHugeInputsStayDefined) {
    EXPECT_TRUE(std::isinf(ParseLenient("1e999999999999999999999")));
    EXPECT_LT(ParseLenient("-9e400"), 0);
    EXPECT_TRUE(std::isinf(ParseLenient("-9e400")));
    EXPECT_EQ(ParseLenient("1e-99999999999999999999"), 0.0);

    const std::string manyDigits(100000, '9');
    EXPECT_TRUE(std::isinf(ParseLenient(manyDigits)));
    EXPECT_DOUBLE_EQ(ParseLenient("0." + std::string(5000, '0') + "1e5001"), 1.0);
    EXPECT_THROW(ParseInt("1e999"), std::overflow_error);
}

struct RoundCase {
    double value;
    std::int32_t rounded;
};

TEST(NumberText, RoundHalfEvenTable) {
    const RoundCase cases[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {-3.5, -4},
        {0.5, 0},
        {1.5, 2},
        {-0.5, 0},
        {0.49, 0},
        {0.51, 1},
        {-1.2, -1},
        {7, 7},
        {2147483647.4, 2147483647},
        {-2147483648.0, -2147483647 - 1},
        {2147483646.5, 2147483646},
    };
    for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.value), c.rounded) << c.value;
}

TEST(NumberText, RoundHalfEvenOverflowThrows) {
    const double bad[] = {2147483647.5,
                          2147483648.0,
                          -2147483648.6,
                          1e300,
                          std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    for (const double v : bad) {
        try {
            RoundHalfEven(v);
            ADD_FAILURE() << "no exception for " << v;
        } catch (const std::overflow_error& e) {
            EXPECT_STREQ(e.what(), "Overflow");
        }
    }
}

TEST(NumberText, TryRoundHalfEvenNeverThrows) {
    std::int32_t v = 7;
    EXPECT_TRUE(TryRoundHalfEven(2.5, v));
    EXPECT_EQ(v, 2);
    EXPECT_TRUE(TryRoundHalfEven(-2147483648.0, v));
    EXPECT_EQ(v, -2147483647 - 1);
    for (const double bad : {2147483647.5, 1e12, -1e12, std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity()}) {
        v = 7;
        EXPECT_FALSE(TryRoundHalfEven(bad, v)) << bad;
        EXPECT_EQ(v, 7) << "left untouched";
    }
}

TEST(NumberText, IsNumericTextTable) {
    for (const char* yes : {"0", "19.5", " 30 ", "-5", "+5", ".5", "5.", "1e12", "1E-3", "2d2", "\t7"})
        EXPECT_TRUE(IsNumericText(yes)) << yes;
    for (const char* no : {"", " ", "abc", "60px", "1e", "e5", ".", "-", "1 2", "1,5", "--1", "1e+"})
        EXPECT_FALSE(IsNumericText(no)) << no;
}

TEST(NumberText, ParseInt) {
    EXPECT_EQ(ParseInt("2.5"), 2);
    EXPECT_EQ(ParseInt(" 3.5 keys"), 4);
    EXPECT_EQ(ParseInt("x"), 0);
    EXPECT_EQ(ParseInt("-12"), -12);
    EXPECT_THROW(ParseInt("3000000000"), std::overflow_error);
}

} // namespace
} // namespace tambrel::test
