#pragma once
// The board keys' assignment icons, drawn in code so they stay sharp at any
// screen scale: 1 once, 2 multiple, 3 loop, 4 looping, 5 queue, 6 MIDI,
// 7 action; 0 and 99 are plain squares in the key and current-key colours.
// Drawn on white, whose pixels then take the key's grey, so that combining
// them with the face by AND leaves the face where the icon is blank.

#include <QImage>

namespace tambrel {

// A 16 x 16 logical-pixel icon at devicePixelRatio.
QImage KeyIconImage(int icon, qreal devicePixelRatio);

} // namespace tambrel
