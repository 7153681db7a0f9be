#pragma once
// The core's Shell in Qt: message and input boxes with the program's exact
// texts (always plain text), file dialogs, the two panels of the status bar,
// the busy pointer and the caption. Texts cross here between the Orchestra's
// Windows-1252 bytes and Unicode. User-interface thread.

#include <QLabel>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <string>

#include "common/Shell.h"

namespace tambrel {

QString FromCore(std::string_view text); // Windows-1252 bytes to Unicode
std::string ToCore(const QString& text); // and back
// A caption for a menu item or a button: "&" shows as "&", never as a shortcut.
QString MenuText(std::string_view text);

class QtShell final : public Shell {
public:
    MsgAnswer Message(std::string_view text, std::string_view title, MsgButtons buttons) override;
    std::string Input(std::string_view prompt, std::string_view title, std::string_view proposed) override;
    void Status(std::string_view text) override;
    void Busy(bool on) override;
    void Caption(std::string_view text) override;
    std::string ChooseFile(const FileDialogRequest& request) override;

    // The first status panel: a one-line tip.
    void Tip(const QString& text);

    QPointer<QWidget> window;     // parent of the dialogs, carries the caption
    QPointer<QLabel> tipPanel;    // status bar panel 1
    QPointer<QLabel> statusPanel; // status bar panel 2
    // Set while the program ends on a signal: nothing may wait for the user
    // then, so message boxes, input boxes and file dialogs are not shown and
    // answer as if cancelled (an OK box as if read).
    bool quiet = false;

private:
    int busy_ = 0;
};

} // namespace tambrel
