#include "audio/WaveFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/FakeShell.h"

namespace tambrel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The fields a test wave file is built from; the defaults make a canonical
// 44-byte header of 16-bit stereo 44100 Hz followed by `payload`.
struct WaveLayout {
    int channels = 2;
    std::int32_t rate = 44100;
    int bits = 16;
    std::string tag = "data";
    std::int64_t dataSize = -1; // -1: the payload's length; else the raw 32-bit field
    Bytes payload;
    Bytes beforeData; // a whole chunk placed between "fmt " and the data tag
    Bytes beforeFmt;  // a whole chunk placed between "WAVE" and "fmt "
    std::string fmtId = "fmt ";
    std::uint16_t formatTag = 1;
    Bytes fmtExtra; // after the 16 bytes of the format chunk, counted in its size

    WaveLayout& Channels(int v) {
        channels = v;
        return *this;
    }
    WaveLayout& Rate(std::int32_t v) {
        rate = v;
        return *this;
    }
    WaveLayout& Bits(int v) {
        bits = v;
        return *this;
    }
    WaveLayout& Tag(std::string v) {
        tag = std::move(v);
        return *this;
    }
    WaveLayout& DataSize(std::int64_t v) {
        dataSize = v;
        return *this;
    }
    WaveLayout& Payload(Bytes v) {
        payload = std::move(v);
        return *this;
    }
    WaveLayout& BeforeData(Bytes v) {
        beforeData = std::move(v);
        return *this;
    }
    WaveLayout& BeforeFmt(Bytes v) {
        beforeFmt = std::move(v);
        return *this;
    }
    WaveLayout& FmtId(std::string v) {
        fmtId = std::move(v);
        return *this;
    }
    WaveLayout& Format(std::uint16_t v) {
        formatTag = v;
        return *this;
    }
    WaveLayout& FmtExtra(Bytes v) {
        fmtExtra = std::move(v);
        return *this;
    }
};

