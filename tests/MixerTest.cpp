#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "audio/Mixer.h"

namespace tambrel::test {
namespace {

SoundBufferRef Mono16(std::vector<std::int16_t> v, int rate = 44100) {
    SoundBuffer::Samples bytes(v.size() * 2);
    std::memcpy(bytes.data(), v.data(), bytes.size());
    return std::make_shared<SoundBuffer>(WaveFormat{16, 1, rate}, std::move(bytes));
}

std::vector<float> Render(Mixer& m, int frames) {
    std::vector<float> out(static_cast<std::size_t>(frames) * 2);
    m.Render(out.data(), frames);
    return out;
}

std::vector<float> Left(const std::vector<float>& st) {
    std::vector<float> l;
    for (std::size_t i = 0; i < st.size(); i += 2) l.push_back(st[i]);
    return l;
}

TEST(Mixer, EveryFormatReachesBothChannelsAtItsLevel) {
    struct Case {
        const char* name;
        WaveFormat f;
        SoundBuffer::Samples bytes;
        float left, right;
    } cases[] = {
        {"8-bit mono", {8, 1, 44100}, {192, 192}, 0.5f, 0.5f},
        {"8-bit stereo", {8, 2, 44100}, {64, 192, 64, 192}, -0.5f, 0.5f},
        {"16-bit mono", {16, 1, 44100}, {0x00, 0x40, 0x00, 0x40}, 0.5f, 0.5f},
        {"16-bit stereo", {16, 2, 44100}, {0x00, 0xC0, 0x00, 0x20, 0x00, 0xC0, 0x00, 0x20}, -0.5f, 0.25f},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        Mixer m(44100);
        auto b = std::make_shared<SoundBuffer>(c.f, std::move(c.bytes));
        m.Play(*b, false);
        const auto out = Render(m, 4);
        EXPECT_FLOAT_EQ(out[0], c.left);
        EXPECT_FLOAT_EQ(out[1], c.right);
        EXPECT_FLOAT_EQ(out[2], c.left);
        EXPECT_FLOAT_EQ(out[4], 0.0f); // two frames only
        EXPECT_EQ(m.Status(*b), 0);
    }
}

TEST(Mixer, ResamplesByLinearInterpolation) {
    // 22050 Hz into 44100 Hz: every second output frame lies halfway.
    Mixer m(44100);
    auto b = Mono16({0, 1000, 2000, 3000}, 22050);
    m.Play(*b, false);
    const auto l = Left(Render(m, 10));
    const float u = 1.0f / 32768.0f;
    const std::vector<float> want = {0, 500 * u, 1000 * u, 1500 * u, 2000 * u, 2500 * u, 3000 * u, 3000 * u, 0, 0};
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(l[i], want[i], 1e-6f) << i;

    // 11025 Hz into 48000 Hz lasts the same time.
    Mixer m48(48000);
    auto s = Mono16(std::vector<std::int16_t>(11025, 100), 11025);
    m48.Play(*s, false);
    const auto long_ = Left(Render(m48, 48010));
    EXPECT_NE(long_[47999], 0.0f);
    EXPECT_EQ(long_[48001], 0.0f);
}

TEST(Mixer, OnceStopsAtTheEndAndRewindsWhileLoopingWraps) {
    Mixer m(44100);
    auto once = Mono16({100, 200, 300});
    auto loop = Mono16({1000, 2000});
    m.Play(*once, false);
    m.Play(*loop, true);
    EXPECT_EQ(m.Status(*once), Mixer::kStatusPlaying);
    EXPECT_EQ(m.Status(*loop), Mixer::kStatusPlaying | Mixer::kStatusLooping);
    const auto l = Left(Render(m, 6));
    const float u = 1.0f / 32768.0f;
    EXPECT_NEAR(l[0], 1100 * u, 1e-7f);
    EXPECT_NEAR(l[2], 1300 * u, 1e-7f);
    EXPECT_NEAR(l[3], 2000 * u, 1e-7f);
    EXPECT_NEAR(l[4], 1000 * u, 1e-7f);
    EXPECT_EQ(m.Status(*once), 0);
    EXPECT_NE(m.Status(*loop), 0);
    // Played to its end, the once buffer starts from its beginning again.
    m.Play(*once, false);
    m.Stop(*loop);
    EXPECT_EQ(m.Status(*loop), 0);
    EXPECT_NEAR(Left(Render(m, 1))[0], 100 * u, 1e-7f);
}

TEST(Mixer, StopKeepsThePositionAndRewindGoesBackToTheStart) {
    Mixer m(44100);
    auto b = Mono16({10, 20, 30, 40, 50, 60});
    const float u = 1.0f / 32768.0f;
    m.Play(*b, false);
    Render(m, 2);
    m.Stop(*b);
    EXPECT_EQ(Left(Render(m, 2))[0], 0.0f);
    m.Play(*b, false);
    EXPECT_NEAR(Left(Render(m, 1))[0], 30 * u, 1e-7f);
    m.Stop(*b);
    m.Rewind(*b);
    m.Play(*b, false);
    EXPECT_NEAR(Left(Render(m, 1))[0], 10 * u, 1e-7f);
    // Play while playing neither restarts nor doubles it.
    m.Play(*b, false);
    EXPECT_NEAR(Left(Render(m, 1))[0], 20 * u, 1e-7f);
}

TEST(Mixer, DuplicatesShareSampleMemoryAndPlayIndependently) {
    Mixer m(44100);
    auto b = Mono16({100, 100, 100, 100});
    auto d1 = b->Duplicate();
    auto d2 = b->Duplicate();
    EXPECT_EQ(d1->Bytes(), b->Bytes());
    EXPECT_EQ(d2->SharedSamples().get(), b->SharedSamples().get());
    m.Play(*b, false);
    Render(m, 2);
    m.Play(*d1, false);
    m.Play(*d2, false);
    const auto l = Left(Render(m, 4));
    const float u = 1.0f / 32768.0f;
    EXPECT_NEAR(l[0], 300 * u, 1e-7f);
    EXPECT_NEAR(l[2], 200 * u, 1e-7f);
    EXPECT_EQ(m.VoicesInUse(), 3);
    // Dropping a duplicate gives its voice back once the audio thread let go.
    d1.reset();
    d2.reset();
    Render(m, 1);
    auto d3 = b->Duplicate();
    m.Play(*d3, false);
    EXPECT_LE(m.VoicesInUse(), 4);
}

TEST(Mixer, TheVoicePoolGrowsOnDemandAndNoPlayIsDropped) {
    Mixer m(44100, 1024);
    auto b = Mono16({1, 1, 1, 1});
    std::vector<SoundBufferRef> dups;
    for (int i = 0; i < 3000; ++i) {
        dups.push_back(b->Duplicate());
        m.Play(*dups.back(), false);
    }
    EXPECT_GE(m.VoiceCapacity(), 3000);
    const auto l = Left(Render(m, 1));
    EXPECT_NEAR(l[0], 3000.0f / 32768.0f, 1e-4f);
    for (auto& d : dups) EXPECT_EQ(m.Status(*d), Mixer::kStatusPlaying);
}

TEST(Mixer, ManyCommandsBetweenRendersAreKeptInOrder) {
    Mixer m(44100);
    auto b = Mono16({500, 500, 500});
    // More commands than the ring holds: the last one (stop) must win.
    for (int i = 0; i < 70000; ++i) m.Play(*b, true);
    m.Stop(*b);
    EXPECT_EQ(m.Status(*b), 0);
    Render(m, 1); // takes what the ring holds
    m.Pump();     // passes on the rest
    EXPECT_EQ(Left(Render(m, 1))[0], 0.0f);
}

} // namespace
} // namespace tambrel::test

