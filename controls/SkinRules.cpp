#include "controls/SkinRules.h"

#include <algorithm>
#include <cmath>

#include "common/NumberText.h"

namespace tambrel::skin {

namespace {

// Larger sides than this are a caller's mistake, not a picture to draw.
constexpr int kMaxSide = 16384;

bool Blank(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; });
}

} // namespace

const std::vector<std::string>& PictureNames() {
    static const std::vector<std::string> names = {
        // Push buttons: normal and held.
        "Button_Up",
        "Button_Dn",
        "ButtonGreen_Up",
        "ButtonGreen_Dn",
        "ButtonRed_Up",
        "ButtonRed_Dn",
        "Button_Long_Up",
        "Button_Long_Dn",
        // Arrow buttons beside the number fields and in lists.
        "Arrow-Up-Up",
        "Arrow-Up-Dn",
        "Arrow-Down-Up",
        "Arrow-Down-Dn",
        "Arrow-Left-Up",
        "Arrow-Left-Dn",
        "Arrow-Right-Up",
        "Arrow-Right-Dn",
        // The recording and playback panel.
        "Record_Up",
        "Record_Dn",
        "RecordStop_Up",
        "RecordStop_Dn",
        "Play_Up",
        "Play_Dn",
        "Pause_Up",
        "Pause_Dn",
        "Resume_Up",
        "Resume_Dn",
        "Stop_Up",
        "Stop_Dn",
        "RecList_Up",
        "RecList_Dn",
        // Option balls and their small drum form.
        "Ball_Gray",
        "Ball_Green",
        "Ball_Red",
        "Ball_Yellow",
        "DrumSmall_Gray",
        "DrumSmall_Green",
        // Check boxes and option pairs drawn as two-state balls.
        "Check_Off",
        "Check_On",
        "Option_Off",
        "Option_On",
        // Surfaces: headings, panels, value displays, the board caption
        // strip and the program logo.
        "Heading",
        "Panel",
        "Display",
        "Title_Strip",
        "Logo",
    };
    return names;
}

std::string NormalisePictureName(std::string_view name) {
    if (Blank(name)) return std::string(kNoPicture);
    return std::string(name);
}

std::string SizedPictureKey(std::string_view name, int width, int height) {
    std::string key(name);
    key += 'X';
    key += IntText(width);
    key += 'Y';
    key += IntText(height);
    return key;
}

bool ServesRequest(PictureSize stored, PictureSize requested) {
    return stored.width == requested.width && (requested.height == 0 || stored.height == requested.height);
}

std::optional<PictureSize> SizedCopySize(PictureSize stored, PictureSize requested) {
    PictureSize out = requested;
    if (out.height == 0 && stored.width > 0 && stored.height > 0) {
        const double h = std::round(static_cast<double>(stored.height) * out.width / stored.width);
        out.height = static_cast<int>(std::clamp(h, 1.0, static_cast<double>(kMaxSide) + 1));
    }
    if (out.width <= 0 || out.height <= 0 || out.width > kMaxSide || out.height > kMaxSide) return std::nullopt;
    return out;
}

SkinChoice ChooseSkin(std::string_view currentSkinText, int screenDepth, const std::vector<int>& available) {
    const auto has = [&](int s) { return std::find(available.begin(), available.end(), s) != available.end(); };
    if (screenDepth > 0 && screenDepth < kFullColourDepth) return {kLowColourSkin, false};
    std::int32_t asked = 0;
    const bool isNumber = IsNumericText(currentSkinText) && TryRoundHalfEven(ParseLenient(currentSkinText), asked);
    // An empty entry reads as the default, as a missing one does.
    if (Blank(currentSkinText)) {
        asked = kDefaultSkin;
        if (has(asked)) return {asked, false};
    } else if (isNumber && has(asked)) {
        return {asked, false};
    }
    if (has(kDefaultSkin)) return {kDefaultSkin, true};
    return {kLowColourSkin, true};
}

int NextBallValue(int value, bool useThirdOption) {
    switch (ClampBallValue(value, useThirdOption)) {
    case 0: return 1;
    case 1: return useThirdOption ? 2 : 0;
    default: return 0;
    }
}

int ClampBallValue(int value, bool useThirdOption) { return std::clamp(value, 0, useThirdOption ? 2 : 1); }

std::optional<int> RepeatIntervalOnPress(RepeatDelays delays) {
    if (delays.firstMs <= 0) return std::nullopt;
    return delays.firstMs;
}

std::optional<int> RepeatIntervalAfterTick(RepeatDelays delays) {
    if (delays.nextMs <= 0) return std::nullopt;
    return delays.nextMs;
}

std::size_t ApplyMaskColor(std::uint32_t* pixels, std::size_t count, std::uint32_t maskRgb) {
    const std::uint32_t opaqueMask = 0xFF000000u | (maskRgb & 0x00FFFFFFu);
    std::size_t n = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (pixels[i] == opaqueMask) {
            pixels[i] = 0;
            ++n;
        }
    }
    return n;
}

} // namespace tambrel::skin
