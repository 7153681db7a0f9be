// The main program's figures, taken on the real TambrelOrchestra under an X
// server, from a copy of the program folder (so its settings file is a
// throw-away one):
//
//   start  from starting the program to its main window mapped with the
//          sample's name in its caption; one warm-up run, then RUNS runs.
//   idle   the CPU time of the program and its input server over 10 s, with
//          the input devices on and nothing sounding.
//   restart from kill -9 of the input server to the first audible sample of
//          a press made through the server the program starts in its place
//          (the press waits in the device script until devices go on); a
//          fresh program for each run, as a second kill within a minute
//          waits for the restart's back-off.
//   press  from a key press to the first audible sample handed to SDL. SDL's
//          disk driver writes each buffer into a FIFO this program reads, so
//          a buffer is stamped when the driver hands it on. Two roads: a
//          scripted keyboard through the input server, and a key event of
//          the X server (XTest) while no keyboard can be read, so the main
//          window feeds its own keys.
//
//   xvfb-run -a -s '-screen 0 1600x1000x24' build-bench/bin/main_program [RUNS] [PRESSES]
//
// RUNS defaults to 10, PRESSES to 200 per road. Prints figures; asserts nothing.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#ifdef TAMBREL_HAVE_XTEST
#include <X11/extensions/XTest.h>
#endif
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "input/KeyboardTable.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBufferFrames = 256; // what the program asks SDL for
constexpr int kRate = 48000;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "main_program: %s\n", what.c_str());
    std::exit(1);
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Figures {
    std::vector<double> v;
    double At(double p) {
        std::sort(v.begin(), v.end());
        if (v.empty()) return 0;
        return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
    }
};

// A throw-away home and program folder; removed at the end.
struct Sandbox {
    fs::path root, bin, from;
    Sandbox() {
        std::string t = (fs::temp_directory_path() / "tambrel-bench-XXXXXX").string();
        if (!mkdtemp(t.data())) Fail("no temporary folder");
        root = t;
        bin = root / "bin";
        char exe[4096];
        const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        if (n <= 0) Fail("cannot find the program folder");
        from = fs::path(std::string(exe, static_cast<std::size_t>(n))).parent_path();
        fs::create_directories(bin);
        for (const char* name : {"TambrelOrchestra", "TambrelOrchestraDll"}) {
            if (!fs::exists(from / name)) Fail(std::string(name) + " is not beside this benchmark");
            fs::copy(from / name, bin / name);
        }
        fs::copy(from / "Samples", bin / "Samples", fs::copy_options::recursive);
        for (const auto& e : fs::directory_iterator(from))
            if (e.path().extension() == ".sty" || e.path().extension() == ".html")
                fs::copy(e.path(), bin / e.path().filename());
        for (const char* d : {"home", "config", "runtime"}) fs::create_directories(root / d);
        fs::permissions(root / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    }
    ~Sandbox() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;
};

// A FIFO opened for reading and writing: opening waits for nobody.
struct Fifo {
    std::string path;
    int fd = -1;
    explicit Fifo(const fs::path& p) : path(p.string()) {
        if (mkfifo(path.c_str(), 0600) != 0 || (fd = open(path.c_str(), O_RDWR | O_CLOEXEC)) < 0)
            Fail("no FIFO " + path);
    }
    ~Fifo() { close(fd); }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;
    void Put(const std::string& s) const {
        if (write(fd, s.data(), s.size()) != static_cast<ssize_t>(s.size())) Fail("cannot write " + path);
    }
};

// Reads what SDL's disk driver writes and stamps each buffer that holds any
// sound. Silence is all zero bytes in the program's float format.
class AudioTap {
public:
    explicit AudioTap(const fs::path& p) : fifo_(p), thread_([this] { Run(); }) {}
    ~AudioTap() {
        stop_ = true;
        thread_.join();
    }
    AudioTap(const AudioTap&) = delete;
    AudioTap& operator=(const AudioTap&) = delete;
    const std::string& Path() const { return fifo_.path; }
    // Stamp of the last buffer with sound, in steady-clock nanoseconds; 0: none yet.
    long long LastSound() const { return lastSound_.load(); }
    long long LastBuffer() const { return lastBuffer_.load(); }
    // The first buffer with sound at or after `since`.
    void Arm(long long since) {
        first_ = 0;
        armedAt_ = since;
    }
    long long FirstSound() const { return first_.load(); }

private:
    void Run() {
        std::vector<unsigned char> buf(1 << 16);
        while (!stop_) {
            pollfd p{fifo_.fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = read(fifo_.fd, buf.data(), buf.size());
            const long long now = Clock::now().time_since_epoch().count();
            if (n <= 0) continue;
            lastBuffer_ = now;
            const bool sound = std::any_of(buf.begin(), buf.begin() + n, [](unsigned char c) { return c != 0; });
            if (!sound) continue;
            lastSound_ = now;
            const long long armed = armedAt_.load();
            if (armed != 0 && now >= armed && first_.load() == 0) first_ = now;
        }
    }
    Fifo fifo_;
    std::atomic<bool> stop_{false};
    std::atomic<long long> lastSound_{0}, lastBuffer_{0}, armedAt_{0}, first_{0};
    std::thread thread_;
};

// Watches the X server for the program's top-level windows.
class XWatch {
public:
    XWatch() {
        // Windows come and go while they are looked at: such errors are expected.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        dpy_ = XOpenDisplay(nullptr);
        if (!dpy_) Fail("no X display (run under xvfb-run)");
        root_ = DefaultRootWindow(dpy_);
        XSelectInput(dpy_, root_, SubstructureNotifyMask);
        netName_ = XInternAtom(dpy_, "_NET_WM_NAME", False);
        utf8_ = XInternAtom(dpy_, "UTF8_STRING", False);
        XSync(dpy_, False);
    }
    ~XWatch() { XCloseDisplay(dpy_); }
    XWatch(const XWatch&) = delete;
    XWatch& operator=(const XWatch&) = delete;
    Display* Dpy() const { return dpy_; }

