// The main window closing while a dialog is open. Closing ends every event
// loop of the process for good, so each case runs in a process of its own
// (ctest runs this program once per function).

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <csignal>

#include "app/CloseSignals.h"
#include "boards/view/LayoutFrm.h"
#include "tests/app/ProgramRig.h"

using namespace tambrel;

class ClosingTest : public QObject {
    Q_OBJECT
private slots:
    void theLayoutEditorsUnacceptedChangeIsNotWrittenWhenTheWindowCloses() {
        test::ProgramRig rig;
        const std::string device = rig.st.InputDevices[0].Name;
        const int width = rig.st.InputDevices[0].Layout.BoardWidth;
        bool changed = false;
        rig.window->beforeDialog = [&](QDialog* d) {
            auto* editor = qobject_cast<LayoutFrm*>(d);
            QTimer::singleShot(0, editor, [&, editor] {
                editor->Session().DropWidthLine(width + 150);
                changed = rig.st.InputDevices[0].Layout.BoardWidth == width + 150;
                rig.window->close(); // the editor is still open
            });
        };
        rig.window->EditLayout(1);
        QVERIFY(changed);
        QVERIFY(rig.window->closing);
        QCOMPARE(rig.settings.ReadSetting(device, "BoardWidth", ""), std::to_string(width));
    }

    void aSignalWhileTheSaveQuestionIsOpenEndsTheProgramAndKeepsTheChanges() {
        test::ProgramRig rig;
        const QString state = rig.dir.path() + "/state";
        rig.program->SetRecoveryFolder(state.toStdString());
        CloseSignals onSignal([&] { rig.window->CloseBySignal(); });
        rig.st.Orc.PlayBoards[0].SetNam = "Unsaved";
        rig.st.SetModified();
        QString asked;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) asked = box->text();
            // The session ends while the question waits for an answer.
            std::raise(SIGTERM);
        });
        rig.window->close();
        QCOMPARE(asked, QString("The current file is modified\nDo you want to save it?"));
        QVERIFY(rig.window->closing);
        QCOMPARE(rig.window->exitStatus, 0);
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(QDir(state).entryList({"*.TbOrc"}, QDir::Files).size(), 1);
        QVERIFY(rig.settings.ReadSetting("General", "WindowSizPos", "") != "");
        QVERIFY(rig.program->Ended());
    }
};

QTEST_MAIN(ClosingTest)
#include "ClosingTest.moc"
