// Press to sound where it counts: at the audio server. The real
// TambrelOrchestra plays on a private PipeWire graph (tests/pipewire/
// pipewire_stack.sh: a null sink, WirePlumber); a capture stream on the
// sink's monitor places every buffer on CLOCK_MONOTONIC by the graph's own
// time of its cycle (pw_stream_get_time_n), so the first sample of a press's
// click is timed at the sink, against the moment the press was made.
//
//   roads   server: a line "event ..." written into the input server's device
//           script (a FIFO); window: a key event of the X server (XTest)
//           while no keyboard can be read, so the main window feeds its keys.
//   buffers 64, 128 and 256 frames (the settings' BufferFrames).
//   loads   silent, and 1024 loops sounding (8 Sub Boards of a 128-key pad,
//           each key looping a near-silent hum, so the click stands out).
//   floor   beside each figure, in the same run and graph: latency_floor, a
//           minimal SDL program starting a click on the same press event (a
//           line on its input; a key in its window), with the same buffer.
//   xruns   the graph's, from its profiler, over each measurement.
//   idle    the CPU of the program and its input server, input on, nothing
//           sounding, and of the PipeWire daemon, over 5 s.
//
//   xvfb-run -a -s '-screen 0 1280x900x24' build-bench/bin/audio_latency [--presses N]
//       [--buffers 64,128,256] [--roads server,window] [--loads silent,1024]
//
// N defaults to 1000 presses per road, buffer and load. Prints figures;
// asserts nothing.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "input/KeyboardTable.h"
#include "tools/sinktap/SinkTap.h"

namespace fs = std::filesystem;
using tambrel::tap::MonotonicNs;
using tambrel::tap::SinkTap;

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "audio_latency: %s\n", what.c_str());
    std::exit(1);
}

// What a signal must still stop: the private graph (its stop command, ready
// before any signal) and the program.
char gStopCommand[4096];
volatile pid_t gProgram = -1;

