#pragma once
// The rules of the skinned controls that hold numbers or texts: picture
// names and their sized keys, which skin a screen gets, the option ball's
// step, the auto-repeat intervals and the mask colour. Standard C++ only, so
// they are tested without a display; the Qt controls only apply them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tambrel::skin {

// The picture name that stands for no picture.
inline constexpr std::string_view kNoPicture = "None";

// Every picture name the program's windows use. Each skin holds all of them.
const std::vector<std::string>& PictureNames();

// A name with blanks only (or nothing) stands for "None"; other names are
// kept as written.
std::string NormalisePictureName(std::string_view name);

// The key of a sized copy: name + "X" + width + "Y" + height.
std::string SizedPictureKey(std::string_view name, int width, int height);

struct PictureSize {
    int width = 0;
    int height = 0;
};

// Whether the stored picture itself serves a request: same width, and the
// same height or a requested height of 0.
bool ServesRequest(PictureSize stored, PictureSize requested);

// The size a sized copy is drawn at. A requested height of 0 keeps the
// picture's proportions for the new width. Nothing when no picture of that
// size can be drawn (a width or height that is not positive, or absurdly
// large).
std::optional<PictureSize> SizedCopySize(PictureSize stored, PictureSize requested);

// Screens with fewer bits per pixel than this get the low-colour skin.
inline constexpr int kFullColourDepth = 16;
inline constexpr int kLowColourSkin = 0;
inline constexpr int kDefaultSkin = 1;
// The settings file entry that names the skin.
inline constexpr std::string_view kSkinSection = "General";
inline constexpr std::string_view kSkinKey = "Current Skin";
inline constexpr std::string_view kSkinDefaultText = "1";

struct SkinChoice {
    int skin = kDefaultSkin;
    // True when the number asked for has no picture set (or was no number)
    // and a fallback was taken instead.
    bool fellBack = false;
};

// The skin for a "Current Skin" text on a screen of `screenDepth` bits per
// pixel, given the skins that have a picture set. A low-colour screen always
// gets skin 0; a number without a picture set (or text that is no number)
// falls back to skin 1, or to skin 0 when there is no skin 1 either.
SkinChoice ChooseSkin(std::string_view currentSkinText, int screenDepth, const std::vector<int>& available);

// The option ball's value after a click: 0 -> 1; 1 -> 2 with a third
// state, else 1 -> 0; 2 -> 0.
int NextBallValue(int value, bool useThirdOption);
// A value the program sets directly, brought into the ball's states:
// below 0 reads 0, above the last state reads the last state.
int ClampBallValue(int value, bool useThirdOption);

// Auto-repeat of a held button. The repeat timer starts with the first
// delay; every tick sets the next delay. A delay of 0 (or less) means no
// timer: no repeat at all for the first, no further repeat for the next.
struct RepeatDelays {
    int firstMs = 0;
    int nextMs = 0;
};
// The interval to arm on a press, or nothing when the button does not repeat.
std::optional<int> RepeatIntervalOnPress(RepeatDelays delays);
// The interval to arm after a tick, or nothing when the repeat stops.
std::optional<int> RepeatIntervalAfterTick(RepeatDelays delays);

// Pixels in 0xAARRGGBB form (premultiplied or not: a fully opaque pixel is
// the same either way). Every fully opaque pixel whose colour is exactly
// maskRgb (0xRRGGBB) becomes fully transparent. Returns how many did.
std::size_t ApplyMaskColor(std::uint32_t* pixels, std::size_t count, std::uint32_t maskRgb);

} // namespace tambrel::skin
