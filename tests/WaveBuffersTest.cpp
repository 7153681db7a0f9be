#include "document/WaveBuffers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/FakeShell.h"
#include "tests/WaveBytes.h"

namespace tambrel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Ramp(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 13 + 1);
    return b;
}

WaveData MakeWave(std::int32_t bits, std::int32_t channels, std::int32_t rate, Bytes data) {
    WaveData w;
    w.BitsPerSample = bits;
    w.Channels = channels;
    w.SampleRate = rate;
    w.ByteCount = static_cast<std::int32_t>(data.size());
    w.Frames = channels > 0 && bits >= 8 ? w.ByteCount / (bits / 8 * channels) : 0;
    w.Data = std::move(data);
    return w;
}

SoundBufferRef MakeBuffer(std::int32_t bits, std::int32_t channels, std::int32_t rate, Bytes data) {
    return std::make_shared<SoundBuffer>(WaveFormat{bits, channels, rate}, std::move(data));
}

// A canonical 16-bit stereo wave file of the given rate holding `pcm`.
void WriteCanonicalWave(const std::string& path, std::int32_t rate, const Bytes& pcm) {
    std::ofstream(path, std::ios::binary)
        << CanonicalWave(static_cast<std::uint32_t>(rate), 2, 16,
                         std::string_view(reinterpret_cast<const char*>(pcm.data()), pcm.size()));
}

class WaveBuffersTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() / ("tambrel_wavebuffers_" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path dir_;
    FakeShell shell_;
};

TEST_F(WaveBuffersTest, LoadWaveForKeyTakesTheWave) {
    const std::string path = (dir_ / "drum.wav").string();
    const Bytes pcm = Ramp(4000);
    WriteCanonicalWave(path, 44100, pcm);
    KeyAssign key;
    key.SndSrc = kSrcWave;
    LoadWaveForKey(path, key, shell_);

    EXPECT_EQ(key.WavFile, path);
    EXPECT_EQ(key.WavBytes, 4000);
    ASSERT_TRUE(key.SndBuf);
    EXPECT_EQ(Bytes(key.SndBuf->Bytes(), key.SndBuf->Bytes() + key.SndBuf->ByteSize()), pcm);
    EXPECT_EQ(key.SndBuf->Format().AvgBytesPerSec(), 176400);
    EXPECT_NEAR(key.WaveDur, 0.02267574f, 1e-7f);
    EXPECT_EQ(shell_.statuses, (std::vector<std::string>{"Loading Wave File", " "}));
    EXPECT_TRUE(shell_.messages.empty());
}

TEST_F(WaveBuffersTest, FailedLoadKeepsKeyButRecomputesDuration) {
    const std::string bad = (dir_ / "bad.wav").string();
    WriteCanonicalWave(bad, 48000, Ramp(400));
    const std::string names[] = {bad, (dir_ / "absent.wav").string()};
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        KeyAssign key;
        key.SndSrc = kSrcWave;
        key.WavFile = "old.wav";
        key.WavBytes = 22050;
        key.SndBuf = MakeBuffer(8, 1, 11025, Bytes(22050));
        const auto old = key.SndBuf;
        key.WaveDur = 99.0f; // stale
        LoadWaveForKey(name, key, shell_);
        EXPECT_EQ(key.WavFile, "old.wav");
        EXPECT_EQ(key.WavBytes, 22050);
        EXPECT_EQ(key.SndBuf, old);
        EXPECT_FLOAT_EQ(key.WaveDur, 2.0f);
    }
}

