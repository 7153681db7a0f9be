#include "uninstall/window/FeedBackFrm.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/ControlTips.h"
#include "controls/LinkButton.h"

namespace tambrel {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

QLabel* FeedBackFrm::AddLine(QVBoxLayout* box, const char* name) {
    auto* l = new QLabel(this);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setObjectName(QString::fromLatin1(name));
    box->addWidget(l);
    return l;
}

FeedBackFrm::FeedBackFrm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FeedBackFrm"));
    setMinimumWidth(460);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(24, 20, 24, 16);
    box->setSpacing(6);
    hello_ = AddLine(box, "HelloLbl");
    QFont big = hello_->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.2);
    hello_->setFont(big);
    reason_ = AddLine(box, "ReasonLbl");
    request_ = AddLine(box, "RequestLbl");
    links_[0] = MakeLinkButton(this);
    links_[0]->setObjectName(QStringLiteral("SurveyLinkLbl"));
    box->addWidget(links_[0]);
    noEmail_ = AddLine(box, "NoEmailLbl");
    box->addSpacing(6);
    pleaseHelp_ = AddLine(box, "PleaseHelpLbl");
    auto* mailRow = new QHBoxLayout;
    emailPrompt_ = new QLabel(this);
    emailPrompt_->setTextFormat(Qt::PlainText);
    emailPrompt_->setObjectName(QStringLiteral("EmailPromptLbl"));
    links_[1] = MakeLinkButton(this);
    links_[1]->setObjectName(QStringLiteral("MailLinkLbl"));
    mailRow->addWidget(emailPrompt_);
    mailRow->addWidget(links_[1]);
    mailRow->addStretch(1);
    box->addLayout(mailRow);
    box->addSpacing(6);
    thankYou_ = AddLine(box, "ThankYouLbl");
    thanks_ = AddLine(box, "ThanksLbl");
    signature_ = AddLine(box, "SignatureLbl");
    box->addSpacing(12);
    auto* buttons = new QHBoxLayout;
    continue_ = new QPushButton(this);
    continue_->setObjectName(QStringLiteral("ContinueBtn"));
    cancel_ = new QPushButton(this);
    cancel_->setObjectName(QStringLiteral("CancelBtn"));
    cancel_->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(continue_);
    buttons->addWidget(cancel_);
    box->addLayout(buttons);

    connect(links_[0], &QPushButton::clicked, this, [this] { emit LinkClicked(0); });
    connect(links_[1], &QPushButton::clicked, this, [this] { emit LinkClicked(1); });
    connect(continue_, &QPushButton::clicked, this, [this] { emit ContinueClicked(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { emit CancelClicked(); });
}

void FeedBackFrm::Render(const FeedbackView& v) {
    setWindowTitle(Q(v.title));
    setAccessibleName(Q(v.title));
    hello_->setText(Q(v.hello));
    reason_->setText(Q(v.reason));
    request_->setText(Q(v.request));
    links_[0]->setText(Q(v.surveyLink));
    DescribeControl(links_[0], Q(v.surveyLink), QStringLiteral("Opens the feedback survey in your web browser"));
    noEmail_->setText(Q(v.noEmail));
    pleaseHelp_->setText(Q(v.pleaseHelp));
    emailPrompt_->setText(Q(v.emailPrompt));
    links_[1]->setText(Q(v.mailLink));
    DescribeControl(links_[1], QStringLiteral("Send an email"), QStringLiteral("Opens a new mail to the developer"));
    thankYou_->setText(Q(v.thankYou));
    thanks_->setText(Q(v.thanks));
    signature_->setText(Q(v.signature));
    continue_->setText(Q(v.continueButton).replace('&', QStringLiteral("&&")));
    DescribeControl(continue_, continue_->text().remove('&'), QStringLiteral("Removes the program from this computer"));
    cancel_->setText(Q(v.cancelButton).replace('&', QStringLiteral("&&")));
    DescribeControl(cancel_, cancel_->text().remove('&'), QStringLiteral("Keeps the program and ends the uninstaller"));
    for (QLabel* l : {hello_, reason_, request_, noEmail_, pleaseHelp_, emailPrompt_, thankYou_, thanks_, signature_})
        l->setAccessibleName(l->text());
    adjustSize();
}

void FeedBackFrm::closeEvent(QCloseEvent* event) {
    event->ignore();
    emit CancelClicked();
}

} // namespace tambrel
