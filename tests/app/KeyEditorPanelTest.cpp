// The key assignment panel: on its own (the no-key hint, the arrows' repeat
// timing), then inside the main window with the sample Orchestra behind it,
// driven through its widgets as a user drives them.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <array>
#include <memory>

#include "app/KeyEditorPanel.h"
#include "app/MainWindow.h"
#include "app/QtShell.h"
#include "boards/view/BoardViewWindow.h"
#include "boards/view/KeyboardFrm.h"
#include "common/VirtualClock.h"
#include "controls/OptionBall.h"
#include "controls/SkinButton.h"
#include "controls/TransDisplay.h"
#include "document/FileCommands.h"
#include "editor/KeyEditorView.h"
#include "session/Program.h"
#include "tests/app/ProgramRig.h"

using namespace tambrel;

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The keyboard's key indexes of the sample's first Sub Board ("Drums").
constexpr int kOnceWave = 2, kMultiWave = 4, kLoopWave = 6, kActionKey = 15, kInstrumentKey = 16, kDrumKey = 18;
constexpr int kFreeKey = 30; // no assignment in the sample

// The panel's controls, found by their names as a screen reader or a test
// script finds them; a name that finds nothing ends the test run.
template <class T>
T* Named(const QWidget& panel, const QString& name) {
    const QList<T*> found = panel.findChildren<T*>(name);
    if (found.size() != 1) qFatal("%lld controls named %s", static_cast<long long>(found.size()), qPrintable(name));
    return found.front();
}

template <class T, std::size_t N>
std::array<T*, N> Named(const QWidget& panel, const QString& pattern, const std::array<int, N>& numbers) {
    std::array<T*, N> all{};
    for (std::size_t i = 0; i < N; ++i) all[i] = Named<T>(panel, pattern.arg(numbers[i]));
    return all;
}

struct Controls {
    explicit Controls(const QWidget& p)
        : layers(Named<QStackedWidget>(p, "AsgnFramPic")), hintLbl(Named<QLabel>(p, "HideLbl")),
          sourceBtn(Named<SkinButton>(p, "AsgnBtn(%1)", std::array{0, 1, 5, 11})),
          sourceFrames(Named<QStackedWidget>(p, "SndSrcFramPic")), noneNote(Named<QLabel>(p, "NoneNote")),
          fileNameLbl(Named<QLabel>(p, "FileNameLbl")), selectFileBtn(Named<SkinButton>(p, "SelectFileBtn")),
          saveInFileChk(Named<QCheckBox>(p, "SaveInFileChk")), saveInFileLbl(Named<QLabel>(p, "SaveInFileLbl")),
          waveMuteChk(Named<QCheckBox>(p, "MuteChk(0)")), waveMuteLbl(Named<QLabel>(p, "MuteLbl(0)")),
          styleBtn(Named<SkinButton>(p, "StylBtn(%1)", std::array{0, 1, 2, 3})),
          styleFrames(Named<QStackedWidget>(p, "StylFramPic")), allowDupChk(Named<QCheckBox>(p, "AllowDupChk")),
          allowDupLbl(Named<QLabel>(p, "AllowDupLbl")), multiTimLst(Named<QLineEdit>(p, "MultiTimLstTxt")),
          loopOption(Named<QRadioButton>(p, "LoopOption(%1)", std::array{0, 1})),
          loopTimes(Named<QLineEdit>(p, "LoopTimesTxt")), queueCmb(Named<QComboBox>(p, "QueNoCmb")),
          queueDup(Named<QRadioButton>(p, "QueDupLoopOpn(%1)", std::array{0, 1, 2})),
          midiMuteChk(Named<QCheckBox>(p, "MuteChk(1)")), midiMuteLbl(Named<QLabel>(p, "MuteLbl(1)")),
          drumOpn(Named<OptionBall>(p, "DrumOpn")), instruCmb(Named<QComboBox>(p, "InstruCmb")),
          drumCmb(Named<QComboBox>(p, "DrumCmb")), keyNoLbl(Named<QLabel>(p, "KeyNoLbl")),
          keyTxt(Named<TransDisplay>(p, "KeyTxt")), keyUp(Named<SkinButton>(p, "Key_Up(%1)", std::array{0, 1})),
          drumName(Named<QLabel>(p, "DrumName")), velosTxt(Named<TransDisplay>(p, "VelosTxt")),
          durTxt(Named<TransDisplay>(p, "DurTxt")), durUp(Named<SkinButton>(p, "Dur_Up(%1)", std::array{0, 1})),
          midiStyleBtn(Named<SkinButton>(p, "MidiStylBtn")), actCmdCmb(Named<QComboBox>(p, "ActCmdCmb")),
          actSub1Lbl(Named<QLabel>(p, "ActSub1Lbl")), actSub1Cmb(Named<QComboBox>(p, "ActSub1Cmb")),
          stopBtn(Named<SkinButton>(p, "StopBtn(%1)", std::array{0, 1, 2})),
          detectBtn(Named<SkinButton>(p, "DetectDevBtn")) {}

