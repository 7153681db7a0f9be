#pragma once
// The whole program behind a shown main window, for the window tests: a new
// Orchestra, settings in a temporary folder, audio into memory, and an
// input server that finds no device (so the window feeds the keyboard).

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

#include "app/MainWindow.h"
#include "app/QtShell.h"
#include "controls/QtTimerHost.h"
#include "common/AudioOutput.h"
#include "common/Settings.h"
#include "input/InputProtocol.h"
#include "session/Program.h"
#include "tests/FakeInputLink.h"

namespace tambrel::test {

struct ProgramRig {
    QTemporaryDir dir;
    QtShell shell;
    ProgramState st{shell};
    Settings settings{(dir.path() + "/TambrelOrchestra.ini").toStdString()};
    QtTimerHost qtTimers;
    MemoryAudioOutput output;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<Program> program;

    // timers: the program's timers (a test clock); nullptr: Qt's.
    // prepare: runs on the program folder before the program starts.
    explicit ProgramRig(TimerHost* timers = nullptr, const std::function<void(const QString&)>& prepare = {}) {
        st.AppPath = dir.path().toStdString();
        if (prepare) prepare(dir.path());
        window = std::make_unique<MainWindow>(st, shell);
        InstrumentSeams seams(timers ? *timers : static_cast<TimerHost&>(qtTimers));
        seams.inputLink = FakeLinksFinding();
        program = std::make_unique<Program>(st, settings, std::move(seams), output);
        window->SetProgram(program.get());
        window->show();
        program->Start("");
    }
};

#ifdef TAMBREL_BIN_DIR
// A prepare step: the built sample Orchestra beside the program, as
// installed; its open message is closed as soon as it shows.
inline void PlaceSample(const QString& folder) {
    QDir(folder).mkpath("Samples");
    QFile::copy(QStringLiteral(TAMBREL_BIN_DIR "/Samples/Sample1.TbOrc"), folder + "/Samples/Sample1.TbOrc");
    QTimer::singleShot(0, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
}
#endif

// Answers the next message box with the button whose text is `button`,
// and remembers what it said.
inline void AnswerNextMessage(const QString& button, QString* text) {
    QTimer::singleShot(0, [button, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        if (text) *text = box->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text().remove('&') == button) b->click();
    });
}

} // namespace tambrel::test
