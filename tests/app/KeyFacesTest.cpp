#include <QAccessible>
#include <QApplication>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "app/MainWindow.h"
#include "boards/view/BoardViewWindow.h"
#include "boards/view/KeyLightDriver.h"
#include "boards/view/KeyboardFrm.h"
#include "document/OpenSaveClass.h"
#include "tests/app/ProgramRig.h"
#include "tests/WaveBytes.h"

using namespace tambrel;

namespace {

using Rig = test::ProgramRig;
using test::AnswerNextMessage;

// The keyboard's "A" and "S" keys, on Sub Board 1 of every new Play Board.
constexpr std::int32_t kA = 30, kS = 31;

KeyboardFrm* Board(Rig& rig) { return rig.window->BoardViewOf(rig.st.Orc.CurSet)->View(); }
KeyAddress At(Rig& rig, std::int32_t key) { return {PlayBoardNo{rig.st.Orc.CurSet}, SubBoardNo{1}, KeyNo{key}}; }
KeyAssign& Key(Rig& rig, std::int32_t key) { return *rig.st.Orc.FindKey(At(rig, key)); }

// A one-tenth-second 8-bit mono wave.
QString WriteWave(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(QByteArray::fromStdString(test::Wave8Mono(1103)));
    return path;
}

// Drags `files` over `target` to `at` and drops them there; true when the
// widget took the drop.
bool Drop(QWidget* target, QPoint at, const QStringList& files, KeyNo* highlighted = nullptr) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& f : files) urls << QUrl::fromLocalFile(f);
    mime.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (auto* frm = qobject_cast<KeyboardFrm*>(target); frm && highlighted) *highlighted = frm->DropTargetKey();
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

} // namespace

class KeyFacesTest : public QObject {
    Q_OBJECT
private slots:
    void aKeySaysWhatItPlaysToScreenReaders() {
        Rig rig;
        Key(rig, kA).SndSrc = kSrcMidi;
        Key(rig, kA).DrumOn = kFlagOn;
        Key(rig, kA).MidiKeyNo = 36;
        rig.st.views.Post(notice::RedrawBoard{At(rig, kA).playBoard, SubBoardNo{1}});
        QAccessibleInterface* board = QAccessible::queryAccessibleInterface(Board(rig));
        QAccessibleInterface* a = board->child(kA - 1);
        QCOMPARE(a->text(QAccessible::Name), QString("A"));
        QCOMPARE(a->text(QAccessible::Description), QString("Kick Drum 1"));
        // A key that plays nothing keeps the board's tip.
        QVERIFY(board->child(kS - 1)->text(QAccessible::Description).startsWith("Click on a key"));
        // The mouse's tip names the sound whole, however narrow the key.
        QCOMPARE(Board(rig)->KeyTip(SubBoardNo{1}, KeyNo{kA}), QString("A, Kick Drum 1"));
        QCOMPARE(Board(rig)->KeyTip(SubBoardNo{1}, KeyNo{kS}), QString());
    }