void PutLe(Bytes& out, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutText(Bytes& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }

Bytes BuildWave(const WaveLayout& s) {
    Bytes b;
    PutText(b, "RIFF");
    PutLe(b, 0, 4);
    PutText(b, "WAVE");
    b.insert(b.end(), s.beforeFmt.begin(), s.beforeFmt.end());
    PutText(b, s.fmtId);
    PutLe(b, static_cast<std::uint32_t>(16 + s.fmtExtra.size()), 4);
    PutLe(b, s.formatTag, 2);
    PutLe(b, static_cast<std::uint32_t>(s.channels), 2);
    PutLe(b, static_cast<std::uint32_t>(s.rate), 4);
    PutLe(b, static_cast<std::uint32_t>(s.rate * (s.bits / 8) * s.channels), 4);
    PutLe(b, static_cast<std::uint32_t>(s.bits / 8 * s.channels), 2);
    PutLe(b, static_cast<std::uint32_t>(s.bits), 2);
    b.insert(b.end(), s.fmtExtra.begin(), s.fmtExtra.end());
    b.insert(b.end(), s.beforeData.begin(), s.beforeData.end());
    PutText(b, s.tag);
    PutLe(b, static_cast<std::uint32_t>(s.dataSize < 0 ? std::int64_t(s.payload.size()) : s.dataSize), 4);
    b.insert(b.end(), s.payload.begin(), s.payload.end());
    return b;
}

Bytes Ramp(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return b;
}

// The fields WAVE_FORMAT_EXTENSIBLE adds to the format chunk, with the
// sub-format {XXXXXXXX-0000-0010-8000-00AA00389B71} of `tag`, or another GUID.
Bytes Extensible(std::uint16_t tag, bool standardGuid = true) {
    Bytes b;
    PutLe(b, 22, 2); // cbSize
    PutLe(b, 16, 2); // valid bits
    PutLe(b, 3, 4);  // channel mask
    PutLe(b, tag, 4);
    const Bytes tail = standardGuid ? Bytes{0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}
                                    : Bytes{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11, 0x22, 0x33, 0x44};
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

Bytes Chunk(const std::string& id, std::size_t size) {
    Bytes b;
    PutText(b, id);
    PutLe(b, static_cast<std::uint32_t>(size), 4);
    b.resize(b.size() + size, 0);
    return b;
}

class WaveFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("tambrel_wavefile_" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const Bytes& bytes, const std::string& name = "test.wav") {
        auto path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::filesystem::path dir_;
    FakeShell shell_;
};

struct GoodCase {
    const char* name;
    WaveLayout layout;
    std::int32_t frames;
    Bytes expectedData;
};

TEST_F(WaveFileTest, LoadsAcceptedFiles) {
    const Bytes pcm = Ramp(4000);
    const Bytes list = [] {
        Bytes b;
        PutText(b, "LIST");
        PutLe(b, 26, 4);
        PutText(b, "INFOINAM");
        PutLe(b, 14, 4);
        PutText(b, "Tambrel drum");
        PutLe(b, 0, 2);
        return b;
    }();
    auto withZeros = [](Bytes b, std::size_t zeros) {
        b.resize(b.size() + zeros, 0);
        return b;
    };
    const GoodCase cases[] = {
        {"Canonical", WaveLayout().Payload(pcm), 1000, pcm},
        {"UpperCaseTag", WaveLayout().Tag("DATA").Payload(pcm), 1000, pcm},
        {"MixedCaseTag", WaveLayout().Tag("Data").Payload(pcm), 1000, pcm},
        {"ListChunkBeforeData", WaveLayout().Payload(pcm).BeforeData(list), 1000, pcm},
        {"HalfFrameRoundsToEven", WaveLayout().Channels(1).Payload(Ramp(5)), 2, Ramp(4)},
        {"EightBitBytesVerbatim",
         WaveLayout().Channels(1).Rate(11025).Bits(8).Payload(Bytes{0, 0x80, 0xFF, 0x7F, 1}),
         5,
         {0, 0x80, 0xFF, 0x7F, 1}},
        {"SizeSmallerThanFileTakesSize", WaveLayout().Rate(22050).DataSize(8).Payload(Ramp(20)), 2, Ramp(8)},
        // Size claims beyond the file: only the bytes present are taken.
        {"HugeClaimOnSmallFile", WaveLayout().DataSize(0x7FFFFFFF).Payload(Ramp(56)), 14, Ramp(56)},
        {"ClaimAbove2GB", WaveLayout().Channels(1).Bits(8).DataSize(0xFFFFFFFF).Payload(Ramp(9)), 9, Ramp(9)},
        // A partial last frame still rounds half to even and is padded with zeros.
        {"PartialFramePadded", WaveLayout().Channels(1).DataSize(1000).Payload(Ramp(3)), 2, withZeros(Ramp(3), 1)},
        {"TruncatedStereoFrame", WaveLayout().DataSize(10).Payload(Ramp(6)), 2, withZeros(Ramp(6), 2)},
        {"ExtensiblePcm", WaveLayout().Format(0xFFFE).FmtExtra(Extensible(1)).Payload(pcm), 1000, pcm},
        // The format is read where its chunk is, not at fixed places.
        {"JunkChunkBeforeFmt", WaveLayout().Rate(22050).BeforeFmt(Chunk("JUNK", 28)).Payload(pcm), 1000, pcm},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        shell_.Clear();
        WaveData w;
        ASSERT_TRUE(ParseWaveFile(Write(BuildWave(c.layout)), w, shell_));
        EXPECT_TRUE(shell_.messages.empty());
        EXPECT_EQ(w.Channels, c.layout.channels);
        EXPECT_EQ(w.SampleRate, c.layout.rate);
        EXPECT_EQ(w.BitsPerSample, c.layout.bits);
        EXPECT_EQ(w.Frames, c.frames);
        EXPECT_EQ(w.ByteCount, static_cast<std::int32_t>(c.expectedData.size()));
        EXPECT_EQ(w.Data, c.expectedData);
    }
}

TEST_F(WaveFileTest, FindsTagBehindLargeChunks) {
    // Tags around the 64 KiB mark, where a scan reading in pieces must not
    // miss one split between two reads.
    const Bytes pcm = Ramp(8);
    for (std::size_t filler = 65500; filler < 65560; ++filler) {
        SCOPED_TRACE(filler);
        Bytes chunk;
        PutText(chunk, "LIST");
        PutLe(chunk, static_cast<std::uint32_t>(filler), 4);
        chunk.resize(chunk.size() + filler, 'x');
        WaveData w;
        ASSERT_TRUE(ParseWaveFile(Write(BuildWave(WaveLayout().Payload(pcm).BeforeData(chunk))), w, shell_));
        EXPECT_EQ(w.Data, pcm);
    }
    EXPECT_TRUE(shell_.messages.empty());
}

struct BadCase {
    const char* name;
    Bytes file;
    std::string text;
    std::string title;
    bool titleEndsWithPath = true;
};

TEST_F(WaveFileTest, RejectsWithMessage) {
    const std::string err = "Error Loading ";
    const std::string noTag = "The String 'Data' - is not found";
    // Only a tag window starting at length - 5 or earlier is examined.
    Bytes tagAtEnd = BuildWave(WaveLayout().Tag("junk").Payload(Ramp(4)));
    Bytes tagLastWindow = tagAtEnd;
    PutText(tagAtEnd, "data");
    PutText(tagLastWindow, "data");
    tagLastWindow.push_back(0);
    Bytes tagBefore35 = BuildWave(WaveLayout().Tag("junk").Payload(Ramp(8)));
    std::copy_n("data", 4, tagBefore35.begin() + 12);

    const BadCase cases[] = {
        {"Exactly44Bytes", BuildWave(WaveLayout().Payload(Bytes{})), "No wave Data found in file", err},
        {"NoTag", BuildWave(WaveLayout().Tag("junk").Payload(Ramp(8))), noTag, err},
        {"TagInLastFourBytes", tagAtEnd, noTag, err},
        {"TagBeforeSearchStart", tagBefore35, noTag, err},
        {"TagFoundBeforeChannelsChecked", BuildWave(WaveLayout().Channels(3).Tag("junk").Payload(Ramp(8))), noTag, err},
        // Found in the last window examined: nothing follows it, so no frames.
        {"TagInLastWindow", tagLastWindow, "", "Wave file load error", false},
        {"DataSizeZero", BuildWave(WaveLayout().Channels(1).Bits(8).DataSize(0).Payload(Bytes{9})), "",
         "Wave file load error", false},
        {"ChannelZero", BuildWave(WaveLayout().Channels(0).Bits(8).Payload(Ramp(8))),
         "Channal info invalid at byte location 23", err},
        {"ThreeChannels", BuildWave(WaveLayout().Channels(3).Payload(Ramp(12))),
         "Channal info invalid at byte location 23", err},
        {"Rate48000", BuildWave(WaveLayout().Rate(48000).Payload(Ramp(8))), "Sampling rate ( 48000) not supported",
         "Loading failed"},
        {"RateZero", BuildWave(WaveLayout().Rate(0).Payload(Ramp(8))), "Sampling rate ( 0) not supported",
         "Loading failed"},
        {"TwentyFourBits", BuildWave(WaveLayout().Bits(24).Payload(Ramp(12))),
         "Bits per sample info invalid/not supported at byte location 35", err},
        // Whole 16-bit fields: 257 channels are not one.
        {"TwoHundredFiftySevenChannels", BuildWave(WaveLayout().Channels(257).Payload(Ramp(8))),
         "Channal info invalid at byte location 23", err},
        {"ChannelsBehindAJunkChunk", BuildWave(WaveLayout().Channels(3).BeforeFmt(Chunk("JUNK", 28)).Payload(Ramp(12))),
         "Channal info invalid at byte location 59", err},
        // Any coding but PCM, named; before the rate, which such files rarely share.
        {"MuLaw", BuildWave(WaveLayout().Format(7).Channels(1).Rate(8000).Bits(8).Payload(Ramp(8))),
         "Wave format \xB5-law not supported, only PCM", err},
        {"ALaw", BuildWave(WaveLayout().Format(6).Channels(1).Rate(8000).Bits(8).Payload(Ramp(8))),
         "Wave format A-law not supported, only PCM", err},
        {"SixteenBitFloatTag", BuildWave(WaveLayout().Format(3).Payload(Ramp(8))),
         "Wave format IEEE float not supported, only PCM", err},
        {"SixteenBitMp3Tag", BuildWave(WaveLayout().Format(0x55).Payload(Ramp(8))),
         "Wave format MPEG Layer 3 not supported, only PCM", err},
        {"UnknownTag", BuildWave(WaveLayout().Format(0x1234).Payload(Ramp(8))),
         "Wave format tag 0x1234 not supported, only PCM", err},
        {"ExtensibleFloat", BuildWave(WaveLayout().Format(0xFFFE).FmtExtra(Extensible(3)).Payload(Ramp(8))),
         "Wave format IEEE float not supported, only PCM", err},
        {"ExtensibleOtherGuid", BuildWave(WaveLayout().Format(0xFFFE).FmtExtra(Extensible(1, false)).Payload(Ramp(8))),
         "Wave format WAVE_FORMAT_EXTENSIBLE with an unknown sub-format not supported, only PCM", err},
        {"ExtensibleWithoutItsFields", BuildWave(WaveLayout().Format(0xFFFE).Payload(Ramp(8))),
         "The format chunk 'fmt ' is too short", err},
        {"NoFormatChunk", BuildWave(WaveLayout().FmtId("fmtx").Payload(Ramp(8))),
         "The format chunk 'fmt ' is not found", err},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        shell_.Clear();
        const std::string path = Write(c.file);
        WaveData w;
        EXPECT_FALSE(ParseWaveFile(path, w, shell_));
        ASSERT_EQ(shell_.messages.size(), 1u);
        EXPECT_EQ(shell_.messages[0].text, c.text);
        EXPECT_EQ(shell_.messages[0].title, c.titleEndsWithPath ? c.title + path : c.title);
        EXPECT_EQ(shell_.messages[0].buttons, MsgButtons::Ok);
    }
}

// Writes `head`, then `hole` bytes that are never written, then `tail`.
void WriteSparse(const std::string& path, const Bytes& head, std::int64_t hole, const Bytes& tail) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!head.empty()) std::fwrite(head.data(), 1, head.size(), f);
    ASSERT_EQ(std::fseek(f, static_cast<long>(hole), SEEK_CUR), 0);
    if (!tail.empty()) std::fwrite(tail.data(), 1, tail.size(), f);
    std::fclose(f);
}

