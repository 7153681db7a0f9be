#pragma once
// The feedback window of TbUninst: why the product is removed, a link to the
// survey and one to a mail, and the two buttons that go on or stop. It only
// renders the core's FeedbackView and hands each act to a callback.

#include <QWidget>

#include "uninstall/Uninstaller.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tambrel {

class FeedBackFrm final : public QWidget {
    Q_OBJECT
public:
    explicit FeedBackFrm(QWidget* parent = nullptr);

    void Render(const FeedbackView& view);

    QPushButton* SurveyLink() const { return links_[0]; }
    QPushButton* MailLink() const { return links_[1]; }
    QPushButton* ContinueButton() const { return continue_; }
    QPushButton* CancelButton() const { return cancel_; }

signals:
    // Link 0 (the survey) or 1 (mail) was followed.
    void LinkClicked(int link);
    void ContinueClicked();
    // "Cancel  Uninstall", or the window closed.
    void CancelClicked();

protected:
    // Closing the window removes nothing, as "Cancel  Uninstall" does.
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* AddLine(QVBoxLayout* box, const char* name);
    QLabel *hello_, *reason_, *request_, *noEmail_, *pleaseHelp_, *emailPrompt_, *thankYou_, *thanks_, *signature_;
    QPushButton* links_[2] = {};
    QPushButton *continue_, *cancel_;
};

} // namespace tambrel
