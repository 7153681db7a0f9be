#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "session/OfflineRenderer.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

constexpr int kRate = 44100;

// A wave key at key k of the keyboard board of every Play Board: 8-bit mono,
// 100 ms of a constant level.
void WaveKey(Orchestra& o, int k, std::uint8_t level, int style = kPlayOnce) {
    for (PlayBoard& pb : o.PlayBoards) {
        KeyAssign& key = pb.Bd(1).Key(k);
        key.SndSrc = kSrcWave;
        key.PlayStyl = style;
        key.SndBuf = std::make_shared<SoundBuffer>(WaveFormat{8, 1, kRate}, SoundBuffer::Samples(kRate / 10, level));
        key.WavBytes = kRate / 10;
        key.WaveDur = 0.1f;
    }
}

// A half-scale 60 Hz kick of 300 ms, 16-bit mono, at key k of every Play
// Board, on "Allow Duplicate": every press sounds over the others.
void KickKey(Orchestra& o, int k) {
    SoundBuffer::Samples bytes(2 * kRate * 3 / 10);
    for (std::size_t i = 0; i < bytes.size() / 2; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const auto v = static_cast<std::int16_t>(
            std::lround(16384 * std::exp(-t / 0.08) * std::sin(2 * std::numbers::pi * 60 * t)));
        bytes[2 * i] = static_cast<std::uint8_t>(v & 0xff);
        bytes[2 * i + 1] = static_cast<std::uint8_t>((v >> 8) & 0xff);
    }
    for (PlayBoard& pb : o.PlayBoards) {
        KeyAssign& key = pb.Bd(1).Key(k);
        key.SndSrc = kSrcWave;
        key.PlayStyl = kPlayOnce;
        key.AllowDup = 1;
        key.WavBytes = static_cast<std::int32_t>(bytes.size());
        key.SndBuf = std::make_shared<SoundBuffer>(WaveFormat{16, 1, kRate}, SoundBuffer::Samples(bytes));
        key.WaveDur = 0.3f;
    }
}

float Peak(const std::vector<float>& frames) {
    float p = 0.0f;
    for (float f : frames) p = std::max(p, std::fabs(f));
    return p;
}

// Frames where the left channel is not silent, as [first, last] in ms.
std::vector<std::pair<double, double>> Sounding(const std::vector<float>& frames) {
    std::vector<std::pair<double, double>> spans;
    bool on = false;
    for (std::size_t i = 0; i < frames.size() / 2; ++i) {
        const bool now = frames[2 * i] != 0.0f;
        const double ms = 1000.0 * static_cast<double>(i) / kRate;
        if (now && !on) spans.push_back({ms, ms});
        if (now) spans.back().second = ms;
        on = now;
    }
    return spans;
}

TEST(OfflineRenderer, PressesSoundAtTheirTimesThroughEveryBoundSubBoard) {
    TestState t;
    WaveKey(t.st.Orc, 5, 192);
    RenderOptions opt;
    opt.tailSeconds = 0.5;
    opt.presses = {{700, 1, 5}, {250, 1, 5}, {250, 2, 5} /* the mouse key has no wave */};
    const auto frames = RenderPerformance(t.st, opt);
    EXPECT_EQ(frames.size() / 2, static_cast<std::size_t>(kRate * 1.2));
    const auto spans = Sounding(frames);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_NEAR(spans[0].first, 250, 1);
    EXPECT_NEAR(spans[0].second, 350, 1);
    EXPECT_NEAR(spans[1].first, 700, 1);
    EXPECT_FLOAT_EQ(frames[2 * (kRate / 4 + 10)], 0.5f);
}

TEST(OfflineRenderer, ARecordingPlaysWithItsGapsFromOneMillisecond) {
    TestState t;
    WaveKey(t.st.Orc, 5, 160);
    WaveKey(t.st.Orc, 6, 200);
    t.st.Orc.Recordings.push_back({{{5, 1, 2.0f}, {6, 1, 2.4f}, {5, 1, 2.4f}}, "Take"});
    RenderOptions opt;
    opt.recording = 2;
    opt.tailSeconds = 0.2;
    const auto frames = RenderPerformance(t.st, opt);
    const auto spans = Sounding(frames);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_NEAR(spans[0].first, 1, 1); // the first event comes about 1 ms after the start
    EXPECT_NEAR(spans[1].first, 401, 1);
    // Events with equal times come 1 ms apart: both keys sound together (below
    // the master limiter's threshold, so at their own levels).
    EXPECT_NEAR(frames[2 * (kRate * 420 / 1000)], (200 - 128 + 160 - 128) / 128.0f, 1e-6f);
    EXPECT_EQ(t.st.RecordingInProgress, false);
}

TEST(OfflineRenderer, RunsAreIdenticalSampleForSample) {
    auto render = [] {
        TestState t;
        WaveKey(t.st.Orc, 2, 200, kPlayLoop);
        t.st.Orc.Set(3).Bd(1).Key(2).LoopOption = kLoopCounted;
        t.st.Orc.Set(3).Bd(1).Key(2).LoopTimes = 3;
        WaveKey(t.st.Orc, 3, 90, kPlayMulti);
        RenderOptions opt;
        opt.rate = 48000;
        opt.presses = {{0, 1, 2}, {13, 1, 3}, {77, 1, 3}};
        return RenderPerformance(t.st, opt);
    };
    const auto a = render(), b = render();
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0);
    // The counted loop stopped by itself after three 100 ms rounds.
    EXPECT_EQ(a[2 * (48000 * 2)], 0.0f);
}

struct LoudCase {
    const char* name;
    int presses;
    int apartMs;
};

class OfflineRendererLoud : public ::testing::TestWithParam<LoudCase> {};

// Presses that add up far beyond full scale leave the master limiter within
// it, the same on every run; a quiet key pressed later sounds at its own
// level again.
TEST_P(OfflineRendererLoud, StaysWithinFullScaleAndRecovers) {
    auto render = [] {
        TestState t;
        KickKey(t.st.Orc, 2);
        WaveKey(t.st.Orc, 5, 160); // 0.25
        RenderOptions opt;
        opt.tailSeconds = 0.2;
        for (int i = 0; i < GetParam().presses; ++i) opt.presses.push_back({100 + i * GetParam().apartMs, 1, 2});
        opt.presses.push_back({3000, 1, 5});
        return RenderPerformance(t.st, opt);
    };
    const auto frames = render();
    EXPECT_LE(Peak(frames), 1.0f);
    EXPECT_GT(Peak(frames), 0.85f) << "loud, not muted";
    EXPECT_EQ(frames[2 * (kRate * 3050 / 1000)], 0.25f);
    const auto again = render();
    ASSERT_EQ(again.size(), frames.size());
    EXPECT_EQ(std::memcmp(again.data(), frames.data(), frames.size() * sizeof(float)), 0);
}

INSTANTIATE_TEST_SUITE_P(Presses, OfflineRendererLoud,
                         ::testing::Values(LoudCase{"TenStackedKicks", 10, 1}, LoudCase{"AFloodOfDuplicates", 500, 0}),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace tambrel::test