    QStackedWidget* layers;
    QLabel* hintLbl;
    std::array<SkinButton*, 4> sourceBtn;
    QStackedWidget* sourceFrames;
    QLabel* noneNote;
    QLabel* fileNameLbl;
    SkinButton* selectFileBtn;
    QCheckBox* saveInFileChk;
    QLabel* saveInFileLbl;
    QCheckBox* waveMuteChk;
    QLabel* waveMuteLbl;
    std::array<SkinButton*, 4> styleBtn;
    QStackedWidget* styleFrames;
    QCheckBox* allowDupChk;
    QLabel* allowDupLbl;
    QLineEdit* multiTimLst;
    std::array<QRadioButton*, 2> loopOption;
    QLineEdit* loopTimes;
    QComboBox* queueCmb;
    std::array<QRadioButton*, 3> queueDup;
    QCheckBox* midiMuteChk;
    QLabel* midiMuteLbl;
    OptionBall* drumOpn;
    QComboBox* instruCmb;
    QComboBox* drumCmb;
    QLabel* keyNoLbl;
    TransDisplay* keyTxt;
    std::array<SkinButton*, 2> keyUp;
    QLabel* drumName;
    TransDisplay* velosTxt;
    TransDisplay* durTxt;
    std::array<SkinButton*, 2> durUp;
    SkinButton* midiStyleBtn;
    QComboBox* actCmdCmb;
    QLabel* actSub1Lbl;
    QComboBox* actSub1Cmb;
    std::array<SkinButton*, 3> stopBtn;
    SkinButton* detectBtn;
};

// The main window with the program and the sample Orchestra, as the program
// starts in its own folder; the input server finds no device, so the window
// feeds the keyboard.
struct Rig : test::ProgramRig {
    Rig() : ProgramRig(nullptr, test::PlaceSample) { QApplication::setActiveWindow(window.get()); }
    ~Rig() { window->closing = true; }

    KeyEditorPanel& Panel() const { return *window->EditorPanel(); }
    KeyAssign& Key(int key) { return *st.Orc.FindKey({PlayBoardNo{1}, SubBoardNo{1}, KeyNo{key}}); }

    // A left click in the middle of a key of the first Play Board's view,
    // handed to the board's model as the view hands a real click.
    bool ClickKey(int key, int subBoard = 1) {
        BoardViewWindow* w = window->BoardViewOf(1);
        if (!w) return false;
        KeyboardFrm* view = w->View();
        for (const BoardSurface& s : view->Picture().Surfaces) {
            if (s.SubBoard != subBoard) continue;
            for (const BoardKey& k : s.Keys)
                if (k.Key == key) {
                    view->Model().MousePressed(subBoard, (k.Left + k.Right) / 2, (k.Top + k.Bottom) / 2,
                                               MouseButton::Left);
                    return true;
                }
        }
        return false;
    }
};

// Answers the next message box with OK and remembers what it said.
void AnswerNextMessage(QString* text) {
    QTimer::singleShot(0, [text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        if (text) *text = box->text();
        box->accept();
    });
}

// Chooses `path` in the next file dialog.
void ChooseInNextFileDialog(const QString& path) {
    QTimer::singleShot(0, [path] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        dlg->selectFile(path);
        QMetaObject::invokeMethod(dlg, "accept");
    });
}

// Clicks the value display, types over it and ends with `end` (Enter or Escape).
void Type(TransDisplay* d, const QString& text, Qt::Key end) {
    QTest::mouseClick(d, Qt::LeftButton);
    QLineEdit* f = d->Field();
    f->selectAll();
    QTest::keyClick(f, Qt::Key_Backspace);
    QTest::keyClicks(f, text);
    QTest::keyClick(f, end);
}

void Type(QLineEdit* e, const QString& text, Qt::Key end) {
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, text);
    QTest::keyClick(e, end);
}