TEST_F(WaveFileTest, HugeFilesAreJudgedByTheirChunksNotReadThrough) {
    // 2 GB of nothing with a "data" at its very end: no chunk leads there,
    // so the tag is looked for only near the start, and not found.
    const std::string zeros = (dir_ / "zeros.wav").string();
    Bytes tail;
    PutText(tail, "data");
    PutLe(tail, 4, 4);
    tail.resize(tail.size() + 4, 1);
    WriteSparse(zeros, {}, (std::int64_t{2} << 30) - 100, tail);
    WaveData w;
    EXPECT_FALSE(ParseWaveFile(zeros, w, shell_));
    ASSERT_EQ(shell_.messages.size(), 1u);
    EXPECT_EQ(shell_.messages[0].text, "The String 'Data' - is not found");

    // A real chunk of 64 MB before the samples: followed, not searched.
    shell_.Clear();
    const std::string big = (dir_ / "big.wav").string();
    Bytes head = BuildWave(WaveLayout().Tag("LIST").DataSize(64 << 20));
    Bytes data;
    PutText(data, "data");
    PutLe(data, 8, 4);
    const Bytes pcm = Ramp(8);
    data.insert(data.end(), pcm.begin(), pcm.end());
    WriteSparse(big, head, 64 << 20, data);
    ASSERT_TRUE(ParseWaveFile(big, w, shell_));
    EXPECT_EQ(w.Data, pcm);
    EXPECT_TRUE(shell_.messages.empty());
}

TEST_F(WaveFileTest, MissingOrBlankPathFailsSilently) {
    const std::string names[] = {"", "   ", (dir_ / "absent.wav").string(), dir_.string()};
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        WaveData w;
        EXPECT_FALSE(ParseWaveFile(name, w, shell_));
    }
    EXPECT_TRUE(shell_.messages.empty());
}

} // namespace
} // namespace tambrel::test
