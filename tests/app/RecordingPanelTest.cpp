// The "Recording and Playback:" panel and the recording-list dialog, driven
// through their buttons with the program's timers on a test clock.

#include <QInputDialog>
#include <QTest>

#include "app/HelpWindow.h"
#include "app/RecordListFrm.h"
#include "app/RecordingPanel.h"
#include "common/VirtualClock.h"
#include "controls/SkinButton.h"
#include "document/FileCommands.h"
#include "recording/KeystrokeRecorder.h"
#include "session/HelpFile.h"
#include "tests/OrcBytes.h"
#include "tests/app/ProgramRig.h"

using namespace tambrel;
using test::AnswerNextMessage;

namespace {

struct Rig {
    VirtualClock clock;
    test::ProgramRig app{&clock};
    RecordingPanel* panel = app.window->Recording();
    KeystrokeRecorder& recorder = app.program->GetInstrument().Recorder();

    void Click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    // Records the given key presses of the keyboard, ms after the start.
    void Record(const std::vector<std::pair<std::int64_t, int>>& presses) {
        Click(panel->recordBtn[0]);
        const std::int64_t start = clock.NowMs();
        for (auto [at, key] : presses) {
            clock.AdvanceTo(start + at);
            app.program->GetInstrument().KeyEvent({DeviceNo{1}, KeyNo{key}});
        }
        Click(panel->recordBtn[1]);
    }
};

// Types answer into the next input box and accepts it; remembers its prompt.
void AnswerNextInput(const QString& answer, QString* prompt = nullptr) {
    QTimer::singleShot(0, [answer, prompt] {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!box) return;
        if (prompt) *prompt = box->labelText();
        box->setTextValue(answer);
        box->accept();
    });
}

bool Available(const QWidget* w) { return w->isVisible() && w->isEnabled(); }

} // namespace

class RecordingPanelTest : public QObject {
    Q_OBJECT
private slots:
    void recordingSwapsTheRecordButtonsAndBlocksPlaybackAndTheList() {
        Rig rig;
        RecordingPanel* p = rig.panel;
        QVERIFY(Available(p->recordBtn[0]));
        QVERIFY(!p->recordBtn[1]->isVisible());
        QVERIFY(Available(p->playBackBtn[0]));
        QVERIFY(!p->playBackBtn[1]->isEnabled());
        QVERIFY(!p->playBackBtn[2]->isEnabled());
        QCOMPARE(p->curRecLbl->text(), QString("First Recording [0]"));

        rig.Click(p->recordBtn[0]);
        QVERIFY(!p->recordBtn[0]->isVisible());
        QVERIFY(Available(p->recordBtn[1]));
        QCOMPARE(p->curRecLbl->text(), QString("First Recording [Now recording]"));
        // Play stays pressable but refuses; the list does not open.
        QVERIFY(Available(p->playBackBtn[0]));
        QString said;
        AnswerNextMessage("OK", &said);
        rig.Click(p->playBackBtn[0]);
        QCOMPARE(said, QString("Recording in progress"));
        QCOMPARE(rig.recorder.PlayBackState(), 0);
        bool opened = false;
        rig.app.window->beforeDialog = [&](QDialog*) { opened = true; };
        AnswerNextMessage("OK", &said);
        rig.Click(p->listBtn);
        QCOMPARE(said, QString("Recording in progress.\nStop the recording first."));
        QVERIFY(!opened);

        rig.app.program->GetInstrument().KeyEvent({DeviceNo{1}, KeyNo{2}});
        rig.clock.AdvanceBy(250);
        rig.app.program->GetInstrument().KeyEvent({DeviceNo{1}, KeyNo{3}});
        rig.Click(p->recordBtn[1]);
        QVERIFY(Available(p->recordBtn[0]));
        QVERIFY(!p->recordBtn[1]->isVisible());
        QCOMPARE(p->curRecLbl->text(), QString("First Recording [2]"));
        // The take is part of the Orchestra: closing must offer to save it.
        QVERIFY(rig.app.st.FileModified);
    }