// A closed list moved by the arrow keys, as the keyboard chooses an item.
void Choose(QComboBox* box, int index) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Home);
    for (int i = 0; i < index; ++i) QTest::keyClick(box, Qt::Key_Down);
}

// A click where a user aims: the middle, or the ball of an option button.
void Click(QWidget* w) {
    const QPoint at = qobject_cast<QRadioButton*>(w) ? QPoint(8, w->height() / 2) : w->rect().center();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
}

QJsonObject DumpedKey(const QString& file, int key) {
    QProcess tborc;
    tborc.start(QStringLiteral(TAMBREL_BIN_DIR "/tborc"), {"dump", file});
    if (!tborc.waitForFinished(20000) || tborc.exitCode() != 0) return {};
    const QJsonDocument doc = QJsonDocument::fromJson(tborc.readAllStandardOutput());
    return doc["PlayBoards"][0]["Bds"][0]["Keys"][key - 1].toObject();
}

} // namespace

class KeyEditorPanelTest : public QObject {
    Q_OBJECT
private slots:
    // ---- the panel alone ----
    void StartsOnTheNoKeyHint() {
        KeyEditorPanel panel;
        const Controls c(panel);
        QCOMPARE(c.layers->currentIndex(), 0);
        QCOMPARE(c.hintLbl->text(), Q(kHintNoKey));
        QVERIFY(!c.sourceBtn[1]->toolTip().isEmpty());
        QCOMPARE(c.sourceBtn[1]->accessibleName(), QStringLiteral("Wave"));
    }
    // The controls are the panel's own; what a test or a screen reader knows
    // of each is its name, which only it carries, and its accessible name.
    void EveryControlHasANameOfItsOwn() {
        KeyEditorPanel panel;
        QStringList names;
        for (QWidget* w : panel.findChildren<QWidget*>()) {
            const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                                 qobject_cast<TransDisplay*>(w) || qobject_cast<ClickLabel*>(w) ||
                                 (qobject_cast<QLineEdit*>(w) && !qobject_cast<TransDisplay*>(w->parentWidget()) &&
                                  !qobject_cast<QComboBox*>(w->parentWidget()));
            if (!control) continue;
            QVERIFY2(!w->objectName().isEmpty(),
                     qPrintable(w->metaObject()->className() + (" " + w->accessibleName())));
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
            names << w->objectName();
        }
        QVERIFY(names.size() >= 40);
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
        Controls found(panel); // every name the tests use finds one control
        QCOMPARE(found.keyUp[1]->objectName(), QString("Key_Up(1)"));
    }
    void ArrowsRepeatAfter250ThenEvery75() {
        VirtualClock clock;
        KeyEditorPanel panel;
        panel.SetTimerHost(&clock);
        SkinButton* up = Controls(panel).keyUp[0];
        QSignalSpy repeats(up, &SkinButton::Repeat);
        QTest::mousePress(up, Qt::LeftButton);
        clock.AdvanceBy(249);
        QCOMPARE(repeats.count(), 0);
        clock.AdvanceBy(1);
        QCOMPARE(repeats.count(), 1);
        clock.AdvanceBy(75 * 3);
        QCOMPARE(repeats.count(), 4);
        QTest::mouseRelease(up, Qt::LeftButton);
        clock.AdvanceBy(500);
        QCOMPARE(repeats.count(), 4);
        panel.SetTimerHost(nullptr);
    }
    // In the main window every button's caption fits it ("Detect Again"
    // among them), on each layer the panel shows.
    void EveryButtonShowsItsWholeCaption() {
        Rig rig;
        for (int key : {0, kOnceWave, kInstrumentKey, kActionKey}) {
            if (key) QVERIFY(rig.ClickKey(key));
            QApplication::processEvents();
            for (SkinButton* b : rig.Panel().findChildren<SkinButton*>()) {
                if (!b->isVisible() || b->Caption().isEmpty()) continue;
                const QFontMetrics fm(b->font());
                QVERIFY2(b->width() >= fm.horizontalAdvance(b->Caption()) + 8, qPrintable(b->Caption()));
                QVERIFY2(b->height() >= fm.height() + 2, qPrintable(b->Caption()));
                QVERIFY2(b->geometry().right() < rig.Panel().width(), qPrintable(b->Caption()));
            }
        }
    }