    // Waits until a mapped top-level window's title holds `part`; 0 on timeout.
    Window WaitForTitle(const std::vector<std::string>& parts, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            while (XPending(dpy_)) {
                XEvent e;
                XNextEvent(dpy_, &e);
                Window w = 0;
                if (e.type == CreateNotify) {
                    XSelectInput(dpy_, e.xcreatewindow.window, PropertyChangeMask | StructureNotifyMask);
                } else if (e.type == MapNotify) {
                    w = e.xmap.window;
                } else if (e.type == PropertyNotify) {
                    w = e.xproperty.window;
                }
                if (w && Mapped(w) && Matches(Title(w), parts)) return w;
            }
            // A window mapped before this call started waiting.
            if (Window w = Find(parts)) return w;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return 0;
            pollfd p{ConnectionNumber(dpy_), POLLIN, 0};
            poll(&p, 1, static_cast<int>(std::min<long long>(left, 100)));
        }
    }
    std::string TitleOf(Window w) { return Title(w); }
    static bool Matches(const std::string& title, const std::vector<std::string>& parts) {
        return std::any_of(parts.begin(), parts.end(),
                           [&](const std::string& p) { return title.find(p) != std::string::npos; });
    }
    Window Find(const std::vector<std::string>& parts) {
        Window r, parent, *kids = nullptr;
        unsigned n = 0;
        Window found = 0;
        if (XQueryTree(dpy_, root_, &r, &parent, &kids, &n)) {
            for (unsigned i = 0; i < n && !found; ++i)
                if (Mapped(kids[i]) && Matches(Title(kids[i]), parts)) found = kids[i];
            XFree(kids);
        }
        return found;
    }
    // Sends key (an X key symbol) to window w: focus, press, release.
    bool Key(Window w, KeySym sym, bool release = true) {
#ifdef TAMBREL_HAVE_XTEST
        XSetInputFocus(dpy_, w, RevertToPointerRoot, CurrentTime);
        const KeyCode code = XKeysymToKeycode(dpy_, sym);
        XTestFakeKeyEvent(dpy_, code, True, CurrentTime);
        if (release) XTestFakeKeyEvent(dpy_, code, False, CurrentTime);
        XFlush(dpy_);
        return true;
#else
        (void)w, (void)sym, (void)release;
        return false;
#endif
    }
    void Release(KeySym sym) {
#ifdef TAMBREL_HAVE_XTEST
        XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, sym), False, CurrentTime);
        XFlush(dpy_);
#else
        (void)sym;
#endif
    }

