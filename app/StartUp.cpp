#include "app/StartUp.h"

#include <QScopeGuard>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QSocketNotifier>

#include <memory>
#include <optional>
#include <string>

#include "app/CloseSignals.h"
#include "app/DeviceListDialog.h"
#include "app/DxDnLoadFrm.h"
#include "app/InputWatch.h"
#include "app/InstallerSwitches.h"
#include "app/MainWindow.h"
#include "app/QtShell.h"
#include "app/KeyEditorPanel.h"
#include "controls/QtTimerHost.h"
#include "controls/ImageProcessFrm.h"
#include "app/SingleInstance.h"
#include "boards/KeyLights.h"
#include "boards/view/KeyLightDriver.h"
#include "common/Folders.h"
#include "common/Settings.h"
#include "document/ProgramState.h"
#include "input/LocInputDx7Class.h"
#include "session/OscSettings.h"
#include "session/Program.h"
#include "session/ProgramFiles.h"
#include "session/RecoveryCopies.h"
#include "sound/MidiPorts.h"
#include "sound/SoundService.h"
#include "sound/sdl/SdlAudioOutput.h"
#include "sound/sdl/SdlAudioRoot.h"
#ifdef TAMBREL_HAVE_FLUIDSYNTH
#include "sound/fluidsynth/FluidSynthEngine.h"
#include "sound/fluidsynth/FluidSynthPorts.h"
#endif
#ifdef TAMBREL_HAVE_ALSA_MIDI
#include "sound/alsa/AlsaMidiPorts.h"
#endif

namespace tambrel {

namespace {

constexpr int kOutputRate = 48000;

// The whole command line as one string, as the start routine reads it.
std::string CommandLine(const QStringList& args) {
    QStringList rest = args.mid(1);
    return ToCore(rest.join(' '));
}

// The MIDI ports the program offers: the built-in synthesizer first, then
// the sequencer's.
struct MidiServices {
    explicit MidiServices(const std::string& appPath)
#ifdef TAMBREL_HAVE_FLUIDSYNTH
        : synth(kOutputRate), builtin(synth, appPath)
#endif
    {
        (void)appPath;
#ifdef TAMBREL_HAVE_FLUIDSYNTH
        list.push_back(&builtin);
#endif
#ifdef TAMBREL_HAVE_ALSA_MIDI
        list.push_back(&alsa);
#endif
        chain = std::make_unique<MidiServiceChain>(list);
    }
    AudioSource* Synth() {
#ifdef TAMBREL_HAVE_FLUIDSYNTH
        return &synth;
#else
        return nullptr;
#endif
    }
#ifdef TAMBREL_HAVE_FLUIDSYNTH
    FluidSynthEngine synth;
    FluidSynthService builtin;
#endif
#ifdef TAMBREL_HAVE_ALSA_MIDI
    AlsaMidiService alsa;
#endif
    std::vector<MidiService*> list;
    std::unique_ptr<MidiServiceChain> chain;
};

} // namespace

int RunMainProgram(int argc, char** argv) {
    if (const std::optional<int> status = RunInstallerSwitches(argc, argv)) return *status;

    QApplication app(argc, argv);
    QApplication::setApplicationName(FromCore(kProgramTitle));
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = QApplication::arguments();
    const std::string commandLine = CommandLine(args);

    SingleInstance instance(RuntimeFolder(), "TambrelOrchestra");
    switch (instance.Claim(1000)) {
    case SingleInstance::Outcome::HandedOver: return 0;
    case SingleInstance::Outcome::NoAnswer: {
        QMessageBox box(QMessageBox::NoIcon, "Second " + FromCore(kProgramTitle),
                        "Second " + FromCore(kProgramTitle) + " is already running", QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        // The program did not run: a refusal, not a success.
        return 1;
    }
    case SingleInstance::Outcome::First:
    case SingleInstance::Outcome::Alone: break;
    }

    QtShell shell;
    ProgramState st(shell);
    const Folders folders = SetUpFolders(QCoreApplication::applicationFilePath().toStdString());
    st.AppPath = DataFolder(folders.AppPath);
    st.TempPath = folders.TempPath;
    st.ErrorTrapping = true;
    const std::string settingsPath = SettingsFilePath(
        folders.AppPath, qEnvironmentVariable("XDG_CONFIG_HOME").toStdString(), QDir::homePath().toStdString());
    QDir().mkpath(QString::fromStdString(FolderOf(settingsPath)));
    Settings settings(settingsPath);
    settings.onWriteRefused = [&shell](const std::string& text) { shell.Status(text); };
    // The skinned controls draw from the skin the settings name.
    ImageProcessFrm::Shared().SetSettings(&settings);
    ImageProcessFrm::Shared().ResetPictures();

    // SDL's audio system is the root the sound device is opened from.
    const SdlAudioRoot audioRoot;
    if (!audioRoot.Ok()) ShowAudioStartFailure(st.AppPath, audioRoot.Error());

    MainWindow window(st, shell);
    window.ApplyPlacement(settings.ReadSetting("General", "WindowSizPos", "0,0,0,0,0"));
    window.Lights()->SetOn(KeyLightsOn(settings));
    instance.onRaise = [&window] { window.BringToFront(); };
    CloseSignals closeSignals([&window] {
        window.CloseBySignal();
        // The work is done; should anything of the rest of the shutdown
        // hang, the process still ends in time.
        if (window.closing) CloseSignals::EndWithin(2, window.exitStatus);
    });

    QtTimerHost timers;
    SdlAudioOutput output(kOutputRate, 256);
    MidiServices midi(st.AppPath);

    // The input server's socket is watched by the event loop: no thread.
    std::unique_ptr<QSocketNotifier> inputNotifier;
    InstrumentSeams seams(timers);
    seams.rate = kOutputRate;
    seams.midi = midi.chain.get();
    seams.synth = midi.Synth();
    InputServerOptions serverOptions;
    serverOptions.serverArgs = OscServerArgs(ReadOscSetting(settings)); // the OSC device, where the settings say
    seams.inputLink = WatchedInputLink(inputNotifier, serverOptions);
    // Devices plugged in are detected once no dialog or menu is open; the
    // watch outlives the program that asks it.
    struct QtDialogWatch : DialogWatch {
        bool DialogOpen() const override {
            return QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr;
        }
    } dialogWatch;
    Program program(st, settings, std::move(seams), output);
    program.GetHotPlug().dialogs = &dialogWatch;
    // The arrows repeat on the program's timers, which go before the window.
    window.EditorPanel()->SetTimerHost(&timers);
    const auto releaseTimers = qScopeGuard([&window] { window.EditorPanel()->SetTimerHost(nullptr); });
    program.SetDeviceChooser([&window](std::string_view text, const std::vector<std::string>& entries) {
        return ChooseFromDeviceList(&window, text, entries);
    });
    program.SetRecoveryFolder(
        RecoveryFolder(qEnvironmentVariable("XDG_STATE_HOME").toStdString(), QDir::homePath().toStdString()));
    window.SetProgram(&program);
    window.SetHelpFile();
    window.show();

    if (!program.Start(commandLine)) return 1;
    // Closed during the start (a signal, or the close box while a message
    // was shown): the event loop must not start again.
    if (window.closing) {
        inputNotifier.reset();
        return window.exitStatus;
    }
    settings.SayIfReadOnly();
    const int status = QApplication::exec();
    // The notifier must go before the bridge's socket closes.
    inputNotifier.reset();
    return status;
}

} // namespace tambrel
