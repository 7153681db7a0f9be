#include "uninstall/window/QtUninstallUi.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace tambrel {

namespace {

QString Lines(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()))
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString Title(std::string_view title) {
    return title.empty() ? QString::fromUtf8(kUninstallerTitle.data(), static_cast<int>(kUninstallerTitle.size()))
                         : Lines(title);
}

void Prepare(QMessageBox& box, std::string_view text, std::string_view title) {
    box.setWindowTitle(Title(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(Lines(text));
    box.setAccessibleName(box.windowTitle());
    box.setAccessibleDescription(box.text());
}

} // namespace

void QtUninstallUi::Message(std::string_view text, std::string_view title) {
    QMessageBox box(window_.isVisible() ? &window_ : nullptr);
    Prepare(box, text, title);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

UninstallAnswer QtUninstallUi::AskStop(std::string_view text, std::string_view title) {
    QMessageBox box;
    Prepare(box, text, title);
    box.setIcon(QMessageBox::Critical);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes: return UninstallAnswer::Yes;
    case QMessageBox::No: return UninstallAnswer::No;
    default: return UninstallAnswer::Cancel;
    }
}

void QtUninstallUi::ShowFeedback(const FeedbackView& view) {
    window_.Render(view);
    window_.show();
    window_.raise();
    window_.activateWindow();
    window_.repaint();
}

void QtUninstallUi::HideFeedback() { window_.hide(); }

bool QtUninstallUi::Open(std::string_view address, std::string& error) {
    // QUrl encodes the blanks of the mail text as the URL needs; the text
    // itself goes unchanged.
    const QUrl url(Lines(address), QUrl::TolerantMode);
    if (url.isValid() && QDesktopServices::openUrl(url)) return true;
    error = "No program on this computer could open " + std::string(address);
    return false;
}

void QtUninstallUi::End(int status) {
    if (onEnd_) onEnd_(status);
    else QCoreApplication::exit(status);
}

} // namespace tambrel