namespace tambrel::test {
namespace {

// Long enough for the vector path, at rates that take the window (step below
// 2) and the gathers (step above 2); every frame checked against linear
// interpolation worked out here in double precision.
TEST(Mixer, LongResampledRendersMatchLinearInterpolationInEveryFormat) {
    struct Case {
        int bits, channels, rate, deviceRate;
    } cases[] = {
        {16, 2, 44100, 48000}, {16, 1, 44100, 48000}, {8, 2, 22050, 48000},
        {8, 1, 11025, 48000},  {16, 2, 44100, 11025}, {16, 1, 44100, 8000},
        {8, 2, 44100, 11025},  {8, 1, 44100, 8000},   {16, 2, 22050, 22050},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bit, " << c.channels << " ch, " << c.rate << " -> "
                                        << c.deviceRate);
        const int frames = 997;
        SoundBuffer::Samples bytes(static_cast<std::size_t>(frames * c.channels * c.bits / 8));
        std::uint32_t x = 12345;
        for (auto& b : bytes) b = static_cast<std::uint8_t>((x = x * 1103515245 + 12345) >> 16);
        auto value = [&](int frame, int ch) {
            const std::size_t at = static_cast<std::size_t>((frame * c.channels + ch) * c.bits / 8);
            if (c.bits == 8) return (bytes[at] - 128.0) / 128.0;
            return static_cast<std::int16_t>(bytes[at] | bytes[at + 1] << 8) / 32768.0;
        };
        auto b = std::make_shared<SoundBuffer>(WaveFormat{c.bits, c.channels, c.rate}, SoundBuffer::Samples(bytes));
        Mixer m(c.deviceRate);
        m.Play(*b, false);
        const int out = static_cast<int>(static_cast<long long>(frames) * c.deviceRate / c.rate) + 8;
        std::vector<float> got(static_cast<std::size_t>(out) * 2);
        m.Render(got.data(), out);
        const double step = static_cast<double>(c.rate) / c.deviceRate;
        int checked = 0;
        for (int k = 0; k < out; ++k) {
            const double p = k * step;
            const int i = static_cast<int>(p);
            if (i >= frames - 1) break; // the last frame has no successor to lean on
            const double f = p - i;
            for (int ch = 0; ch < 2; ++ch) {
                const int src = c.channels == 2 ? ch : 0;
                const double want = value(i, src) + (value(i + 1, src) - value(i, src)) * f;
                ASSERT_NEAR(got[static_cast<std::size_t>(2 * k + ch)], want, 1e-3) << "frame " << k;
            }
            ++checked;
        }
        EXPECT_GT(checked, 100);
        EXPECT_EQ(m.Status(*b), 0);
    }
}

} // namespace
} // namespace tambrel::test
