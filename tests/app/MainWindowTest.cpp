#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QFileDialog>
#include <QFileInfo>

#include "app/KeyEditorPanel.h"
#include "app/MainWindow.h"
#include "boards/view/BoardViewWindow.h"
#include "app/QtShell.h"
#include "controls/QtTimerHost.h"
#include "common/AudioOutput.h"
#include "common/Settings.h"
#include "input/InputProtocol.h"
#include "session/Program.h"
#include "session/RecordingExport.h"
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

    void exportRecordingAsWaveRefusesWithoutARecordingAndWritesTheCurrentOne() {
        Rig rig;
        QAction* exportItem = nullptr;
        for (QAction* a : MenuTitled(rig.window.get(), "File")->actions())
            if (a->text().remove('&') == QString::fromUtf8("Export Recording as Wave\u2026")) exportItem = a;
        QVERIFY(exportItem);

        QString said;
        AnswerNextMessage("OK", &said);
        exportItem->trigger();
        QCOMPARE(said, QString(kExportNoRecording));

        KeyAssign& key = rig.st.Orc.Set(1).Bd(1).Key(5);
        key.SndSrc = kSrcWave;
        key.SndBuf = std::make_shared<SoundBuffer>(WaveFormat{8, 1, 44100}, SoundBuffer::Samples(4410, 200));
        key.WavBytes = 4410;
        Recording r;
        r.events = {{5, 1, 0.0f}, {5, 1, 0.3f}};
        rig.st.Orc.Recordings = {r};
        rig.st.Orc.CurRec = 1;
        const QString path = rig.dir.path() + "/take.wav";
        // Answer the file dialog with the name, as a user would type it.
        QTimer::singleShot(0, [path] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dlg) return;
            dlg->selectFile(path);
            QMetaObject::invokeMethod(dlg, "accept");
        });
        exportItem->trigger();
        QVERIFY(QFileInfo(path).isFile());
        // 16-bit stereo: the second press 0.3 s after the first, then the 2 s tail.
        const qint64 frames = (QFileInfo(path).size() - 44) / 4;
        QVERIFY2(std::abs(frames - qint64(44100 * 2.3)) < 441, qPrintable(QString::number(frames)));
        QCOMPARE(rig.shell.statusPanel->text(), QString("Export Complete"));
        QVERIFY(!QApplication::overrideCursor()); // the busy pointer is gone
    }

    void namesWithAnAmpersandShowIt() {
        Rig rig;
        rig.st.Orc.PlayBoards[0].SetNam = "Joe & Co";
        rig.st.views.Post(notice::UpdateSetActiveMenu{});
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
        QCOMPARE(view->windowTitle(),
                 "Play Table : " + QString::fromStdString(rig.st.Orc.Set(rig.st.Orc.CurSet).SetNam));
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

    void theAccessibleNameFollowsTheCaption() {
        Rig rig;
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(rig.window.get());
        QVERIFY(window);
        for (const char* caption : {"Tambrel Orchestra - [New]", "Tambrel Orchestra - [My Song.TbOrc]"}) {
            rig.shell.Caption(caption);
            QCOMPARE(rig.window->windowTitle(), QString(caption));
            QCOMPARE(window->text(QAccessible::Name), QString(caption));
        }
    }

    void tileHorizontalStacksThePlayTablesAndTileVerticalSetsThemSideBySide() {
        Rig rig;
        rig.window->resize(1200, 800);
        QMdiArea* area = rig.window->Area();
        const QList<QMdiSubWindow*> views = area->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(views.size(), 3);
        views[1]->showMaximized(); // a maximised one takes its tile too
        const QSize room = area->contentsRect().size();
        auto choose = [&](const QString& item) {
            for (QAction* a : MenuTitled(rig.window.get(), "Window")->actions())
                if (a->text() == item) a->trigger();
        };
        choose("Tile Horizontal");
        int top = 0;
        for (QMdiSubWindow* v : views) {
            QCOMPARE(v->geometry().left(), 0);
            QCOMPARE(v->width(), room.width());
            QCOMPARE(v->geometry().top(), top);
            top += v->height();
        }
        QCOMPARE(top, room.height());
        choose("Tile Vertical");
        int left = 0;
        for (QMdiSubWindow* v : views) {
            QCOMPARE(v->geometry().top(), 0);
            QCOMPARE(v->height(), room.height());
            QCOMPARE(v->geometry().left(), left);
            left += v->width();
        }
        QCOMPARE(left, room.width());
        QTRY_COMPARE(area->viewport()->size(), room); // no scroll bar
    }

    void theTipPanelClearsOverItemsWithoutATip() {
        Rig rig;
        auto enter = [](QWidget* w) {
            QEnterEvent e(QPointF(1, 1), QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)));
            QApplication::sendEvent(w, &e);
        };
        auto leave = [](QWidget* w) {
            QEvent e(QEvent::Leave);
            QApplication::sendEvent(w, &e);
        };
        QWidget* panel = rig.window->EditorPanel();
        QWidget* tipped = nullptr;
        for (QLabel* l : panel->findChildren<QLabel*>())
            if (!l->statusTip().isEmpty()) tipped = l;
        QVERIFY(tipped);
        QLabel* plain = nullptr;
        for (QLabel* l : rig.window->findChildren<QLabel*>())
            if (l->text() == "Current/Active Play Board:") plain = l;
        QVERIFY(plain);
        QLabel* tip = rig.window->TipPanel();

        enter(tipped);
        QCOMPARE(tip->text(), tipped->statusTip());
        enter(plain); // a plain label
        QCOMPARE(tip->text(), QString());
        enter(tipped);
        leave(tipped); // back onto the panel's empty area
        QCOMPARE(tip->text(), QString());
        enter(tipped);
        enter(panel); // the panel itself
        QCOMPARE(tip->text(), QString());
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