    // The captions a user reads, and the tip the first status panel shows
    // when the pointer comes over a control (also its tooltip).
    void CaptionsAndTipsAreTheProgramsOwn() {
        Rig rig;
        const Controls p(rig.Panel());
        QStringList sources, styles, stops;
        for (SkinButton* b : p.sourceBtn) sources << b->Caption();
        for (SkinButton* b : p.styleBtn) styles << b->Caption();
        for (SkinButton* b : p.stopBtn) stops << b->Caption();
        QCOMPARE(sources, QStringList({"None", "Wave", "Midi", "Action"}));
        QCOMPARE(styles, QStringList({"Once", "Multi", "Loop", "Queue"}));
        QCOMPARE(stops, QStringList({"Stop All", "Midi", "Loop+Q"}));
        QCOMPARE(p.detectBtn->Caption(), QString("Detect Again"));
        QCOMPARE(p.selectFileBtn->Caption(), QString("Select File"));
        QCOMPARE(p.midiStyleBtn->Caption(), QString("Once"));
        QCOMPARE(p.saveInFileLbl->text(), QString("Save wave in Orchestra file"));
        QCOMPARE(p.waveMuteLbl->text(), QString("Mute"));
        QCOMPARE(p.midiMuteLbl->text(), QString("Mute"));
        QCOMPARE(p.allowDupLbl->text(), QString("Allow Duplicate Play"));
        QCOMPARE(p.loopOption[0]->text(), QString("Continuous"));
        QCOMPARE(p.loopOption[1]->text(), QString("No of Times"));
        QCOMPARE(p.queueDup[0]->text() + "|" + p.queueDup[1]->text() + "|" + p.queueDup[2]->text(),
                 QString("No dup|Normal|Loop"));
        QCOMPARE(rig.Panel().accessibleName(), QString("Current Key's Play Assignment"));

        auto* tipPanel = rig.window->findChild<QLabel*>("SBar1Tip");
        QVERIFY(tipPanel);
        // What the status panel, the tooltip and a screen reader say.
        auto hover = [&](QWidget* w) {
            QEvent enter(QEvent::Enter);
            QApplication::sendEvent(w, &enter);
            return QStringList({tipPanel->text(), w->toolTip(), w->accessibleDescription()});
        };
        auto thrice = [](const QString& t) { return QStringList({t, t, t}); };
        QVERIFY(rig.ClickKey(kMultiWave));
        QCOMPARE(hover(p.detectBtn),
                 thrice(QString("Detect the input devices once again, use this button if you connect a new device")));
        QCOMPARE(hover(p.multiTimLst),
                 thrice(QString("Enter the delay play times in seconds, to play the sound multiple times, use "
                                "commas \",\" in-between to separate numbers")));
        QCOMPARE(hover(p.sourceBtn[0]),
                 thrice(QString("Choose this to button clear the sound for current key. Green button is chosen")));
        QVERIFY(rig.ClickKey(kInstrumentKey));
        QCOMPARE(hover(p.keyUp[1]), thrice(QString("Decrease Key No / Drum no")));
        QCOMPARE(hover(p.durTxt),
                 thrice(QString("Duration for instruments and drum, Click to edit, Use Arrow to change")));
        QCOMPARE(hover(p.midiStyleBtn), thrice(QString("Midi always plays once, clicking this has no effect")));
    }

    // The MIDI output tells the window whether its port needs the DLS
    // remark; showing another key keeps what it was told.
    void TheDlsRemarkFollowsWhatTheMidiOutputTold() {
        Rig rig;
        auto* remark = rig.Panel().findChild<QLabel*>("DslLbl");
        QVERIFY(remark);
        QVERIFY(rig.ClickKey(kInstrumentKey));
        rig.st.views.Post(notice::ShowDslRemark{true});
        QVERIFY(!remark->isHidden());
        QCOMPARE(remark->text(),
                 QString("Dls port. no velocity & duration approx. Change Midi port for better result"));
        QVERIFY(rig.ClickKey(kOnceWave));
        QVERIFY(!remark->isHidden());
        rig.st.views.Post(notice::ShowDslRemark{false});
        QVERIFY(remark->isHidden());
        QVERIFY(rig.ClickKey(kInstrumentKey));
        QVERIFY(remark->isHidden());
    }

