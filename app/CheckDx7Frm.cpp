#include "app/CheckDx7Frm.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "controls/ControlTips.h"
#include "controls/LinkButton.h"

namespace tambrel {

QString MediaText(const std::string& s) {
    return QString::fromStdString(s).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QPushButton* AddMediaServiceFooter(QDialog* dialog, QVBoxLayout* box, const std::vector<std::string>& missing,
                                   const HelpLink& help, QPushButton* closing) {
    for (const std::string& line : missing) {
        auto* l = new QLabel(dialog);
        l->setObjectName(QStringLiteral("MissingLbl"));
        l->setTextFormat(Qt::PlainText);
        l->setWordWrap(true);
        l->setText(MediaText(line));
        l->setAccessibleName(l->text());
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        box->addWidget(l);
    }
    auto* row = new QHBoxLayout;
    QPushButton* link = MakeLinkButton(dialog);
    link->setObjectName(QStringLiteral("HelpLinkLbl"));
    link->setText(QString::fromStdString(help.text));
    DescribeControl(link, link->text(), QStringLiteral("Opens the help at its troubleshooting topic"));
    QObject::connect(link, &QPushButton::clicked, dialog, [help] { OpenHelpTopic(help); });
    closing->setDefault(true);
    QObject::connect(closing, &QPushButton::clicked, dialog, &QDialog::accept);
    row->addWidget(link);
    row->addStretch(1);
    row->addWidget(closing);
    box->addLayout(row);
    return link;
}

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
    message_->setText(MediaText(view_.message));
    message_->setAccessibleName(message_->text());
    box->addWidget(message_);

    links_ = new QPlainTextEdit(this);
    links_->setObjectName(QStringLiteral("LinksTxt"));
    links_->setReadOnly(true);
    links_->setPlainText(MediaText(view_.links));
    links_->setMinimumHeight(links_->fontMetrics().lineSpacing() * 8);
    links_->setLineWrapMode(QPlainTextEdit::NoWrap);
    DescribeControl(links_, QStringLiteral("Debian packages that bring the media services"),
                    QStringLiteral("Install the packages listed here with your package manager"));
    box->addWidget(links_);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("OkBtn"));
    DescribeControl(ok_, QStringLiteral("OK"), QStringLiteral("Closes this window"));
    help_ = AddMediaServiceFooter(this, box, view_.missing, view_.help, ok_);
    resize(560, sizeHint().height());
}

} // namespace tambrel
