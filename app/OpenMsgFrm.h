#pragma once
// The "Opening Message" dialog: the Orchestra author's message shown to
// whoever opens the file (view mode) or edited by File > "Edit Message"
// (edit mode). The message is plain text, never rich text. What it shows
// and what OK stores come from the core. User-interface thread.

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "document/OpenMessage.h"

namespace tambrel {

class OpenMsgFrm : public QDialog {
    Q_OBJECT
public:
    OpenMsgFrm(ProgramState& st, bool editMode, QWidget* parent = nullptr);

    bool EditMode = false;
    QPlainTextEdit* MessageBox() const { return msgTxt_; }
    QLabel* Label() const { return label_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    // Whether the dialog is to be shown at all (view mode: only a message).
    bool ShouldShow() const { return view_.show; }

signals:
    // The status-bar tip for where the mouse is.
    void TipChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Ok();
    ProgramState& st_;
    OpenMessageView view_;
    QPlainTextEdit* msgTxt_ = nullptr;
    QLabel* label_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace tambrel
