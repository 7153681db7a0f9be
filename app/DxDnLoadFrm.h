#pragma once
// The window shown at start-up when the audio system cannot be started: the
// caller puts in the error line, shows it modally and deletes it; start-up
// goes on without sound.

#include <QDialog>

#include "session/DirectXWindows.h"

class QLabel;
class QPushButton;

namespace tambrel {

class DxDnLoadFrm final : public QDialog {
    Q_OBJECT
public:
    explicit DxDnLoadFrm(const std::string& dataFolder, QWidget* parent = nullptr);

    void SetErrorLine(const std::string& text);

    const DxDnLoadView& View() const { return view_; }
    QLabel* ErrorLbl() const { return error_; }
    QPushButton* Link(int i) const { return links_[i]; }
    QPushButton* HelpLink() const { return help_; }
    QPushButton* CloseBtn() const { return close_; }

private:
    DxDnLoadView view_;
    QLabel* error_;
    QPushButton* links_[3] = {};
    QPushButton* help_;
    QPushButton* close_;
};

} // namespace tambrel

namespace tambrel {

// The start routine's step when the audio system cannot be started: the
// window with error (the audio system's own description), shown modally.
void ShowAudioStartFailure(const std::string& dataFolder, const std::string& error);

} // namespace tambrel