    // ---- which layer and frame a key shows ----
    void AClickedKeyShowsItsSourceAndStyleFrames() {
        Rig rig;
        const Controls p(rig.Panel());
        QCOMPARE(p.layers->currentIndex(), 0);

        QVERIFY(rig.ClickKey(kOnceWave));
        QCOMPARE(p.layers->currentIndex(), 1);
        QCOMPARE(p.sourceFrames->currentIndex(), 1);
        QCOMPARE(p.styleFrames->currentIndex(), 0);
        QCOMPARE(p.sourceBtn[1]->PictureName(), Q(kPictureChosen));
        QCOMPARE(p.sourceBtn[2]->PictureName(), Q(kPictureNotChosen));
        QCOMPARE(p.styleBtn[0]->PictureName(), Q(kPictureChosen));
        QVERIFY(p.allowDupChk->isChecked());

        QVERIFY(rig.ClickKey(kMultiWave));
        QCOMPARE(p.styleFrames->currentIndex(), 1);
        QCOMPARE(p.multiTimLst->text(), QString("0,0.125,0.25,0.375"));
        QCOMPARE(p.styleBtn[0]->PictureName(), Q(kPictureNotChosen));
        QCOMPARE(p.styleBtn[1]->PictureName(), Q(kPictureChosen));

        QVERIFY(rig.ClickKey(kLoopWave));
        QCOMPARE(p.styleFrames->currentIndex(), 2);
        QVERIFY(p.loopOption[1]->isChecked());
        QVERIFY(p.loopTimes->isEnabled());
        QCOMPARE(p.loopTimes->text(), QString("4"));

        QVERIFY(rig.ClickKey(kInstrumentKey));
        QCOMPARE(p.sourceFrames->currentIndex(), 2);
        QCOMPARE(p.sourceBtn[2]->PictureName(), Q(kPictureChosen));
        QCOMPARE(p.keyNoLbl->text(), QString("Key No:"));
        QCOMPARE(p.keyTxt->Text(), QString("60"));
        QVERIFY(!p.instruCmb->isHidden());
        QVERIFY(p.drumCmb->isHidden());

        QVERIFY(rig.ClickKey(kDrumKey));
        QCOMPARE(p.keyNoLbl->text(), QString("Drum No:"));
        QVERIFY(p.instruCmb->isHidden());
        QVERIFY(!p.drumCmb->isHidden());
        QVERIFY(p.durTxt->isHidden());
        QVERIFY(!p.drumName->text().isEmpty());

        QVERIFY(rig.ClickKey(kActionKey));
        QCOMPARE(p.sourceFrames->currentIndex(), 3);
        QCOMPARE(p.sourceBtn[3]->PictureName(), Q(kPictureChosen));
        QCOMPARE(p.actCmdCmb->currentIndex(), 1);
        QCOMPARE(p.actSub1Lbl->text(), QString("Choose Playboard:"));
        QCOMPARE(p.actSub1Cmb->currentIndex(), 1);
        QCOMPARE(p.actSub1Cmb->itemText(1), QString("Tones"));

        QVERIFY(rig.ClickKey(kFreeKey));
        QCOMPARE(p.sourceFrames->currentIndex(), 0);
        QCOMPARE(p.sourceBtn[0]->PictureName(), Q(kPictureChosen));
        QCOMPARE(p.noneNote->text(), Q(kNoneChosenNote));
        QCOMPARE(rig.st.FileModified, kVbFalse); // showing keys never writes
    }

    void TheSourceAndStyleButtonsSwitchFramesAndTheKey() {
        Rig rig;
        const Controls p(rig.Panel());
        QVERIFY(rig.ClickKey(kFreeKey));
        Click(p.sourceBtn[1]);
        QCOMPARE(rig.Key(kFreeKey).SndSrc, kSrcWave);
        QCOMPARE(rig.st.FileModified, kVbTrue);
        QCOMPARE(p.sourceFrames->currentIndex(), 1);
        QCOMPARE(p.sourceBtn[1]->PictureName(), Q(kPictureChosen));
        QCOMPARE(p.sourceBtn[0]->PictureName(), Q(kPictureNotChosen));
        QCOMPARE(p.fileNameLbl->text(), QString("Please select a wave file"));
        for (int style : {kPlayQueue, kPlayLoop, kPlayMulti, kPlayOnce}) {
            Click(p.styleBtn[static_cast<std::size_t>(style)]);
            QCOMPARE(rig.Key(kFreeKey).PlayStyl, style);
            QCOMPARE(p.styleFrames->currentIndex(), style);
            for (int other = 0; other < 4; ++other)
                QCOMPARE(p.styleBtn[static_cast<std::size_t>(other)]->PictureName(),
                         Q(other == style ? kPictureChosen : kPictureNotChosen));
        }
        Click(p.sourceBtn[2]);
        QCOMPARE(rig.Key(kFreeKey).SndSrc, kSrcMidi);
        QCOMPARE(p.sourceFrames->currentIndex(), 2);
        Click(p.sourceBtn[3]);
        QCOMPARE(rig.Key(kFreeKey).SndSrc, kSrcAction);
        QCOMPARE(p.sourceFrames->currentIndex(), 3);
        QCOMPARE(p.actSub1Lbl->text(), QString("Nothing to do"));
        QVERIFY(p.actSub1Cmb->isHidden());
        Click(p.sourceBtn[0]);
        QCOMPARE(rig.Key(kFreeKey).SndSrc, kSrcNone);
        QCOMPARE(p.sourceFrames->currentIndex(), 0);
        // The board's icon followed each change.
        QCOMPARE(rig.window->BoardViewOf(1)->View()->Picture().Surfaces[0].Keys[kFreeKey - 1].HasSource, false);
    }

