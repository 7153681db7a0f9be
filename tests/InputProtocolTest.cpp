#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "input/InputProtocol.h"

namespace tambrel::test {
namespace {

using Ints = std::vector<std::int32_t>;

std::int32_t Chars(const char* four) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(four[i])) << (8 * i);
    return static_cast<std::int32_t>(v);
}

struct PackCase {
    const char* name;
    std::string text;
    Ints packed;
};

class PackedStrings : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackedStrings, PackAndUnpackExactly) {
    const PackCase& c = GetParam();
    Ints out;
    AppendPackedString(out, c.text);
    EXPECT_EQ(out, c.packed);
    std::size_t pos = 0;
    std::string back;
    ASSERT_TRUE(ReadPackedString(out, pos, back));
    EXPECT_EQ(back, c.text);
    EXPECT_EQ(pos, out.size());
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, PackedStrings,
    ::testing::Values(PackCase{"Empty", "", {1, 0}}, PackCase{"One", "Z", {2, 1, 'Z'}},
                      // n = 6 / 4 + 2 = 3.5, to even 4: one element of padding.
                      PackCase{"Six", "Keypad", {4, 6, Chars("Keyp"), Chars("ad\0\0"), 0}},
                      // n = 4.5, to even 4: the three elements hold 12 bytes.
                      PackCase{"Ten", "Game Pad 1", {4, 10, Chars("Game"), Chars(" Pad"), Chars(" 1\0\0")}},
                      PackCase{"Fourteen",
                               "Numpad Enter 2",
                               {6, 14, Chars("Nump"), Chars("ad E"), Chars("nter"), Chars(" 2\0\0"), 0}},
                      // Code-page bytes above 127 keep all eight bits.
                      PackCase{"HighBytes", "\xe9\xfc\x80", {3, 3, Chars("\xe9\xfc\x80\0"), 0}}),
    [](const auto& info) { return info.param.name; });

TEST(PackedStrings, EveryLengthHoldsItsTextAndReadsBack) {
    for (std::size_t len = 0; len <= 64; ++len) {
        std::string text;
        for (std::size_t i = 0; i < len; ++i) text += static_cast<char>(0x41 + (i * 37) % 190);
        Ints out{99};
        AppendPackedString(out, text);
        const std::int32_t n = out[1];
        EXPECT_EQ(out.size(), static_cast<std::size_t>(n) + 2) << len;
        EXPECT_GE(static_cast<std::size_t>(n - 1) * 4, len) << "room for every character, length " << len;
        std::size_t pos = 1;
        std::string back;
        ASSERT_TRUE(ReadPackedString(out, pos, back)) << len;
        EXPECT_EQ(back, text);
    }
}

struct BadPack {
    const char* name;
    Ints data;
};

class HostilePackedStrings : public ::testing::TestWithParam<BadPack> {};

