#pragma once
// The mouse button of a press on a board surface, as the board views and
// the layout editor hand it to the core.

namespace tambrel {

enum class MouseButton { Left, Right, Middle };

} // namespace tambrel
