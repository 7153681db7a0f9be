#pragma once
// Turning a device's layout into key rectangles and a plain description of
// the bare board (key faces, colours, edges, label places) that a painter in
// the window layer draws as it stands. User-interface thread.

#include <cstdint>
#include <string>
#include <vector>

#include "common/Rgb.h"
#include "document/DeviceLayout.h"

namespace tambrel {

inline constexpr Rgb KeyColour{128, 128, 128};
inline constexpr Rgb CurrentKeyColour{0, 0, 255};
inline constexpr Rgb KeyTextColour{255, 255, 192};
inline constexpr Rgb RaisedLightEdge{255, 255, 255}; // top and left edges
inline constexpr Rgb RaisedDarkEdge{0, 0, 0};        // bottom and right edges

// The first key row starts this far down, below the board's caption strip.
inline constexpr std::int32_t CaptionStripHeight = 17;
inline constexpr std::int32_t MinSurfaceWidth = 200;
inline constexpr std::int32_t MinSurfaceHeight = 50;

// One key face: a filled rectangle with a raised edge and the label inside.
struct KeyFace {
    std::int32_t Key = 0;                                  // 1-based key index
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0; // inclusive
    Rgb Fill;
    std::string Label;
    std::int32_t LabelX = 0, LabelY = 0; // the label's top-left corner
};

// What a board surface shows after LayOutBoard: cleared to its background,
// then the faces in row order, position order within a row.
struct BoardPicture {
    std::int32_t Width = 0, Height = 0; // surface size
    Rgb TextColour = KeyTextColour;
    std::vector<KeyFace> Faces;
};

// Normalises the key places (unplaced or clashing keys go to a new row below
// the last used one, and stay there), computes every key's rectangle and
// describes the bare board with currentKey (0: none) highlighted. labels[k-1]
// is key k's label; missing labels print empty.
BoardPicture LayOutBoard(DeviceLayout& layout, const std::vector<std::string>& labels, std::int32_t currentKey);

// The top of every row (row r at [r - 1]): 17 for the caption strip, plus the
// space above rows 1..r and the heights of rows 1..r-1.
std::vector<std::int32_t> RowTops(const DeviceLayout& layout);

// The first key, in index order, whose last computed rectangle strictly holds
// (x, y): border pixels do not count. 0 when none does.
std::int32_t HitKey(const DeviceLayout& layout, std::int32_t x, std::int32_t y);

} // namespace tambrel
