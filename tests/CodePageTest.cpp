#include "common/CodePage.h"

#include <gtest/gtest.h>

#include <string>

namespace tambrel::test {
namespace {

TEST(CodePage, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

struct KnownChar {
    unsigned char byte;
    const char* utf8;
};

TEST(CodePage, KnownCharacters) {
    const KnownChar cases[] = {
        {'A', "A"},       {0x80, "\u20AC"}, // euro sign
        {0x81, "\u0081"},                   // undefined: passed through as the C1 control
        {0x8A, "\u0160"},                   // S caron
        {0x8D, "\u008D"}, {0x8F, "\u008F"}, {0x90, "\u0090"}, {0x93, "\u201C"}, // left double quotation mark
        {0x96, "\u2013"},                                                       // en dash
        {0x99, "\u2122"},                                                       // trade mark
        {0x9D, "\u009D"}, {0x9F, "\u0178"},                                     // Y diaeresis
        {0xA0, "\u00A0"}, {0xE9, "\u00E9"},                                     // e acute
        {0xFF, "\u00FF"},
    };
    for (const auto& c : cases) {
        const std::string byte(1, static_cast<char>(c.byte));
        EXPECT_EQ(Cp1252ToUtf8(byte), c.utf8) << "byte " << int(c.byte);
        EXPECT_EQ(Utf8ToCp1252(c.utf8), byte) << "byte " << int(c.byte);
    }
    EXPECT_EQ(Cp1252ToUtf8("Caf\xE9 \x80"
                           "5"),
              "Caf\u00E9 \u20AC5");
}

struct Unmappable {
    const char* name;
    std::string utf8;
    std::string cp1252;
};

TEST(CodePage, UnmappableAndMalformedBecomeQuestionMarks) {
    const Unmappable cases[] = {
        {"C1 control the page redefines", "\u0080", "?"},
        {"CJK", "a\u4E2Db", "a?b"},
        {"outside the BMP", "\U0001F3B9", "?"},
        {"lone continuation", "a\x80z", "a?z"},
        {"truncated at end", "x\xE2\x82", "x?"},
        {"truncated before ASCII", "\xE2\x82z", "?z"},
        {"overlong slash", "\xC0\xAF", "??"},
        {"overlong three byte", "\xE0\x80\xAF", "???"},
        {"surrogate", "\xED\xA0\x80", "???"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"invalid lead", "\xFF\xFE", "??"},
        {"embedded NUL", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.name;
}

} // namespace
} // namespace tambrel::test
