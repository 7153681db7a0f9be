#pragma once
// Paints one board surface as the core describes it: key faces with their
// raised edges and labels, icons combined by AND, mute crosses, and the
// caption strip. The board views and the layout editor draw with it, so a
// layout looks the same in both. User-interface thread.

#include <QBrush>
#include <QRect>

#include <cstdint>
#include <span>
#include <QPainter>

#include "boards/BoardViewPicture.h"

namespace tambrel {

// Paints s with its top-left corner at (s.Left, s.Top); background fills the
// surface first. dpr: the device pixel ratio the icons are drawn at.
// light[k - 1]: how brightly key k is lit (0 dark .. 255), for keys that
// sound; keys beyond it are dark. exposed: the part of the widget to paint
// (in the painter's coordinates before the surface's offset); keys outside
// it are skipped, so a lit key's repaint costs one key, not the board.
void PaintBoardSurface(QPainter& p, const BoardSurface& s, const QBrush& background, qreal dpr,
                       std::span<const std::uint8_t> light = {}, const QRect& exposed = QRect());

} // namespace tambrel
