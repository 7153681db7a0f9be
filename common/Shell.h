#pragma once
// The narrow window the core talks to the program through. The Qt main window
// implements it; tests use a scripted fake that records every text. All texts
// are in the core's 8-bit code page (Windows-1252); the implementation converts
// at the user-interface boundary. User-interface thread only.

#include <string>
#include <string_view>

namespace tambrel {

inline constexpr std::string_view kProgramTitle = "Tambrel Orchestra";

enum class MsgButtons { Ok, YesNo, YesNoCancel };

// What a file dialog is asked to show.
struct FileDialogRequest {
    bool save = false; // a save dialog (no overwrite question) or an open dialog
    std::string title;
    std::string filter;   // "description|pattern"
    std::string fileName; // proposed name
    std::string initialFolder;
    std::string defaultExtension;
};
enum class MsgAnswer { Ok, Yes, No, Cancel };

// Things the views and menus must catch up with after the core changed the
// Orchestra. Numbers are 1-based Play Board / Sub Board indexes.
enum class ShellEvent {
    // The two requests for RefreshBoardViews(a) and RefreshBoardViews(0): the
    // program answers them by calling it, which sends the window-level events
    // below (OpenBoardView ... CloseAllBoardViews).
    RebuildBoardView, // a: Play Board
    RebuildAllBoardViews,
    CloseBoardView,     // a: Play Board
    RenumberBoardView,  // the view shown as a is now view b
    ActivateBoardView,  // a: Play Board; activation makes it CurSet
    RedrawBoardView,    // a: Play Board; rebuild every surface of its view (DrawBoardsAll)
    UpdateTableCaption, // a: Play Board
    UpdateBoardCaption, // a: Play Board, b: Sub Board
    UpdateSetActiveMenu,
    UpdateBoardMenu,
    ShowActivePlayBoard, // show CurSet's name as the active Play Board
    ShowCurRecName,
    ShowOpenMessage,      // a: 1 = edit mode, 0 = view mode
    ShowKeyIcon,          // a: Play Board, b: Sub Board, c: key; redraw its looping state
    ShowInputOnOff,       // a: 1 = input devices on, 0 = off; the ON/OFF ball shows it
    UpdateRecordingPanel, // the recording panel's buttons and label follow the recorder's state
    ShowPlayAssignment,   // show the edited key in the key assignment editor again
    HidePlayAssignment,   // hide the key assignment editor
    UpdateDeviceMenus,    // the device list changed: rebuild "Edit Layout" and the Sub Board "Add" menu
    UpdateMidiPortMenu,   // the "Midi Port" menu's items changed
    OpenBoardView,        // a: Play Board; create its view when it has none
    ShowBoardView,        // a: Play Board
    CloseAllBoardViews,   // hide and destroy every board view
    RedrawBoard,          // a: Play Board, b: Sub Board; paint that one board again
    ShowKeyMenu,          // a, b, c: the key right-clicked; pop up the key menu "Button Pop Up"
    ShowPlayTableMenu,    // a: Play Board whose background was right-clicked; pop up "[PlayTable Menu]"
};

class Shell {
public:
    virtual ~Shell() = default;

    // A message box. An empty title means the program's title.
    virtual MsgAnswer Message(std::string_view text, std::string_view title, MsgButtons buttons = MsgButtons::Ok) = 0;
    // An input box; returns what was typed, empty when cancelled.
    virtual std::string Input(std::string_view prompt, std::string_view title, std::string_view proposed) = 0;
    // Second panel of the status bar: progress and state texts.
    virtual void Status(std::string_view text) = 0;
    // The hourglass pointer on or off.
    virtual void Busy(bool on) = 0;
    // The main window's caption.
    virtual void Caption(std::string_view text) = 0;
    virtual void Notify(ShellEvent event, int a = 0, int b = 0, int c = 0) = 0;
    // A modal file dialog; the chosen full name, or empty when cancelled.
    virtual std::string ChooseFile(const FileDialogRequest& request) = 0;
};

// A shell that shows nothing and answers every question with its default;
// serves command-line tools that have no windows.
class SilentShell : public Shell {
public:
    MsgAnswer Message(std::string_view, std::string_view, MsgButtons buttons) override {
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
    std::string Input(std::string_view, std::string_view, std::string_view) override { return {}; }
    void Status(std::string_view) override {}
    void Busy(bool) override {}
    void Caption(std::string_view) override {}
    void Notify(ShellEvent, int, int, int) override {}
    std::string ChooseFile(const FileDialogRequest&) override { return {}; }
};

} // namespace tambrel
