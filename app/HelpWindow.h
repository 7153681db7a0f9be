#pragma once
// The program's own help viewer: the HTML help file beside the program in a
// text browser, opened at a topic's anchor. Every control may carry a topic
// number; F1 opens the help at the topic of the focused control or of the
// nearest widget around it that has one. User-interface thread.

#include <QDialog>
#include <QTextBrowser>

#include "document/ProgramState.h"

namespace tambrel {

void SetHelpTopic(QWidget* w, int topic);
// The topic of w, else of the nearest parent with one, else 0.
int HelpTopicOf(const QWidget* w);

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    HelpWindow(const QString& helpFile, QWidget* parent = nullptr);
    void ShowTopic(int topic);
    QTextBrowser* Browser() const { return browser_; }

private:
    QString file_;
    QTextBrowser* browser_ = nullptr;
};

// Opens the help at topic; when the help file is missing, says where it
// was looked for. The window belongs to the modal dialog in front, if any,
// so that it can be used while that dialog is open. Returns the window (or
// null when the file is missing).
HelpWindow* ShowHelp(ProgramState& st, int topic, QWidget* mainWindow);

} // namespace tambrel
