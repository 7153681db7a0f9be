#include "document/OpenMessage.h"

namespace tambrel {

std::string MessageBoxText(const std::string& message) {
    std::string out;
    out.reserve(message.size());
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '\r') {
            out += '\n';
            if (i + 1 < message.size() && message[i + 1] == '\n') ++i;
        } else {
            out += message[i];
        }
    }
    return out;
}

std::string StoredMessageText(const std::string& boxText) {
    std::string out;
    out.reserve(boxText.size());
    for (char c : MessageBoxText(boxText)) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

bool HasOpenMessage(const std::string& message) { return message.find_first_not_of(' ') != std::string::npos; }

OpenMessageView DescribeOpenMessage(const Orchestra& orc, bool editMode) {
    OpenMessageView v;
    v.editMode = editMode;
    v.text = MessageBoxText(orc.OpenMsg);
    v.readOnly = !editMode;
    v.cancelVisible = editMode;
    v.labelVisible = editMode;
    v.background = editMode ? kOpenMessageEditBackground : kOpenMessageViewBackground;
    v.foreground = editMode ? kOpenMessageEditText : kOpenMessageViewText;
    v.messageTip = std::string(editMode ? kOpenMessageEditTip : kOpenMessageViewTip);
    // The author may always edit; a reader sees a dialog only when there is
    // something to read.
    v.show = editMode || HasOpenMessage(orc.OpenMsg);
    return v;
}

bool AcceptOpenMessage(ProgramState& st, bool editMode, const std::string& text) {
    if (!editMode) return false;
    const std::string stored = StoredMessageText(text);
    if (stored == st.Orc.OpenMsg) return false;
    st.Orc.OpenMsg = stored;
    st.SetModified();
    return true;
}

} // namespace tambrel
