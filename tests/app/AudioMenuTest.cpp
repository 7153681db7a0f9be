// The "Audio Output" menu and its "Buffer" submenu on the real SDL output,
// through SDL's dummy driver (which lists one device, "System audio output device").

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "app/AudioMenu.h"
#include "app/MainWindow.h"
#include "app/QtShell.h"
#include "common/Settings.h"
#include "controls/QtTimerHost.h"
#include "input/InputProtocol.h"
#include "session/Program.h"
#include "sound/AudioChoice.h"
#include "sound/sdl/SdlAudioOutput.h"
#include "tests/FakeInputLink.h"

using namespace tambrel;

namespace {

struct Rig {
    QTemporaryDir dir;
    QtShell shell;
    ProgramState st{shell};
    Settings settings{(dir.path() + "/TambrelOrchestra.ini").toStdString()};
    QtTimerHost timers;
    SdlAudioOutput output{48000, 256};
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<Program> program;

    Rig() {
        st.AppPath = dir.path().toStdString();
        window = std::make_unique<MainWindow>(st, shell);
        InstrumentSeams seams(timers);
        seams.rate = 48000;
        seams.inputLink = test::FakeLinksFinding();
        program = std::make_unique<Program>(st, settings, std::move(seams), output);
        window->SetProgram(program.get());
        window->show();
        program->Start("");
    }
    ~Rig() {
        program.reset();
        window.reset();
    }
};

QStringList Texts(QMenu* m) {
    QStringList out;
    for (QAction* a : m->actions()) out << (a->isSeparator() ? QString("-") : a->text());
    return out;
}

QStringList Checked(QMenu* m) {
    QStringList out;
    for (QAction* a : m->actions())
        if (a->isChecked()) out << a->text();
    return out;
}

QAction* Item(QMenu* m, const QString& text) {
    for (QAction* a : m->actions())
        if (a->text() == text) return a;
    return nullptr;
}

} // namespace

class AudioMenuTest : public QObject {
    Q_OBJECT
private slots:
    void sitsBesideMidiPortAndListsDefaultTheDevicesAndTheBuffers() {
        Rig rig;
        QStringList titles;
        for (QAction* a : rig.window->menuBar()->actions()) titles << a->text().remove('&');
        const qsizetype midi = titles.indexOf("Midi Port");
        QVERIFY(midi >= 0);
        QCOMPARE(titles.value(midi + 1), QString("Audio Output"));

        AudioMenu* audio = rig.window->Audio();
        QMenu* menu = audio->Menu();
        audio->Fill();
        QCOMPARE(Texts(menu), QStringList({"Default", "System audio output device", "-", "Buffer"}));
        QCOMPARE(Checked(menu), QStringList({"Default"}));
        QCOMPARE(Texts(audio->BufferMenu()),
                 QStringList({"64 frames (1.3 ms)", "128 frames (2.7 ms)", "256 frames (5.3 ms)",
                              "512 frames (10.7 ms)", "1024 frames (21.3 ms)"}));
        QCOMPARE(Checked(audio->BufferMenu()), QStringList({"256 frames (5.3 ms)"}));
        // Every item explains itself, to the status bar and to screen readers.
        for (QMenu* m : {menu, audio->BufferMenu()}) {
            QVERIFY(!m->accessibleName().isEmpty());
            QVERIFY(!m->accessibleDescription().isEmpty());
            for (QAction* a : m->actions())
                if (!a->isSeparator()) QVERIFY2(!a->statusTip().isEmpty(), qPrintable(a->text()));
        }
        QCOMPARE(rig.window->StatusPanel()->text(), QString("Sound: SDL's silent dummy output, 256 frames (5.3 ms) at "
                                                            "48000 Hz"));
    }

    void choosingReopensTheOutputAtOnceAndTheMenusFollow() {
        Rig rig;
        AudioMenu* audio = rig.window->Audio();
        audio->Fill();
        QAction* small = Item(audio->BufferMenu(), "128 frames (2.7 ms)");
        QVERIFY(small);
        small->trigger();
        QApplication::processEvents();
        QCOMPARE(rig.output.BufferFrames(), 128);
        QCOMPARE(rig.window->StatusPanel()->text(),
                 QString("Sound: SDL's silent dummy output, 128 frames (2.7 ms) at 48000 Hz"));
        audio->Fill();
        QCOMPARE(Checked(audio->BufferMenu()), QStringList({"128 frames (2.7 ms)"}));

        QAction* device = Item(audio->Menu(), "System audio output device");
        QVERIFY(device);
        device->trigger();
        QApplication::processEvents();
        audio->Fill();
        QCOMPARE(Checked(audio->Menu()), QStringList({"System audio output device"}));
        QCOMPARE(rig.window->StatusPanel()->text(), QString("Sound: SDL's silent dummy output on \"System audio "
                                                            "output device\", 128 frames (2.7 ms) at 48000 Hz"));
        const StoredAudioChoice kept = ReadAudioChoice(rig.settings);
        QCOMPARE(QString::fromStdString(kept.choice.device), QString("System audio output device"));
        QCOMPARE(kept.choice.bufferFrames, 128);
    }
};

QTEST_MAIN(AudioMenuTest)
#include "AudioMenuTest.moc"
