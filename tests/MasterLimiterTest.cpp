#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "audio/MasterLimiter.h"

namespace tambrel::test {
namespace {

constexpr int kRate = 48000;
constexpr float kT = MasterLimiter::kThreshold;
using Frames = std::vector<float>; // interleaved stereo

// Frames of f(i) on both channels.
Frames Make(int frames, const std::function<float(int)>& f) {
    Frames s(2 * static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) s[2 * static_cast<std::size_t>(i)] = s[2 * static_cast<std::size_t>(i) + 1] = f(i);
    return s;
}

Frames Sine(int frames, float amplitude, double hz = 440) {
    return Make(frames,
                [=](int i) { return amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * hz * i / kRate)); });
}

// A decaying 60 Hz kick of the given level, 300 ms long.
float Kick(int i, float level) {
    if (i < 0 || i >= kRate * 3 / 10) return 0.0f;
    return level * static_cast<float>(std::exp(-i / (0.08 * kRate)) * std::sin(2 * std::numbers::pi * 60 * i / kRate));
}

Frames Limited(Frames s, int block = 256, MasterLimiter* use = nullptr) {
    MasterLimiter own(kRate);
    MasterLimiter& l = use ? *use : own;
    const int frames = static_cast<int>(s.size() / 2);
    for (int at = 0; at < frames; at += block)
        l.Process(s.data() + 2 * static_cast<std::size_t>(at), std::min(block, frames - at));
    return s;
}

float Peak(const Frames& s, std::size_t from = 0) {
    float p = 0.0f;
    for (std::size_t i = from; i < s.size(); ++i) p = std::max(p, std::fabs(s[i]));
    return p;
}

