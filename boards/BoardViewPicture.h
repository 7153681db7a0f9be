#pragma once
// What a board view window shows, as plain values a painter in the window
// layer draws as they stand: one surface per Sub Board, stacked top to
// bottom, each with its caption strip, the bare board from LayOutBoard and
// per key its icon and mute cross.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "boards/LayOutBoard.h"

namespace tambrel {

inline constexpr Rgb CaptionTextColour{0, 0, 128};
inline constexpr Rgb MuteCrossColour{255, 255, 255};
// A key's face while it sounds; it fades back to its own colour.
inline constexpr Rgb LitKeyColour{224, 96, 0};
inline constexpr std::int32_t KeyIconSize = 16;
// The caption's text starts here; the strip picture is stretched to the
// surface's width at its own height.
inline constexpr std::int32_t CaptionTextX = 2, CaptionTextY = 2;
// Icon numbers: 0 and 99 are plain squares in the key and current-key colours.
inline constexpr std::int32_t PlainKeyIcon = 0;
inline constexpr std::int32_t CurrentKeyIcon = 99;
// What a key plays is printed under its label in smaller type: the label's
// line is this high, the sound's text this many pixels tall.
inline constexpr std::int32_t KeyLabelLine = 12;
inline constexpr std::int32_t KeySoundTextPixels = 9;
inline constexpr std::int32_t KeySoundLine = 11;

struct Line {
    std::int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    bool operator==(const Line&) const = default;
};

// One key of a board with what is painted over its face.
struct BoardKey {
    std::int32_t Key = 0;                                  // 1-based key index
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0; // inclusive, as LayOutBoard stored them
    std::int32_t Icon = PlainKeyIcon;
    // A whole-board drawing paints icons only on keys with a sound source;
    // a single key's repaint (ShowKeyIcon) paints its icon in any case.
    bool HasSource = false;
    std::int32_t IconX = 0, IconY = 0; // top-left; combined with the surface by bitwise AND
    bool Muted = false;                // the cross is drawn
    std::array<Line, 2> Cross{};       // meaningful when Muted
    bool Highlighted = false;          // drawn in the current-key colour
    // What the key plays (KeySoundName), printed elided into the box at
    // SoundX, SoundY of SoundWidth x KeySoundLine pixels (left of the icon
    // where they would meet); empty for a key without one.
    std::string Sound;
    std::int32_t SoundX = 0, SoundY = 0, SoundWidth = 0;
};

// One Sub Board's surface.
struct BoardSurface {
    std::int32_t SubBoard = 0;
    std::int32_t Left = 0, Top = 0; // placed by the stacking of the whole view
    std::int32_t Width = 0, Height = 0;
    // False when the Sub Board's device is not among this run's devices: the
    // surface then shows only its caption and has no keys.
    bool DevicePresent = false;
    std::string Caption;
    BoardPicture Picture;       // the bare board; no faces when the device is absent
    std::vector<BoardKey> Keys; // in key index order
};

struct BoardViewPicture {
    std::int32_t PlayBoard = 0;
    std::vector<BoardSurface> Surfaces; // Sub Boards 1..BodNos in order
    std::int32_t ClientWidth = 0, ClientHeight = 0;
    std::string Title;          // while the window is not minimised
    std::string MinimisedTitle; // while it is
};

} // namespace tambrel