    // ---- typing into the number fields ----
    void EnterCommitsANumberAndEscapeRestoresIt() {
        Rig rig;
        const Controls p(rig.Panel());
        QVERIFY(rig.ClickKey(kInstrumentKey));
        KeyAssign& k = rig.Key(kInstrumentKey);

        Type(p.keyTxt, "128", Qt::Key_Return);
        QCOMPARE(k.MidiKeyNo, 127);
        QCOMPARE(p.keyTxt->Text(), QString("127"));
        QVERIFY(!p.keyTxt->IsEditing());
        QCOMPARE(rig.st.FileModified, kVbTrue);
        Type(p.keyTxt, "5", Qt::Key_Escape);
        QCOMPARE(k.MidiKeyNo, 127);
        QCOMPARE(p.keyTxt->Text(), QString("127"));
        QVERIFY(!p.keyTxt->IsEditing());

        Type(p.velosTxt, "300", Qt::Key_Enter);
        QCOMPARE(k.Velos, 255);
        QCOMPARE(p.velosTxt->Text(), QString("255"));
        Type(p.velosTxt, "-4", Qt::Key_Return);
        QCOMPARE(k.Velos, 0);
        Type(p.velosTxt, "77", Qt::Key_Escape);
        QCOMPARE(k.Velos, 0);
        QCOMPARE(p.velosTxt->Text(), QString("0"));

        Type(p.durTxt, "12.34", Qt::Key_Return);
        QCOMPARE(k.Dur, 10000);
        QCOMPARE(p.durTxt->Text(), QString("10.0"));
        Type(p.durTxt, "0.05", Qt::Key_Return);
        QCOMPARE(k.Dur, 50);
        QCOMPARE(p.durTxt->Text(), QString("0.05"));
        Type(p.durTxt, "3", Qt::Key_Escape);
        QCOMPARE(k.Dur, 50);
        QCOMPARE(p.durTxt->Text(), QString("0.05"));
        // The down arrow steps from what the field shows and clamps at 0.
        QTest::mouseClick(p.durUp[1], Qt::LeftButton);
        QCOMPARE(k.Dur, 0);
        QCOMPARE(p.durTxt->Text(), QString("0.0"));
        QTest::mouseClick(p.keyUp[0], Qt::LeftButton);
        QCOMPARE(k.MidiKeyNo, 127);
        QTest::mouseClick(p.keyUp[1], Qt::LeftButton);
        QCOMPARE(k.MidiKeyNo, 126);
        QCOMPARE(p.keyTxt->Text(), QString("126"));
    }

    void EnterCommitsTheDelayListAndLoopTimesAndEscapeRestoresThem() {
        Rig rig;
        const Controls p(rig.Panel());
        QVERIFY(rig.ClickKey(kMultiWave));
        KeyAssign& multi = rig.Key(kMultiWave);
        Type(p.multiTimLst, "2,-1,0.5,abc,2", Qt::Key_Return);
        QCOMPARE(Q(multi.MultiTimLst), QString("0,0.5,2"));
        QCOMPARE(p.multiTimLst->text(), QString("0,0.5,2"));
        QCOMPARE(rig.st.FileModified, kVbTrue);
        Type(p.multiTimLst, "9,8", Qt::Key_Escape);
        QCOMPARE(p.multiTimLst->text(), QString("0,0.5,2"));
        p.multiTimLst->clearFocus(); // leaving the field after Escape commits nothing new
        QCOMPARE(Q(multi.MultiTimLst), QString("0,0.5,2"));
        Type(p.multiTimLst, "", Qt::Key_Return);
        QCOMPARE(Q(multi.MultiTimLst), QString("0"));

        QVERIFY(rig.ClickKey(kLoopWave));
        KeyAssign& loop = rig.Key(kLoopWave);
        Type(p.loopTimes, "1001", Qt::Key_Return);
        QCOMPARE(loop.LoopTimes, 10);
        QCOMPARE(p.loopTimes->text(), QString("10"));
        Type(p.loopTimes, "1000", Qt::Key_Return);
        QCOMPARE(loop.LoopTimes, 1000);
        Type(p.loopTimes, "7", Qt::Key_Escape);
        QCOMPARE(p.loopTimes->text(), QString("1000"));
        p.loopTimes->clearFocus();
        QCOMPARE(loop.LoopTimes, 1000);
        // "Continuous" disables the count.
        Click(p.loopOption[0]);
        QCOMPARE(loop.LoopOption, 0);
        QVERIFY(!p.loopTimes->isEnabled());
    }

