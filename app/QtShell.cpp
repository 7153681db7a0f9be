#include "app/QtShell.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "common/CodePage.h"

namespace tambrel {

QString FromCore(std::string_view text) { return QString::fromStdString(Cp1252ToUtf8(text)); }

std::string ToCore(const QString& text) { return Utf8ToCp1252(text.toStdString()); }

QString MenuText(std::string_view text) { return FromCore(text).replace('&', QStringLiteral("&&")); }

namespace {

// Message texts end lines with CR LF; Qt wants one line break.
QString Lines(std::string_view text) { return FromCore(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

QString TitleOr(std::string_view title) { return title.empty() ? FromCore(kProgramTitle) : FromCore(title); }

} // namespace

MsgAnswer QtShell::Message(std::string_view text, std::string_view title, MsgButtons buttons) {
    if (quiet) return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    QMessageBox box(window);
    box.setWindowTitle(TitleOr(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(Lines(text));
    box.setAccessibleName(box.windowTitle());
    box.setAccessibleDescription(box.text());
    switch (buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    // The pointer may be busy around the question; the user must see it is not.
    const int busy = busy_;
    while (busy_ > 0) Busy(false);
    const int r = box.exec();
    while (busy_ < busy) Busy(true);
    switch (r) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Ok: return MsgAnswer::Ok;
    default: return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
}

std::string QtShell::Input(std::string_view prompt, std::string_view title, std::string_view proposed) {
    if (quiet) return {};
    QInputDialog dlg(window);
    dlg.setWindowTitle(TitleOr(title));
    dlg.setLabelText(Lines(prompt));
    dlg.setTextValue(FromCore(proposed));
    dlg.setAccessibleName(dlg.windowTitle());
    // A cancelled input box answers an empty text, as the core expects.
    if (dlg.exec() != QDialog::Accepted) return {};
    return ToCore(dlg.textValue());
}

void QtShell::Status(std::string_view text) {
    if (statusPanel) {
        statusPanel->setText(FromCore(text));
        statusPanel->setAccessibleDescription(statusPanel->text());
        // Long work (decoding a sound, saving) runs on this thread: paint the
        // progress now, not when the work is over.
        if (statusPanel->isVisible()) statusPanel->repaint();
    }
}

void QtShell::Tip(const QString& text) {
    if (tipPanel) tipPanel->setText(text);
}

void QtShell::Busy(bool on) {
    if (on) {
        ++busy_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busy_ > 0) {
        --busy_;
        QApplication::restoreOverrideCursor();
    }
}

void QtShell::Caption(std::string_view text) {
    if (window) window->setWindowTitle(FromCore(text));
}

std::string QtShell::ChooseFile(const FileDialogRequest& request) {
    if (quiet) return {};
    QFileDialog dlg(window, FromCore(request.title));
    dlg.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Saving over a file sends the old one to the Trash: no overwrite question.
    if (request.save) dlg.setOption(QFileDialog::DontConfirmOverwrite);
    const std::string& f = request.filter;
    const std::size_t bar = f.find('|');
    if (bar != std::string::npos) {
        QString description = FromCore(std::string_view(f).substr(0, bar));
        const QString pattern = FromCore(std::string_view(f).substr(bar + 1));
        if (!description.contains('(')) description += " (" + pattern + ")";
        dlg.setNameFilter(description);
    }
    if (!request.defaultExtension.empty()) dlg.setDefaultSuffix(FromCore(request.defaultExtension));
    if (!request.initialFolder.empty()) dlg.setDirectory(FromCore(request.initialFolder));
    if (!request.fileName.empty()) dlg.selectFile(FromCore(request.fileName));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    return ToCore(dlg.selectedFiles().first());
}

} // namespace tambrel
