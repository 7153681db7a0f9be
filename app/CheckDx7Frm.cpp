#include "app/CheckDx7Frm.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/LinkButton.h"

namespace tambrel {

namespace {

QString Lines(const std::string& s) { return QString::fromStdString(s).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

void Describe(QWidget* w, const QString& name, const QString& tip) {
    w->setAccessibleName(name);
    w->setToolTip(tip);
    w->setStatusTip(tip);
    w->setAccessibleDescription(tip);
}

} // namespace

void OpenHelpTopic(const HelpLink& link) {
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(link.file));
    url.setFragment(QString::fromStdString(link.anchor));
    QDesktopServices::openUrl(url); // a help file that cannot be opened leaves the window as it is
}

CheckDx7Frm::CheckDx7Frm(const MediaCheck& check, const std::string& dataFolder, QWidget* parent)
    : QDialog(parent), view_(LoadCheckDx7(check, dataFolder)) {
    NeedToShow = view_.NeedToShow;
    setObjectName(QStringLiteral("CheckDx7Frm"));
    setWindowTitle(QString::fromStdString(view_.title));
    setAccessibleName(windowTitle());
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(18, 16, 18, 14);

    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("MessageLbl"));
    message_->setTextFormat(Qt::PlainText);
    message_->setWordWrap(true);
    message_->setText(Lines(view_.message));
    message_->setAccessibleName(message_->text());
    box->addWidget(message_);

    links_ = new QPlainTextEdit(this);
    links_->setObjectName(QStringLiteral("LinksTxt"));
    links_->setReadOnly(true);
    links_->setPlainText(Lines(view_.links));
    links_->setMinimumHeight(links_->fontMetrics().lineSpacing() * 8);
    links_->setLineWrapMode(QPlainTextEdit::NoWrap);
    Describe(links_, QStringLiteral("Debian packages that bring the media services"),
             QStringLiteral("Install the packages listed here with your package manager"));
    box->addWidget(links_);

    for (const std::string& line : view_.missing) {
        auto* l = new QLabel(this);
        l->setObjectName(QStringLiteral("MissingLbl"));
        l->setTextFormat(Qt::PlainText);
        l->setWordWrap(true);
        l->setText(Lines(line));
        l->setAccessibleName(l->text());
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        box->addWidget(l);
    }

    auto* row = new QHBoxLayout;
    help_ = MakeLinkButton(this);
    help_->setObjectName(QStringLiteral("HelpLinkLbl"));
    help_->setText(QString::fromStdString(view_.help.text));
    Describe(help_, help_->text(), QStringLiteral("Opens the help at its troubleshooting topic"));
    connect(help_, &QPushButton::clicked, this, [this] { OpenHelpTopic(view_.help); });
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("OkBtn"));
    ok_->setDefault(true);
    Describe(ok_, QStringLiteral("OK"), QStringLiteral("Closes this window"));
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(help_);
    row->addStretch(1);
    row->addWidget(ok_);
    box->addLayout(row);
    resize(560, sizeHint().height());
}

} // namespace tambrel
