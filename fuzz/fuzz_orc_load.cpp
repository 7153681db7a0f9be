// Feeds arbitrary bytes straight to the Orchestra parser, as the loader
// gives it a file's bytes, and checks what a parse promises: bytes that can
// be read never make it throw, a refusal says why, and an accepted file is
// consistent with the devices it was read for, its stored sounds no larger
// than the input and of a format a buffer can be made of.
//
// Most mutations go through the entry framing ("*" N name M value "*"), so the
// fuzzer spends its time on names and values instead of on length fields that
// the parser rejects at once; a share of raw byte mutations keeps the framing
// checks themselves under test.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "audio/WaveFile.h"
#include "common/ByteSource.h"
#include "document/OrcParser.h"
#include "document/WaveBuffers.h"

namespace {

using tambrel::Orchestra;
using tambrel::OrcParse;
using tambrel::WaveRef;

// The devices of the computer the file is read on, by the names boards store.
std::optional<std::int32_t> KeysOf(const std::string& storedName) {
    if (storedName == "Keyboard") return 128;
    if (storedName == "Mouse") return 8;
    return std::nullopt;
}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// What an accepted file must have become.
void CheckRead(const OrcParse& read, std::size_t inputSize) {
    const Orchestra& o = read.orc;
    Check(read.problem.empty());
    Check(o.SetNos() >= 1 && o.CurSet >= 1 && o.CurSet <= o.SetNos());
    // CurRec stays as stored, in the list or not; the recorder copes with both.
    Check(o.RecNos() >= 1);
    // The loader's progress walks every Sub Board, and never past its keys.
    std::size_t board = 0;
    for (const tambrel::PlayBoard& pb : o.PlayBoards) {
        Check(pb.BodNos() >= 1);
        for (const tambrel::SubBoard& sb : pb.Bds) {
            // Not bound yet; a board of a device this computer lacks keeps no
            // keys, any other no more than its device has.
            Check(sb.InpDevNo == 0 && sb.KeyNos() <= KeysOf(sb.InpDev).value_or(0));
            for (const tambrel::KeyAssign& k : sb.Keys) Check(!k.SndBuf);
            Check(board < read.keysReached.size());
            const std::int32_t reached = read.keysReached[board++];
            Check(reached >= 0 && reached <= sb.KeyNos());
        }
    }
    Check(board == read.keysReached.size());
    // At most one sound per wave key, in file order.
    std::tuple<std::int32_t, std::int32_t, std::int32_t> last{0, 0, 0};
    for (const WaveRef& w : read.waves) {
        const std::tuple<std::int32_t, std::int32_t, std::int32_t> at{w.set, w.bd, w.key};
        Check(at > last);
        last = at;
        Check(o.ValidKey({tambrel::PlayBoardNo{w.set}, tambrel::SubBoardNo{w.bd}, tambrel::KeyNo{w.key}}));
        std::size_t before = 0; // the Sub Boards ahead of this one
        for (std::int32_t i = 1; i < w.set; ++i) before += static_cast<std::size_t>(o.Set(i).BodNos());
        Check(w.key <= read.keysReached[before + static_cast<std::size_t>(w.bd - 1)]);
        const tambrel::KeyAssign& key = o.Set(w.set).Bd(w.bd).Key(w.key);
        Check(key.SndSrc == tambrel::kSrcWave);
        switch (w.kind) {
        case WaveRef::Kind::File: Check(!w.path.empty() && w.path == key.WavFile && key.SaveInFile != 1); break;
        case WaveRef::Kind::Unusable: Check(!w.problem.empty() && key.SaveInFile == 1); break;
        case WaveRef::Kind::Stored: {
            Check(key.SaveInFile == 1 && w.wave.Data.empty());
            Check(tambrel::WaveFormatProblem(w.wave.BitsPerSample, w.wave.Channels, w.wave.SampleRate).empty());
            // The samples and the buffer the loader makes of them.
            WaveRef copy = w;
            tambrel::ReadSamples(read, copy);
            Check(w.wave.ByteCount > 0 && copy.wave.Data.size() == static_cast<std::size_t>(w.wave.ByteCount) &&
                  copy.wave.Data.size() <= inputSize);
            tambrel::SoundBufferRef buf;
            if (tambrel::CreateWaveBuffer(copy.wave, buf)) {
                const tambrel::WaveFormat& f = buf->Format();
                Check((f.BitsPerSample == 8 || f.BitsPerSample == 16) && (f.Channels == 1 || f.Channels == 2) &&
                      f.SampleRate > 0);
                Check(buf->ByteSize() == static_cast<std::size_t>(w.wave.ByteCount));
            }
            break;
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
    const tambrel::MemoryBytes bytes(data, size);
    // Bytes in memory can always be read: any exception is a fault.
    const OrcParse read = tambrel::ParseOrchestra(bytes, KeysOf);
    switch (read.outcome) {
    case OrcParse::Outcome::Read: CheckRead(read, size); break;
    case OrcParse::Outcome::Newer: Check(read.problem.empty() && read.waves.empty()); break;
    case OrcParse::Outcome::NotAnOrchestra:
    case OrcParse::Outcome::Damaged: Check(!read.problem.empty() && read.waves.empty()); break;
    }
    return 0;
}