bool Same(const Frames& a, const Frames& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

struct QuietCase {
    const char* name;
    Frames signal;
};

class MasterLimiterQuiet : public ::testing::TestWithParam<QuietCase> {};

TEST_P(MasterLimiterQuiet, PassesBitForBit) {
    MasterLimiter l(kRate);
    EXPECT_TRUE(Same(Limited(GetParam().signal, 100, &l), GetParam().signal));
    EXPECT_EQ(l.Gain(), 1.0f);
}

const float kMinus6dB = 0.501187f;

INSTANTIATE_TEST_SUITE_P(Signals, MasterLimiterQuiet,
                         ::testing::Values(QuietCase{"Silence", Frames(2 * kRate, 0.0f)},
                                           QuietCase{"SineAtMinus6dB", Sine(kRate, kMinus6dB)},
                                           QuietCase{"SquareAtMinus6dB",
                                                     Make(kRate,
                                                          [](int i) { return (i / 50) % 2 ? kMinus6dB : -kMinus6dB; })},
                                           QuietCase{"LowSineJustAtTheThreshold", Sine(kRate, kT, 40)},
                                           QuietCase{"NoiseAtMinus20dB",
                                                     [] {
                                                         std::mt19937 g(7);
                                                         std::uniform_real_distribution<float> u(-0.1f, 0.1f);
                                                         return Make(kRate, [&](int) { return u(g); });
                                                     }()}),
                         [](const auto& info) { return info.param.name; });

TEST(MasterLimiter, ALoudSineStaysUnderFullScaleAndKeepsItsShapeAndStereoImage) {
    // Left at +6 dBFS, right at half of it: one gain for both. Its sampled
    // peaks differ a little from wave to wave, as real ones do.
    Frames s =
        Make(kRate, [](int i) { return 2.0f * static_cast<float>(std::sin(2 * std::numbers::pi * 97.3 * i / kRate)); });
    for (std::size_t i = 1; i < s.size(); i += 2) s[i] = s[i - 1] / 2;
    const Frames out = Limited(s);
    EXPECT_LE(Peak(out), 1.0f);
    EXPECT_GT(Peak(out), kT * 0.999f);
    for (std::size_t i = 0; i < out.size(); i += 2) ASSERT_FLOAT_EQ(out[i] / 2, out[i + 1]) << "frame " << i / 2;
    // Once the first peaks are caught, the tone is only scaled: held, not
    // pumping from wave to wave.
    const float gain = kT / Peak(s);
    for (std::size_t i = 2 * kRate / 50; i < out.size(); i += 2)
        ASSERT_NEAR(out[i], s[i] * gain, 2e-4f) << "frame " << i / 2;
}

TEST(MasterLimiter, AFloodStaysUnderFullScaleThenRecoversSmoothlyToUnity) {
    // Ten bursts of 60 half-scale kicks, one a frame (a flood on "Allow
    // Duplicate"), over a steady quiet level.
    std::vector<float> kick(kRate * 3 / 10);
    for (std::size_t i = 0; i < kick.size(); ++i) kick[i] = Kick(static_cast<int>(i), 0.5f);
    Frames s(2 * 4 * static_cast<std::size_t>(kRate), 0.25f);
    std::size_t lastStart = 0;
    for (int k = 0; k < 600; ++k) {
        lastStart = static_cast<std::size_t>((k / 60) * (kRate / 10) + k % 60);
        for (std::size_t i = 0; i < kick.size(); ++i) s[2 * (lastStart + i)] = s[2 * (lastStart + i) + 1] += kick[i];
    }
    ASSERT_GT(Peak(s), 20.0f) << "a real flood";
    MasterLimiter l(kRate);
    const Frames out = Limited(s, 512, &l);
    EXPECT_LE(Peak(out), 1.0f);
    for (float v : out) ASSERT_TRUE(std::isfinite(v));
    // Once the kicks have ended, the gain rises without steps that would
    // crackle, and is back at unity within the four seconds.
    const std::size_t quiet = 2 * (lastStart + kick.size());
    float last = out[quiet] / s[quiet];
    EXPECT_LT(last, 0.5f) << "still held down when the kicks end";
    for (std::size_t i = quiet; i < out.size(); i += 2) {
        const float g = out[i] / s[i];
        ASSERT_GE(g, last * 0.9999f) << "frame " << i / 2;
        ASSERT_LE(g, last * 1.01f) << "frame " << i / 2;
        last = g;
    }
    EXPECT_EQ(l.Gain(), 1.0f);
    EXPECT_TRUE(std::equal(out.end() - kRate, out.end(), s.end() - kRate)) << "the level passes untouched again";
}

TEST(MasterLimiter, BrokenSamplesAreSilencedAndNeverPoisonTheGain) {
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), 1e30f};
    for (float b : bad) {
        for (float level : {0.5f, 3.0f}) { // quiet, and while limiting
            Frames s = Sine(kRate / 2, level);
            s[2 * 1000] = b; // left only
            s[2 * 1001] = s[2 * 1001 + 1] = b;
            MasterLimiter l(kRate);
            const Frames out = Limited(s, 256, &l);
            EXPECT_EQ(out[2 * 1000], 0.0f) << b;
            EXPECT_EQ(out[2 * 1001], 0.0f) << b;
            EXPECT_EQ(out[2 * 1001 + 1], 0.0f) << b;
            EXPECT_LE(Peak(out), 1.0f) << b;
            if (level < kT) {
                Frames expected = s;
                expected[2 * 1000] = expected[2 * 1001] = expected[2 * 1001 + 1] = 0.0f;
                EXPECT_TRUE(Same(out, expected)) << b << ": everything else passes untouched";
            } else {
                EXPECT_NEAR(l.Gain(), kT / 3.0f, 1e-3f) << b << ": the gain follows the signal, not the broken sample";
            }
        }
    }
}

TEST(MasterLimiter, AnyBlockSizesGiveTheSameSamplesAsOneBlock) {
    // Bursts, steps, silence and broken samples, to take every path.
    std::mt19937 gen(11);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    Frames s = Make(kRate, [&](int i) {
        const float level = (i / 2000) % 3 == 0 ? 0.3f : static_cast<float>(1 + (i / 2000) % 7);
        return level * u(gen) + Kick(i - 30000, 4.0f);
    });
    for (std::size_t i = 7; i < s.size(); i += 9973) s[i] = std::numeric_limits<float>::quiet_NaN();
    const Frames whole = Limited(s, static_cast<int>(s.size()));
    EXPECT_LE(Peak(whole), 1.0f);
    for (int block : {1, 2, 7, 31, 32, 33, 255, 256, 1000, 4096}) EXPECT_TRUE(Same(Limited(s, block), whole)) << block;
    // Sizes changing from block to block, as the offline renderer's do.
    Frames mixed = s;
    MasterLimiter l(kRate);
    std::uniform_int_distribution<int> size(1, 4096);
    for (std::size_t at = 0; at < mixed.size() / 2;) {
        const int n = std::min(size(gen), static_cast<int>(mixed.size() / 2 - at));
        l.Process(mixed.data() + 2 * at, n);
        at += static_cast<std::size_t>(n);
    }
    EXPECT_TRUE(Same(mixed, whole));
}

} // namespace
} // namespace tambrel::test
