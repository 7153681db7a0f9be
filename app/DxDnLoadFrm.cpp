#include "app/DxDnLoadFrm.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/CheckDx7Frm.h"
#include "app/LinkButton.h"

namespace tambrel {

namespace {

QString Lines(const std::string& s) { return QString::fromStdString(s).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

QLabel* PlainLabel(QWidget* parent, const QString& name, const std::string& text) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setText(Lines(text));
    l->setAccessibleName(l->text());
    return l;
}

void Describe(QWidget* w, const QString& name, const QString& tip) {
    w->setAccessibleName(name);
    w->setToolTip(tip);
    w->setStatusTip(tip);
    w->setAccessibleDescription(tip);
}

} // namespace

DxDnLoadFrm::DxDnLoadFrm(const std::string& dataFolder, QWidget* parent)
    : QDialog(parent), view_(DxDnLoadDescription(dataFolder)) {
    setObjectName(QStringLiteral("DxDnLoadFrm"));
    setWindowTitle(QString::fromStdString(view_.title));
    setAccessibleName(windowTitle());
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(18, 16, 18, 14);
    error_ = PlainLabel(this, QStringLiteral("ErrorLbl"), view_.errorLine);
    QFont bold = error_->font();
    bold.setBold(true);
    error_->setFont(bold);
    box->addWidget(error_);
    box->addWidget(PlainLabel(this, QStringLiteral("ExplanationLbl"), view_.explanation));
    for (int i = 0; i < 3; ++i) {
        links_[i] = MakeLinkButton(this);
        links_[i]->setObjectName(QStringLiteral("LinkLbl%1").arg(i));
        const QString address = QString::fromStdString(view_.links[static_cast<std::size_t>(i)]);
        links_[i]->setText(address);
        Describe(links_[i], address, QStringLiteral("Opens this page in your web browser"));
        // Errors while opening are ignored: the address stays readable here.
        connect(links_[i], &QPushButton::clicked, this, [address] { QDesktopServices::openUrl(QUrl(address)); });
        box->addWidget(links_[i]);
    }
    box->addWidget(PlainLabel(this, QStringLiteral("NoteLbl"), view_.note));
    for (const std::string& line : view_.missing) {
        QLabel* l = PlainLabel(this, QStringLiteral("MissingLbl"), line);
        l->setFont(bold);
        box->addWidget(l);
    }
    auto* row = new QHBoxLayout;
    help_ = MakeLinkButton(this);
    help_->setObjectName(QStringLiteral("HelpLinkLbl"));
    help_->setText(QString::fromStdString(view_.help.text));
    Describe(help_, help_->text(), QStringLiteral("Opens the help at its troubleshooting topic"));
    connect(help_, &QPushButton::clicked, this, [this] { OpenHelpTopic(view_.help); });
    close_ = new QPushButton(QString::fromStdString(view_.close), this);
    close_->setObjectName(QStringLiteral("CloseBtn"));
    close_->setDefault(true);
    Describe(close_, close_->text(), QStringLiteral("Closes this window; the program starts without sound"));
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(help_);
    row->addStretch(1);
    row->addWidget(close_);
    box->addLayout(row);
    resize(560, sizeHint().height());
}

void DxDnLoadFrm::SetErrorLine(const std::string& text) {
    error_->setText(Lines(text));
    error_->setAccessibleName(error_->text());
}

} // namespace tambrel

#include "sound/SoundService.h"

namespace tambrel {

void ShowAudioStartFailure(const std::string& dataFolder, const std::string& error) {
    DxDnLoadFrm window(dataFolder);
    window.SetErrorLine(DirectXErrorLine(error));
    window.exec();
}

} // namespace tambrel
