#include "app/DxDnLoadFrm.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/CheckDx7Frm.h"
#include "controls/ControlTips.h"
#include "controls/LinkButton.h"

namespace tambrel {

namespace {

QLabel* PlainLabel(QWidget* parent, const QString& name, const std::string& text) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setText(MediaText(text));
    l->setAccessibleName(l->text());
    return l;
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
        DescribeControl(links_[i], address, QStringLiteral("Opens this page in your web browser"));
        // Errors while opening are ignored: the address stays readable here.
        connect(links_[i], &QPushButton::clicked, this, [address] { QDesktopServices::openUrl(QUrl(address)); });
        box->addWidget(links_[i]);
    }
    box->addWidget(PlainLabel(this, QStringLiteral("NoteLbl"), view_.note));
    close_ = new QPushButton(QString::fromStdString(view_.close), this);
    close_->setObjectName(QStringLiteral("CloseBtn"));
    DescribeControl(close_, close_->text(), QStringLiteral("Closes this window; the program starts without sound"));
    help_ = AddMediaServiceFooter(this, box, view_.missing, view_.help, close_);
    resize(560, sizeHint().height());
}

void DxDnLoadFrm::SetErrorLine(const std::string& text) {
    error_->setText(MediaText(text));
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
