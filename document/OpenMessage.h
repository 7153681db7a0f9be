#pragma once
// The open message ("Opening Message", OpenMsgFrm) without its window: what
// the dialog shows in view mode (after an Orchestra was opened) and in edit
// mode (File > "Edit Message"), and the one command its OK runs. The window
// shows the text as plain text, never as rich text. User-interface thread.

#include <string>
#include <string_view>

#include "common/Rgb.h"
#include "document/ProgramState.h"

namespace tambrel {

inline constexpr std::string_view kOpenMessageTitle = "Opening Message";
inline constexpr std::string_view kOpenMessageLabel = "Type your open message here";
inline constexpr std::string_view kOpenMessageEditTip =
    "Enter the message to be shown while opening this file, Enter nothing if you do not want to show any message";
inline constexpr std::string_view kOpenMessageViewTip =
    "Here is the message for from the author of this Orchestra file you just opened";

inline constexpr Rgb kOpenMessageEditBackground{255, 255, 255};
inline constexpr Rgb kOpenMessageEditText{0, 0, 0};
inline constexpr Rgb kOpenMessageViewBackground{255, 255, 192};
inline constexpr Rgb kOpenMessageViewText{0, 0, 255};

struct OpenMessageView {
    bool show = false; // show the dialog modally at all
    bool editMode = false;
    std::string text; // the message box's text: OpenMsg with LF line breaks
    bool readOnly = true;
    bool cancelVisible = false; // "Cancel" and the label are shown only in edit mode
    bool labelVisible = false;
    Rgb background, foreground;
    std::string messageTip; // over the message box; the other parts clear the tip
};

// Orchestra files keep line breaks as CR LF, as they were made on Windows;
// the message box works with LF. These convert between the two (a lone CR
// counts as a line break too).
std::string MessageBoxText(const std::string& message);
std::string StoredMessageText(const std::string& boxText);

// True when the message is something to show: a new Orchestra's single
// space, or any run of spaces, is no message.
bool HasOpenMessage(const std::string& message);

OpenMessageView DescribeOpenMessage(const Orchestra& orc, bool editMode);

// OK in the dialog with text in the message box (LF line breaks). In edit
// mode a text that differs from OpenMsg (once stored with CR LF) becomes
// OpenMsg and the Orchestra counts as modified; in view mode, or without a
// change, nothing is stored. True when stored.
bool AcceptOpenMessage(ProgramState& st, bool editMode, const std::string& text);

} // namespace tambrel
