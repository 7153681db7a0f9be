#include "tools/tborc/Tborc.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "common/CodePage.h"
#include "common/FileKind.h"
#include "common/Folders.h"
#include "common/NumberText.h"
#include "common/Settings.h"
#include "document/NewOrchestra.h"
#include "document/OpenSaveClass.h"
#include "session/OfflineRenderer.h"
#include "audio/WavWriter.h"
#include "recording/KeystrokeRecorder.h"
#include "input/InputSystem.h"
#include "input/LocInputDx7Class.h"
#include "document/WaveBuffers.h"
#include "audio/SoundFile.h"
#include "audio/WaveFile.h"
#include "boards/DeviceLayouts.h"
#include "tools/tborc/BoardsCommand.h"
#include "tools/tborc/LayoutCommand.h"
#include "tools/tborc/OrcJson.h"
#include "tools/tborc/TborcSettings.h"
#include "tools/tborc/TborcShared.h"

#ifdef TAMBREL_HAVE_FLUIDSYNTH
#include "sound/MidiOutput.h"
#include "sound/fluidsynth/FluidSynthPorts.h"
#endif

namespace tambrel {
namespace {

// A folder, pipe or device where a file is to be written: one plain line.
bool RefuseOutput(const std::string& file, std::ostream& err) {
    const PathKind kind = KindOfPath(file);
    if (kind == PathKind::File || kind == PathKind::Missing) return false;
    err << "tborc: " << NotAFileText(file, kind) << "\n";
    return true;
}

// The whole of a file given to read; false with one plain line when it is
// missing, not a file, or unreadable. A FIFO is refused, never waited on.
bool ReadInput(const std::string& file, std::string& content, std::ostream& err) {
    std::string error;
    const int fd = OpenFileForReading(file, error);
    if (fd < 0) {
        err << "tborc: " << (error == "File Not Found" ? "no such file: " + file : error) << "\n";
        return false;
    }
    content.clear();
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            err << "tborc: cannot read " << file << ": " << std::strerror(errno) << "\n";
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        content.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

int Dump(const std::string& file, ProgramState& st, StderrShell& shell, std::ostream& out) {
    if (!LoadOrchestraFile(file, st, shell)) return 1;
    out << OrchestraToJson(st.Orc).dump(2) << "\n";
    return 0;
}

int Build(const std::string& source, const std::string& output, ProgramState& st, std::ostream& err) {
    std::string text;
    if (!ReadInput(source, text, err)) return 1;
    nlohmann::json j;
    try {
        j = nlohmann::json::parse(text);
        OrchestraFromJson(j, st, FolderOf(source));
    } catch (const std::exception& e) {
        err << "tborc: " << source << ": " << e.what() << "\n";
        return 1;
    }
    return OpenSaveClass(st).SaveOrchestra(output) ? 0 : 1;
}

int WavInfo(const std::string& file, StderrShell& shell, std::ostream& out, std::ostream& err) {
    if (const PathKind kind = KindOfPath(file); kind != PathKind::File) {
        err << "tborc: " << (kind == PathKind::Missing ? "no such file: " + file : NotAFileText(file, kind)) << "\n";
        return 1;
    }
    WaveData w;
    std::optional<WaveProblem> problem;
    DecodeResult decoded;
    if (!ReadSoundFile(file, w, problem, nullptr, &decoded)) {
        if (problem) shell.Message(problem->text, problem->title, MsgButtons::Ok);
        return 1;
    }
    nlohmann::ordered_json j{{"BitsPerSample", w.BitsPerSample},
                             {"Channels", w.Channels},
                             {"SampleRate", w.SampleRate},
                             {"Frames", w.Frames},
                             {"ByteCount", w.ByteCount}};
    // A file the wave parser refused was decoded and converted: say from what.
    if (!decoded.sourceFormat.empty()) {
        j["DecodedFrom"] = {{"Format", decoded.sourceFormat},
                            {"Channels", decoded.sourceChannels},
                            {"SampleRate", decoded.sourceRate},
                            {"Frames", decoded.sourceFrames}};
    }
    KeyAssign k = NewKeyAssign();
    k.SndSrc = kSrcWave;
    if (!CreateWaveBuffer(w, k.SndBuf)) {
        err << "tborc: " << file << ": the wave cannot be made into a sound buffer\n";
        return 1;
    }
    CalcWaveDur(k);
    j["WaveDur"] = k.WaveDur;
    out << j.dump(2) << "\n";
    return 0;
}

struct InputArgs {
    std::string server, script, osc;
    std::vector<std::string> recordings;
    double seconds = -1;
    TborcSettings settings;
};

// As the program sets up detection: the keyboard's and mouse's names from the
// settings, and each device's layout read after detection, in device order.
// Nothing is played.
class LayoutReader final : public InputClient {
public:
    LayoutReader(ProgramState& st, const Settings& settings) : st_(st), settings_(settings) {}
    void PlayKey(KeyAddress) override {}
    void ReadDeviceLayout(std::int32_t device) override { tambrel::ReadDeviceLayout(st_, settings_, device); }

private:
    ProgramState& st_;
    const Settings& settings_;
};

void WireSettings(InputSystem& input, LayoutReader& reader, const Settings& settings, const InputArgs& a) {
    if (a.settings.Given()) input.settings = &settings;
    input.SetClient(&reader);
}

// Detection through the real bridge and server, as the program runs it.
bool DetectThroughServer(InputSystem& input, StderrShell& shell, std::ostream& err) {
    input.DetectInputDevices();
    if (shell.status == "Error Detecting Input Devices") {
        err << "tborc: " << shell.status << "\n";
        return false;
    }
    return true;
}

InputSystem::LinkFactory BridgeFactory(const InputArgs& a, LocInputDx7Class*& bridge) {
    return [a, &bridge]() -> std::unique_ptr<InputServerLink> {
        InputServerOptions o;
        o.serverPath = a.server;
        if (!a.script.empty()) o.serverArgs = {"--virtual", a.script};
        for (const std::string& f : a.recordings) {
            o.serverArgs.push_back("--evemu");
            o.serverArgs.push_back(f);
        }
        if (!a.osc.empty()) {
            o.serverArgs.push_back("--osc");
            o.serverArgs.push_back(a.osc.find(':') == std::string::npos ? "127.0.0.1:" + a.osc : a.osc);
        }
        auto b = std::make_unique<LocInputDx7Class>(std::move(o));
        bridge = b.get();
        return b;
    };
}

int Devices(const InputArgs& a, std::ostream& out, std::ostream& err) {
    StderrShell shell(err);
    ProgramState st(shell);
    LocInputDx7Class* bridge = nullptr;
    InputSystem input(st, BridgeFactory(a, bridge));
    const Settings settings = a.settings.Open();
    LayoutReader reader(st, settings);
    WireSettings(input, reader, settings, a);
    if (!DetectThroughServer(input, shell, err)) return 1;
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const InputDevice& d : st.InputDevices) {
        nlohmann::ordered_json labels = nlohmann::ordered_json::array();
        for (const std::string& l : d.KeyLabels) labels.push_back(Cp1252ToUtf8(l));
        list.push_back({{"name", Cp1252ToUtf8(d.Name)}, {"ready", d.Ready}, {"keys", d.KeyCount}, {"labels", labels}});
    }
    out << list.dump(2) << "\n";
    return 0;
}

int Listen(const InputArgs& a, std::ostream& out, std::ostream& err) {
    StderrShell shell(err);
    ProgramState st(shell);
    LocInputDx7Class* bridge = nullptr;
    InputSystem input(st, BridgeFactory(a, bridge));
    const Settings settings = a.settings.Open();
    LayoutReader reader(st, settings);
    WireSettings(input, reader, settings, a);
    if (!DetectThroughServer(input, shell, err) || !bridge) return 1;
    // Presses are printed instead of played; the rest goes on to the input
    // system as before.
    struct Printer : InputServerEvents {
        const ProgramState& st;
        std::ostream& out;
        InputServerEvents& next;
        Printer(const ProgramState& s, std::ostream& o, InputServerEvents& n) : st(s), out(o), next(n) {}
        void PlayThisKey(std::int32_t key, std::int32_t device) override {
            const InputDevice* d = st.Device(device);
            const std::string label = d && key >= 1 && key <= static_cast<std::int32_t>(d->KeyLabels.size())
                                          ? d->KeyLabels[static_cast<std::size_t>(key - 1)]
                                          : "?";
            out << device << " " << key << " " << Cp1252ToUtf8(label) << std::endl;
        }
        void ServerMessage(std::string_view text, std::string_view title) override { next.ServerMessage(text, title); }
        void ServerLost(bool stoppedAnswering) override { next.ServerLost(stoppedAnswering); }
        void LatePress() override { next.LatePress(); }
    };
    if (!bridge->Events()) return 1;
    Printer printer(st, out, *bridge->Events());
    bridge->SetEvents(&printer);
    std::int32_t on = 1;
    input.DiAcuire_Do(on);
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(static_cast<long long>(a.seconds * 1000));
    while (bridge->HasServer()) {
        int wait = 200;
        if (a.seconds >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0) break;
            wait = static_cast<int>(std::min<long long>(left, 200));
        }
        bridge->WaitForEvents(wait);
    }
    if (!bridge->HasServer()) {
        err << "tborc: the input-device server ended\n";
        return 1;
    }
    std::int32_t off = 0;
    input.DiAcuire_Do(off);
    return 0;
}

// "SECONDS:DEVICE:KEY", the device by number or by name.
bool ParsePress(const std::string& text, const ProgramState& st, RenderPress& press, std::string& error) {
    const std::size_t a = text.find(':'), b = text.rfind(':');
    error = "--press wants SECONDS:DEVICE:KEY, not '" + text + "'";
    if (a == std::string::npos || a == b) return false;
    const std::string secs = text.substr(0, a), dev = text.substr(a + 1, b - a - 1), key = text.substr(b + 1);
    char* end = nullptr;
    const double s = std::strtod(secs.c_str(), &end);
    if (secs.empty() || *end || !(s >= 0) || s > 86400) return false;
    if (key.empty() || key.size() > 6 || key.find_first_not_of("0123456789") != std::string::npos) return false;
    press.ms = std::llround(s * 1000);
    press.key = std::stoi(key);
    press.device = 0;
    if (!dev.empty() && dev.size() <= 6 && dev.find_first_not_of("0123456789") == std::string::npos) {
        press.device = std::stoi(dev);
    } else {
        const std::string name = Utf8ToCp1252(dev);
        for (std::int32_t d = 1; d <= st.DeviceCount() && !press.device; ++d)
            if (st.Device(d)->Name == name) press.device = d;
    }
    if (!st.Device(press.device)) {
        error = "--press names no device of this run: '" + text + "'";
        return false;
    }
    return true;
}

// The folder tborc runs from: where the build puts the style files.
std::string ExeFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

int Render(const std::string& file, const std::string& output, const std::vector<std::string>& pressArgs, int recording,
           int rate, double tail, const std::string& programFolder, ProgramState& st, StderrShell& shell,
           std::ostream& err) {
    if (rate < 8000 || rate > 192000) {
        err << "tborc: --rate must lie between 8000 and 192000\n";
        return 2;
    }
    if (!(tail >= 0) || tail > 3600) {
        err << "tborc: --tail must lie between 0 and 3600 seconds\n";
        return 2;
    }
    RenderOptions opt;
    opt.rate = rate;
    opt.tailSeconds = tail;
    for (const std::string& p : pressArgs) {
        RenderPress press;
        std::string error;
        if (!ParsePress(p, st, press, error)) {
            err << "tborc: " << error << "\n";
            return 2;
        }
        opt.presses.push_back(press);
    }
    if (RefuseOutput(output, err)) return 2;
    if (!OpenSaveClass(st).LoadOrchestra(file)) return 1;
    if (recording < 0 || recording > st.Orc.RecNos()) {
        err << "tborc: the Orchestra has no recording " << recording << " (it has " << st.Orc.RecNos() << ")\n";
        return 2;
    }
    // Playback refuses it, and the output would be silence: the refusal is
    // the result, and no wave is written.
    if (recording > 0 && st.Orc.Recordings[static_cast<std::size_t>(recording - 1)].count() == 0) {
        shell.Message(kNotYetRecorded, "", MsgButtons::Ok);
        return 1;
    }
    opt.recording = recording;
    st.AppPath = programFolder.empty() ? ExeFolder() : programFolder;
    while (st.AppPath.size() > 1 && st.AppPath.back() == '/') st.AppPath.pop_back();
#ifdef TAMBREL_HAVE_FLUIDSYNTH
    // MIDI keys sound through the built-in synthesizer, rendered in the same
    // blocks as the mixer, so the output is the same on every run. MIDI is
    // loaded at the first MIDI key, as after a failed start; nothing is saved.
    FluidSynthEngine synth(rate);
    FluidSynthService ports(synth, st.AppPath);
    opt.midi = &ports;
    opt.source = &synth;
    WriteWav16Stereo(output, RenderPerformance(st, opt), rate);
#else
    WriteWav16Stereo(output, RenderPerformance(st, opt), rate);
#endif
    return 0;
}

} // namespace