    void aPlayedKeyLightsOnlyItsOwnFaceThenFades() {
        Rig rig;
        KeyboardFrm* frm = Board(rig);
        const QRect a = frm->KeyRect(SubBoardNo{1}, KeyNo{kA});
        const QRect s = frm->KeyRect(SubBoardNo{1}, KeyNo{kS});
        QVERIFY(!a.isEmpty());
        const QColor before = frm->grab().toImage().pixelColor(a.center());
        rig.st.views.Post(notice::KeyPlayed{At(rig, kA), 0});
        QTRY_COMPARE(rig.window->Lights()->Lights().Level(At(rig, kA)), kFullLight);
        const QImage lit = frm->grab().toImage();
        QCOMPARE(lit.pixelColor(a.center()), QColor(LitKeyColour.R, LitKeyColour.G, LitKeyColour.B));
        QCOMPARE(lit.pixelColor(s.center()), before); // the key beside it stays dark
        // Dark again after its shortest light and the fade; the frames stop.
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window->Lights()->Running(), 2000);
        QCOMPARE(frm->grab().toImage().pixelColor(a.center()), before);
    }

    void aLoopStaysLitUntilItStops() {
        Rig rig;
        rig.st.views.Post(notice::KeyPlayed{At(rig, kA), notice::KeyPlayed::kUntilStopped});
        QTest::qWait(kMinLitMs + kLightFadeMs + 100);
        QCOMPARE(rig.window->Lights()->Lights().Level(At(rig, kA)), kFullLight);
        rig.st.views.Post(notice::KeyStoppedSounding{At(rig, kA)});
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window->Lights()->Running(), 2000);
        QCOMPARE(rig.window->Lights()->Lights().Level(At(rig, kA)), std::uint8_t{0});
    }

    void turnedOffNoKeyLights() {
        Rig rig;
        rig.window->Lights()->SetOn(false);
        rig.st.views.Post(notice::KeyPlayed{At(rig, kA), 500});
        QTest::qWait(50);
        QVERIFY(!rig.window->Lights()->Running());
        QCOMPARE(rig.window->Lights()->Lights().Level(At(rig, kA)), std::uint8_t{0});
    }

    void aWaveDroppedOnAKeyBecomesItsSound() {
        Rig rig;
        KeyboardFrm* frm = Board(rig);
        const QString wave = WriteWave(rig.dir.path() + "/Kick.wav");
        KeyNo highlighted{0};
        QVERIFY(Drop(frm, frm->KeyRect(SubBoardNo{1}, KeyNo{kA}).center(), {wave}, &highlighted));
        QCOMPARE(highlighted, KeyNo{kA});
        QCOMPARE(frm->DropTargetKey(), KeyNo{0}); // the highlight goes with the drop
        QTRY_COMPARE(Key(rig, kA).SndSrc, static_cast<std::int32_t>(kSrcWave));
        QCOMPARE(QString::fromStdString(Key(rig, kA).WavFile), wave);
        QCOMPARE(rig.st.FileModified, kVbTrue);
        // The face names it.
        QAccessibleInterface* board = QAccessible::queryAccessibleInterface(frm);
        QTRY_COMPARE(board->child(kA - 1)->text(QAccessible::Description), QString("Kick"));
    }

    void severalWavesDroppedOnABoardFillTheKeysAfterTheOneUnderThePointer() {
        Rig rig;
        KeyboardFrm* frm = Board(rig);
        const QString b = WriteWave(rig.dir.path() + "/b.wav"), a = WriteWave(rig.dir.path() + "/a.wav");
        Key(rig, kS).SndSrc = kSrcMidi; // has a sound: asked first
        QString asked;
        // The drop is carried out once its events are over: the answer waits behind it.
        QVERIFY(Drop(frm, frm->KeyRect(SubBoardNo{1}, KeyNo{kA}).center(), {b, a}));
        AnswerNextMessage("Yes", &asked);
        QTRY_COMPARE(QString::fromStdString(Key(rig, kS).WavFile), b);
        QCOMPARE(QString::fromStdString(Key(rig, kA).WavFile), a);
        QCOMPARE(asked, QString("1 key already has a sound. Replace it?"));
    }

    void otherFilesAloneAndTheSpaceBetweenKeysTakeNoDrop() {
        Rig rig;
        KeyboardFrm* frm = Board(rig);
        const QString wave = WriteWave(rig.dir.path() + "/Kick.wav");
        QFile text(rig.dir.path() + "/notes.txt");
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.close();
        QVERIFY(!Drop(frm, frm->KeyRect(SubBoardNo{1}, KeyNo{kA}).center(), {text.fileName()}));
        QVERIFY(!Drop(frm, QPoint(1, 1), {wave})); // no key there
        QTest::qWait(20);
        QCOMPARE(Key(rig, kA).SndSrc, static_cast<std::int32_t>(kSrcNone));
        QCOMPARE(rig.st.FileModified, kVbFalse);

        // Beside a sound file, the other file is named, not silently left out.
        QString told;
        QVERIFY(Drop(frm, frm->KeyRect(SubBoardNo{1}, KeyNo{kA}).center(), {wave, text.fileName()}));
        AnswerNextMessage("OK", &told);
        QTRY_COMPARE(QString::fromStdString(Key(rig, kA).WavFile), wave);
        QTRY_VERIFY(told.contains("1 of the files are not sound files."));
    }

    void anOrchestraDroppedOnTheWindowOpensAfterTheSaveQuestion() {
        Rig rig;
        // An Orchestra whose first Play Board has another name.
        const std::string path = (rig.dir.path() + "/Song.TbOrc").toStdString();
        const std::string name = rig.st.Orc.PlayBoards[0].SetNam;
        rig.st.Orc.PlayBoards[0].SetNam = "Dropped";
        QVERIFY(OpenSaveClass(rig.st).SaveOrchestra(path));
        rig.st.Orc.PlayBoards[0].SetNam = name;
        rig.st.SetModified();
        QString asked;
        QVERIFY(Drop(rig.window.get(), QPoint(5, 5), {QString::fromStdString(path)}));
        AnswerNextMessage("Cancel", &asked);
        QTRY_VERIFY(!asked.isEmpty());
        QCOMPARE(rig.st.Orc.PlayBoards[0].SetNam, name); // Cancel keeps what is open
        QVERIFY(Drop(rig.window.get(), QPoint(5, 5), {QString::fromStdString(path)}));
        AnswerNextMessage("No", &asked);
        QTRY_COMPARE(rig.st.Orc.PlayBoards[0].SetNam, std::string("Dropped"));
        QCOMPARE(rig.st.Orc.OrcFile, path);
    }
};

QTEST_MAIN(KeyFacesTest)
#include "KeyFacesTest.moc"
