#include "app/OpenMsgFrm.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/HelpWindow.h"
#include "app/QtShell.h"
#include "session/HelpFile.h"

namespace tambrel {

namespace {
QColor Of(const Rgb& c) { return QColor(c.R, c.G, c.B); }
} // namespace

OpenMsgFrm::OpenMsgFrm(ProgramState& st, bool editMode, QWidget* parent)
    : QDialog(parent), EditMode(editMode), st_(st), view_(DescribeOpenMessage(st.Orc, editMode)) {
    setObjectName("OpenMsgFrm");
    setWindowTitle(FromCore(kOpenMessageTitle));
    setAccessibleName(windowTitle());
    setSizeGripEnabled(true);
    SetHelpTopic(this, kTopicOpenMessage);

    auto* layout = new QVBoxLayout(this);
    label_ = new QLabel(FromCore(kOpenMessageLabel), this);
    label_->setObjectName("MsgLbl");
    label_->setTextFormat(Qt::PlainText);
    label_->setVisible(view_.labelVisible);
    layout->addWidget(label_);

    msgTxt_ = new QPlainTextEdit(this);
    msgTxt_->setObjectName("MsgTxt");
    // The file's text, as it stands: a plain-text box never interprets it.
    msgTxt_->setPlainText(FromCore(view_.text));
    msgTxt_->setReadOnly(view_.readOnly);
    msgTxt_->setTabChangesFocus(true);
    QPalette pal = msgTxt_->palette();
    pal.setColor(QPalette::Base, Of(view_.background));
    pal.setColor(QPalette::Text, Of(view_.foreground));
    msgTxt_->setPalette(pal);
    const QString tip = FromCore(view_.messageTip);
    msgTxt_->setToolTip(tip);
    msgTxt_->setStatusTip(tip);
    msgTxt_->setAccessibleName(editMode ? label_->text() : windowTitle());
    msgTxt_->setAccessibleDescription(tip);
    label_->setBuddy(msgTxt_);
    layout->addWidget(msgTxt_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("OkBtn");
    ok_->setAccessibleName("OK");
    ok_->setDefault(!editMode);
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName("CancelBtn");
    cancel_->setAccessibleName("Cancel");
    cancel_->setVisible(view_.cancelVisible);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &OpenMsgFrm::Ok);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    for (QWidget* w : std::initializer_list<QWidget*>{this, msgTxt_, msgTxt_->viewport(), label_, ok_, cancel_})
        w->installEventFilter(this);
    resize(420, 240);
    if (editMode) msgTxt_->setFocus();
    else ok_->setFocus();
}

void OpenMsgFrm::Ok() {
    AcceptOpenMessage(st_, EditMode, ToCore(msgTxt_->toPlainText()));
    accept();
}

bool OpenMsgFrm::eventFilter(QObject* watched, QEvent* e) {
    // Over the message box its tip shows; over everything else it is cleared.
    if (e->type() == QEvent::Enter) {
        const bool overMessage = watched == msgTxt_ || watched == msgTxt_->viewport();
        emit TipChanged(overMessage ? FromCore(view_.messageTip) : QString());
    } else if (e->type() == QEvent::Leave && (watched == msgTxt_ || watched == msgTxt_->viewport())) {
        emit TipChanged({});
    }
    return QDialog::eventFilter(watched, e);
}

} // namespace tambrel
