#include "boards/KeyIcon.h"

#include <algorithm>

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
                          bool highlighted) {
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
    return k;
}

} // namespace tambrel
