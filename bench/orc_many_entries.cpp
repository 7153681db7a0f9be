// How long opening an Orchestra file of many small entries takes, for the
// files whose lookups miss: Sub Boards of absent devices and recordings that
// have no entries of their own, where every lookup that misses once searched
// the whole index.
//
// Run (no sanitizers):
//   cmake --build build -j2 --target orc_many_entries && build/bin/orc_many_entries [ENTRIES]
// ENTRIES defaults to 120000 (a file of about 2 MB). Best of 20 runs, the file
// in the page cache.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/Shell.h"
#include "document/NewOrchestra.h"
#include "document/OpenSaveClass.h"
#include "tests/OrcBytes.h"

namespace {

using namespace tambrel;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void Put(std::string& out, const std::string& name, const std::string& value) {
    out += tambrel::test::EntryBytes(name, value);
}

// `entries` entries in all: the header entries, then small fillers; the
// boards or recordings the header claims have no entries of their own.
std::string MissFile(std::size_t entries, bool recordings) {
    std::string out;
    Put(out, "General++File Version", "01.00");
    Put(out, "Set++SetNos", "1");
    const std::size_t claimed = entries - 4;
    Put(out, "Set1++BodNos", recordings ? "1" : std::to_string(claimed));
    Put(out, "Rec0++RecNos", recordings ? std::to_string(claimed) : "0");
    for (std::size_t i = 4; i < entries; ++i) Put(out, "X++" + std::to_string(i), "");
    return out;
}

// A saved-like file where every lookup hits: boards of a present device.
std::string HitFile(std::size_t entries) {
    std::string out;
    Put(out, "General++File Version", "01.00");
    Put(out, "Set++SetNos", "1");
    const std::size_t boards = (entries - 4) / 3;
    Put(out, "Set1++BodNos", std::to_string(boards));
    for (std::size_t j = 1; j <= boards; ++j) {
        const std::string bd = "Set1Bd" + std::to_string(j);
        Put(out, bd + "++BodNam", "B");
        Put(out, bd + "++InpDev", "Pad");
        Put(out, bd + "++KeyNos", "0");
    }
    Put(out, "Rec0++RecNos", "0");
    return out;
}

constexpr int kRuns = 20;

double LoadMs(const std::string& path) {
    double best = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        SilentShell shell;
        ProgramState st(shell);
        InputDevice pad;
        pad.Name = "Pad";
        pad.Ready = true;
        st.InputDevices.push_back(pad);
        st.Orc = NewOrchestra(st);
        const auto t = Clock::now();
        const bool ok = OpenSaveClass(st).LoadOrchestra(path);
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t).count());
        if (!ok) {
            std::fprintf(stderr, "orc_many_entries: %s did not load\n", path.c_str());
            std::exit(1);
        }
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const long entries = argc > 1 ? std::atol(argv[1]) : 120000;
    if (entries < 10) {
        std::fprintf(stderr, "usage: orc_many_entries [ENTRIES >= 10]\n");
        return 2;
    }
    const char* t = std::getenv("TMPDIR");
    std::string pattern = std::string(t && *t ? t : "/tmp") + "/tambrel-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror(pattern.c_str());
        return 2;
    }
    const fs::path dir = pattern;
    const struct {
        const char* what;
        std::string bytes;
    } files[] = {
        {"Sub Boards of absent devices, no entries", MissFile(static_cast<std::size_t>(entries), false)},
        {"recordings without entries", MissFile(static_cast<std::size_t>(entries), true)},
        {"Sub Boards of a present device, all found", HitFile(static_cast<std::size_t>(entries))},
    };
    std::printf("LoadOrchestra of files of %ld small entries (best of %d, ms)\n", entries, kRuns);
    for (const auto& f : files) {
        const std::string path = (dir / "many.TbOrc").string();
        std::ofstream(path, std::ios::binary) << f.bytes;
        std::printf("  %-44s %6.2f MB  %9.2f ms\n", f.what, static_cast<double>(f.bytes.size()) / (1024.0 * 1024.0),
                    LoadMs(path));
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
