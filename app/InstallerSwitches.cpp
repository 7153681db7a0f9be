#include "app/InstallerSwitches.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/CheckDx7Frm.h"
#include "session/InstallerClass.h"
#include "session/ProgramFiles.h"
#include "sound/MidiPorts.h"
#include "sound/sdl/SdlAudioRoot.h"

namespace tambrel {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string ProgramFolder(const char* argv0) {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) exe = std::filesystem::absolute(argv0 ? argv0 : ".", ec);
    std::string folder = exe.parent_path().string();
    return folder.empty() ? "." : folder;
}

bool DisplayAvailable() {
    return !Env("DISPLAY").empty() || !Env("WAYLAND_DISPLAY").empty() || !Env("QT_QPA_PLATFORM").empty();
}

// Without a desktop the window's texts go to standard error instead.
void PrintCheck(const CheckDx7View& v) {
    auto lines = [](std::string s) {
        std::string out;
        for (char ch : s)
            if (ch != '\r') out += ch;
        return out;
    };
    std::fprintf(stderr, "%s\n%s\n", v.title.c_str(), lines(v.message).c_str());
    for (const std::string& m : v.missing) std::fprintf(stderr, "%s\n", m.c_str());
    std::fprintf(stderr, "%s\n%s\n", lines(v.links).c_str(), (v.help.file + "#" + v.help.anchor).c_str());
}

int AfterInstall(int argc, char** argv, const std::string& appPath) {
    const std::string data = DataFolder(appPath);
    const MediaCheck check = CheckMediaServices(SystemMediaProbes(appPath));
    const CheckDx7View view = LoadCheckDx7(check, data);
    if (view.NeedToShow && !DisplayAvailable()) {
        PrintCheck(view);
    } else if (view.NeedToShow) {
        QApplication app(argc, argv);
        CheckDx7Frm window(check, data);
        if (window.NeedToShow) window.exec();
    }
    InstallerClass installer(appPath, Env("XDG_CONFIG_HOME"), Env("HOME"));
    installer.DoAfterInstall();
    return 0;
}

int BeforeUnInstall(const std::string& appPath) {
    InstallerClass installer(appPath, Env("XDG_CONFIG_HOME"), Env("HOME"));
    std::string error;
    if (installer.DoBeforeUnInstall(error)) return 0;
    std::fprintf(stderr, "Tambrel Orchestra: %s\n", error.c_str());
    return 1;
}

} // namespace

MediaProbes SystemMediaProbes(const std::string& appPath) {
    MediaProbes p;
    // The audio probe plays, silently, as the program does: its thread's
    // real-time priority is what the program's would get.
    auto grant = std::make_shared<RealtimeGrant>();
    p.audioOutput = [grant] {
        std::string error;
        const bool ok = ProbeSdlAudio(error, grant.get());
        return AudioOutputStatus(ok, error);
    };
    p.realtime = [grant] { return *grant; };
    p.realtimeGroups = [] { return SystemRealtimeGroups(); };
    p.synthesizer = [appPath] {
#ifdef TAMBREL_HAVE_FLUIDSYNTH
        return SynthesizerStatus(true, appPath, SystemSoundFonts());
#else
        return SynthesizerStatus(false, appPath, SystemSoundFonts());
#endif
    };
    p.inputServer = [appPath] { return InputServerStatus(appPath + "/TambrelOrchestraDll"); };
    return p;
}

std::optional<int> RunInstallerSwitches(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
    if (commandLine == "-AfterInstall") return AfterInstall(argc, argv, ProgramFolder(argc > 0 ? argv[0] : nullptr));
    if (commandLine == "-BeforeUnInstall") return BeforeUnInstall(ProgramFolder(argc > 0 ? argv[0] : nullptr));
    return std::nullopt;
}

} // namespace tambrel
