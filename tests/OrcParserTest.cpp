// The Orchestra parser on its own: bytes in, the Orchestra as stored and
// the sound each wave key is to get out, with no file, device or wave file
// behind it. Loading through OpenSaveClass (OrcFileFormatTest) covers what
// the binding makes of it.

#include <gtest/gtest.h>

#include <fcntl.h>

#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <string>
#include <utility>
#include <vector>

#include "document/OpenSaveClass.h"
#include "document/OrcIndex.h"
#include "document/OrcParser.h"
#include "tests/OrcBytes.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

struct Entry {
    std::string name, value;
};

std::string FileOf(const std::vector<Entry>& entries) {
    std::string out;
    for (const auto& e : entries) out += EntryBytes(e.name, e.value);
    return out;
}

std::vector<Entry> Header(const std::string& version = "01.00") {
    return {{"TbOrc++Mar2004", " x "}, {"General++Version", "Mar2004"}, {"General++File Version", version}};
}

// Devices by the names boards store; the calls are kept in order.
struct Devices {
    explicit Devices(std::vector<std::pair<std::string, std::int32_t>> k = {}) : keys(std::move(k)) {}
    std::vector<std::pair<std::string, std::int32_t>> keys;
    std::vector<std::string> asked;
    DeviceKeyCount Count() {
        return [this](const std::string& name) -> std::optional<std::int32_t> {
            asked.push_back(name);
            for (const auto& [n, k] : keys)
                if (n == name) return k;
            return std::nullopt;
        };
    }
};

// Bytes and what was parsed of them, together: stored samples are read from
// the bytes after the parse.
struct Parsed {
    Parsed(std::string b, Devices& devices)
        : bytes(std::move(b)), source(bytes), read(ParseOrchestra(source, devices.Count())) {}
    const std::string bytes;
    const MemoryBytes source;
    const OrcParse read;
};

// The samples ReadSamples gives a Stored wave.
std::vector<std::uint8_t> Samples(const OrcParse& read, const WaveRef& wave) {
    WaveRef copy = wave;
    ReadSamples(read, copy);
    return copy.wave.Data;
}