TEST_P(HostilePackedStrings, AreRejectedWithoutReadingPastTheEnd) {
    std::size_t pos = 0;
    std::string text;
    EXPECT_FALSE(ReadPackedString(GetParam().data, pos, text));
    EXPECT_EQ(pos, 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostilePackedStrings,
                         ::testing::Values(BadPack{"Nothing", {}}, BadPack{"OnlyN", {1}},
                                           BadPack{"ZeroN", {0, 0}}, // would never move on
                                           BadPack{"NegativeN", {-3, 0}}, BadPack{"NPastTheEnd", {4, 2, 0x4141}},
                                           BadPack{"MoreCharsThanRoom", {2, 5, 0x41414141}},
                                           BadPack{"HugeLength", {2, INT_MAX, 0}}),
                         [](const auto& info) { return info.param.name; });

TEST(PackedStrings, ANonPositiveLengthReadsAsEmpty) {
    const Ints data{3, -7, 0x41414141, 0x41414141};
    std::size_t pos = 0;
    std::string text = "old";
    ASSERT_TRUE(ReadPackedString(data, pos, text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(pos, 4u);
}

TEST(DetectionReply, EncodesTheDocumentedLayoutAndDecodesIt) {
    const std::vector<DetectedDevice> devices{{"Keyboard", true, {"Esc", "Numpad 7"}}, {"", false, {}}};
    const Ints reply = EncodeDetectionReply(devices);
    Ints expected{0, 2, -1, 2};
    AppendPackedString(expected, "Keyboard");
    AppendPackedString(expected, "Esc");
    AppendPackedString(expected, "Numpad 7");
    expected.insert(expected.end(), {0, 0, 1, 0});
    EXPECT_EQ(reply, expected);

    std::vector<DetectedDevice> back;
    ASSERT_TRUE(DecodeDetectionReply(reply, back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].name, "Keyboard");
    EXPECT_TRUE(back[0].ready);
    EXPECT_EQ(back[0].keyNames, (std::vector<std::string>{"Esc", "Numpad 7"}));
    EXPECT_EQ(back[1].name, "");
    EXPECT_FALSE(back[1].ready);
}

TEST(DetectionReply, NoDeviceIsZeroZero) {
    EXPECT_EQ(EncodeDetectionReply({}), (Ints{0, 0}));
    std::vector<DetectedDevice> back{{"stale", true, {}}};
    EXPECT_TRUE(DecodeDetectionReply({0, 0}, back));
    EXPECT_TRUE(back.empty());
    // The error reply has one element and is no list at all.
    EXPECT_FALSE(DecodeDetectionReply(DetectionErrorReply(), back));
}

TEST(DetectionReply, EveryTruncationIsRejected) {
    const Ints full = EncodeDetectionReply({{"Mouse", true, {"X Axis", "Y Axis", "Wheel"}}, {"Pad", true, {"B1"}}});
    for (std::size_t cut = 2; cut < full.size(); ++cut) {
        std::vector<DetectedDevice> back;
        EXPECT_FALSE(DecodeDetectionReply(Ints(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)), back))
            << "cut at " << cut;
        EXPECT_TRUE(back.empty());
    }
}

TEST(DetectionReply, ImpossibleCountsFailBeforeAnythingIsAllocated) {
    std::vector<DetectedDevice> back;
    EXPECT_FALSE(DecodeDetectionReply({0, INT_MAX, -1, 0, 1, 0}, back));
    EXPECT_FALSE(DecodeDetectionReply({0, -1}, back));
    EXPECT_FALSE(DecodeDetectionReply({0, 1, -1, INT_MAX, 1, 0, 1, 0}, back)); // key count
    EXPECT_FALSE(DecodeDetectionReply({0, 1, -1, -2, 1, 0}, back));
}

TEST(Frames, SurviveAnySplitAndComeOutInOrder) {
    const std::string wire = EncodeFrame(FrameType::PlayThisKey, BodyWriter().I32(30).I32(1).Bytes()) +
                             EncodeFrame(FrameType::Acquire, "") +
                             EncodeFrame(FrameType::Message, BodyWriter().Str("text").Str("title").Bytes());
    for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, std::size_t{7}, wire.size()}) {
        FrameReader reader;
        std::vector<Frame> got;
        for (std::size_t i = 0; i < wire.size(); i += chunk) {
            reader.Append(wire.data() + i, std::min(chunk, wire.size() - i));
            Frame f;
            while (reader.Next(f) == FrameReader::Result::GotFrame) got.push_back(f);
        }
        ASSERT_EQ(got.size(), 3u) << "chunk " << chunk;
        EXPECT_EQ(got[0].type, FrameType::PlayThisKey);
        std::int32_t key = 0, dev = 0;
        BodyReader r(got[0].body);
        EXPECT_TRUE(r.I32(key) && r.I32(dev) && r.AtEnd());
        EXPECT_EQ(key, 30);
        EXPECT_EQ(dev, 1);
        EXPECT_EQ(got[1].type, FrameType::Acquire);
        EXPECT_EQ(got[1].body, "");
        std::string text, title;
        BodyReader m(got[2].body);
        EXPECT_TRUE(m.Str(text) && m.Str(title) && m.AtEnd());
        EXPECT_EQ(text + "|" + title, "text|title");
        EXPECT_EQ(reader.Buffered(), 0u);
    }
}

TEST(Frames, ImpossibleLengthsBreakTheStream) {
    for (const std::string& head :
         {std::string("\0\0\0\0", 4), std::string("\xff\xff\xff\x7f", 4), std::string("\x01\x00\x80\x00", 4)}) {
        FrameReader reader;
        reader.Append(head.data(), head.size());
        Frame f;
        EXPECT_EQ(reader.Next(f), FrameReader::Result::Broken);
    }
    // A frame announced but not all there yet only waits.
    FrameReader reader;
    const std::string part = EncodeFrame(FrameType::Detect, "abcd").substr(0, 6);
    reader.Append(part.data(), part.size());
    Frame f;
    EXPECT_EQ(reader.Next(f), FrameReader::Result::NeedMore);
}

TEST(Frames, BodiesThatLieAboutTheirLengthFail) {
    const std::string lying = BodyWriter().U32(100).Bytes() + "short";
    BodyReader r(lying);
    std::string s;
    EXPECT_FALSE(r.Str(s));
    std::int32_t v = 0;
    EXPECT_FALSE(r.I32(v)) << "a failed reader stays failed";

    std::vector<std::int32_t> reply;
    EXPECT_FALSE(ParseDetectReplyBody(BodyWriter().I32(3).I32(0).I32(0).Bytes(), reply));
    EXPECT_FALSE(ParseDetectReplyBody(BodyWriter().I32(-1).Bytes(), reply));
    EXPECT_FALSE(ParseDetectReplyBody("", reply));
    ASSERT_TRUE(ParseDetectReplyBody(DetectReplyBody({0, 0}), reply));
    EXPECT_EQ(reply, (Ints{0, 0}));
}

TEST(Frames, APressCarriesWhenItWasReadAndNothingElse) {
    const std::uint64_t readAt = 0x123456789abcULL; // beyond 32 bits: both halves travel
    const std::string body = PlayThisKeyBody(30, 2, readAt);
    std::int32_t key = 0, device = 0;
    std::uint64_t at = 0;
    ASSERT_TRUE(ParsePlayThisKeyBody(body, key, device, at));
    EXPECT_EQ(key, 30);
    EXPECT_EQ(device, 2);
    EXPECT_EQ(at, readAt);
    for (std::size_t cut = 0; cut < body.size(); ++cut)
        EXPECT_FALSE(ParsePlayThisKeyBody(body.substr(0, cut), key, device, at)) << cut;
    EXPECT_FALSE(ParsePlayThisKeyBody(body + "x", key, device, at));
}

} // namespace
} // namespace tambrel::test