void OnSignal(int) {
    if (gProgram > 0) kill(gProgram, SIGKILL);
    const pid_t p = fork();
    if (p == 0) {
        const char* argv[] = {"/bin/sh", "-c", gStopCommand, nullptr};
        execv("/bin/sh", const_cast<char* const*>(argv));
        _exit(127);
    }
    if (p > 0) waitpid(p, nullptr, 0);
    _exit(130);
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::vector<std::string> Split(const std::string& s) {
    std::vector<std::string> out;
    std::stringstream in(s);
    for (std::string part; std::getline(in, part, ',');)
        if (!part.empty()) out.push_back(part);
    return out;
}

// A 16-bit mono wave at 44100 Hz whose samples are all `level`.
void WriteWave(const fs::path& path, int frames, std::int16_t level) {
    std::ofstream f(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
    f.write("RIFF", 4);
    u32(36 + 2 * frames);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(44100);
    u32(88200);
    u16(2);
    u16(16);
    f.write("data", 4);
    u32(2 * frames);
    for (int i = 0; i < frames; ++i) u16(static_cast<std::uint16_t>(level));
}

struct Child {
    pid_t pid = -1;
    int in = -1;  // its standard input, when piped
    int out = -1; // its standard output, when piped
};

// Starts argv with extra environment entries; pipes its input and output
// when asked.
Child Spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env, bool pipes,
            const fs::path& log) {
    int toChild[2] = {-1, -1}, fromChild[2] = {-1, -1};
    if (pipes && (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)) Fail("pipe");
    Child c;
    c.pid = fork();
    if (c.pid < 0) Fail("fork");
    if (c.pid == 0) {
        for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
        const int logFd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (pipes) {
            dup2(toChild[0], 0);
            dup2(fromChild[1], 1);
        } else {
            dup2(logFd, 1);
        }
        dup2(logFd, 2);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    if (pipes) {
        close(toChild[0]);
        close(fromChild[1]);
        c.in = toChild[1];
        c.out = fromChild[0];
    }
    return c;
}

void End(Child& c) {
    if (c.in >= 0) close(c.in);
    if (c.pid > 0) {
        kill(c.pid, SIGTERM);
        for (int i = 0; i < 50; ++i) {
            if (waitpid(c.pid, nullptr, WNOHANG) == c.pid) {
                c.pid = -1;
                break;
            }
            Sleep(100);
        }
        if (c.pid > 0) {
            kill(c.pid, SIGKILL);
            waitpid(c.pid, nullptr, 0);
        }
    }
    if (c.out >= 0) close(c.out);
    c = {};
}

std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    const std::int64_t end = MonotonicNs() + std::int64_t{timeoutMs} * 1000000;
    while (MonotonicNs() < end) {
        char ch;
        const ssize_t n = read(fd, &ch, 1);
        if (n == 1) {
            if (ch == '\n') return line;
            line += ch;
        } else if (n == 0) {
            break;
        }
    }
    return line;
}

void Write(int fd, const std::string& s) {
    if (write(fd, s.data(), s.size()) != static_cast<ssize_t>(s.size())) Fail("a write to a FIFO failed");
}

// CPU seconds a process has used (user + system).
double CpuSeconds(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string s((std::istreambuf_iterator<char>(f)), {});
    const std::size_t close = s.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream rest(s.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i)
        if (i == 14 || i == 15) ticks += std::atof(field.c_str());
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::vector<pid_t> ChildrenOf(pid_t pid) {
    std::vector<pid_t> out;
    std::ifstream f("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    for (pid_t c; f >> c;) out.push_back(c);
    return out;
}

struct Figures {
    std::vector<double> ms;
    int lost = 0;
    std::int64_t xruns = 0, late = 0;
    double At(double q) {
        if (ms.empty()) return 0;
        std::sort(ms.begin(), ms.end());
        return ms[std::min(ms.size() - 1, static_cast<std::size_t>(q * static_cast<double>(ms.size())))];
    }
};

// The X server: windows by title, focus, and key presses through XTest.
class XScreenDriver {
public:
    XScreenDriver() : dpy_(XOpenDisplay(nullptr)) {}
    ~XScreenDriver() {
        if (dpy_) XCloseDisplay(dpy_);
    }
    bool Ok() const { return dpy_ != nullptr; }

    Window WaitFor(const std::string& part, int timeoutMs) {
        const std::int64_t end = MonotonicNs() + std::int64_t{timeoutMs} * 1000000;
        while (MonotonicNs() < end) {
            if (Window w = Find(DefaultRootWindow(dpy_), part)) return w;
            Sleep(100);
        }
        return 0;
    }
    void Focus(Window w) {
        XRaiseWindow(dpy_, w);
        XSetInputFocus(dpy_, w, RevertToParent, CurrentTime);
        XSync(dpy_, False);
    }
    // Press and release of X key code `code`.
    void Key(unsigned code) {
        XTestFakeKeyEvent(dpy_, code, True, CurrentTime);
        XFlush(dpy_);
    }
    void Release(unsigned code) {
        XTestFakeKeyEvent(dpy_, code, False, CurrentTime);
        XFlush(dpy_);
    }

private:
    Window Find(Window w, const std::string& part) {
        char* name = nullptr;
        XWindowAttributes a;
        if (XFetchName(dpy_, w, &name) && name) {
            const bool match = std::strstr(name, part.c_str()) != nullptr;
            XFree(name);
            if (match && XGetWindowAttributes(dpy_, w, &a) && a.map_state == IsViewable) return w;
        }
        Window root, parent, *kids = nullptr;
        unsigned n = 0;
        Window found = 0;
        if (XQueryTree(dpy_, w, &root, &parent, &kids, &n)) {
            for (unsigned i = 0; i < n && !found; ++i) found = Find(kids[i], part);
            if (kids) XFree(kids);
        }
        return found;
    }
    Display* dpy_;
};

constexpr unsigned kLinuxKey1 = 2; // the "1" key
constexpr unsigned kXKey1 = kLinuxKey1 + 8;
constexpr float kThreshold = 0.3f;
// The floor plays through PipeWire itself, as the program does (SDL would
// take its PulseAudio layer first).
const std::map<std::string, std::string> kFloorEnv{{"SDL_AUDIODRIVER", "pipewire"}};

struct Bench {
    fs::path root, bin, stack;
    std::string source;
    std::map<std::string, std::string> env;
    int presses = 1000;
    SinkTap* tap = nullptr;
    XScreenDriver* screen = nullptr;
    pid_t pipewire = -1;
    std::mt19937 rng{7};

    // Press -> sound, `presses` times; press() makes one press.
    template <class PressFn>
    Figures Measure(PressFn press) {
        Figures f;
        std::uniform_int_distribution<int> jitter(0, 6000);
        const std::int64_t x0 = tap->DriverXruns(), l0 = tap->LateNodes();
        for (int i = 0; i < presses; ++i) {
            if (!tap->WaitForSilence(30, 3000)) Fail("the sink never fell silent");
            std::this_thread::sleep_for(std::chrono::microseconds(jitter(rng)));
            const std::int64_t t0 = MonotonicNs();
            press();
            const std::int64_t at = tap->WaitForSound(t0, 1000);
            if (at < 0) ++f.lost;
            else f.ms.push_back(static_cast<double>(at - t0) / 1e6);
        }
        f.xruns = tap->DriverXruns() - x0;
        f.late = tap->LateNodes() - l0;
        return f;
    }
};

void Row(int frames, const std::string& road, const std::string& load, Figures& p, Figures& fl) {
    std::printf("%5d  %-6s  %-6s | %6.2f %6.2f %6.2f %4d | %6.2f %6.2f %6.2f %4d | %+6.2f | %lld/%lld  %lld/%lld\n",
                frames, road.c_str(), load.c_str(), p.At(0.5), p.At(0.99), p.At(1.0), p.lost, fl.At(0.5), fl.At(0.99),
                fl.At(1.0), fl.lost, p.At(0.99) - fl.At(0.99), static_cast<long long>(p.xruns),
                static_cast<long long>(p.late), static_cast<long long>(fl.xruns), static_cast<long long>(fl.late));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    Bench b;
    std::vector<int> buffers{64, 128, 256};
    std::vector<std::string> roads{"server", "window"}, loads{"silent", "1024"};
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string opt = argv[i], val = argv[i + 1];
        if (opt == "--presses") b.presses = std::max(1, std::atoi(val.c_str()));
        else if (opt == "--buffers") {
            buffers.clear();
            for (const std::string& s : Split(val)) buffers.push_back(std::atoi(s.c_str()));
        } else if (opt == "--roads") roads = Split(val);
        else if (opt == "--loads") loads = Split(val);
        else Fail("unknown option " + opt);
    }
    b.source = TAMBREL_SOURCE_DIR;
    b.bin = TAMBREL_BIN_DIR;
    b.root = fs::temp_directory_path() / ("tambrel-audio-latency-" + std::to_string(getpid()));
    b.stack = b.root / "stack";
    fs::create_directories(b.root / "bin");

    // The private graph.
    const std::string stackScript = b.source + "/tests/pipewire/pipewire_stack.sh";
    std::snprintf(gStopCommand, sizeof gStopCommand, "bash '%s' stop '%s'; rm -rf '%s'", stackScript.c_str(),
                  b.stack.c_str(), b.root.c_str());
    signal(SIGINT, OnSignal);
    signal(SIGTERM, OnSignal);
    if (std::system(("bash '" + stackScript + "' start '" + b.stack.string() + "' > /dev/null").c_str()) != 0 ||
        fs::exists(b.stack / "unavailable")) {
        std::ifstream why(b.stack / "unavailable");
        std::string reason((std::istreambuf_iterator<char>(why)), {});
        std::printf("audio_latency: not measured, PipeWire did not start: %s\n", reason.c_str());
        return 0;
    }
    {
        std::ifstream envFile(b.stack / "env");
        for (std::string line; std::getline(envFile, line);) {
            if (line.rfind("export ", 0) != 0) continue;
            const std::size_t eq = line.find('=');
            std::string key = line.substr(7, eq - 7), value = line.substr(eq + 1);
            if (value.size() >= 2 && value.front() == '\'') value = value.substr(1, value.size() - 2);
            setenv(key.c_str(), value.c_str(), 1);
        }
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("PIPEWIRE_REMOTE");
        unsetenv("PULSE_SERVER");
        std::ifstream pids(b.stack / "pids");
        pid_t p;
        for (int i = 0; i < 2 && pids >> p; ++i) b.pipewire = p; // the second is the daemon
    }
    const std::string sink = std::getenv("TAMBREL_TEST_SINK") ? std::getenv("TAMBREL_TEST_SINK") : "";

    // The program folder and the Orchestra: the "1" key clicks; 8 Sub Boards
    // of the pad loop a hum at the lowest level there is.
    for (const char* f : {"TambrelOrchestra", "TambrelOrchestraDll", "tborc"})
        fs::copy_file(b.bin / f, b.root / "bin" / f);
    for (const auto& e : fs::directory_iterator(b.bin))
        if (e.path().extension() == ".sty" || e.path().extension() == ".html")
            fs::copy_file(e.path(), b.root / "bin" / e.path().filename());
    WriteWave(b.root / "click.wav", 882, 26214);
    WriteWave(b.root / "hum.wav", 4410, 1);
    const std::int32_t clickKey = tambrel::KeyboardObjectForCode(kLinuxKey1);
    {
        std::ofstream j(b.root / "bench.json");
        j << R"({"OpenMsg": "", "CurSet": 1, "PlayBoards": [{"SetNam": "Bench", "Bds": [)"
          << R"({"InpDev": "Keyboard", "Keys": {")" << clickKey
          << R"(": {"SndSrc": 1, "WavFile": "click.wav", "PlayStyl": 0, "AllowDup": 1}}})";
        for (int board = 0; board < 8; ++board) {
            j << R"(, {"InpDev": "Pad", "Keys": {)";
            for (int k = 1; k <= 128; ++k)
                j << (k > 1 ? ", " : "") << '"' << k
                  << R"(": {"SndSrc": 1, "WavFile": "hum.wav", "PlayStyl": 2, "LoopOption": 0})";
            j << "}}";
        }
        j << "]}]}\n";
    }
    const std::string orc = (b.root / "bench.TbOrc").string();
    if (std::system(("'" + (b.root / "bin/tborc").string() + "' build '" + (b.root / "bench.json").string() + "' -o '" +
                     orc + "' --device Keyboard:128 --device Mouse:8 --device Pad:128")
                        .c_str()) != 0)
        Fail("tborc could not build the Orchestra");

    SinkTap tap(sink, kThreshold);
    std::string error;
    if (!tap.Start(error)) Fail(error);
    b.tap = &tap;
    XScreenDriver screen;
    b.screen = &screen;
    const bool haveX = screen.Ok();

    std::printf("Press -> first sample at the PipeWire null sink, ms (%d presses each); floor: latency_floor, a "
                "minimal SDL program on the same graph\n",
                b.presses);
    std::printf("frames road    load   | TambrelOrchestra p50  p99  max lost | floor  p50    p99    max lost | "
                "p99-floor | xruns/late program  floor\n");
    std::vector<std::string> idle;
    for (int frames : buffers) {
        for (const std::string& road : roads) {
            const bool viaServer = road == "server";
            if (!viaServer && !haveX) {
                std::printf("%5d  window: not measured (no X server; run under xvfb-run)\n", frames);
                continue;
            }
            // The program, with this buffer, reading its devices from a FIFO.
            std::ofstream(b.root / "bin/TambrelOrchestra.ini") << "[Audio]\nBufferFrames=" << frames << "\n";
            const fs::path fifo = b.root / "devices";
            fs::remove(fifo);
            mkfifo(fifo.c_str(), 0600);
            const int script = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
            // Without a keyboard the server reads, the window feeds its own keys.
            Write(script, viaServer ? "keyboard\nmouse\ndevice Pad\nkeys 128 P\n" : "mouse\ndevice Pad\nkeys 128 P\n");
            const int pad = viaServer ? 3 : 2;
            {
                std::ofstream s(b.root / "server.sh");
                s << "#!/bin/sh\nexec '" << (b.root / "bin/TambrelOrchestraDll").string() << "' \"$@\" --virtual '"
                  << fifo.string() << "'\n";
            }
            fs::permissions(b.root / "server.sh", fs::perms::owner_all);
            Child program = Spawn({(b.root / "bin/TambrelOrchestra").string(), orc},
                                  {{"HOME", (b.root / "home").string()},
                                   {"XDG_CONFIG_HOME", (b.root / "config").string()},
                                   {"TAMBREL_INPUT_SERVER", (b.root / "server.sh").string()},
                                   {"QT_QPA_PLATFORM", haveX ? "xcb" : "offscreen"}},
                                  false, b.root / ("program-" + road + ".log"));
            gProgram = program.pid;
            Window main = 0;
            if (haveX) {
                main = screen.WaitFor("bench.TbOrc", 20000);
                if (!main)
                    Fail("the main window never named the Orchestra (see " + (b.root / "program.log").string() + ")");
            } else {
                Sleep(3000);
            }
            Sleep(1500); // the input devices go on at the end of the start

            if (viaServer && loads.front() == "silent") {
                const std::vector<pid_t> server = ChildrenOf(program.pid);
                double before = CpuSeconds(program.pid), pw = CpuSeconds(b.pipewire);
                for (pid_t s : server) before += CpuSeconds(s);
                Sleep(5000);
                double after = CpuSeconds(program.pid), pwAfter = CpuSeconds(b.pipewire);
                for (pid_t s : server) after += CpuSeconds(s);
                char line[200];
                std::snprintf(line, sizeof line,
                              "idle at %d frames: program + input server %.2f%% of one core; PipeWire daemon %.2f%%",
                              frames, (after - before) / 5.0 * 100.0, (pwAfter - pw) / 5.0 * 100.0);
                idle.push_back(line);
            }

            for (const std::string& load : loads) {
                const bool loaded = load == "1024";
                auto togglePad = [&] {
                    std::string s;
                    for (int k = 1; k <= 128; ++k)
                        s += "event " + std::to_string(pad) + " " + std::to_string(k) + " 1\n";
                    Write(script, s);
                };
                if (loaded) {
                    togglePad();
                    Sleep(500);
                }
                Figures prog, floor;
                if (viaServer) {
                    const std::string press = "event 1 " + std::to_string(clickKey) + " 1\n";
                    prog = b.Measure([&] { Write(script, press); });
                    Child f = Spawn({(b.bin / "latency_floor").string(), std::to_string(frames), "stdin"}, kFloorEnv,
                                    true, b.root / "floor.log");
                    if (ReadLine(f.out, 10000).rfind("ready", 0) != 0) Fail("latency_floor did not start");
                    Sleep(300);
                    floor = b.Measure([&] { Write(f.in, "event 1 2 1\n"); });
                    End(f);
                } else {
                    screen.Focus(main);
                    Sleep(200);
                    prog = b.Measure([&] {
                        screen.Key(kXKey1);
                        screen.Release(kXKey1);
                    });
                    Child f = Spawn({(b.bin / "latency_floor").string(), std::to_string(frames), "window"}, kFloorEnv,
                                    true, b.root / "floor.log");
                    if (ReadLine(f.out, 10000).rfind("ready", 0) != 0) Fail("latency_floor did not start");
                    const Window fw = screen.WaitFor("latency floor", 10000);
                    if (!fw) Fail("latency_floor's window did not show");
                    screen.Focus(fw);
                    Sleep(300);
                    floor = b.Measure([&] {
                        screen.Key(kXKey1);
                        screen.Release(kXKey1);
                    });
                    End(f);
                }
                Row(frames, road, load, prog, floor);
                if (loaded) {
                    togglePad();
                    Sleep(300);
                }
            }
            gProgram = -1;
            End(program);
            close(script);
        }
    }
    for (const std::string& line : idle) std::printf("%s\n", line.c_str());
    tap.Stop();
    std::system(("bash '" + stackScript + "' stop '" + b.stack.string() + "'").c_str());
    fs::remove_all(b.root);
    return 0;
}
