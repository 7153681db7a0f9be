// How long refusing a 2 GB file takes, and the memory it costs: files that
// are holes only, or whose start is valid and whose rest lies (zeros, an
// endless run of tiny entries, a text entry as long as the file), as
// Orchestras and as wave files. Each is opened in a child process, so the
// peak memory printed is that opening's alone.
//
// Run (no sanitizers):
//   cmake --build build -j2 --target huge_file_refusal && build/bin/huge_file_refusal [FOLDER]
// FOLDER (default $TMPDIR, else /tmp) must allow sparse files; they are
// removed afterwards.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "audio/WaveFile.h"
#include "common/Shell.h"
#include "document/NewOrchestra.h"
#include "document/OpenSaveClass.h"
#include "tests/OrcBytes.h"

namespace {

using namespace tambrel;
using tambrel::test::EntryBytes;
using tambrel::test::LE32;

constexpr off_t kSize = off_t{2} << 30;

// Writes `head`, then leaves the file `kSize` long with `tail` at its end.
bool MakeFile(const std::string& path, const std::string& head, const std::string& tail = "") {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = ::write(fd, head.data(), head.size()) == static_cast<ssize_t>(head.size()) && ::ftruncate(fd, kSize) == 0;
    if (ok && !tail.empty())
        ok = ::pwrite(fd, tail.data(), tail.size(), kSize - static_cast<off_t>(tail.size())) ==
             static_cast<ssize_t>(tail.size());
    ::close(fd);
    return ok;
}

std::string Header() {
    std::string h;
    for (const auto& [n, v] : std::vector<std::pair<std::string, std::string>>{{"TbOrc++Mar2004", " x "},
                                                                               {"General++File Version", "01.00"},
                                                                               {"Set++SetNos", "1"},
                                                                               {"Set1++BodNos", "1"},
                                                                               {"Set1Bd1++InpDev", "Keyboard"}})
        h += EntryBytes(n, v);
    return h;
}

// Runs `open` in a child; prints its time, peak memory and what it said.
void Measure(const char* what, const std::function<bool(Shell&)>& open) {
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        struct Quiet : SilentShell {
            std::string said;
            MsgAnswer Message(std::string_view text, std::string_view, MsgButtons) override {
                said = std::string(text.substr(0, 100));
                return MsgAnswer::Ok;
            }
        } shell;
        const bool opened = open(shell);
        std::printf("  %-36s %s: %s\n", what, opened ? "opened" : "refused", shell.said.c_str());
        std::fflush(stdout);
        ::_exit(0);
    }
    int status = 0;
    struct rusage use {};
    ::wait4(pid, &status, 0, &use);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("  %-36s %8.1f ms, peak %7.1f MB\n", "", ms, static_cast<double>(use.ru_maxrss) / 1024.0);
}

bool LoadOrc(Shell& shell, const std::string& path) {
    ProgramState st(shell);
    InputDevice k;
    k.Name = "Keyboard";
    k.Ready = true;
    k.KeyCount = 128;
    st.InputDevices.push_back(k);
    st.Orc = NewOrchestra(st);
    return OpenSaveClass(st).LoadOrchestra(path);
}

} // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = argc > 1 ? argv[1] : (tmp && *tmp ? tmp : "/tmp");
    const std::string orc = folder + "/huge_file_refusal.TbOrc", wav = folder + "/huge_file_refusal.wav";

    std::string tiny;
    const std::string one = EntryBytes("X++", "");
    tiny.reserve((1u << 20) * one.size() + 1000);
    tiny = Header();
    for (std::size_t i = 0; i < (std::size_t{1} << 20) + 100; ++i) tiny += one;
    const std::string name = "General++OpenMsg";
    const std::string lyingText = Header() + "*" + LE32(static_cast<std::int32_t>(name.size())) + name +
                                  LE32(static_cast<std::int32_t>(kSize - static_cast<off_t>(Header().size()) - 10 -
                                                                 static_cast<off_t>(name.size())));

    const struct {
        const char* what;
        std::string head, tail;
    } orcs[] = {
        {"2 GB of holes", "", ""},
        {"a valid start, then zeros", Header(), ""},
        {"a valid start, then tiny entries", tiny, ""},
        {"a text entry as long as the file", lyingText, "*"},
    };
    std::printf("Nothing opened (the cost of the process itself):\n");
    Measure("-", [](Shell&) { return false; });
    std::printf("Orchestra files of 2 GB:\n");
    for (const auto& c : orcs) {
        if (!MakeFile(orc, c.head, c.tail)) {
            std::fprintf(stderr, "huge_file_refusal: cannot write %s\n", orc.c_str());
            return 1;
        }
        Measure(c.what, [&](Shell& shell) { return LoadOrc(shell, orc); });
    }
    ::unlink(orc.c_str());

    std::printf("Wave files of 2 GB:\n");
    std::string data = "data";
    data += LE32(8) + std::string(8, '\1');
    if (!MakeFile(wav, "", data)) return 1;
    Measure("holes, a \"data\" tag at the end", [&](Shell& shell) {
        WaveData w;
        return ParseWaveFile(wav, w, shell);
    });
    ::unlink(wav.c_str());
    return 0;
}
