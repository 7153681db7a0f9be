#pragma once
// The after-install check window: shown only when some media service is
// missing. Loading it runs the check; the caller reads NeedToShow, shows it
// modally when set, and deletes it.

#include <QDialog>

#include "session/DirectXWindows.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

namespace tambrel {

class CheckDx7Frm final : public QDialog {
    Q_OBJECT
public:
    CheckDx7Frm(const MediaCheck& check, const std::string& dataFolder, QWidget* parent = nullptr);

    bool NeedToShow = false;

    const CheckDx7View& View() const { return view_; }
    QLabel* MessageLbl() const { return message_; }
    QPlainTextEdit* LinksTxt() const { return links_; }
    QPushButton* HelpLink() const { return help_; }
    QPushButton* OkBtn() const { return ok_; }

private:
    CheckDx7View view_;
    QLabel* message_;
    QPlainTextEdit* links_;
    QPushButton* help_;
    QPushButton* ok_;
};

// Opens the help file at a topic with the desktop's program for it.
void OpenHelpTopic(const HelpLink& link);

// What both media-service windows end with: the names of the missing
// services in bold, then a row with the troubleshooting link at the left and
// the closing button at the right. Returns the link.
QPushButton* AddMediaServiceFooter(QDialog* dialog, QVBoxLayout* box, const std::vector<std::string>& missing,
                                   const HelpLink& help, QPushButton* closing);
// A text of the core with CR LF line ends, for Qt.
QString MediaText(const std::string& s);

} // namespace tambrel