    // ---- the labels beside the check boxes ----
    void ALabelTogglesItsBoxThroughTheCommand() {
        Rig rig;
        const Controls p(rig.Panel());
        QVERIFY(rig.ClickKey(kOnceWave));
        KeyAssign& k = rig.Key(kOnceWave);
        QCOMPARE(k.AllowDup, 1);
        Click(p.allowDupLbl);
        QCOMPARE(k.AllowDup, 0);
        QVERIFY(!p.allowDupChk->isChecked());
        QCOMPARE(rig.st.FileModified, kVbTrue);
        Click(p.allowDupLbl);
        QCOMPARE(k.AllowDup, 1);
        QVERIFY(p.allowDupChk->isChecked());

        Click(p.waveMuteLbl);
        QCOMPARE(k.Mute, 1);
        QVERIFY(p.waveMuteChk->isChecked());
        QVERIFY(rig.window->BoardViewOf(1)->View()->Picture().Surfaces[0].Keys[kOnceWave - 1].Muted);
        Click(p.waveMuteLbl);
        QCOMPARE(k.Mute, 0);
        QVERIFY(!p.waveMuteChk->isChecked());

        // The sample's wave is stored inside and has no file beside it: the
        // box cannot be cleared, the label says why and leaves it ticked.
        QString said;
        AnswerNextMessage(&said);
        Click(p.saveInFileLbl);
        QCOMPARE(said, QString("The file \"Kick.wav\" is not found"));
        QCOMPARE(k.SaveInFile, 1);
        QVERIFY(p.saveInFileChk->isChecked());

        QVERIFY(rig.ClickKey(kInstrumentKey));
        Click(p.midiMuteLbl);
        QCOMPARE(rig.Key(kInstrumentKey).Mute, 1);
        QVERIFY(p.midiMuteChk->isChecked());
        // The box itself runs the same command.
        QTest::keyClick(p.midiMuteChk, Qt::Key_Space);
        QCOMPARE(rig.Key(kInstrumentKey).Mute, 0);
    }

