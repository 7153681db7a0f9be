// How long saving and opening a large Orchestra take next to copying its file
// and to one read(2) of it into fresh memory, and how much memory opening it
// needs beyond the samples it holds.
//
// Run (Release build, no sanitizers):
//   cmake -S /work/main -B /work/build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAMBREL_SANITIZE=OFF
//   cmake --build /work/build-bench -j2 --target orc_load_save && /work/build-bench/bin/orc_load_save
// Optional arguments: orc_load_save [SAMPLE_MB [FOLDER]]; the defaults are
// 200 MB of samples in a new folder under $TMPDIR (else /tmp), removed after.
//
// The Orchestra has 3 Play Boards of 2 Sub Boards on two 128-key devices,
// every key a wave stored in the file (16-bit stereo, 44100 Hz). Every figure
// is the best of 3 runs with the file in the page cache. Saving ends with an
// fsync, so it is shown against `cp` alone and against `cp` then `sync FILE`.

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Shell.h"
#include "document/NewOrchestra.h"
#include "document/OpenSaveClass.h"
#include "document/WaveBuffers.h"

namespace {

using namespace tambrel;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 3;
constexpr double kMiB = 1024.0 * 1024.0;
const WaveFormat kFormat{16, 2, 44100};

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

double BestOf(const std::function<void()>& before, const std::function<void()>& timed) {
    double best = 1e300;
    for (int i = 0; i < kRuns; ++i) {
        before();
        const auto t = Clock::now();
        timed();
        best = std::min(best, Seconds(t));
    }
    return best;
}

// One read(2) of the whole file into memory never touched before: the least
// any load can do.
void ReadOnce(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot read " + file);
    const auto size = static_cast<std::size_t>(fs::file_size(file));
    std::unique_ptr<char[]> mem(new char[size]);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, mem.get() + done, size - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (done != size) throw std::runtime_error("short read of " + file);
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// A program state on this computer's two 128-key devices.
struct State {
    SilentShell shell;
    ProgramState st{shell};

    explicit State(const std::string& tempPath) {
        for (const char* name : {"Keyboard", "Keypad"}) {
            InputDevice d;
            d.Name = name;
            d.Ready = true;
            d.KeyCount = 128;
            st.InputDevices.push_back(d);
        }
        st.TempPath = tempPath;
        st.Orc = NewOrchestra(st);
    }
};

// Gives every key its own stored wave; `total` bytes are spread over the keys
// in whole frames. Returns the number of keys.
int FillWaves(Orchestra& o, std::uint64_t total) {
    std::vector<KeyAssign*> keys;
    for (PlayBoard& pb : o.PlayBoards)
        for (SubBoard& sb : pb.Bds)
            for (KeyAssign& k : sb.Keys) keys.push_back(&k);
    const std::uint64_t block = static_cast<std::uint64_t>(kFormat.BlockAlign());
    const std::uint64_t frames = total / block;
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::uint64_t n = (frames / keys.size() + (i < frames % keys.size() ? 1 : 0)) * block;
        std::vector<std::uint8_t> bytes(n);
        for (auto& b : bytes) b = static_cast<std::uint8_t>((noise = noise * 1664525u + 1013904223u) >> 24);
        KeyAssign& k = *keys[i];
        k.SndSrc = kSrcWave;
        k.SaveInFile = 1;
        k.WavFile = "/samples/key" + std::to_string(i + 1) + ".wav";
        k.SndBuf = std::make_shared<SoundBuffer>(kFormat, std::move(bytes));
        k.WavBytes = static_cast<std::int32_t>(n);
        CalcWaveDur(k);
    }
    return static_cast<int>(keys.size());
}

std::uint64_t StoredBytes(const Orchestra& o) {
    std::uint64_t sum = 0;
    for (const PlayBoard& pb : o.PlayBoards)
        for (const SubBoard& sb : pb.Bds)
            for (const KeyAssign& k : sb.Keys)
                if (k.SndBuf) sum += k.SndBuf->ByteSize();
    return sum;
}

// A "VmRSS:"-style line of /proc/self/status, in KiB; -1 when absent.
long StatusKiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    return -1;
}

struct LoadMemory {
    long baselineKiB = -1; // resident before the load
    long peakKiB = -1;     // high-water mark during the load
    int ok = 0;
    int peakReset = 0; // the high-water mark was reset just before the load
};

