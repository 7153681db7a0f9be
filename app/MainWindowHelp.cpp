// The main window's Help menu, F1, the about window, the open message and
// the layout editor: the parts of MainMDIFrm that open a window of their own.

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScopeGuard>
#include <QUrl>

#include "app/AboutFrm.h"
#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "app/OpenMsgFrm.h"
#include "app/QtShell.h"
#include "app/KeyEditorPanel.h"
#include "app/RecordingPanel.h"
#include "boards/LayoutEditSession.h"
#include "boards/view/LayoutFrm.h"
#include "session/HelpFile.h"
#include "session/Program.h"

namespace tambrel {

void MainWindow::BuildHelpMenu() {
    SetHelpTopic(this, kTopicMainWindow);
    SetHelpTopic(area_, kTopicBoardViews);
    SetHelpTopic(recordingPanel_, kTopicRecordingPanel);
    SetHelpTopic(editorPanel_, kTopicKeyAssignment);
    QMenu* help = menuBar()->addMenu("&Help");
    QAction* content =
        AddItem(help, "Help Content", "Read the help of Tambrel Orchestra", [this] { ShowHelpTopic(kTopicContents); });
    content->setShortcut(QKeySequence(Qt::Key_F1));
    // F1 itself is answered for the focused control (HandleHelpKey); the
    // shortcut only shows the key in the menu.
    content->setShortcutContext(Qt::WidgetShortcut);
    AddItem(help, "About", "About Tambrel Orchestra: version and web site", [this] { ShowAbout(); });
}

void MainWindow::SetHelpFile() { tambrel::SetHelpFile(st_); }

void MainWindow::ShowHelpTopic(int topic) { ShowHelp(st_, topic, this); }

bool MainWindow::HandleHelpKey(QObject* receiver, QEvent* e) {
    if (e->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(e)->key() != Qt::Key_F1) return false;
    if (static_cast<QKeyEvent*>(e)->modifiers() & ~Qt::KeypadModifier) return false;
    QWidget* focus = qobject_cast<QWidget*>(receiver);
    if (!focus) focus = QApplication::focusWidget();
    if (!focus) focus = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
    // Inside the help window F1 shows the contents again.
    if (qobject_cast<HelpWindow*>(focus->window())) {
        static_cast<HelpWindow*>(focus->window())->ShowTopic(kTopicContents);
        return true;
    }
    ShowHelpTopic(HelpTopicOf(focus));
    return true;
}

void MainWindow::ShowAbout() {
    AboutFrm about(this);
    connect(&about, &AboutFrm::TipChanged, this, &MainWindow::Tip);
    // Whether the browser could be started is not our concern here.
    connect(&about, &AboutFrm::OpenUrlRequested, this, [](const QUrl& url) { QDesktopServices::openUrl(url); });
    if (beforeDialog) beforeDialog(&about);
    about.exec();
    Tip({});
}

void MainWindow::ShowOpenMessageDialog(bool editMode) {
    OpenMsgFrm dialog(st_, editMode, this);
    connect(&dialog, &OpenMsgFrm::TipChanged, this, &MainWindow::Tip);
    if (!dialog.ShouldShow()) return;
    if (beforeDialog) beforeDialog(&dialog);
    dialog.exec();
    Tip({});
}

void MainWindow::EditLayout(int device) {
    if (device < 1 || device > st_.DeviceCount()) return;
    LayoutFrm editor(st_, this);
    SetHelpTopic(&editor, kTopicLayoutEditor);
    connect(&editor, &LayoutFrm::TipChanged, this, &MainWindow::Tip);
    if (!editor.InitilizeForm(device)) return;
    if (program_) program_->SetOpenLayoutEditor(&editor.Session());
    const auto closed = qScopeGuard([this] {
        if (program_) program_->SetOpenLayoutEditor(nullptr);
    });
    if (beforeDialog) beforeDialog(&editor);
    editor.exec();
    Tip({});
    FinishLayoutEditing(st_, editor.Session());
}

} // namespace tambrel
