#pragma once
// What the core tells the windows: one small struct per notice, with named
// fields, grouped by what changed. The core posts a notice to
// ProgramState::views the moment the change is made; the one listener (the
// main window in the program, the scripted shell in tests) handles it before
// Post returns. Without a listener (the command-line tools) a notice goes
// nowhere. The windows pick what to do by the notice's type.
// User-interface thread only.

#include <cstdint>
#include <variant>

#include "document/KeyAddress.h"

namespace tambrel::notice {

// ---- the board views ----
inline namespace boards {

// Asks for RefreshBoardViews(playBoard): its view made when missing and drawn.
struct RebuildBoardView {
    PlayBoardNo playBoard;
    bool operator==(const RebuildBoardView&) const = default;
};
// Asks for RefreshBoardViews(0): every view closed and made again.
struct RebuildAllBoardViews {
    bool operator==(const RebuildAllBoardViews&) const = default;
};
// The view of the Play Board, created when it has none.
struct OpenBoardView {
    PlayBoardNo playBoard;
    bool operator==(const OpenBoardView&) const = default;
};
struct ShowBoardView {
    PlayBoardNo playBoard;
    bool operator==(const ShowBoardView&) const = default;
};
struct CloseBoardView {
    PlayBoardNo playBoard;
    bool operator==(const CloseBoardView&) const = default;
};
// Hide and destroy every board view.
struct CloseAllBoardViews {
    bool operator==(const CloseAllBoardViews&) const = default;
};
// The view shown as Play Board `from` is now the view of Play Board `to`.
struct RenumberBoardView {
    PlayBoardNo from;
    PlayBoardNo to;
    bool operator==(const RenumberBoardView&) const = default;
};
// Bring the view to the front; its activation makes the Play Board CurSet.
struct ActivateBoardView {
    PlayBoardNo playBoard;
    bool operator==(const ActivateBoardView&) const = default;
};
// Rebuild every surface of the view (DrawBoardsAll).
struct RedrawBoardView {
    PlayBoardNo playBoard;
    bool operator==(const RedrawBoardView&) const = default;
};
// Paint one board of the view again.
struct RedrawBoard {
    PlayBoardNo playBoard;
    SubBoardNo subBoard;
    bool operator==(const RedrawBoard&) const = default;
};
struct UpdateTableCaption {
    PlayBoardNo playBoard;
    bool operator==(const UpdateTableCaption&) const = default;
};
struct UpdateBoardCaption {
    PlayBoardNo playBoard;
    SubBoardNo subBoard;
    bool operator==(const UpdateBoardCaption&) const = default;
};
// Redraw the key's icon (its looping state, mute, source).
struct ShowKeyIcon {
    KeyAddress key;
    bool operator==(const ShowKeyIcon&) const = default;
};
// The key was right-clicked: pop up its menu "Button Pop Up".
struct ShowKeyMenu {
    KeyAddress key;
    bool operator==(const ShowKeyMenu&) const = default;
};
// The background of the Play Board's view was right-clicked: "[PlayTable Menu]".
struct ShowPlayTableMenu {
    PlayBoardNo playBoard;
    bool operator==(const ShowPlayTableMenu&) const = default;
};
// Show CurSet's name as the active Play Board.
struct ShowActivePlayBoard {
    bool operator==(const ShowActivePlayBoard&) const = default;
};

} // namespace boards

// ---- the menus whose items the core lists ----
inline namespace menus {

struct UpdateSetActiveMenu {
    bool operator==(const UpdateSetActiveMenu&) const = default;
};
struct UpdateBoardMenu {
    bool operator==(const UpdateBoardMenu&) const = default;
};
// The device list changed: "Edit Layout" and the Sub Board "Add" menu.
struct UpdateDeviceMenus {
    bool operator==(const UpdateDeviceMenus&) const = default;
};
struct UpdateMidiPortMenu {
    bool operator==(const UpdateMidiPortMenu&) const = default;
};

} // namespace menus

// ---- the key assignment editor and the buttons beside it ----
inline namespace editor {

// Show the edited key in the editor again.
struct ShowPlayAssignment {
    bool operator==(const ShowPlayAssignment&) const = default;
};
struct HidePlayAssignment {
    bool operator==(const HidePlayAssignment&) const = default;
};
// What the input devices' ON/OFF ball shows.
struct ShowInputOnOff {
    bool on = false;
    bool operator==(const ShowInputOnOff&) const = default;
};
// The DLS remark DslLbl shows while the MIDI port chosen is a software
// synthesizer (velocity and duration only approximated).
struct ShowDslRemark {
    bool visible = false;
    bool operator==(const ShowDslRemark&) const = default;
};

} // namespace editor

// ---- keystroke recording ----
inline namespace recording {

// The recording panel's buttons and label follow the recorder's state.
struct UpdateRecordingPanel {
    bool operator==(const UpdateRecordingPanel&) const = default;
};
// The current recording's label is to be worked out again (the Orchestra
// was renewed); the recorder answers with UpdateRecordingPanel.
struct ShowCurRecName {
    bool operator==(const ShowCurRecName&) const = default;
};

} // namespace recording

// ---- what sounds ----
inline namespace playing {

// The key started to sound: its wave started, its MIDI note was sent or its
// action ran, whatever made it play (a press, a delay, a loop, a queue,
// playback). `ms`: how long its voice sounds; -1 until it is stopped (a
// loop), which KeyStoppedSounding then tells.
struct KeyPlayed {
    static constexpr std::int32_t kUntilStopped = -1;
    KeyAddress key;
    std::int32_t ms = 0;
    bool operator==(const KeyPlayed&) const = default;
};
// The key's voice was stopped before its time (a loop ended, Stop All, a
// silenced or changed key).
struct KeyStoppedSounding {
    KeyAddress key;
    bool operator==(const KeyStoppedSounding&) const = default;
};

} // namespace playing

// ---- the document ----
inline namespace document {

// Show the Orchestra's open message, to read or to edit.
struct ShowOpenMessage {
    bool editMode = false;
    bool operator==(const ShowOpenMessage&) const = default;
};

} // namespace document

} // namespace tambrel::notice

