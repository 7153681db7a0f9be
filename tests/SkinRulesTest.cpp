#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "controls/SkinRules.h"

using namespace tambrel::skin;

TEST(SkinRules, PictureNamesAreUniqueAndHoldTheNamesTheWindowsAskFor) {
    const auto& names = PictureNames();
    const std::set<std::string> unique(names.begin(), names.end());
    EXPECT_EQ(unique.size(), names.size());
    for (const char* n : {"Button_Up", "Button_Long_Dn", "Arrow-Right-Up", "Ball_Green", "DrumSmall_Green",
                          "ButtonGreen_Up", "Ball_Red", "Ball_Gray", "Pause_Up", "Resume_Up", "Logo", "Title_Strip"})
        EXPECT_TRUE(unique.count(n)) << n;
    // Every pressable picture has its held partner.
    for (const auto& n : names) {
        if (n.size() > 3 && n.compare(n.size() - 3, 3, "_Up") == 0) {
            EXPECT_TRUE(unique.count(n.substr(0, n.size() - 3) + "_Dn")) << n;
        }
    }
}

TEST(SkinRules, BlankNamesStandForNone) {
    EXPECT_EQ(NormalisePictureName(""), "None");
    EXPECT_EQ(NormalisePictureName("   "), "None");
    EXPECT_EQ(NormalisePictureName("Button_Up"), "Button_Up");
    EXPECT_EQ(NormalisePictureName(" Button_Up"), " Button_Up");
}

TEST(SkinRules, SizedKeysAndWhenTheStoredPictureServes) {
    EXPECT_EQ(SizedPictureKey("Button_Up", 80, 24), "Button_UpX80Y24");
    EXPECT_EQ(SizedPictureKey("Ball_Green", 12, 0), "Ball_GreenX12Y0");
    EXPECT_TRUE(ServesRequest({72, 24}, {72, 24}));
    EXPECT_TRUE(ServesRequest({72, 24}, {72, 0}));
    EXPECT_FALSE(ServesRequest({72, 24}, {72, 25}));
    EXPECT_FALSE(ServesRequest({72, 24}, {71, 24}));
    EXPECT_FALSE(ServesRequest({72, 24}, {71, 0}));
}

TEST(SkinRules, SizedCopySizeKeepsProportionsForHeightZeroAndRefusesWhatCannotBeDrawn) {
    auto s = SizedCopySize({72, 24}, {144, 0});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->width, 144);
    EXPECT_EQ(s->height, 48);
    s = SizedCopySize({72, 24}, {30, 10});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->height, 10);
    // A tiny width still gives a drawable height.
    s = SizedCopySize({400, 16}, {1, 0});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->height, 1);
    EXPECT_FALSE(SizedCopySize({72, 24}, {0, 24}));
    EXPECT_FALSE(SizedCopySize({72, 24}, {-5, 24}));
    EXPECT_FALSE(SizedCopySize({72, 24}, {72, -1}));
    EXPECT_FALSE(SizedCopySize({72, 24}, {100000, 24}));
    EXPECT_FALSE(SizedCopySize({1, 1}, {20000, 0}));
}

TEST(SkinRules, SkinChoice) {
    const std::vector<int> both{0, 1};
    const std::vector<int> three{0, 1, 2};
    struct Case {
        const char* text;
        int depth;
        std::vector<int> available;
        int skin;
        bool fellBack;
    };
    const Case cases[] = {
        {"1", 32, both, 1, false},    {"2", 24, three, 2, false},
        {"0", 32, both, 0, false}, // skin 0 may be chosen by hand
        {"2", 8, three, 0, false}, // a low-colour screen always gets skin 0
        {"1", 15, both, 0, false}, // 15 bits is still under 16
        {"1", 16, both, 1, false}, // 16 bits is full colour
        {"7", 32, both, 1, true},  // no picture set: skin 1, not an error per control
        {"-3", 32, both, 1, true},    {"abc", 32, both, 1, true},
        {"1e12", 32, both, 1, true},                                // too large for an integer: no throw
        {"", 32, both, 1, false},                                   // empty reads as the default
        {" 2 ", 32, three, 2, false}, {"1.6", 32, three, 2, false}, // rounded as integer entries are
        {"5", 32, {0}, 0, true},                                    // no skin 1 either: skin 0
        {"", 32, {0}, 0, true},       {"3", 0, both, 1, true},      // unknown depth counts as full colour
    };
    for (const auto& c : cases) {
        const SkinChoice got = ChooseSkin(c.text, c.depth, c.available);
        EXPECT_EQ(got.skin, c.skin) << '"' << c.text << "\" at " << c.depth << " bits";
        EXPECT_EQ(got.fellBack, c.fellBack) << '"' << c.text << "\" at " << c.depth << " bits";
    }
}

TEST(SkinRules, OptionBallSteps) {
    EXPECT_EQ(NextBallValue(0, false), 1);
    EXPECT_EQ(NextBallValue(1, false), 0);
    EXPECT_EQ(NextBallValue(0, true), 1);
    EXPECT_EQ(NextBallValue(1, true), 2);
    EXPECT_EQ(NextBallValue(2, true), 0);
    EXPECT_EQ(NextBallValue(2, false), 0);
    EXPECT_EQ(NextBallValue(-4, true), 1);
    EXPECT_EQ(ClampBallValue(2, false), 1);
    EXPECT_EQ(ClampBallValue(9, true), 2);
    EXPECT_EQ(ClampBallValue(-1, true), 0);
}

TEST(SkinRules, RepeatIntervals) {
    EXPECT_EQ(RepeatIntervalOnPress({250, 75}), 250);
    EXPECT_EQ(RepeatIntervalAfterTick({250, 75}), 75);
    EXPECT_FALSE(RepeatIntervalOnPress({0, 75})); // no first delay: no repeat
    EXPECT_FALSE(RepeatIntervalOnPress({-1, 75}));
    EXPECT_EQ(RepeatIntervalOnPress({250, 0}), 250); // one repeat, then none
    EXPECT_FALSE(RepeatIntervalAfterTick({250, 0}));
}

TEST(SkinRules, MaskColourClearsOnlyOpaquePixelsOfExactlyThatColour) {
    std::uint32_t px[] = {0xFFFF00FFu, 0xFFFE00FFu, 0x80FF00FFu, 0xFF00FF00u, 0xFFFF00FFu};
    EXPECT_EQ(ApplyMaskColor(px, 5, 0xFF00FF), 2u);
    EXPECT_EQ(px[0], 0u);
    EXPECT_EQ(px[1], 0xFFFE00FFu);
    EXPECT_EQ(px[2], 0x80FF00FFu);
    EXPECT_EQ(px[3], 0xFF00FF00u);
    EXPECT_EQ(px[4], 0u);
    // Only the colour's low 24 bits count.
    std::uint32_t black[] = {0xFF000000u};
    EXPECT_EQ(ApplyMaskColor(black, 1, 0xAB000000u), 1u);
    EXPECT_EQ(ApplyMaskColor(nullptr, 0, 0), 0u);
}