private:
    bool Mapped(Window w) {
        XWindowAttributes a;
        return XGetWindowAttributes(dpy_, w, &a) && a.map_state == IsViewable;
    }
    std::string Title(Window w) {
        Atom type;
        int format;
        unsigned long n, after;
        unsigned char* data = nullptr;
        std::string t;
        if (XGetWindowProperty(dpy_, w, netName_, 0, 1024, False, utf8_, &type, &format, &n, &after, &data) ==
                Success &&
            data) {
            t.assign(reinterpret_cast<char*>(data), n);
            XFree(data);
        }
        if (t.empty()) {
            char* name = nullptr;
            if (XFetchName(dpy_, w, &name) && name) {
                t = name;
                XFree(name);
            }
        }
        return t;
    }
    Display* dpy_ = nullptr;
    Window root_ = 0;
    Atom netName_ = 0, utf8_ = 0;
};

// One run of the program in the sandbox.
class Program {
public:
    Program(const Sandbox& box, const std::string& deviceScript, const std::string& audioFile) {
        const fs::path wrapper = box.root / "server.sh";
        {
            std::ofstream w(wrapper);
            w << "#!/bin/sh\nexec '" << (box.bin / "TambrelOrchestraDll").string() << "' \"$@\" --virtual '"
              << deviceScript << "'\n";
        }
        fs::permissions(wrapper, fs::perms::owner_all);
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string s = *e;
            if (s.rfind("DISPLAY=", 0) == 0 || s.rfind("XAUTHORITY=", 0) == 0 || s.rfind("PATH=", 0) == 0 ||
                s.rfind("LANG=", 0) == 0)
                env.push_back(s);
        }
        env.push_back("HOME=" + (box.root / "home").string());
        env.push_back("XDG_CONFIG_HOME=" + (box.root / "config").string());
        env.push_back("XDG_RUNTIME_DIR=" + (box.root / "runtime").string());
        env.push_back("TAMBREL_INPUT_SERVER=" + wrapper.string());
        env.push_back("SDL_AUDIODRIVER=disk");
        env.push_back("SDL_DISKAUDIOFILE=" + audioFile);
        env.push_back("QT_QPA_PLATFORM=xcb");
        // Each buffer reaches a FIFO as SDL hands it on, not two at a time.
        if (audioFile != "/dev/null") env.push_back("LD_PRELOAD=" + (box.from / "unbuffered_disk_audio.so").string());
        std::vector<char*> envp;
        for (std::string& s : env) envp.push_back(s.data());
        envp.push_back(nullptr);
        std::string exe = (box.bin / "TambrelOrchestra").string();
        char* argv[] = {exe.data(), nullptr};
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        started = Clock::now();
        if (posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv, envp.data()) != 0) Fail("cannot start " + exe);
        posix_spawn_file_actions_destroy(&fa);
    }
    ~Program() { Stop(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Asks the program to close as the session's end would, and waits.
    void Stop() {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        for (int i = 0; i < 1000; ++i) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                pid = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
    // Time on a CPU, in nanoseconds, of every thread of the program and of
    // its child processes (the scheduler's own figures, finer than ticks).
    long long CpuNs(bool sdlAudioOnly = false) const {
        long long total = RunNs(pid, sdlAudioOnly);
        for (const auto& e : fs::directory_iterator("/proc")) {
            const std::string n = e.path().filename().string();
            if (n.empty() || !std::all_of(n.begin(), n.end(), ::isdigit)) continue;
            const pid_t child = std::atoi(n.c_str());
            if (ParentOf(child) == pid) total += RunNs(child, sdlAudioOnly);
        }
        return total;
    }

    pid_t pid = -1;
    Clock::time_point started;

    // The input server: the child whose command line names it; -1: none.
    pid_t Server() const {
        for (const auto& e : fs::directory_iterator("/proc")) {
            const std::string n = e.path().filename().string();
            if (n.empty() || !std::all_of(n.begin(), n.end(), ::isdigit)) continue;
            const pid_t child = std::atoi(n.c_str());
            if (ParentOf(child) != pid) continue;
            std::ifstream f(e.path() / "cmdline");
            std::string cmd((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
            if (cmd.find("TambrelOrchestraDll") != std::string::npos) return child;
        }
        return -1;
    }
    // Dead: a zombie or gone.
    static bool Dead(pid_t p) {
        const auto f = Fields(p);
        return f.empty() || f[0] == "Z";
    }

private:
    static std::string Stat(pid_t p) {
        std::ifstream f("/proc/" + std::to_string(p) + "/stat");
        std::string s;
        std::getline(f, s);
        const std::size_t close = s.rfind(')');
        return close == std::string::npos ? std::string() : s.substr(close + 2);
    }
    // Fields after the command name: state ppid ... utime(12th) stime(13th).
    static std::vector<std::string> Fields(pid_t p) {
        std::vector<std::string> f;
        std::string s = Stat(p), cur;
        for (char c : s) {
            if (c == ' ') {
                f.push_back(cur);
                cur.clear();
            } else {
                cur += c;
            }
        }
        if (!cur.empty()) f.push_back(cur);
        return f;
    }
    static pid_t ParentOf(pid_t p) {
        const auto f = Fields(p);
        return f.size() > 1 ? std::atoi(f[1].c_str()) : -1;
    }
    // sdlAudioOnly: only SDL's audio thread ("SDLAudioP..."), which wakes for
    // every device buffer whether anything sounds or not.
    static long long RunNs(pid_t p, bool sdlAudioOnly) {
        long long total = 0;
        std::error_code ec;
        for (const auto& t : fs::directory_iterator("/proc/" + std::to_string(p) + "/task", ec)) {
            if (sdlAudioOnly) {
                std::ifstream c(t.path() / "comm");
                std::string name;
                std::getline(c, name);
                if (name.rfind("SDLAudio", 0) != 0) continue;
            }
            std::ifstream f(t.path() / "schedstat");
            long long ns = 0;
            if (f >> ns) total += ns;
        }
        return total;
    }
};

constexpr char kSampleTitle[] = "Sample1";
constexpr char kOpenMessageTitle[] = "Opening Message";

// Once the sample is open it greets with its message, a modal dialog that
// takes the keys; the caption names the file after it closed. Waits for
// the sample to be open (the greeting or the caption), closes the greeting
// with Escape, and returns the main window once its caption names the file.
Window WaitForSample(XWatch& screen, Clock::time_point* shown = nullptr) {
    const Window first = screen.WaitForTitle({kSampleTitle, kOpenMessageTitle}, std::chrono::seconds(20));
    if (shown) *shown = Clock::now();
    if (!first) Fail("the sample did not open within 20 s");
    if (screen.TitleOf(first).find(kOpenMessageTitle) != std::string::npos) {
        screen.Key(first, XK_Escape);
    }
    const Window main = screen.WaitForTitle({kSampleTitle}, std::chrono::seconds(10));
    if (!main) Fail("the main window's caption never named the sample");
    return main;
}

void MeasureStart(Sandbox& box, XWatch& screen, int runs) {
    const fs::path script = box.root / "start-devices.txt";
    std::ofstream(script) << "keyboard\nmouse\n";
    Figures f;
    for (int i = 0; i <= runs; ++i) {
        Program p(box, script.string(), "/dev/null");
        Clock::time_point shown;
        WaitForSample(screen, &shown);
        if (i > 0) f.v.push_back(Ms(shown - p.started)); // run 0 warms the caches
        p.Stop();
    }
    std::printf(
        "start to main window with the sample open (its greeting shown): %d warm runs  best %.0f ms  median %.0f ms  worst %.0f ms\n",
        runs, f.At(0), f.At(0.5), f.At(1));
}

void MeasureIdle(Sandbox& box, XWatch& screen, int seconds) {
    const fs::path script = box.root / "idle-devices.txt";
    std::ofstream(script) << "keyboard\nmouse\n";
    Program p(box, script.string(), "/dev/null");
    WaitForSample(screen);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const long long before = p.CpuNs(), audioBefore = p.CpuNs(true);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = static_cast<double>(p.CpuNs() - before) / 1e9;
    const double audio = static_cast<double>(p.CpuNs(true) - audioBefore) / 1e9;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("idle, input on, no sound (program + input server, SDL disk driver): %.2f%% of a core over %.0f s;\n"
                "    of which SDL's audio thread (one wake-up per %d-frame buffer): %.2f%%, everything else: %.2f%%\n",
                100.0 * cpu / wall, wall, kBufferFrames, 100.0 * audio / wall, 100.0 * (cpu - audio) / wall);
}

// Waits until nothing has sounded for `quiet`; false when sound never stops.
bool WaitForSilence(const AudioTap& tap, std::chrono::milliseconds quiet) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        const long long last = tap.LastSound();
        const long long now = Clock::now().time_since_epoch().count();
        if (tap.LastBuffer() != 0 && (last == 0 || now - last >= std::chrono::nanoseconds(quiet).count())) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

enum class Road { Server, Window };

void MeasurePress(Sandbox& box, XWatch& screen, Road road, int presses) {
    const bool viaServer = road == Road::Server;
    const fs::path tapPath = box.root / (viaServer ? "audio-server" : "audio-window");
    AudioTap tap(tapPath);
    const Fifo script(box.root / (viaServer ? "press-server.txt" : "press-window.txt"));
    // Without a keyboard the server can read, the window feeds its own keys.
    script.Put(viaServer ? "keyboard\nmouse\n" : "mouse\n");
    Program p(box, script.path, tap.Path());
    const Window w = WaitForSample(screen);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000)); // input switched on after the sample opened
    const std::int32_t key = tambrel::KeyboardObjectForCode(2);   // the "1" key: a short drum in the sample
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> jitter(0, 6000);
    Figures f;
    int lost = 0;
    for (int i = 0; i < presses; ++i) {
        if (!WaitForSilence(tap, std::chrono::milliseconds(40))) Fail("the sound never stopped");
        std::this_thread::sleep_for(std::chrono::microseconds(jitter(rng)));
        const long long t0 = Clock::now().time_since_epoch().count();
        tap.Arm(t0);
        if (viaServer) {
            script.Put("event 1 " + std::to_string(key) + " 1\nevent 1 " + std::to_string(key) + " 0\n");
        } else if (!screen.Key(w, XK_1)) {
            std::printf("press through the window: not measured (built without XTest)\n");
            return;
        }
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (tap.FirstSound() == 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (tap.FirstSound() == 0) {
            ++lost;
            continue;
        }
        f.v.push_back(static_cast<double>(tap.FirstSound() - t0) / 1e6);
    }
    const double buffer = 1000.0 * kBufferFrames / kRate;
    std::printf("press %s -> first sample handed to SDL: %d presses, %d silent  p50 %.2f ms  p99 %.2f ms  max %.2f ms  "
                "(device buffer %.2f ms; goal p99 <= %.2f ms)\n",
                viaServer ? "through the input server" : "through the window      ", presses, lost, f.At(0.5),
                f.At(0.99), f.At(1), buffer, buffer + 1);
}

void MeasureRestart(Sandbox& box, XWatch& screen, int runs) {
    const std::int32_t key = tambrel::KeyboardObjectForCode(2); // the "1" key
    const std::string press = "event 1 " + std::to_string(key) + " 1\nevent 1 " + std::to_string(key) + " 0\n";
    Figures f;
    int silent = 0;
    for (int i = 0; i < runs; ++i) {
        const fs::path tapPath = box.root / ("audio-restart-" + std::to_string(i));
        AudioTap tap(tapPath);
        const Fifo script(box.root / ("restart-" + std::to_string(i) + ".txt"));
        script.Put("keyboard\nmouse\n");
        Program p(box, script.path, tap.Path());
        WaitForSample(screen);
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        const pid_t server = p.Server();
        if (server <= 0) Fail("no input server beside the program");
        if (!WaitForSilence(tap, std::chrono::milliseconds(40))) Fail("the sound never stopped");
        const long long t0 = Clock::now().time_since_epoch().count();
        tap.Arm(t0);
        kill(server, SIGKILL);
        // The dead server must not read what is meant for the next one.
        while (!Program::Dead(server)) std::this_thread::sleep_for(std::chrono::microseconds(100));
        script.Put("keyboard\nmouse\nwait-acquire\n" + press);
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (tap.FirstSound() == 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (tap.FirstSound() == 0) ++silent;
        else f.v.push_back(static_cast<double>(tap.FirstSound() - t0) / 1e6);
        p.Stop();
    }
    std::printf("kill -9 of the input server -> a press through its replacement sounds: %d runs, %d silent  "
                "best %.1f ms  median %.1f ms  worst %.1f ms\n",
                runs, silent, f.At(0), f.At(0.5), f.At(1));
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int presses = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    signal(SIGPIPE, SIG_IGN);
    Sandbox box;
    XWatch screen;
    MeasureStart(box, screen, runs);
    MeasureIdle(box, screen, 10);
    MeasureRestart(box, screen, std::max(3, runs / 2));
    MeasurePress(box, screen, Road::Server, presses);
    MeasurePress(box, screen, Road::Window, presses);
    return 0;
}