TEST(OrcParser, EachWaveKeyGetsTheSoundItsEntriesGive) {
    using Kind = WaveRef::Kind;
    const std::string file = "1:0,10,0,1,0,1,0,0", stored = "1:0,10,0,1,0,1,0,1";
    const struct {
        const char* what;
        std::string key1, key2;
        std::vector<Entry> wavBufs;
        std::optional<Kind> kind; // none: the key has nothing to load
        std::string path, entry, problem;
        std::vector<int> format; // bits, channels, rate, frames, byte count
        std::string samples;
        std::string wavFile;
    } rows[] = {
        {"a wave file", file, "/w/a.wav", {}, Kind::File, "/w/a.wav", "", "", {0, 0, 0, 0, 0}, "", "/w/a.wav"},
        {"no wave file named", file, "", {}, std::nullopt, "", "", "", {}, "", ""},
        {"stored samples",
         stored,
         "1|4|16|1|22050|2|/w/s.wav",
         {{"WavBuf++1", "ABCD"}},
         Kind::Stored,
         "",
         "",
         "",
         {16, 1, 22050, 2, 4},
         "ABCD",
         "/w/s.wav"},
        {"stored, fewer bytes than claimed",
         stored,
         "2|9|8|1|11025|9|/w/c.wav",
         {{"WavBuf++2", "short"}},
         std::nullopt,
         "",
         "",
         "",
         {},
         "",
         "/w/c.wav"},
        {"stored, no such entry", stored, "3|4|8|1|11025|4|", {}, std::nullopt, "", "", "", {}, "", ""},
        {"stored, no samples", stored, "5|0|16|1|22050|0|", {{"WavBuf++5", ""}}, std::nullopt, "", "", "", {}, "", ""},
        {"stored in a format no wave file has",
         stored,
         "4|4|24|1|22050|1|/w/x.wav",
         {{"WavBuf++4", "abcd"}},
         Kind::Unusable,
         "/w/x.wav",
         "4",
         "Bits per sample (24) not supported",
         {24, 1, 22050, 1, 4},
         "",
         "/w/x.wav"},
        {"saved without a wave", stored, "", {}, std::nullopt, "", "", "", {}, "", ""},
        {"a MIDI key", "5:0,0,100,1,0,60,127", "/w/ignored.wav", {}, std::nullopt, "", "", "", {}, "", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        auto e = Header();
        e.insert(e.end(),
                 {{"Set++SetNos", "1"}, {"Set1++BodNos", "1"}, {"Set1Bd1++InpDev", "Pad"}, {"Set1Bd1++KeyNos", "2"}});
        e.insert(e.end(), r.wavBufs.begin(), r.wavBufs.end());
        // The key under test is the second, after a MIDI key.
        e.insert(e.end(), {{"Set1Bd1++Key1", "5:0;" + r.key1}, {"Set1Bd1++Key2", "?" + r.key2}});
        Devices devices({{"Pad", 2}});
        const Parsed parsed(FileOf(e), devices);
        const OrcParse& got = parsed.read;
        ASSERT_EQ(got.outcome, OrcParse::Outcome::Read) << got.problem;
        const KeyAssign& key = got.orc.Set(1).Bd(1).Key(2);
        EXPECT_EQ(key.WavFile, r.wavFile);
        EXPECT_FALSE(key.SndBuf);
        EXPECT_EQ(key.WaveDur, 0.0f);
        if (!r.kind) {
            EXPECT_TRUE(got.waves.empty());
            continue;
        }
        ASSERT_EQ(got.waves.size(), 1u);
        const WaveRef& w = got.waves[0];
        EXPECT_EQ(std::vector<int>({w.set, w.bd, w.key}), std::vector<int>({1, 1, 2}));
        EXPECT_EQ(w.kind, *r.kind);
        EXPECT_EQ(w.path, r.path);
        EXPECT_EQ(w.entry, r.entry);
        EXPECT_EQ(w.problem, r.problem);
        EXPECT_EQ(std::vector<int>(
                      {w.wave.BitsPerSample, w.wave.Channels, w.wave.SampleRate, w.wave.Frames, w.wave.ByteCount}),
                  r.format);
        // Found, not read: the loader reads them when it makes the buffer.
        EXPECT_TRUE(w.wave.Data.empty());
        if (w.kind == Kind::Stored) {
            const std::vector<std::uint8_t> samples = Samples(got, w);
            EXPECT_EQ(std::string(samples.begin(), samples.end()), r.samples);
        }
    }
}

TEST(OrcParser, BoardsKeepTheirStoredDeviceAndHoldNoMoreKeysThanItHas) {
    auto e = Header();
    e.insert(e.end(), {{"Set++SetNos", "1"},
                       {"Set1++BodNos", "3"},
                       {"Set1Bd1++InpDev", "Keyboard"},
                       {"Set1Bd1++KeyNos", "3"},
                       {"Set1Bd1++Key1", "0:1;0:1;0:1"},
                       // Item 3 would make the file damaged, were it read.
                       {"Set1Bd2++InpDev", "Pad"},
                       {"Set1Bd2++KeyNos", "5"},
                       {"Set1Bd2++Key1", "0:1;0:1;0:1e12;0:1;0:1"},
                       {"Set1Bd2++Key2", "?/w/2.wav?/w/3.wav"},
                       // So would the whole board, were its device here.
                       {"Set1Bd3++InpDev", "Gone"},
                       {"Set1Bd3++KeyNos", "1"},
                       {"Set1Bd3++Key1", "0:1e12"},
                       {"Set1Bd3++Key2", "/w/gone.wav"}});
    Devices devices({{"Keyboard", 4}, {"Pad", 2}});
    const Parsed parsed(FileOf(e), devices);
    const OrcParse& got = parsed.read;
    ASSERT_EQ(got.outcome, OrcParse::Outcome::Read) << got.problem;
    EXPECT_EQ(devices.asked, (std::vector<std::string>{"Keyboard", "Pad", "Gone"}));
    const struct {
        std::string inpDev;
        std::int32_t keys;
    } want[] = {{"Keyboard", 3}, {"Pad", 2}, {"Gone", 0}};
    for (std::int32_t j = 1; j <= 3; ++j) {
        SCOPED_TRACE(j);
        const SubBoard& sb = got.orc.Set(1).Bd(j);
        EXPECT_EQ(sb.InpDev, want[j - 1].inpDev); // as stored: the binding names this computer's devices
        EXPECT_EQ(sb.InpDevNo, 0);
        EXPECT_EQ(sb.KeyNos(), want[j - 1].keys);
    }
    EXPECT_EQ(got.keysReached, (std::vector<std::int32_t>{3, 2, 0}));
    EXPECT_TRUE(got.waves.empty());
}

TEST(OrcParser, ARefusalSaysWhyWithoutAFileName) {
    auto with = [](std::vector<Entry> more) {
        auto e = Header();
        e.insert(e.end(), more.begin(), more.end());
        return FileOf(e);
    };
    const struct {
        const char* what;
        std::string bytes;
        OrcParse::Outcome outcome;
        std::string problem;
    } rows[] = {
        {"nothing", "", OrcParse::Outcome::NotAnOrchestra, "it has no \"General\"/\"File Version\""},
        {"a newer version", FileOf(Header("02.00")), OrcParse::Outcome::Newer, ""},
        {"an older version", FileOf(Header("00.50")), OrcParse::Outcome::NotAnOrchestra,
         "its \"General\"/\"File Version\" is \"00.50\""},
        {"zeros", std::string(64, '\0'), OrcParse::Outcome::Damaged, "the entry at byte 1 does not begin with \"*\""},
        {"no Play Board", with({{"Set++SetNos", "0"}}), OrcParse::Outcome::Damaged,
         "the field \"Set\"/\"SetNos\" is \"0\": an Orchestra has at least one Play Board"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Devices devices;
        const Parsed parsed(r.bytes, devices);
        const OrcParse& got = parsed.read;
        EXPECT_EQ(got.outcome, r.outcome);
        EXPECT_EQ(got.problem, r.problem);
        EXPECT_TRUE(got.waves.empty());
    }
}

// Samples above what the index keeps in memory are read from the source
// when asked for: the program's file and the tests' memory must agree.
TEST(OrcParser, AFileAndItsBytesInMemoryReadAlike) {
    TestState maker{{{"Pad", 3}}};
    std::vector<std::uint8_t> big(OrcIndex::kKeepLimit * 3 + 4), small(8);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    for (std::size_t i = 0; i < small.size(); ++i) small[i] = static_cast<std::uint8_t>(0x40 + i);
    const std::vector<std::uint8_t>* samples[] = {&big, &small};
    for (std::int32_t k = 1; k <= 2; ++k) {
        KeyAssign& key = maker.st.Orc.Set(1).Bd(1).Key(k);
        key.SndSrc = kSrcWave;
        key.SaveInFile = 1;
        key.SndBuf =
            std::make_shared<SoundBuffer>(WaveFormat{16, 2, 44100}, std::vector<std::uint8_t>(*samples[k - 1]));
        key.WavBytes = static_cast<std::int32_t>(samples[k - 1]->size());
    }
    TempDir dir;
    maker.st.TempPath = dir.Path() + "/";
    const std::string path = dir.File("big.TbOrc");
    ASSERT_TRUE(OpenSaveClass(maker.st).SaveOrchestra(path));

    Devices devices({{"Pad", 3}});
    const FileBytes file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    const std::string bytes = TempDir::Read(path);
    const MemoryBytes memory(bytes);
    for (const ByteSource* source : std::initializer_list<const ByteSource*>{&file, &memory}) {
        SCOPED_TRACE(source == &file ? "file" : "memory");
        const OrcParse got = ParseOrchestra(*source, devices.Count());
        ASSERT_EQ(got.outcome, OrcParse::Outcome::Read) << got.problem;
        ASSERT_EQ(got.waves.size(), 2u);
        for (std::size_t w = 0; w < 2; ++w) {
            EXPECT_EQ(got.waves[w].kind, WaveRef::Kind::Stored);
            EXPECT_EQ(Samples(got, got.waves[w]), *samples[w]);
        }
    }
}

// Bytes that count what is read of them and can be cut short, as a file
// that shrinks while it is open.
class WatchedBytes final : public ByteSource {
public:
    explicit WatchedBytes(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) const override {
        const std::size_t got = MemoryBytes(bytes_.substr(0, cutAt)).ReadAt(offset, out, n);
        read += got;
        return got;
    }
    mutable std::uint64_t read = 0;
    std::size_t cutAt = std::string_view::npos;

private:
    std::string_view bytes_;
};

// A parse finds stored samples without reading them, so a file refused for
// a fault after its waves costs no sample reading; the loader reads each
// when it makes its buffer.
TEST(OrcParser, StoredSamplesAreReadOnlyWhenAskedFor) {
    const std::string big(OrcIndex::kKeepLimit * 4, 'x');
    const std::string n = std::to_string(big.size());
    auto e = Header();
    e.insert(e.end(), {{"Set++SetNos", "1"},
                       {"Set1++BodNos", "1"},
                       {"Set1Bd1++InpDev", "Pad"},
                       {"Set1Bd1++KeyNos", "1"},
                       {"WavBuf++1", big},
                       {"Set1Bd1++Key1", "1:0,10,0,1,0,1,0,1"},
                       {"Set1Bd1++Key2", "1|" + n + "|16|1|22050|1|/w/big.wav"},
                       {"Rec0++RecNos", "1"},
                       {"Rec1++Nos", "1"}});
    Devices devices({{"Pad", 1}});

    const std::string good = FileOf(e);
    WatchedBytes watched(good);
    const OrcParse got = ParseOrchestra(watched, devices.Count());
    ASSERT_EQ(got.outcome, OrcParse::Outcome::Read) << got.problem;
    ASSERT_EQ(got.waves.size(), 1u);
    EXPECT_LT(watched.read, big.size() / 2);
    const std::uint64_t parsed = watched.read;
    const std::vector<std::uint8_t> samples = Samples(got, got.waves[0]);
    EXPECT_EQ(std::string(samples.begin(), samples.end()), big);
    EXPECT_EQ(watched.read - parsed, big.size());
    // Samples that are gone by the time they are read are an error, not silence.
    watched.cutAt = good.find(big) + big.size() / 2;
    WaveRef wave = got.waves[0];
    EXPECT_THROW(ReadSamples(got, wave), std::runtime_error);

    e.push_back({"Rec1++Rec", "0,0,1e99"});
    const std::string damaged = FileOf(e);
    WatchedBytes refused(damaged);
    const OrcParse bad = ParseOrchestra(refused, devices.Count());
    EXPECT_EQ(bad.outcome, OrcParse::Outcome::Damaged);
    EXPECT_EQ(bad.problem, "Overflow in the field \"Rec1\"/\"Rec\", item 1 (\"1e99\")");
    EXPECT_LT(refused.read, big.size() / 2);
}

} // namespace
} // namespace tambrel::test
