#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include <QAccessible>
#include <QAccessibleActionInterface>

#include "app/MainWindow.h"
#include "boards/view/BoardViewWindow.h"
#include "app/QtShell.h"
#include "controls/QtTimerHost.h"
#include "common/AudioOutput.h"
#include "common/Settings.h"
#include "input/InputProtocol.h"
#include "session/Program.h"
#include "tests/FakeInputLink.h"
#include "tests/app/ProgramRig.h"

using namespace tambrel;

namespace {

QMenu* MenuTitled(QWidget* w, const QString& title) {
    for (QMenu* m : w->findChildren<QMenu*>())
        if (m->title().remove('&') == title) return m;
    return nullptr;
}

QStringList Shown(QMenu* m) {
    QStringList out;
    for (QAction* a : m->actions())
        if (a->isVisible() && !a->isSeparator()) out << a->text();
    return out;
}

using Rig = test::ProgramRig;
using test::AnswerNextMessage;

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startsWithANewOrchestraAndItsMenus() {
        Rig rig;
        QCOMPARE(rig.window->windowTitle(), QString("Tambrel Orchestra - [New]"));
        for (const char* title : {"File", "PlayTable", "Board", "Midi Port", "Tools", "Window"})
            QVERIFY2(MenuTitled(rig.window.get(), title), title);
        QMenu* setActive = MenuTitled(rig.window.get(), "Set Active");
        QVERIFY(setActive);
        QCOMPARE(Shown(setActive).size(), static_cast<int>(rig.st.Orc.PlayBoards.size()));
        QCOMPARE(Shown(MenuTitled(rig.window.get(), "Window")),
                 QStringList({"Cascade", "Tile Horizontal", "Tile Vertical", "Arrange Icons"}));
        // Every command explains itself in the status bar, to tools and screen readers.
        for (QAction* a : MenuTitled(rig.window.get(), "File")->actions())
            if (!a->isSeparator()) QVERIFY2(!a->statusTip().isEmpty(), qPrintable(a->text()));
    }

    void namesWithAnAmpersandShowIt() {
        Rig rig;
        rig.st.Orc.PlayBoards[0].SetNam = "Joe & Co";
        rig.shell.Notify(ShellEvent::UpdateSetActiveMenu, 0, 0, 0);
        QCOMPARE(Shown(MenuTitled(rig.window.get(), "Set Active")).first(), QString("Joe && Co"));
    }

    void cancellingTheSaveQuestionKeepsTheProgramRunning() {
        Rig rig;
        rig.st.SetModified();
        QString asked;
        AnswerNextMessage("Cancel", &asked);
        rig.window->close();
        QCOMPARE(asked, QString("The current file is modified\nDo you want to save it?"));
        QVERIFY(rig.window->isVisible());
        QVERIFY(!rig.window->closing);
        QCOMPARE(rig.settings.ReadSetting("General", "WindowSizPos", "none"), std::string("none"));
    }

    void aBoardViewShowsEveryPlayBoardAndItsKeysToScreenReaders() {
        Rig rig;
        QCOMPARE(rig.window->Area()->subWindowList().size(), static_cast<int>(rig.st.Orc.PlayBoards.size()));
        BoardViewWindow* view = rig.window->BoardViewOf(rig.st.Orc.CurSet);
        QVERIFY(view);
        QCOMPARE(view->windowTitle(), "Play Table : " + QString::fromStdString(rig.st.Orc.Set(rig.st.Orc.CurSet).SetNam));
        QAccessibleInterface* board = QAccessible::queryAccessibleInterface(view->View());
        QVERIFY(board);
        QCOMPARE(board->childCount(), 128); // the keyboard the window feeds; no mouse was found
        QAccessibleInterface* esc = board->child(0);
        QVERIFY(esc);
        QCOMPARE(esc->text(QAccessible::Name), QString("Esc"));
        QVERIFY(!esc->text(QAccessible::Description).isEmpty());
        // Pressing a key through the screen reader makes it the edited key.
        QAccessibleInterface* a = board->child(29);
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(rig.st.EditKeyValid, kVbTrue);
        QCOMPARE(rig.st.EditKey, 30);
    }

    void closingWithoutSavingKeepsTheWindowsPlace() {
        Rig rig;
        rig.window->setGeometry(100, 80, 900, 600);
        rig.st.SetModified();
        AnswerNextMessage("No", nullptr);
        rig.window->close();
        QVERIFY(rig.window->closing);
        const std::string stored = rig.settings.ReadSetting("General", "WindowSizPos", "none");
        const WindowPlacement p = ReadWindowPlacement(stored, 100000, 100000);
        QCOMPARE(p.Width, 900 * kTwipsPerPixel);
        QCOMPARE(p.Height, 600 * kTwipsPerPixel);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