int RunTborc(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"tborc: read, write and inspect Tambrel Orchestra files", "tborc"};
    app.require_subcommand(1);
    std::vector<std::string> devices;
    std::string file, output;

    CLI::App* dump = app.add_subcommand("dump", "print an Orchestra file as JSON");
    dump->add_option("FILE", file, "the .TbOrc file")->required();
    dump->add_option("--device", devices, "an input device NAME:KEYS (default Keyboard:128 Mouse:8)");

    CLI::App* build = app.add_subcommand("build", "write an Orchestra file from JSON");
    build->add_option("FILE", file, "the JSON source")->required();
    build->add_option("-o", output, "the .TbOrc file to write")->required();
    build->add_option("--device", devices, "an input device NAME:KEYS (default Keyboard:128 Mouse:8)");

    std::vector<std::string> presses;
    int recording = 0, rate = 44100;
    double tail = 2.0;
    std::string programFolder;
    CLI::App* render = app.add_subcommand("render", "play an Orchestra into a wave file");
    render->add_option("FILE", file, "the .TbOrc file")->required();
    render->add_option("-o", output, "the .wav file to write (16-bit stereo)")->required();
    render->add_option("--recording", recording, "play back recording N from the start");
    render->add_option("--press", presses, "press a key at SECONDS:DEVICE:KEY (device by number or name)");
    render->add_option("--rate", rate, "frames per second (default 44100)");
    render->add_option("--tail", tail, "seconds to let sounds ring out after the last press (default 2)");
    render->add_option("--device", devices, "an input device NAME:KEYS (default Keyboard:128 Mouse:8)");
    render->add_option("--program-folder", programFolder,
                       "where the MIDI style files and TbOrch.sf2 are looked for (default: tborc's own folder)");

    CLI::App* wav = app.add_subcommand("wav-info", "print what a sound file holds as a key's wave");
    wav->add_option("FILE", file, "the .wav file")->required();

    InputArgs input;
    CLI::App* devs = app.add_subcommand("devices", "detect the input devices and print them as JSON");
    CLI::App* listen = app.add_subcommand("listen", "switch the input devices on and print every key press");
    for (CLI::App* c : {devs, listen}) {
        c->add_option("--virtual", input.script, "read devices and events from this script (see the README)");
        c->add_option("--evemu", input.recordings,
                      "play this recording of a real device (evemu-describe / evemu-record) as an attached device; "
                      "may be repeated")
            ->check(CLI::ExistingFile);
        c->add_option("--osc", input.osc,
                      "offer the OSC device, listening on [ADDRESS:]PORT (the address 127.0.0.1 unless given)");
        c->add_option("--server", input.server, "the input-device server (default: TambrelOrchestraDll beside tborc)");
        input.settings.AddOption(*c);
    }
    LayoutCommand layout(app);
    BoardsArgs boardsArgs;
    CLI::App* boards = AddBoardsCommand(app, boardsArgs);
    listen->add_option("--seconds", input.seconds, "stop after this many seconds")->check(CLI::NonNegativeNumber);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            out << app.help();
            return 0;
        }
        err << "tborc: " << e.what() << " (see tborc --help)\n";
        return 2;
    }

    try {
        if (layout.Chosen()) return layout.Run(ParseDevices, out, err);
        if (*boards) return RunBoards(boardsArgs, out, err);
        if (std::string e; (*devs || *listen) && !input.settings.Check(false, e)) throw std::runtime_error(e);
        if (*devs) return Devices(input, out, err);
        if (*listen) return Listen(input, out, err);
    } catch (const std::exception& e) {
        err << "tborc: " << e.what() << "\n";
        return 1;
    }

    StderrShell shell(err);
    ProgramState st(shell);
    st.TempPath = TempFolder();
    std::string error;
    if (!ParseDevices(devices, st.InputDevices, error)) {
        err << "tborc: " << error << "\n";
        return 2;
    }
    st.Orc = NewOrchestra(st);
    try {
        if (*dump) return Dump(file, st, shell, out);
        if (*build) return Build(file, output, st, err);
        if (*render) return Render(file, output, presses, recording, rate, tail, programFolder, st, shell, err);
        return WavInfo(file, shell, out, err);
    } catch (const std::exception& e) {
        err << "tborc: " << e.what() << "\n";
        return 1;
    }
}

} // namespace tambrel
