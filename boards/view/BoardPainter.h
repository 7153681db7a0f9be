#pragma once
// Paints one board surface as the core describes it: key faces with their
// raised edges and labels, icons combined by AND, mute crosses, and the
// caption strip. The board views and the layout editor draw with it, so a
// layout looks the same in both. User-interface thread.

#include <QBrush>
#include <QPainter>

#include "boards/BoardViewPicture.h"

namespace tambrel {

// Paints s with its top-left corner at (s.Left, s.Top); background fills the
// surface first. dpr: the device pixel ratio the icons are drawn at.
void PaintBoardSurface(QPainter& p, const BoardSurface& s, const QBrush& background, qreal dpr);

} // namespace tambrel
