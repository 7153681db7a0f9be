// The windows the main window opens: the layout editor, the open message,
// the help and the about window, driven as a user drives them.

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QInputDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <memory>

#include "app/AboutFrm.h"
#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "app/OpenMsgFrm.h"
#include "app/QtShell.h"
#include "controls/QtTimerHost.h"
#include "boards/view/BoardViewWindow.h"
#include "boards/view/KeyboardFrm.h"
#include "boards/view/LayoutFrm.h"
#include "common/AudioOutput.h"
#include "common/Settings.h"
#include "input/InputProtocol.h"
#include "session/HelpFile.h"
#include "session/Program.h"
#include "tests/app/ProgramRig.h"

using namespace tambrel;

namespace {

struct Rig : test::ProgramRig {
    explicit Rig(bool withHelp = true)
        : ProgramRig(nullptr, [withHelp](const QString& dir) {
              if (withHelp)
                  QFile::copy(QStringLiteral(TAMBREL_SOURCE_DIR "/docs/help/TambrelOrchestra.html"),
                              dir + "/TambrelOrchestra.html");
          }) {}
    // A second Play Board like the first: the device's boards show twice.
    void AddSecondPlayBoard() {
        PlayBoard copy = st.Orc.PlayBoards[0];
        copy.SetNam = "Second";
        st.Orc.PlayBoards.push_back(copy);
        st.views.Post(notice::RebuildAllBoardViews{});
    }
    QByteArray SettingsSection(const QString& name) const {
        QFile f(dir.path() + "/TambrelOrchestra.ini");
        if (!f.open(QIODevice::ReadOnly)) return {};
        const QByteArray all = f.readAll();
        const qsizetype at = all.indexOf("[" + name.toUtf8() + "]");
        if (at < 0) return {};
        const qsizetype end = all.indexOf("\n[", at + 1);
        return all.mid(at, end < 0 ? -1 : end - at);
    }
    void CloseProgram() {
        QTimer::singleShot(0, window.get(), [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                if (QAbstractButton* no = box->button(QMessageBox::No)) no->click();
        });
        // Closing ends the application's event loop, and with it any later
        // modal showing: the tests that close come last.
        window->close();
    }
};

QPushButton* Button(QWidget* w, const char* name) { return w->findChild<QPushButton*>(name); }

// The width of every board of device d shown in any board view.
QList<int> BoardWidthsOfDevice(Rig& rig, int device) {
    QList<int> widths;
    for (int p = 1; p <= rig.st.Orc.SetNos(); ++p) {
        BoardViewWindow* v = rig.window->BoardViewOf(p);
        if (!v) continue;
        for (const BoardSurface& s : v->View()->Picture().Surfaces)
            if (rig.st.Orc.Set(p).Bds[static_cast<std::size_t>(s.SubBoard - 1)].InpDevNo == device)
                widths << s.Picture.Width;
    }
    return widths;
}

// Drags the editor's width line by dx with the mouse.
void DragWidthLine(LayoutFrm* editor, int dx) {
    LayoutCanvas* canvas = editor->Canvas();
    const QPoint from = canvas->WidthLineRect().center();
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(from + QPoint(dx, 0)),
                     canvas->mapToGlobal(QPointF(from + QPoint(dx, 0))), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, from + QPoint(dx, 0));
}

} // namespace

class WindowsOfTheMainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void theKeyMenuMovesAndSizesTheSelectedKey() {
        Rig rig;
        QStringList menus;
        int rowBefore = 0, rowAfter = 0, widthAfter = 0;
        rig.window->beforeDialog = [&](QDialog* d) {
            auto* editor = qobject_cast<LayoutFrm*>(d);
            QTimer::singleShot(0, editor, [&, editor] {
                const KeyFace face = editor->Session().Picture().Faces.at(20);
                const QPoint middle((face.Left + face.Right) / 2, (face.Top + face.Bottom) / 2);
                const LayoutKey& key = rig.st.InputDevices[0].Layout.Keys[static_cast<std::size_t>(face.Key - 1)];
                rowBefore = key.Row;
                // Choose an item of the pop-up's sub-menu, as the user would.
                // answer: what is typed into the input box the item asks with.
                auto choose = [&](const QString& sub, const QString& item, const QString& answer = {}) {
                    QTimer::singleShot(0, editor, [&, sub, item, answer] {
                        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                        if (!popup) return;
                        popup->close();
                        if (!answer.isEmpty()) {
                            QTimer::singleShot(0, editor, [answer] {
                                if (auto* input = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                                    input->setTextValue(answer);
                                    input->accept();
                                }
                            });
                        }
                        for (QAction* a : popup->actions()) {
                            menus << a->text();
                            if (a->text() == sub)
                                for (QAction* i : a->menu()->actions())
                                    if (i->text() == item) i->trigger();
                        }
                    });
                };
                choose("Move", "Down");
                QTest::mouseClick(editor->Canvas(), Qt::RightButton, Qt::NoModifier, middle);
                rowAfter = key.Row;
                // 600 is more than a key may be wide.
                choose("Size/Space", "Key Width", "600");
                // The key where it stands now.
                QTest::mouseClick(editor->Canvas(), Qt::RightButton, Qt::NoModifier,
                                  QPoint((key.Left + key.Right) / 2, (key.Top + key.Bottom) / 2));
                widthAfter = key.Width;
                editor->reject();
            });
        };
        rig.window->EditLayout(1);
        QCOMPARE(menus.mid(0, 2), QStringList({"Move", "Size/Space"}));
        QCOMPARE(rowAfter, rowBefore + 1);
        QCOMPARE(widthAfter, 500);
    }

    void theResetDialogOffersTheTypesItIsGiven() {
        LayOutRsetFrm dialog;
        QCOMPARE(dialog.windowTitle(), QString(" Reset Layout"));
        QCOMPARE(dialog.List()->count(), 3);
        QCOMPARE(dialog.List()->item(0)->text(), QString("Keyboard"));
        QCOMPARE(dialog.List()->item(2)->text(), QString("Rectangle"));
        QCOMPARE(dialog.Chosen(), LayoutType::Keyboard);
        dialog.List()->setCurrentRow(2);
        QCOMPARE(dialog.Chosen(), LayoutType::Rectangle);

        // A MIDI port's editor lists its notes fourth, and that row means them.
        LayOutRsetFrm midi(nullptr,
                           {LayoutType::Keyboard, LayoutType::Mouse, LayoutType::Rectangle, LayoutType::Notes});
        QCOMPARE(midi.List()->count(), 4);
        QCOMPARE(midi.List()->item(3)->text(), QString("Notes"));
        midi.List()->setCurrentRow(3);
        QCOMPARE(midi.Chosen(), LayoutType::Notes);
        QVERIFY(midi.List()->maximumHeight() >= midi.List()->sizeHintForRow(0) * 4);
    }

    void theOpenMessageInViewAndEditMode() {
        Rig rig;
        // No message: view mode shows nothing at all.
        rig.st.Orc.OpenMsg = "   ";
        bool shown = false;
        rig.window->beforeDialog = [&](QDialog*) { shown = true; };
        rig.st.views.Post(notice::ShowOpenMessage{false});
        QVERIFY(!shown);

        // View mode: read-only, no Cancel, the text as plain text.
        rig.st.Orc.OpenMsg = "<b>Hi</b> &amp; welcome\r\nSecond line";
        rig.st.FileModified = kVbFalse;
        QString text, tip;
        bool readOnly = false, cancelShown = true, labelShown = true;
        QColor base;
        rig.window->beforeDialog = [&](QDialog* d) {
            auto* m = qobject_cast<OpenMsgFrm*>(d);
            QTimer::singleShot(0, m, [&, m] {
                text = m->MessageBox()->toPlainText();
                readOnly = m->MessageBox()->isReadOnly();
                cancelShown = m->CancelButton()->isVisible();
                labelShown = m->Label()->isVisible();
                base = m->MessageBox()->palette().color(QPalette::Base);
                tip = m->MessageBox()->toolTip();
                // Resizing lays the parts out again.
                m->resize(600, 400);
                QTest::qWait(0);
                QVERIFY(m->MessageBox()->width() > 500);
                QVERIFY(m->OkButton()->geometry().bottom() > 340);
                m->MessageBox()->setPlainText("changed anyway"); // read-only for the user; OK must not store
                m->OkButton()->click();
            });
        };
        rig.st.views.Post(notice::ShowOpenMessage{false});
        QCOMPARE(text, QString("<b>Hi</b> &amp; welcome\nSecond line"));
        QVERIFY(readOnly);
        QVERIFY(!cancelShown);
        QVERIFY(!labelShown);
        QCOMPARE(base, QColor(255, 255, 192));
        QCOMPARE(tip, QString("Here is the message for from the author of this Orchestra file you just opened"));
        QCOMPARE(rig.st.Orc.OpenMsg, std::string("<b>Hi</b> &amp; welcome\r\nSecond line"));
        QVERIFY(!rig.st.FileModified);

        // Edit mode through File > "Edit Message": Cancel stores nothing, OK the change.
        for (const char* button : {"CancelBtn", "OkBtn"}) {
            rig.window->beforeDialog = [&, button](QDialog* d) {
                auto* m = qobject_cast<OpenMsgFrm*>(d);
                QTimer::singleShot(0, m, [&, m, button] {
                    QVERIFY(!m->MessageBox()->isReadOnly());
                    QVERIFY(m->CancelButton()->isVisible());
                    QVERIFY(m->Label()->isVisible());
                    QCOMPARE(m->Label()->text(), QString("Type your open message here"));
                    QCOMPARE(m->MessageBox()->palette().color(QPalette::Base), QColor(Qt::white));
                    m->MessageBox()->setPlainText("New words\nfor you");
                    Button(m, button)->click();
                });
            };
            QAction* edit = nullptr;
            for (QAction* a : rig.window->menuBar()->actions().first()->menu()->actions())
                if (a->text().remove('&') == "Edit Message") edit = a;
            QVERIFY(edit);
            edit->trigger();
            if (QByteArray(button) == "CancelBtn") {
                QVERIFY(!rig.st.FileModified);
            } else {
                QCOMPARE(rig.st.Orc.OpenMsg, std::string("New words\r\nfor you"));
                QVERIFY(rig.st.FileModified);
            }
        }
    }

    void helpOpensAtTheTopicOfTheFocusedControl() {
        Rig rig;
        QMenu* helpMenu = nullptr;
        for (QAction* a : rig.window->menuBar()->actions())
            if (a->text().remove('&') == "Help") helpMenu = a->menu();
        QVERIFY(helpMenu);
        QStringList items;
        for (QAction* a : helpMenu->actions()) items << a->text();
        QCOMPARE(items, QStringList({"Help Content", "About"}));

        helpMenu->actions().first()->trigger();
        auto* help = rig.window->findChild<HelpWindow*>();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QCOMPARE(help->Browser()->source().fragment(), QString("contents"));
        QVERIFY(help->Browser()->toPlainText().contains("Getting started"));

        // F1 on a board view: the board views' topic.
        BoardViewWindow* view = rig.window->BoardViewOf(1);
        QVERIFY(view);
        rig.window->activateWindow();
        view->View()->setFocus();
        QApplication::setActiveWindow(rig.window.get());
        QTest::keyClick(view->View(), Qt::Key_F1);
        QCOMPARE(help->Browser()->source().fragment(), QString("board-views"));

        // F1 inside the layout editor: its own topic, in a help window that
        // can be used while the editor is open.
        QString inEditor;
        rig.window->beforeDialog = [&](QDialog* d) {
            QTimer::singleShot(0, d, [&, d] {
                auto* editor = qobject_cast<LayoutFrm*>(d);
                editor->Canvas()->setFocus();
                QTest::keyClick(editor->Canvas(), Qt::Key_F1);
                auto* h = editor->findChild<HelpWindow*>();
                if (h) inEditor = h->Browser()->source().fragment();
                d->reject();
            });
        };
        rig.window->EditLayout(1);
        QCOMPARE(inEditor, QString("layout-editor"));
    }

    void aMissingHelpFileIsNamedWithItsPath() {
        Rig rig(false);
        QString said;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                said = box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        rig.window->ShowHelpTopic(kTopicContents);
        QCOMPARE(said, rig.dir.path() + "/TambrelOrchestra.html\nHelp file not found");
        QVERIFY(!rig.window->findChild<HelpWindow*>());
    }

    void aboutShowsTheBuildTheInformationAndTheLink() {
        AboutFrm about;
        QString tip;
        QUrl opened;
        connect(&about, &AboutFrm::TipChanged, this, [&](const QString& t) { tip = t; });
        connect(&about, &AboutFrm::OpenUrlRequested, this, [&](const QUrl& u) { opened = u; });
        about.show();
        const QString build = about.BuildLabel()->text();
        QVERIFY2(build.startsWith("(Version " TAMBREL_TEST_VERSION ", built 20") && build.endsWith(")"),
                 qPrintable(build));
        QCOMPARE(about.BuildLabel()->textFormat(), Qt::PlainText);
        QCOMPARE(about.BuildLabel()->toolTip(), QString("Version"));
        QCOMPARE(about.LinkLabel()->toolTip(), QString("Click to visit our web site"));
        // The logo is drawn: its middle is not transparent.
        const QImage logo = about.Logo()->pixmap().toImage();
        QVERIFY(!logo.isNull());
        QVERIFY(qAlpha(logo.pixel(logo.width() / 2, logo.height() / 2)) > 0);
        QCOMPARE(about.InfoLabels().front()->text(), QString("Tambrel Orchestra"));
        for (QLabel* l : about.InfoLabels()) QVERIFY(!l->toolTip().isEmpty());
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(about.LinkLabel(), &enter);
        QCOMPARE(tip, QString("Click to visit our web site"));
        QApplication::sendEvent(about.OkButton(), &enter);
        QCOMPARE(tip, QString());
        QTest::mouseClick(about.LinkLabel(), Qt::LeftButton);
        QCOMPARE(opened, QUrl("https://tambrel.org"));
        about.CancelButton()->click();
        QVERIFY(!about.isVisible());
    }

    void anAcceptedLayoutShowsInEveryBoardOfTheDeviceAndIsSavedOnClosing() {
        Rig rig;
        rig.AddSecondPlayBoard();
        const int before = rig.st.InputDevices[0].Layout.BoardWidth;
        const QList<int> shownBefore = BoardWidthsOfDevice(rig, 1);
        QVERIFY(shownBefore.size() >= 2);
        bool sawEditor = false;
        QString caption;
        rig.window->beforeDialog = [&](QDialog* d) {
            auto* editor = qobject_cast<LayoutFrm*>(d);
            QVERIFY(editor);
            sawEditor = true;
            QTimer::singleShot(0, editor, [&, editor] {
                QCOMPARE(editor->windowTitle(), QString("Edit Board Layout"));
                caption = QString::fromStdString(editor->Session().CaptionText());
                // The window is never larger than the screen.
                const QRect screen = QApplication::primaryScreen()->availableGeometry();
                QVERIFY(editor->width() <= screen.width() && editor->height() <= screen.height());
                DragWidthLine(editor, 120);
                Button(editor, "OkBtn")->click();
            });
        };
        rig.window->EditLayout(1);
        QVERIFY(sawEditor);
        QCOMPARE(caption, "Device: " + QString::fromStdString(rig.st.InputDevices[0].Name));
        const int after = rig.st.InputDevices[0].Layout.BoardWidth;
        QCOMPARE(after, before + 120);
        // At once, in every board of the device, in every Play Board.
        const QList<int> shown = BoardWidthsOfDevice(rig, 1);
        QCOMPARE(shown.size(), shownBefore.size());
        for (int w : shown) QCOMPARE(w, after);

        rig.CloseProgram();
        QVERIFY(rig.window->closing);
        const QByteArray section = rig.SettingsSection(QString::fromStdString(rig.st.InputDevices[0].Name));
        QVERIFY2(section.contains("BoardWidth=" + QByteArray::number(after)), section.constData());
    }

    void cancelLeavesTheSettingsSectionByteIdentical() {
        Rig rig;
        const QString name = QString::fromStdString(rig.st.InputDevices[0].Name);
        rig.CloseProgram();
        const QByteArray before = rig.SettingsSection(name);
        QVERIFY(!before.isEmpty());

        Rig again;
        QFile::remove(again.dir.path() + "/TambrelOrchestra.ini");
        QFile::copy(rig.dir.path() + "/TambrelOrchestra.ini", again.dir.path() + "/TambrelOrchestra.ini");
        const int width = again.st.InputDevices[0].Layout.BoardWidth;
        again.window->beforeDialog = [&](QDialog* d) {
            auto* editor = qobject_cast<LayoutFrm*>(d);
            QTimer::singleShot(0, editor, [&, editor] {
                DragWidthLine(editor, 80);
                // A reset to one row, chosen in the window's own dialog,
                // then the title bar's close.
                QTimer::singleShot(0, editor, [] {
                    auto* reset = qobject_cast<LayOutRsetFrm*>(QApplication::activeModalWidget());
                    if (!reset) return;
                    reset->List()->setCurrentRow(static_cast<int>(LayoutType::Mouse));
                    reset->accept();
                });
                Button(editor, "ResetBtn")->click();
                QVERIFY(again.st.InputDevices[0].Layout.RowCount == 1);
                editor->close();
            });
        };
        again.window->EditLayout(1);
        QCOMPARE(again.st.InputDevices[0].Layout.BoardWidth, width);
        again.CloseProgram();
        QCOMPARE(again.SettingsSection(name), before);
    }
};

QTEST_MAIN(WindowsOfTheMainWindowTest)
#include "WindowsOfTheMainWindowTest.moc"
