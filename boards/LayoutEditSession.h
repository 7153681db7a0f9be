#pragma once
// The layout editor ("Edit Board Layout", LayoutFrm) without its window: one
// opening on one device's layout, edited in place, with the copy taken at
// opening that Cancel and closing restore exactly. The window paints
// Picture(), the caption strip and the two drag lines where this object
// says, shows the key pop-up menu when Select asks for it, and forwards
// every user act to the command of the same name. Prompts and messages go
// through the program's Shell. User-interface thread only.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "boards/MouseButton.h"
#include "boards/LayOutBoard.h"
#include "document/ProgramState.h"

namespace tambrel {

// The pop-up menu's "Move" items (KeyMoveMnu), by their index.
enum class KeyMove { Up = 1, Down = 2, Left = 3, Right = 4 };
// The pop-up menu's "Size/Space" items (KeySizeMnu), by their index.
enum class KeySize { KeyWidth = 1, RowHeight = 2, SpaceBefore = 3, SpaceAbove = 4 };
// The reset dialog's list (DefTypLst): the first three always, by their
// index; a MIDI port also offers its notes by octave, the OSC device its
// wide grid, the layouts such devices get when first seen.
enum class LayoutType { Keyboard = 0, Mouse = 1, Rectangle = 2, Notes = 3, OscKeys = 4 };

// The key pop-up menu ButtonLayPopUpMnu: its two sub-menus and their
// items, item i at [i - 1].
inline constexpr std::string_view kKeyMoveMenu = "Move";
inline constexpr std::array<std::string_view, 4> kKeyMoveItems{"Up", "Down", "Left", "Right"};
inline constexpr std::string_view kKeySizeMenu = "Size/Space";
inline constexpr std::array<std::string_view, 4> kKeySizeItems{"Key Width", "Row Height", "Space Before",
                                                               "Space Above"};
// The reset dialog's captions, type t at [t].
inline constexpr std::array<std::string_view, 5> kLayoutTypeNames{"Keyboard", "Mouse", "Rectangle", "Notes",
                                                                  "OSC Keys"};
inline constexpr std::string_view kResetButtonText = "Reset Layout";

// Status tips of the window's parts (shown while the mouse is over them).
inline constexpr std::string_view kWidthLineTip = "Drag this line to size the tree box.";
inline constexpr std::string_view kHeightLineTip = "Drag this line to size the tree box and wave view.";

inline constexpr std::string_view kLayoutEditorTitle = "Edit Board Layout";
inline constexpr std::string_view kResetDialogTitle = " Reset Layout";
inline constexpr std::string_view kResetDialogLabel = "Choose a default layout type:";

// The vertical distance between the board's bottom and the height drag line.
inline constexpr std::int32_t kHeightLineOffset = 40;
inline constexpr std::int32_t kMinDragWidth = 200;
inline constexpr std::int32_t kMinDragHeight = 100;
inline constexpr std::int32_t kMaxRows = 100;

struct SelectResult {
    std::int32_t key = 0;      // the selected key now, 0 for none
    bool popUpKeyMenu = false; // right button on a key: show ButtonLayPopUpMnu
};

class LayoutEditSession {
public:
    explicit LayoutEditSession(ProgramState& st) : st_(st) {}

    // InitilizeForm: opens on device (1-based). False, and nothing opened,
    // when there is no such device.
    bool InitilizeForm(std::int32_t device);
    bool IsOpen() const { return open_; }

    // What the window shows.
    std::int32_t Device() const { return device_; }
    std::int32_t SelectedKey() const { return selected_; }
    std::int32_t WorkingWidth() const { return workingWidth_; }
    std::int32_t WorkingHeight() const { return workingHeight_; }
    // DragHImg stands at x = WidthLineX(), DragVImg at y = HeightLineY();
    // while a line is dragged it follows the pointer.
    std::int32_t WidthLineX() const { return lineX_; }
    std::int32_t HeightLineY() const { return lineY_; }
    bool Dragging() const { return drag_ != Drag::None; }
    // The caption strip: "Device: " + the device's name.
    std::string CaptionText() const;
    // The board as last drawn by LayOutBoard (BoardPic's size is its size).
    const BoardPicture& Picture() const { return picture_; }
    // How often the board was redrawn since opening (a change redraws it).
    std::int32_t Redraws() const { return redraws_; }
    // The window's size: the board and both drag lines (lineThickness wide)
    // plus the frame, never larger than the screen.
    struct WindowExtent {
        std::int32_t width = 0, height = 0;
    };
    WindowExtent WindowSize(std::int32_t frameWidth, std::int32_t frameHeight, std::int32_t lineThickness,
                            std::int32_t screenWidth, std::int32_t screenHeight) const;
    bool Accepted() const { return accepted_; }

    // Mouse pressed on the board at (x, y): the first key, in index order,
    // whose rectangle strictly holds the point becomes the selected key (or
    // none), and the board is redrawn with it highlighted.
    SelectResult Select(std::int32_t x, std::int32_t y, MouseButton button);
    // The pop-up menu's items; they act on the selected key (none: nothing).
    void Move(KeyMove move);
    void Size(KeySize item);

    // The drag lines: pressing starts a drag at the pointer's position, each
    // movement moves the line by as much, releasing drops it where it is.
    void PressWidthLine(std::int32_t pointerX);
    void PressHeightLine(std::int32_t pointerY);
    void DragMove(std::int32_t pointerX, std::int32_t pointerY);
    void ReleaseLine();
    // A release with the width line at x: working width and BoardWidth =
    // x raised to at least 200, the board redrawn with no key highlighted.
    void DropWidthLine(std::int32_t x);
    // A release with the height line at y: working height and BoardHeight =
    // y - 40 raised to at least 100; the line moves to the height + 40.
    void DropHeightLine(std::int32_t y);

    // The types the reset dialog lists for the open device, in its order.
    std::vector<LayoutType> ResetTypes() const;
    // "Reset Layout" after the dialog's OK with type chosen (after its
    // Cancel the window calls nothing). Rectangle asks for the keys per row.
    void Reset(LayoutType type);

    // OK: accepted, and the window closes. Cancel: not accepted, closes.
    void Ok();
    void Cancel();
    // The window closes (also from its title bar): without OK the device's
    // layout becomes the saved copy again, exactly.
    void Close();

private:
    enum class Drag { None, Width, Height };

    DeviceLayout* Layout();
    LayoutKey* Selected();
    void Redraw(std::int32_t highlight);
    void SetWorkingSize(std::int32_t width, std::int32_t height);
    void MoveUpDown(LayoutKey& key, std::int32_t target);
    void MoveSideways(LayoutKey& key, bool right);

    ProgramState& st_;
    bool open_ = false;
    std::int32_t device_ = 0;
    std::int32_t selected_ = 0;
    std::int32_t workingWidth_ = 0, workingHeight_ = 0;
    std::int32_t lineX_ = 0, lineY_ = 0;
    Drag drag_ = Drag::None;
    std::int32_t dragFrom_ = 0, dragLineFrom_ = 0;
    DeviceLayout saved_;
    bool accepted_ = false;
    BoardPicture picture_;
    std::int32_t redraws_ = 0;
};

// What the "Edit Layout" menu item does once the editor window is gone:
// ShowPlayAssignment, then, when it was closed with OK, every board view is
// rebuilt (RebuildAllBoardViews), so each Sub Board of the device shows the
// new layout.
void FinishLayoutEditing(ProgramState& st, const LayoutEditSession& session);

} // namespace tambrel