    void playbackPausesResumesAndEndsOnTheRecordedTimes() {
        Rig rig;
        RecordingPanel* p = rig.panel;
        QString said;
        AnswerNextMessage("OK", &said);
        rig.Click(p->playBackBtn[0]);
        QCOMPARE(said, QString("Current recording in not yet recorded"));

        rig.Record({{0, 2}, {300, 3}, {800, 4}});
        rig.Click(p->playBackBtn[0]);
        QCOMPARE(rig.recorder.PlayBackState(), 1);
        QVERIFY(!p->playBackBtn[0]->isEnabled());
        QVERIFY(Available(p->playBackBtn[1]) && Available(p->playBackBtn[2]));
        QCOMPARE(p->playBackBtn[1]->PictureName(), QString("Pause_Up"));
        // The first event comes a millisecond after play, the next ones at
        // their recorded distances.
        rig.clock.AdvanceBy(1);
        QCOMPARE(rig.recorder.PlayBackPos(), 1);
        rig.clock.AdvanceBy(299);
        QCOMPARE(rig.recorder.PlayBackPos(), 1);
        rig.clock.AdvanceBy(1);
        QCOMPARE(rig.recorder.PlayBackPos(), 2);

        rig.Click(p->playBackBtn[1]);
        QCOMPARE(rig.recorder.PlayBackState(), 2);
        QCOMPARE(p->playBackBtn[1]->PictureName(), QString("Resume_Up"));
        QCOMPARE(p->playBackBtn[1]->accessibleName(), QString("Resume"));
        rig.clock.AdvanceBy(5000);
        QCOMPARE(rig.recorder.PlayBackPos(), 2);
        // The list is refused while a playback is paused, too.
        AnswerNextMessage("OK", &said);
        rig.Click(p->listBtn);
        QCOMPARE(said, QString("Playing now.\nStop the playing first."));

        rig.Click(p->playBackBtn[1]);
        QCOMPARE(p->playBackBtn[1]->PictureName(), QString("Pause_Up"));
        rig.clock.AdvanceBy(500);
        // The last event played and the loop box is clear: back to idle.
        QCOMPARE(rig.recorder.PlayBackState(), 0);
        QVERIFY(Available(p->playBackBtn[0]));
        QVERIFY(!p->playBackBtn[1]->isEnabled() && !p->playBackBtn[2]->isEnabled());
    }

    void theLoopBoxPlaysOnUntilStopAndRecordingStopsPlayback() {
        Rig rig;
        RecordingPanel* p = rig.panel;
        rig.Record({{400, 2}, {600, 3}});
        rig.Click(p->loopChk);
        QVERIFY(rig.recorder.Loop());
        rig.Click(p->playBackBtn[0]);
        rig.clock.AdvanceBy(1);   // event 1
        rig.clock.AdvanceBy(200); // event 2, the last: the loop starts again
        QCOMPARE(rig.recorder.PlayBackState(), 1);
        QCOMPARE(rig.recorder.PlayBackPos(), 0);
        // Between the last event and the first lies the first event's time.
        rig.clock.AdvanceBy(399);
        QCOMPARE(rig.recorder.PlayBackPos(), 0);
        rig.clock.AdvanceBy(1);
        QCOMPARE(rig.recorder.PlayBackPos(), 1);
        rig.Click(p->playBackBtn[2]);
        QCOMPARE(rig.recorder.PlayBackState(), 0);
        QCOMPARE(rig.recorder.PlayBackPos(), 0);
        QVERIFY(Available(p->playBackBtn[0]));

        rig.Click(p->playBackBtn[0]);
        rig.Click(p->recordBtn[0]);
        QCOMPARE(rig.recorder.PlayBackState(), 0);
        QVERIFY(!p->playBackBtn[2]->isEnabled());
        QVERIFY(Available(p->recordBtn[1]));
    }

    void theListDialogAddsRenamesAndDeletesRecordings() {
        Rig rig;
        rig.Record({{0, 2}, {100, 3}, {200, 4}});
        QStringList seen;
        QString prompt, said;
        rig.app.window->beforeDialog = [&](QDialog* d) {
            auto* dlg = qobject_cast<RecordListFrm*>(d);
            QVERIFY(dlg);
            QTimer::singleShot(0, dlg, [&, dlg] {
                QCOMPARE(dlg->windowTitle(), QString("Manage multiple keystroke recordings:"));
                QCOMPARE(dlg->list->count(), 1);
                QCOMPARE(dlg->list->currentRow(), 0);
                QCOMPARE(dlg->keyStrokesLbl->text(), QString("3"));

                AnswerNextInput("Second take", &prompt);
                dlg->buttons[0]->click();
                seen << prompt;
                QCOMPARE(dlg->list->count(), 2);
                QCOMPARE(dlg->list->currentRow(), 1);
                QCOMPARE(dlg->keyStrokesLbl->text(), QString("0"));

                // A cancelled name changes nothing.
                AnswerNextInput("");
                dlg->buttons[0]->click();
                QCOMPARE(dlg->list->count(), 2);

                AnswerNextInput("<b>Take</b> & two", &prompt);
                dlg->buttons[1]->click();
                seen << prompt;
                QCOMPARE(dlg->list->item(1)->text(), QString("<b>Take</b> & two"));

                // Clicking the first entry makes it current and shows its count.
                QTest::mouseClick(dlg->list->viewport(), Qt::LeftButton, Qt::NoModifier,
                                  dlg->list->visualItemRect(dlg->list->item(0)).center());
                QCOMPARE(rig.app.st.Orc.CurRec, 1);
                QCOMPARE(dlg->keyStrokesLbl->text(), QString("3"));

                AnswerNextMessage("Yes", &said);
                dlg->buttons[2]->click();
                seen << said;
                QCOMPARE(dlg->list->count(), 1);
                QCOMPARE(dlg->list->item(0)->text(), QString("<b>Take</b> & two"));
                AnswerNextMessage("OK", &said);
                dlg->buttons[2]->click();
                seen << said;
                dlg->buttons[3]->click();
            });
        };
        rig.Click(rig.panel->listBtn);
        QCOMPARE(seen,
                 QStringList({"Enter a name for the new keystroke recording",
                              "Enter a new name for the current keystroke recording",
                              "First Recording\nDelete the current keystroke list?", "Can not delete the last one"}));
        QVERIFY(rig.app.st.FileModified);
        // After the dialog the label names the recording now current, as text.
        QCOMPARE(rig.panel->curRecLbl->text(), QString("<b>Take</b> & two [0]"));
        QCOMPARE(rig.panel->curRecLbl->textFormat(), Qt::PlainText);
    }