// Loads once in a child process, so the measurement sees nothing but the
// load: the child resets its high-water mark (clear_refs 5) once it stands
// ready, and reports the baseline and the peak through a pipe.
LoadMemory MeasureLoadMemory(const std::string& file, const std::string& tempPath) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(fds[0]);
        LoadMemory m;
        {
            State s(tempPath);
            std::ofstream reset("/proc/self/clear_refs");
            reset << "5" << std::flush;
            m.peakReset = reset.good() ? 1 : 0;
            m.baselineKiB = StatusKiB("VmRSS:");
            m.ok = OpenSaveClass(s.st).LoadOrchestra(file) ? 1 : 0;
            m.peakKiB = StatusKiB("VmHWM:");
            if (!m.peakReset) { // the child's ru_maxrss started at the parent's size
                rusage ru{};
                ::getrusage(RUSAGE_SELF, &ru);
                m.peakKiB = ru.ru_maxrss;
            }
        }
        const bool sent = ::write(fds[1], &m, sizeof m) == static_cast<ssize_t>(sizeof m);
        ::_exit(sent ? 0 : 1);
    }
    ::close(fds[1]);
    LoadMemory m;
    const bool got = ::read(fds[0], &m, sizeof m) == static_cast<ssize_t>(sizeof m);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("the load child failed");
    return m;
}

// The steps the saver and the loader go through, done here by hand on the
// same data, to show where their time goes.
struct Split {
    double copyOut = 0, stdioWrite = 0, directWrite = 0, fsync = 0; // saving
    double allocZero = 0, readInto = 0;                             // loading
};

Split MeasureSplit(const Orchestra& o, const std::string& file, const std::string& scratch) {
    Split s;
    std::vector<const KeyAssign*> keys;
    for (const PlayBoard& pb : o.PlayBoards)
        for (const SubBoard& sb : pb.Bds)
            for (const KeyAssign& k : sb.Keys)
                if (k.SndBuf) keys.push_back(&k);

    std::vector<WaveData> copies(keys.size());
    s.copyOut = BestOf([&] { copies.assign(keys.size(), WaveData{}); },
                       [&] {
                           for (std::size_t i = 0; i < keys.size(); ++i)
                               ReadWaveBuffer(keys[i]->SndBuf, keys[i]->WavBytes, copies[i]);
                       });
    copies.clear();
    copies.shrink_to_fit();

    // One copy of each key's samples at a time, as the saver writes them.
    WaveData w;
    s.stdioWrite = 1e300, s.fsync = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        fs::remove(scratch);
        auto t = Clock::now();
        std::FILE* f = std::fopen(scratch.c_str(), "wb");
        if (!f) throw std::runtime_error("cannot write " + scratch);
        std::setvbuf(f, nullptr, _IOFBF, 1 << 20);
        for (const KeyAssign* k : keys) {
            ReadWaveBuffer(k->SndBuf, k->WavBytes, w);
            std::fwrite(w.Data.data(), 1, w.Data.size(), f);
        }
        std::fflush(f);
        s.stdioWrite = std::min(s.stdioWrite, Seconds(t));
        t = Clock::now();
        ::fsync(::fileno(f));
        s.fsync = std::min(s.fsync, Seconds(t));
        std::fclose(f);
    }
    // The same without the copy: straight from each key's sample memory.
    s.directWrite = BestOf([&] { fs::remove(scratch); },
                           [&] {
                               std::FILE* f = std::fopen(scratch.c_str(), "wb");
                               if (!f) throw std::runtime_error("cannot write " + scratch);
                               std::setvbuf(f, nullptr, _IOFBF, 1 << 20);
                               for (const KeyAssign* k : keys)
                                   std::fwrite(k->SndBuf->Bytes(), 1, static_cast<std::size_t>(k->WavBytes), f);
                               std::fflush(f);
                               std::fclose(f);
                           });
    fs::remove(scratch);

    // The loader sizes each value's vector (zero-filled, fresh pages), then reads into it.
    std::vector<std::vector<std::uint8_t>> bufs(keys.size());
    s.allocZero = BestOf(
        [&] {
            bufs.assign(keys.size(), {});
            malloc_trim(0);
        },
        [&] {
            for (std::size_t i = 0; i < keys.size(); ++i) bufs[i].resize(static_cast<std::size_t>(keys[i]->WavBytes));
        });
    s.readInto = BestOf([] {},
                        [&] {
                            std::FILE* f = std::fopen(file.c_str(), "rb");
                            if (!f) throw std::runtime_error("cannot read " + file);
                            for (auto& b : bufs)
                                if (std::fread(b.data(), 1, b.size(), f) != b.size()) break;
                            std::fclose(f);
                        });
    return s;
}

} // namespace

