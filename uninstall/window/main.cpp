// TbUninst: the desktop's "Uninstall" action runs it with the removal
// command, "TbUninst PREFIX/tambrel-remove".
#include <QApplication>

#include <string>
#include <vector>

#include "common/Folders.h"
#include "uninstall/Uninstaller.h"
#include "uninstall/window/FeedBackFrm.h"
#include "uninstall/window/QtUninstallUi.h"
#include "controls/QtTimerHost.h"

using namespace tambrel;

int main(int argc, char** argv) {
    // Taken before Qt reads its own options out of argv.
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TbUninst"));
    QApplication::setQuitOnLastWindowClosed(false);
    const std::string folder = QCoreApplication::applicationDirPath().toStdString();

    QtTimerHost timers;
    SpawnedProcess process;
    FeedBackFrm window;
    QtUninstallUi ui(window);
    Uninstaller uninstaller(ui, timers, process);
    QObject::connect(&window, &FeedBackFrm::LinkClicked, [&uninstaller](int i) { uninstaller.OnLink(i); });
    QObject::connect(&window, &FeedBackFrm::ContinueClicked, [&uninstaller] { uninstaller.OnContinue(); });
    QObject::connect(&window, &FeedBackFrm::CancelClicked, [&uninstaller] { uninstaller.OnCancel(); });

    uninstaller.Start(
        args, [&folder](const std::string& name) { return FileExists(folder + "/" + name); },
        [](const std::string& path) { return FileExists(path); });
    if (uninstaller.Ended()) return uninstaller.ExitStatus();
    const int status = QApplication::exec();
    return uninstaller.Ended() ? uninstaller.ExitStatus() : status;
}