    // An opened file may name a current recording that is not in its list:
    // the label says so and the list selects nothing, as the recorder does.
    void aCurrentRecordingOutsideTheListShowsNone() {
        Rig rig;
        std::string bytes;
        for (const auto& [name, value] :
             std::vector<std::pair<std::string, std::string>>{{"General++File Version", "01.00"},
                                                              {"Set++SetNos", "1"},
                                                              {"Set1++BodNos", "1"},
                                                              {"Set1Bd1++InpDev", "Pad"},
                                                              {"Rec0++RecNos", "2"},
                                                              {"Rec0++CurRec", "5"},
                                                              {"Rec1++Name", "A"},
                                                              {"Rec2++Name", "B"}})
            bytes += test::EntryBytes(name, value);
        const QString path = rig.app.dir.path() + "/outside.TbOrc";
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
        f.close();
        QVERIFY(OpenChosenFile(rig.app.st, path.toStdString()));
        QCOMPARE(rig.app.st.Orc.CurRec, 5);
        QCOMPARE(rig.panel->curRecLbl->text(), QString("Recording not found"));

        bool looked = false;
        rig.app.window->beforeDialog = [&](QDialog* d) {
            auto* dlg = qobject_cast<RecordListFrm*>(d);
            QVERIFY(dlg);
            QTimer::singleShot(0, dlg, [&, dlg] {
                QCOMPARE(dlg->list->count(), 2);
                QCOMPARE(dlg->list->currentRow(), -1);
                QVERIFY(dlg->list->selectedItems().isEmpty());
                QCOMPARE(dlg->keyStrokesLbl->text(), QString());
                looked = true;
                dlg->buttons[3]->click();
            });
        };
        rig.Click(rig.panel->listBtn);
        QVERIFY(looked);
        QCOMPARE(rig.app.st.Orc.CurRec, 5);
        QCOMPARE(rig.panel->curRecLbl->text(), QString("Recording not found"));

        // A move with the keyboard is a choice.
        rig.app.window->beforeDialog = [&](QDialog* d) {
            auto* dlg = qobject_cast<RecordListFrm*>(d);
            QTimer::singleShot(0, dlg, [&, dlg] {
                QTest::keyClick(dlg->list, Qt::Key_Down);
                QCOMPARE(dlg->list->selectedItems().size(), 1);
                QCOMPARE(rig.app.st.Orc.CurRec, dlg->list->currentRow() + 1);
                dlg->buttons[3]->click();
            });
        };
        rig.Click(rig.panel->listBtn);
        QVERIFY(rig.app.st.Orc.CurRec == 1 || rig.app.st.Orc.CurRec == 2);
        QCOMPARE(rig.panel->curRecLbl->text(), QString(rig.app.st.Orc.CurRec == 1 ? "A [0]" : "B [0]"));
    }

    void everyControlIsNamedAndExplained() {
        Rig rig;
        QString tip;
        connect(rig.panel, &RecordingPanel::TipChanged, this, [&](const QString& t) { tip = t; });
        QList<QWidget*> controls{rig.panel->loopChk, rig.panel->listBtn, rig.panel->curRecLbl};
        for (auto* b : rig.panel->recordBtn) controls << b;
        for (auto* b : rig.panel->playBackBtn) controls << b;
        for (QWidget* w : controls) {
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
            QVERIFY2(!w->accessibleDescription().isEmpty(), qPrintable(w->objectName()));
            QCOMPARE(w->toolTip(), w->accessibleDescription());
        }
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(rig.panel->listBtn, &enter);
        QCOMPARE(tip, rig.panel->listBtn->toolTip());
        // F1 on any of them opens the panel's help.
        QCOMPARE(HelpTopicOf(rig.panel->playBackBtn[1]), static_cast<int>(kTopicRecordingPanel));
        RecordListFrm dialog(rig.recorder);
        QCOMPARE(HelpTopicOf(dialog.list), static_cast<int>(kTopicRecordingPanel));
    }
};

QTEST_MAIN(RecordingPanelTest)
#include "RecordingPanelTest.moc"