namespace tambrel {

using Notice = std::variant<
    // board views
    notice::RebuildBoardView, notice::RebuildAllBoardViews, notice::OpenBoardView, notice::ShowBoardView,
    notice::CloseBoardView, notice::CloseAllBoardViews, notice::RenumberBoardView, notice::ActivateBoardView,
    notice::RedrawBoardView, notice::RedrawBoard, notice::UpdateTableCaption, notice::UpdateBoardCaption,
    notice::ShowKeyIcon, notice::ShowKeyMenu, notice::ShowPlayTableMenu, notice::ShowActivePlayBoard,
    // menus
    notice::UpdateSetActiveMenu, notice::UpdateBoardMenu, notice::UpdateDeviceMenus, notice::UpdateMidiPortMenu,
    // editor
    notice::ShowPlayAssignment, notice::HidePlayAssignment, notice::ShowInputOnOff, notice::ShowDslRemark,
    // recording
    notice::UpdateRecordingPanel, notice::ShowCurRecName,
    // document
    notice::ShowOpenMessage,
    // what sounds
    notice::KeyPlayed, notice::KeyStoppedSounding>;

// Who hears the notices: the main window, or a recorder in tests.
class NoticeListener {
public:
    virtual ~NoticeListener() = default;
    virtual void OnNotice(const Notice& n) = 0;
};

// The core's one way to tell the windows something.
class Views {
public:
    void Post(const Notice& n) {
        if (listener_) listener_->OnNotice(n);
    }
    // nullptr: nobody hears them any more.
    void Listen(NoticeListener* listener) { listener_ = listener; }

private:
    NoticeListener* listener_ = nullptr;
};

} // namespace tambrel