int main(int argc, char** argv) {
    const double sampleMiB = argc > 1 ? std::atof(argv[1]) : 200.0;
    if (!(sampleMiB > 0)) {
        std::fprintf(stderr, "usage: orc_load_save [SAMPLE_MB [FOLDER]]\n");
        return 2;
    }
    std::string base = argc > 2 ? argv[2] : "";
    if (base.empty()) {
        const char* t = std::getenv("TMPDIR");
        base = t && *t ? t : "/tmp";
    }
    std::string pattern = base + "/tambrel-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror(pattern.c_str());
        return 2;
    }
    const fs::path dir = pattern;
    // Saving over a file sends the old one to the Trash; keep that inside.
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    fs::create_directories(dir / "tmp");
    const std::string tempPath = (dir / "tmp").string() + "/"; // same file system: the save ends in a rename
    const std::string file = (dir / "big.TbOrc").string();
    const std::string copy = (dir / "copy.TbOrc").string();
    int rc = 0;

    try {
        auto source = std::make_unique<State>(tempPath);
        const int keys = FillWaves(source->st.Orc, static_cast<std::uint64_t>(sampleMiB * kMiB));
        const double samples = static_cast<double>(StoredBytes(source->st.Orc)) / kMiB;

        const double save = BestOf([&] { fs::remove(file); },
                                   [&] {
                                       if (!OpenSaveClass(source->st).SaveOrchestra(file))
                                           throw std::runtime_error("SaveOrchestra failed");
                                   });
        const double fileMiB = static_cast<double>(fs::file_size(file)) / kMiB;
        const double cp = BestOf([&] { fs::remove(copy); }, [&] { Run("cp " + Quoted(file) + " " + Quoted(copy)); });
        const double cpSync =
            BestOf([&] { fs::remove(copy); },
                   [&] { Run("cp " + Quoted(file) + " " + Quoted(copy) + " && sync " + Quoted(copy)); });
        fs::remove(copy);
        const double readOnce = BestOf([] { malloc_trim(0); }, [&] { ReadOnce(file); });

        std::unique_ptr<State> loaded;
        const double load = BestOf(
            [&] {
                loaded.reset();
                loaded = std::make_unique<State>(tempPath);
            },
            [&] {
                if (!OpenSaveClass(loaded->st).LoadOrchestra(file)) throw std::runtime_error("LoadOrchestra failed");
            });
        if (StoredBytes(loaded->st.Orc) != StoredBytes(source->st.Orc))
            throw std::runtime_error("the loaded Orchestra holds other samples than were saved");
        loaded.reset();

        const Split split = MeasureSplit(source->st.Orc, file, (dir / "scratch").string());
        source.reset(); // the child should start small
        malloc_trim(0);
        const LoadMemory mem = MeasureLoadMemory(file, tempPath);
        if (!mem.ok) throw std::runtime_error("LoadOrchestra failed in the child");
        const double peak = static_cast<double>(mem.peakKiB - mem.baselineKiB) / 1024.0;

        std::printf("Orchestra: 3 Play Boards x 2 Sub Boards x 128 keys, %d stored waves (16-bit stereo 44100 Hz)\n",
                    keys);
        std::printf("stored samples %.1f MB, file %.1f MB, in %s (MB = 2^20 bytes; best of %d runs)\n\n", samples,
                    fileMiB, dir.c_str(), kRuns);
        std::printf("%-22s %9s\n", "", "seconds");
        std::printf("%-22s %9.3f\n", "SaveOrchestra", save);
        std::printf("%-22s %9.3f\n", "LoadOrchestra", load);
        std::printf("%-22s %9.3f\n", "cp", cp);
        std::printf("%-22s %9.3f\n", "cp; sync FILE", cpSync);
        std::printf("%-22s %9.3f\n\n", "one read(2)", readOnce);
        std::printf("load / one read(2)    %9.2f\n", load / readOnce);
        std::printf("save / cp             %9.2f\n\n", save / cp);
        std::printf("%-22s %9s %9s %7s\n", "ratio", "vs cp", "vs cp+sync", "goal");
        std::printf("%-22s %9.2f %9.2f %7s  %s\n", "load", load / cp, load / cpSync, "<= 1.5",
                    load <= 1.5 * cp ? "met" : "MISSED (vs cp)");
        std::printf("%-22s %9.2f %9.2f %7s  %s\n\n", "save", save / cp, save / cpSync, "<= 2",
                    save <= 2 * cp ? "met" : (save <= 2 * cpSync ? "MISSED vs cp, met vs cp+sync" : "MISSED"));
        std::printf("peak load memory      %9.1f MB above the %.1f MB resident before (%s)\n", peak,
                    static_cast<double>(mem.baselineKiB) / 1024.0,
                    mem.peakReset ? "VmHWM, reset before the load" : "ru_maxrss");
        std::printf("peak - samples        %9.1f MB  goal <= 32 MB  %s\n\n", peak - samples,
                    peak - samples <= 32 ? "met" : "MISSED");
        std::printf("where the time goes (the same steps done by hand, seconds):\n");
        std::printf("  save: copy each key's samples out of its buffer (ReadWaveBuffer)   %7.3f\n", split.copyOut);
        std::printf("        that copy + fwrite through a 1 MB stdio buffer, no fsync      %7.3f\n", split.stdioWrite);
        std::printf("        fwrite straight from each key's samples, no copy, no fsync    %7.3f\n", split.directWrite);
        std::printf("        fsync of the written file                                     %7.3f\n", split.fsync);
        std::printf("  load: size one zero-filled vector per stored wave (fresh pages)     %7.3f\n", split.allocZero);
        std::printf("        fread the file into vectors already in memory                 %7.3f\n", split.readInto);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orc_load_save: %s\n", e.what());
        rc = 1;
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return rc;
}
