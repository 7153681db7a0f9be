#pragma once
// The model behind one board view window: it describes what the window shows
// for its Play Board and carries out what the user does on it. The window
// paints the description and forwards presses and activation; it holds no
// rule of its own. What changed is told through notices (document/Notices.h).
// User-interface thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "boards/MouseButton.h"
#include "boards/BoardViewPicture.h"
#include "document/ProgramState.h"

namespace tambrel {

// Status-bar tips the window shows while the mouse moves over a board
// surface or over the window's background.
inline constexpr std::string_view kBoardSurfaceTip = "Click on a key to make it current to edit. Right mouse for menu.";
inline constexpr std::string_view kBoardBackgroundTip = "Right mouse click for Play Table Menu";

class BoardView {
public:
    BoardView(ProgramState& st, std::int32_t playBoard) : st_(st), p_(playBoard) {}

    std::int32_t PlayBoardIndex() const { return p_; }
    // After an earlier Play Board is deleted the window shows the next one down.
    void SetPlayBoardIndex(std::int32_t p) { p_ = p; }

    // Every surface drawn and stacked, the window's client size and titles.
    // Nothing to show (no surfaces) when the Play Board does not exist.
    BoardViewPicture DrawBoardsAll();
    // One Sub Board's surface, drawn completely; its place is left at (0, 0)
    // for the stacking of the whole view. Matches the Sub Board's key count
    // to its device first. Empty when the Sub Board does not exist.
    std::optional<BoardSurface> DrawBoard(std::int32_t subBoard);
    // One key as a repaint of its icon shows it (after an edit or a change of
    // its looping state), from the rectangles of the last drawing.
    std::optional<BoardKey> ShowKeyIcon(SubBoardNo subBoard, KeyNo key) const;
    // "Play Table : " + the name; the name alone while minimised.
    std::string UpdateTableCaption(bool minimised) const;
    // "Board Name: NAME (Device: DEVICE)"
    std::string UpdateBoardCaption(std::int32_t subBoard) const;

    // A mouse button went down on surface `subBoard` at (x, y) in surface
    // pixels: that Sub Board and the key under the point (if any) become
    // current and the key becomes the edit key.
    void MousePressed(std::int32_t subBoard, std::int32_t x, std::int32_t y, MouseButton button);
    // The key a click at (x, y) of surface `subBoard` would find, or 0: for
    // what a pointer hovers or a drag is over, changing nothing.
    std::int32_t KeyAt(std::int32_t subBoard, std::int32_t x, std::int32_t y) const;
    // A mouse button went down on the window outside every surface.
    void BackgroundPressed(MouseButton button);
    // The window became the active one: its Play Board becomes the active
    // one and, when another one was being edited, the edit Play Board.
    // Running it again changes nothing further.
    void Activated();

private:
    PlayBoard* Board();
    const PlayBoard* Board() const;
    // The device the Sub Board is bound to; null when it is not in this run's list.
    InputDevice* DeviceOf(const SubBoard& sb);
    const InputDevice* DeviceOf(const SubBoard& sb) const;

    ProgramState& st_;
    std::int32_t p_;
};

} // namespace tambrel
