#include <gtest/gtest.h>

#include <cstring>

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
    WaveKey(t.st.Orc, 6, 224);
    t.st.Orc.Recordings.push_back({{{5, 1, 2.0f}, {6, 1, 2.4f}, {5, 1, 2.4f}}, "Take"});
    RenderOptions opt;
    opt.recording = 2;
    opt.tailSeconds = 0.2;
    const auto frames = RenderPerformance(t.st, opt);
    const auto spans = Sounding(frames);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_NEAR(spans[0].first, 1, 1); // the first event comes about 1 ms after the start
    EXPECT_NEAR(spans[1].first, 401, 1);
    // Events with equal times come 1 ms apart: both keys sound together.
    EXPECT_NEAR(frames[2 * (kRate * 420 / 1000)], (224 - 128 + 160 - 128) / 128.0f, 1e-6f);
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

} // namespace
} // namespace tambrel::test
