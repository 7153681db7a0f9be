// Feeds arbitrary bytes to the Orchestra loader through a real file, as the
// loader only reads from disk, and checks what a load promises: a refused file
// leaves the open Orchestra alone, an accepted one is consistent with the
// devices of this computer and holds no stored sound larger than the file.
//
// Most mutations go through the entry framing ("*" N name M value "*"), so the
// fuzzer spends its time on names and values instead of on length fields that
// the loader rejects at once; a share of raw byte mutations keeps the framing
// checks themselves under test.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/Shell.h"
#include "fuzz/FuzzInputFile.h"
#include "document/NewOrchestra.h"
#include "document/OpenSaveClass.h"
#include "document/InputDevice.h"

namespace {

using tambrel::Orchestra;
using tambrel::ProgramState;

void AddDevice(ProgramState& st, const char* name, int keys) {
    tambrel::InputDevice d;
    d.Name = name;
    d.Ready = true;
    d.KeyCount = keys;
    st.InputDevices.push_back(d);
}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// What an accepted file must have become.
void CheckLoaded(const ProgramState& st, std::size_t inputSize) {
    const Orchestra& o = st.Orc;
    Check(o.SetNos() >= 1 && o.CurSet >= 1 && o.CurSet <= o.SetNos());
    // CurRec stays as stored, in the list or not; the recorder copes with both.
    Check(o.RecNos() >= 1);
    for (const tambrel::PlayBoard& pb : o.PlayBoards) {
        Check(pb.BodNos() >= 1);
        for (const tambrel::SubBoard& sb : pb.Bds) {
            const tambrel::InputDevice* dev = st.Device(sb.InpDevNo);
            // A board of a device this computer lacks keeps no keys; any
            // other board has exactly its device's keys.
            Check(sb.InpDevNo == 0 ? sb.KeyNos() == 0 : dev && dev->Name == sb.InpDev && sb.KeyNos() == dev->KeyCount);
            for (const tambrel::KeyAssign& k : sb.Keys) {
                if (!k.SndBuf) continue;
                const tambrel::WaveFormat& f = k.SndBuf->Format();
                Check((f.BitsPerSample == 8 || f.BitsPerSample == 16) && (f.Channels == 1 || f.Channels == 2) &&
                      f.SampleRate > 0);
                Check(k.SndBuf->ByteSize() == static_cast<std::size_t>(k.WavBytes));
                if (FlagOn(k.SaveInFile)) Check(k.SndBuf->ByteSize() <= inputSize);
            }
        }
    }
}

// ------------------------------------------------------------ mutation

struct Entry {
    std::string name, value;
};

std::uint32_t GetLE32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void PutLE32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
}

// The entries of a well-framed input; false for anything else.
bool SplitEntries(const std::uint8_t* data, std::size_t size, std::vector<Entry>& out) {
    std::size_t p = 0;
    while (p < size) {
        if (data[p] != '*' || size - p < 10) return false;
        const std::size_t n = GetLE32(data + p + 1);
        if (size - p - 5 < n + 5) return false;
        const std::size_t m = GetLE32(data + p + 5 + n);
        if (size - p - 9 - n < m + 1 || data[p + 9 + n + m] != '*') return false;
        out.push_back({std::string(reinterpret_cast<const char*>(data + p + 5), n),
                       std::string(reinterpret_cast<const char*>(data + p + 9 + n), m)});
        p += 10 + n + m;
    }
    return true;
}

std::string JoinEntries(const std::vector<Entry>& entries) {
    std::string out;
    for (const Entry& e : entries) {
        out += '*';
        PutLE32(out, static_cast<std::uint32_t>(e.name.size()));
        out += e.name;
        PutLE32(out, static_cast<std::uint32_t>(e.value.size()));
        out += e.value;
        out += '*';
    }
    return out;
}

// Counts and indexes are where a loader over-trusts a file.
const char* const kNumbers[] = {"0",       "1",          "-1",         "2",           "3",          "8",
                                "127",     "128",        "129",        "255",         "256",        "65536",
                                "1000000", "2147483647", "2147483648", "-2147483648", "4294967296", "1e30",
                                "-1e30",   "1.5",        "01.00",      ".5E+3"};

} // namespace

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed) {
    std::minstd_rand rng(seed);
    std::vector<Entry> entries;
    if (rng() % 8 == 0 || !SplitEntries(data, size, entries) || entries.empty())
        return LLVMFuzzerMutate(data, size, maxSize);

    Entry& e = entries[rng() % entries.size()];
    switch (rng() % 8) {
    case 0:   // a name
    case 1: { // a value
        std::string& part = (rng() % 8 == 0) ? e.name : e.value;
        const std::size_t others = size - part.size();
        if (others >= maxSize) return LLVMFuzzerMutate(data, size, maxSize);
        const std::size_t old = part.size();
        part.resize(maxSize - others);
        part.resize(LLVMFuzzerMutate(reinterpret_cast<std::uint8_t*>(part.data()), old, part.size()));
        break;
    }
    case 2: e.value = kNumbers[rng() % std::size(kNumbers)]; break;
    case 3: entries.push_back(e); break;                                   // a repeated entry
    case 4: entries.erase(entries.begin() + (&e - entries.data())); break; // a missing one
    case 5: std::swap(e, entries[rng() % entries.size()]); break;          // out of order
    default: { // a value mutated in place, the most common useful change
        const std::size_t others = size - e.value.size();
        if (others >= maxSize) return LLVMFuzzerMutate(data, size, maxSize);
        const std::size_t old = e.value.size();
        e.value.resize(maxSize - others);
        e.value.resize(LLVMFuzzerMutate(reinterpret_cast<std::uint8_t*>(e.value.data()), old, e.value.size()));
        break;
    }
    }
    const std::string out = JoinEntries(entries);
    if (out.size() > maxSize) return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, out.data(), out.size());
    return out.size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = tambrel::fuzz::InputPath("tambrel_fuzz_orc_", ".TbOrc");
    if (!tambrel::fuzz::WriteInput(path, data, size)) return 0;

    tambrel::SilentShell shell;
    ProgramState st(shell);
    AddDevice(st, "Keyboard", 128);
    AddDevice(st, "Mouse", 8);
    // Loading writes nothing; the folders are set as the program sets them.
    const std::string temp = std::filesystem::temp_directory_path().string();
    st.TempPath = st.LastUsedPath = temp + "/";
    st.AppPath = temp;
    st.Orc = tambrel::NewOrchestra(st);

    if (tambrel::OpenSaveClass(st).LoadOrchestra(path)) {
        CheckLoaded(st, size);
    } else {
        // Refused or damaged: the Orchestra that was open stays as it was.
        Check(st.Orc.SetNos() == 3 && st.Orc.Set(1).SetNam == "Mike" && st.Orc.CurSet == 3 &&
              st.Orc.Set(3).BodNos() == 2 && st.Orc.Set(3).Bd(1).KeyNos() == 128);
    }
    return 0;
}
