#include "boards/KeyIcon.h"

#include <algorithm>
#include <utility>

namespace tambrel {

std::int32_t ChooseKeyIcon(const KeyAssign& key, bool isCurrentKey) {
    switch (key.SndSrc) {
    case kSrcNone: return isCurrentKey ? CurrentKeyIcon : PlainKeyIcon;
    case kSrcWave:
        switch (key.PlayStyl) {
        case kPlayOnce: return 1;
        case kPlayMulti: return 2;
        case kPlayLoop: return key.Looping != kVbFalse ? 4 : 3;
        case kPlayQueue: return 5;
        default: return PlainKeyIcon;
        }
    case kSrcMidi: return 6;
    case kSrcAction: return 7;
    default: return PlainKeyIcon;
    }
}

BoardKey DescribeBoardKey(const LayoutKey& place, std::int32_t key, const KeyAssign& assign, bool isCurrentKey,
                          bool highlighted, std::string sound) {
    BoardKey k;
    k.Key = key;
    k.Left = place.Left;
    k.Top = place.Top;
    k.Right = place.Right;
    k.Bottom = place.Bottom;
    k.Icon = ChooseKeyIcon(assign, isCurrentKey);
    k.HasSource = assign.SndSrc != kSrcNone;
    // Rectangles are clamped into 32 bits by LayOutBoard; stay inside them here too.
    auto at = [](std::int32_t edge, std::int32_t back) {
        return static_cast<std::int32_t>(std::max<std::int64_t>(std::int64_t{edge} - back, INT32_MIN));
    };
    k.IconX = at(place.Right, KeyIconSize);
    k.IconY = at(place.Bottom, KeyIconSize);
    k.Muted = k.HasSource && FlagOn(assign.Mute);
    k.Cross = {Line{at(place.Right, 14), at(place.Bottom, 14), at(place.Right, 1), at(place.Bottom, 1)},
               Line{at(place.Right, 14), at(place.Bottom, 2), at(place.Right, 1), at(place.Bottom, 15)}};
    k.Highlighted = highlighted;
    k.Sound = std::move(sound);
    // Under the label, as wide as the face; where the line reaches down to
    // the icon's corner it stops short of the icon, so neither hides the other.
    auto below = [](std::int32_t edge, std::int32_t by) {
        return static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{edge} + by, INT32_MAX));
    };
    k.SoundX = below(place.Left, 2);
    k.SoundY = below(place.Top, 2 + KeyLabelLine);
    const std::int64_t lineBottom = std::int64_t{k.SoundY} + KeySoundLine - 1;
    const std::int64_t right = lineBottom >= k.IconY ? std::int64_t{k.IconX} - 2 : std::int64_t{place.Right} - 2;
    k.SoundWidth = static_cast<std::int32_t>(std::clamp<std::int64_t>(right - k.SoundX + 1, 0, INT32_MAX));
    return k;
}

} // namespace tambrel