TEST(CalcWaveDur, OnlyWaveKeysWithABufferHaveADuration) {
    struct Case {
        const char* name;
        std::int32_t sndSrc;
        SoundBufferRef buf;
        float dur;
    } cases[] = {
        {"WaveKey", kSrcWave, MakeBuffer(16, 1, 22050, Bytes(11025)), 0.25f},
        {"NoBuffer", kSrcWave, nullptr, 0.0f},
        {"NoSource", kSrcNone, MakeBuffer(8, 1, 11025, Bytes(100)), 0.0f},
        {"MidiKey", kSrcMidi, MakeBuffer(8, 1, 11025, Bytes(100)), 0.0f},
        {"ActionKey", kSrcAction, MakeBuffer(8, 1, 11025, Bytes(100)), 0.0f},
        {"ZeroRateFormat", kSrcWave, MakeBuffer(8, 1, 0, Bytes(100)), 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KeyAssign key;
        key.SndSrc = c.sndSrc;
        key.SndBuf = c.buf;
        key.WaveDur = 5.0f;
        CalcWaveDur(key);
        EXPECT_FLOAT_EQ(key.WaveDur, c.dur);
    }
}

TEST(CreateWaveBuffer, MovesSamplesIntoTheBuffer) {
    WaveData w = MakeWave(16, 2, 44100, Ramp(16));
    const Bytes expected(w.Data.begin(), w.Data.begin() + 12);
    w.ByteCount = 12; // Data longer than ByteCount: exactly ByteCount bytes are kept
    const std::uint8_t* samples = w.Data.data();
    SoundBufferRef buf = MakeBuffer(8, 1, 11025, Bytes(3));

    ASSERT_TRUE(CreateWaveBuffer(w, buf));
    EXPECT_TRUE(w.Data.empty());
    EXPECT_EQ(buf->Bytes(), samples) << "samples were copied, not moved";
    EXPECT_EQ(Bytes(buf->Bytes(), buf->Bytes() + buf->ByteSize()), expected);
    EXPECT_EQ(buf->Format().BitsPerSample, 16);
    EXPECT_EQ(buf->Format().Channels, 2);
    EXPECT_EQ(buf->Format().SampleRate, 44100);

    const auto dup = buf->Duplicate();
    EXPECT_EQ(dup->SharedSamples(), buf->SharedSamples());
    EXPECT_EQ(dup->Format().AvgBytesPerSec(), buf->Format().AvgBytesPerSec());
}

TEST(CreateWaveBuffer, RefusesUnusableWavesAndKeepsTheOldBuffer) {
    auto shortData = MakeWave(16, 1, 22050, Ramp(8));
    shortData.ByteCount = 10;
    auto zeroCount = MakeWave(16, 1, 22050, Ramp(8));
    zeroCount.ByteCount = 0;
    struct Case {
        const char* name;
        WaveData w;
    } cases[] = {
        {"TwelveBits", MakeWave(12, 1, 22050, Ramp(8))},
        {"ZeroBits", MakeWave(0, 1, 22050, Ramp(8))},
        {"NoChannels", MakeWave(16, 0, 22050, Ramp(8))},
        {"ThreeChannels", MakeWave(16, 3, 22050, Ramp(12))},
        {"ZeroRate", MakeWave(16, 1, 0, Ramp(8))},
        {"NegativeRate", MakeWave(16, 1, -44100, Ramp(8))},
        {"RateOverflowsBytesPerSecond", MakeWave(16, 2, 0x20000000, Ramp(8))},
        {"DataShorterThanByteCount", shortData},
        {"ZeroByteCount", zeroCount},
        {"NoData", MakeWave(8, 1, 11025, {})},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SoundBufferRef old = MakeBuffer(8, 1, 11025, Bytes(3));
        SoundBufferRef buf = old;
        EXPECT_FALSE(CreateWaveBuffer(c.w, buf));
        EXPECT_EQ(buf, old);
    }
}

TEST(ReadWaveBuffer, GivesBackWhatWasStored) {
    WaveData in = MakeWave(16, 1, 11025, Ramp(10));
    const WaveData original = in;
    SoundBufferRef buf;
    ASSERT_TRUE(CreateWaveBuffer(in, buf));

    struct Case {
        std::int32_t n;
        std::int32_t frames;
    } cases[] = {{10, 5}, {5, 2} /* 2.5 rounds to even */, {7, 4} /* 3.5 */, {1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        WaveData out;
        ASSERT_TRUE(ReadWaveBuffer(buf, c.n, out));
        EXPECT_EQ(out.BitsPerSample, original.BitsPerSample);
        EXPECT_EQ(out.Channels, original.Channels);
        EXPECT_EQ(out.SampleRate, original.SampleRate);
        EXPECT_EQ(out.ByteCount, c.n);
        EXPECT_EQ(out.Frames, c.frames);
        EXPECT_EQ(out.Data, Bytes(original.Data.begin(), original.Data.begin() + c.n));
    }
}

TEST(ReadWaveBuffer, RefusesWhatItCannotRead) {
    const auto good = MakeBuffer(8, 2, 22050, Ramp(6));
    struct Case {
        const char* name;
        SoundBufferRef buf;
        std::int32_t n;
    } cases[] = {
        {"NoBuffer", nullptr, 4},
        {"ZeroCount", good, 0},
        {"NegativeCount", good, -1},
        {"BeyondTheBuffer", good, 7},
        {"ZeroBits", MakeBuffer(0, 2, 22050, Ramp(6)), 4},
        {"ZeroChannels", MakeBuffer(8, 0, 22050, Ramp(6)), 4},
        {"ZeroRate", MakeBuffer(8, 2, 0, Ramp(6)), 4},
        {"BlockUnderOneByte", MakeBuffer(4, 2, 22050, Ramp(6)), 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WaveData out;
        EXPECT_FALSE(ReadWaveBuffer(c.buf, c.n, out));
    }
}

} // namespace
} // namespace tambrel::test
