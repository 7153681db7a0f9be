#pragma once
// The captions and tips of the "Recording and Playback:" panel and of the
// recording-list dialog, kept beside the recorder so the windows only show
// them.

#include <array>
#include <string_view>

namespace tambrel::recording_texts {

inline constexpr std::string_view kPanelHeading = "Recording and Playback:";
inline constexpr std::string_view kLoopCaption = "Loop";

struct ControlText {
    std::string_view name;    // the control's name, also its object name
    std::string_view caption; // its accessible name
    std::string_view tip;     // tooltip, status tip and accessible description
};

// Record button items 0 and 1.
inline constexpr std::array<ControlText, 2> kRecordButtons{{
    {"RecordBtn(0)", "Record", "Start recording the keys you play into the current recording"},
    {"RecordBtn(1)", "Stop Recording", "Stop recording and keep what was played in the current recording"},
}};
// Playback button items 0, 1 and 2; item 1 is named by what it does next.
inline constexpr std::array<ControlText, 3> kPlayBackButtons{{
    {"PlayBackBtn(0)", "Play", "Play the current recording"},
    {"PlayBackBtn(1)", "Pause", "Pause the playback, or resume it where it paused"},
    {"PlayBackBtn(2)", "Stop", "Stop the playback"},
}};
inline constexpr std::string_view kResumeCaption = "Resume";
inline constexpr ControlText kLoopCheck{"LoopChk", "Loop",
                                        "When checked, the playback starts again from the first key after the last"};
inline constexpr ControlText kListButton{
    "RecListBtn", "Recordings", "Manage multiple keystroke recordings: add, rename, delete or choose the current one"};
inline constexpr ControlText kCurrentLabel{"CurRecLbl", "Current recording",
                                           "The current keystroke recording and its number of key strokes"};

// The pictures of the buttons; the skins hold each with _Up and _Dn.
inline constexpr std::array<std::string_view, 2> kRecordPictures{"Record", "RecordStop"};
inline constexpr std::string_view kPlayPicture = "Play";
inline constexpr std::string_view kPausePicture = "Pause";   // while playing
inline constexpr std::string_view kResumePicture = "Resume"; // while paused
inline constexpr std::string_view kStopPicture = "Stop";
inline constexpr std::string_view kListPicture = "RecList";

// The recording-list dialog.
inline constexpr std::string_view kListTitle = "Manage multiple keystroke recordings:";
inline constexpr std::string_view kListCaption = "Current item: (Recording/PlayBack):";
inline constexpr std::string_view kKeyStrokesCaption = "Key Strokes:";
inline constexpr ControlText kListBox{"RecLst", "Recordings", "Click a recording to make it the current one"};
inline constexpr ControlText kKeyStrokesCount{"KeyStrokesLbl", "Key Strokes",
                                              "The number of key strokes in the chosen recording"};
inline constexpr std::array<ControlText, 4> kListButtons{{
    {"AddBtn", "Add", "Add a new, empty keystroke recording and make it the current one"},
    {"RenameBtn", "Rename", "Rename the current keystroke recording"},
    {"DeleteBtn", "Delete", "Delete the current keystroke recording"},
    {"CloseBtn", "Close", "Close this window"},
}};

} // namespace tambrel::recording_texts