    // ---- every field through the widgets, into the saved file ----
    void EveryFieldEditedInThePanelIsWhatTheSavedFileHolds() {
        Rig rig;
        const Controls p(rig.Panel());
        const QString wave = QStringLiteral(TAMBREL_BUILD_DIR "/sample-waves/ToneC.wav");
        QVERIFY(QFile::exists(wave));

        QVERIFY(rig.ClickKey(30)); // an instrument, then a muted drum
        Click(p.sourceBtn[2]);
        Choose(p.instruCmb, 40);
        Click(p.drumOpn);
        QVERIFY(!p.drumCmb->isHidden());
        Choose(p.drumCmb, 4); // "TR-808"
        Type(p.keyTxt, "128", Qt::Key_Return);
        Type(p.velosTxt, "300", Qt::Key_Return);
        Click(p.drumOpn); // the duration shows only for instruments
        Type(p.durTxt, "12.34", Qt::Key_Return);
        Click(p.drumOpn);
        Click(p.midiMuteLbl);

        QVERIFY(rig.ClickKey(31)); // a wave played after delays, kept in its file
        Click(p.sourceBtn[1]);
        ChooseInNextFileDialog(wave);
        Click(p.selectFileBtn);
        QCOMPARE(p.fileNameLbl->text(), wave);
        Click(p.styleBtn[kPlayMulti]);
        Type(p.multiTimLst, "2,-1,0.5,abc,2", Qt::Key_Return);
        if (p.saveInFileChk->isChecked()) QTest::keyClick(p.saveInFileChk, Qt::Key_Space);
        QCOMPARE(rig.Key(31).SaveInFile, 0);

        QVERIFY(rig.ClickKey(32)); // a counted loop stored inside
        Click(p.sourceBtn[1]);
        ChooseInNextFileDialog(wave);
        Click(p.selectFileBtn);
        if (!p.saveInFileChk->isChecked()) Click(p.saveInFileLbl);
        Click(p.styleBtn[kPlayLoop]);
        Click(p.loopOption[1]);
        Type(p.loopTimes, "1000", Qt::Key_Return);

        QVERIFY(rig.ClickKey(33)); // queued, looping in its queue
        Click(p.sourceBtn[1]);
        Click(p.styleBtn[kPlayQueue]);
        Choose(p.queueCmb, 3);
        Click(p.queueDup[2]);

        QVERIFY(rig.ClickKey(34)); // once, no overlapping copies
        Click(p.sourceBtn[1]);
        QTest::keyClick(p.allowDupChk, Qt::Key_Space);

        QVERIFY(rig.ClickKey(35)); // "Stop Midi"
        Click(p.sourceBtn[3]);
        Choose(p.actCmdCmb, 2);
        Choose(p.actSub1Cmb, 1);
        QVERIFY(rig.ClickKey(36)); // switches to "Tones"
        Click(p.sourceBtn[3]);
        Choose(p.actCmdCmb, 1);
        Choose(p.actSub1Cmb, 1);

        const QString file = rig.dir.path() + "/edited.TbOrc";
        rig.st.Orc.OrcFile = file.toStdString();
        QVERIFY(FileSave(rig.st, false));
        QCOMPARE(rig.st.FileModified, kVbFalse);

        const QJsonObject drum = DumpedKey(file, 30);
        QCOMPARE(drum["SndSrc"].toInt(), 5);
        QCOMPARE(drum["Instru"].toInt(), 40);
        QCOMPARE(drum["DrumOn"].toInt(), 1);
        QCOMPARE(drum["DrumBank"].toInt(), 25);
        QCOMPARE(drum["MidiKeyNo"].toInt(), 127);
        QCOMPARE(drum["Velos"].toInt(), 255);
        QCOMPARE(drum["Dur"].toInt(), 10000);
        QCOMPARE(drum["Mute"].toInt(), 1);

        const QJsonObject multi = DumpedKey(file, 31);
        QCOMPARE(multi["SndSrc"].toInt(), 1);
        QCOMPARE(multi["PlayStyl"].toInt(), 1);
        QCOMPARE(multi["MultiTimLst"].toString(), QString("0,0.5,2"));
        QCOMPARE(multi["WavFile"].toString(), wave);
        QCOMPARE(multi["SaveInFile"].toInt(), 0);

        const QJsonObject loop = DumpedKey(file, 32);
        QCOMPARE(loop["PlayStyl"].toInt(), 2);
        QCOMPARE(loop["LoopOption"].toInt(), 1);
        QCOMPARE(loop["LoopTimes"].toInt(), 1000);
        QCOMPARE(loop["SaveInFile"].toInt(), 1);
        QVERIFY(loop["WavBytes"].toInt() > 0);
        QVERIFY(loop["WaveDur"].toDouble() > 0);

        const QJsonObject queued = DumpedKey(file, 33);
        QCOMPARE(queued["PlayStyl"].toInt(), 3);
        QCOMPARE(queued["QueNo"].toInt(), 3);
        QCOMPARE(queued["QueDupLoop"].toInt(), 2);

        const QJsonObject once = DumpedKey(file, 34);
        QCOMPARE(once["PlayStyl"].toInt(), 0);
        QCOMPARE(once["AllowDup"].toInt(), 0);

        const QJsonObject stop = DumpedKey(file, 35);
        QCOMPARE(stop["SndSrc"].toInt(), 11);
        QCOMPARE(stop["ActCmd"].toInt(), 2);
        QCOMPARE(stop["ActSub1"].toInt(), 2);
        const QJsonObject change = DumpedKey(file, 36);
        QCOMPARE(change["ActCmd"].toInt(), 1);
        QCOMPARE(change["ActSub1"].toInt(), 2);

        // The sample's own keys went through unchanged.
        const QJsonObject kick = DumpedKey(file, kOnceWave);
        QCOMPARE(kick["WavFile"].toString(), QString("Kick.wav"));
        QCOMPARE(kick["AllowDup"].toInt(), 1);
    }
};

QTEST_MAIN(KeyEditorPanelTest)
#include "KeyEditorPanelTest.moc"
