#include "editor/EditorNumbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace tambrel::test {
namespace {

TEST(KeyEditorNumbers, DelayListNormalisation) {
    const struct {
        const char* typed;
        const char* stored;
    } cases[] = {
        {"2,-1,0.5,abc,2", "0,0.5,2"}, // out of range and text become 0; sorted, each once
        {"150", "0"},
        {"", "0"},
        {"0,1,2.5,5", "0,1,2.5,5"},
        {"5,2.5,1,0", "0,1,2.5,5"},
        {"0.12345", "0.123"}, // below 1: at most three decimals
        {"0.5", "0.5"},
        {" 3 , 1 ", "1,3"},     // blanks around a number are fine
        {"2x,1", "0,1"},        // a piece that is not wholly a number is 0
        {"1,,2", "0,1,2"},      // an empty piece is 0
        {"100,100.5", "0,100"}, // 100 is the longest delay
        {"1e12", "0"},
        {"1e1", "10"},
        {"12.3456789", "12.34568"}, // a single-precision value's shortest text
        {"0.0001,0", "0"},          // values that come out alike show once
        {"0.9999,1", "1"},
    };
    for (const auto& c : cases) EXPECT_EQ(NormaliseDelayList(c.typed), c.stored) << '"' << c.typed << '"';
}

TEST(KeyEditorNumbers, DecimalPictures) {
    EXPECT_EQ(SecondsText(10.0), "10.0");
    EXPECT_EQ(SecondsText(0.0), "0.0");
    EXPECT_EQ(SecondsText(0.05), "0.05");
    EXPECT_EQ(SecondsText(1.2346), "1.235");
    EXPECT_EQ(SecondsText(2.5), "2.5");
    EXPECT_EQ(SecondsText(-0.0001), "0.0"); // never "-0.0"
    EXPECT_EQ(SecondsText(-1.5), "-1.5");
    EXPECT_EQ(DecimalText(0.5, 0, 3), "0.5");
    EXPECT_EQ(DecimalText(0.0004, 0, 3), "0");
    EXPECT_EQ(DecimalText(1.0, 0, 3), "1");
}

TEST(KeyEditorNumbers, TypedTextThatIsNotANumberReadsAsZero) {
    EXPECT_EQ(TypedNumber("abc"), 0.0);
    EXPECT_EQ(TypedNumber("12abc"), 0.0);
    EXPECT_EQ(TypedNumber(""), 0.0);
    EXPECT_EQ(TypedNumber(" 12.5 "), 12.5);
    EXPECT_EQ(TypedNumber("1e12"), 1e12);
    EXPECT_EQ(TypedNumber("-3"), -3.0);
}

TEST(KeyEditorNumbers, RoundingHalvesToEvenThenClamping) {
    EXPECT_EQ(RoundClamped(126.5, 0, 127), 126);
    EXPECT_EQ(RoundClamped(125.5, 0, 127), 126);
    EXPECT_EQ(RoundClamped(127.5, 0, 127), 127);
    EXPECT_EQ(RoundClamped(-0.5, 0, 127), 0);
    EXPECT_EQ(RoundClamped(1e12, 0, 255), 255);
    EXPECT_EQ(RoundClamped(-1e12, 0, 255), 0);
    EXPECT_EQ(RoundClamped(std::numeric_limits<double>::infinity(), 0, 10), 10);
    EXPECT_EQ(RoundClamped(std::numeric_limits<double>::quiet_NaN(), 0, 10), 0);

    EXPECT_EQ(RoundOrDefault(0.0, 1, 1000, 10), 10);
    EXPECT_EQ(RoundOrDefault(1000.5, 1, 1000, 10), 1000); // halves to even
    EXPECT_EQ(RoundOrDefault(1e12, 1, 1000, 10), 10);
    EXPECT_EQ(RoundOrDefault(2.5, 1, 1000, 10), 2);
}

} // namespace
} // namespace tambrel::test
