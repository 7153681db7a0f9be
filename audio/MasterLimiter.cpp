#include "audio/MasterLimiter.h"

#include <algorithm>
#include <bit>
#include <cmath>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TAMBREL_LIMITER_AVX2 1
#endif

namespace tambrel {
namespace {

constexpr double kHoldSeconds = 0.020;    // longer than half a wave of the lowest notes
constexpr double kReleaseSeconds = 0.150; // the envelope falls by 1/e in this time (about 58 dB/s)
// Peaks within 0.1 dB of the held level keep holding it: a steady tone, whose
// sampled peaks differ by a hair from wave to wave, keeps one steady gain
// instead of a release and a fresh catch every few waves.
constexpr float kKeepHolding = 0.98855f;

constexpr std::uint32_t Bits(float x) { return std::bit_cast<std::uint32_t>(x); }

constexpr std::uint32_t kInvalidBits = Bits(MasterLimiter::kInvalid);

// The largest magnitude among count floats, as the bits of its absolute
// value: those order as the values do, and NaN and infinity sort above every
// finite number, so one comparison with kInvalidBits finds them.
std::uint32_t MaxAbsBits(const float* p, int count, int start = 0) {
    std::uint32_t m = 0;
    for (int i = start; i < count; ++i) m = std::max(m, Bits(p[i]) & 0x7fffffffu);
    return m;
}

// Scales count floats by g. Used only where no sample is larger than the
// level g was made for (g = threshold / level), so none can come out above
// the threshold by more than a rounding or two: no clamp is needed here.
void Scale(float* p, int count, float g, int start = 0) {
    for (int i = start; i < count; ++i) p[i] *= g;
}

#if TAMBREL_LIMITER_AVX2
// The same, eight floats at a time, with the same results (max and a
// product round alike).
__attribute__((target("avx2"))) inline std::uint32_t MaxAbsBitsAvx2(const float* p, int count) {
    const __m256i mask = _mm256_set1_epi32(0x7fffffff);
    __m256i acc = _mm256_setzero_si256();
    int i = 0;
    for (; i + 8 <= count; i += 8)
        acc =
            _mm256_max_epu32(acc, _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i)), mask));
    __m128i m = _mm_max_epu32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
    m = _mm_max_epu32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
    m = _mm_max_epu32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
    const auto v = static_cast<std::uint32_t>(_mm_cvtsi128_si32(m));
    return i < count ? std::max(v, MaxAbsBits(p, count, i)) : v;
}

__attribute__((target("avx2"))) inline void ScaleAvx2(float* p, int count, float g) {
    const __m256 gain = _mm256_set1_ps(g);
    int i = 0;
    for (; i + 8 <= count; i += 8) _mm256_storeu_ps(p + i, _mm256_mul_ps(_mm256_loadu_ps(p + i), gain));
    if (i < count) Scale(p, count, g, i);
}
#endif

} // namespace

MasterLimiter::MasterLimiter(int rate) {
    if (rate <= 0) rate = 48000;
    holdSteps_ = std::max(1, static_cast<int>(std::lround(kHoldSeconds * rate / kStepFrames)));
    release_ = static_cast<float>(std::exp(-kStepFrames / (kReleaseSeconds * rate)));
#if TAMBREL_LIMITER_AVX2
    // Asked once here, off the audio thread.
    avx2_ = __builtin_cpu_supports("avx2");
#endif
}

float MasterLimiter::Gain() const { return kThreshold / std::max(std::max(envelope_, stepPeak_), kThreshold); }

// The gain for a whole chunk (1: leave it as it is), or the chunk limited
// frame by frame right here (and 1).
inline float MasterLimiter::Decide(float* p, int frames, std::uint32_t maxAbsBits) {
    const float peak = std::bit_cast<float>(maxAbsBits);
    const float level = std::max(envelope_, stepPeak_);
    if (maxAbsBits >= kInvalidBits || (peak > level && peak > kThreshold)) {
        Scan(p, frames);
        return 1.0f;
    }
    stepPeak_ = std::max(stepPeak_, peak);
    return level > kThreshold ? kThreshold / level : 1.0f;
}

void MasterLimiter::Scan(float* p, int frames) {
    for (int i = 0; i < frames; ++i, p += 2) {
        const float l = std::fabs(p[0]) < kInvalid ? p[0] : 0.0f;
        const float r = std::fabs(p[1]) < kInvalid ? p[1] : 0.0f;
        stepPeak_ = std::max(stepPeak_, std::max(std::fabs(l), std::fabs(r)));
        const float g = kThreshold / std::max(std::max(envelope_, stepPeak_), kThreshold);
        p[0] = std::min(std::max(l * g, -1.0f), 1.0f);
        p[1] = std::min(std::max(r * g, -1.0f), 1.0f);
    }
}

// At each step's end the envelope follows a new peak at once and holds it
// while the peaks stay about as high; after the hold it falls steadily until
// it meets the signal again or reaches the threshold, where it rests at 0
// (unity gain, and no denormals from decaying forever).
inline void MasterLimiter::Advance(int frames) {
    phase_ += frames;
    if (phase_ < kStepFrames) return;
    phase_ = 0;
    if (stepPeak_ >= envelope_ * kKeepHolding) {
        envelope_ = std::max(envelope_, stepPeak_);
        hold_ = holdSteps_;
    } else if (hold_ > 0) {
        --hold_;
    } else {
        envelope_ *= release_;
    }
    if (envelope_ <= kThreshold) {
        envelope_ = 0.0f;
        hold_ = 0;
    }
    stepPeak_ = 0.0f;
}

// The stream goes in chunks that never cross a step. Most chunks need no
// per-frame work: all quiet, or nothing louder than the level already
// reached, which is one gain for all. Only a chunk with a new peak above the
// threshold, or a broken sample, goes frame by frame; each path gives exactly
// what the frame-by-frame one would.
void MasterLimiter::Process(float* out, int frames) {
#if TAMBREL_LIMITER_AVX2
    if (avx2_) return ProcessAvx2(out, frames);
#endif
    while (frames > 0) {
        const int n = std::min(frames, kStepFrames - phase_);
        const float g = Decide(out, n, MaxAbsBits(out, 2 * n));
        if (g < 1.0f) Scale(out, 2 * n, g);
        out += 2 * n;
        frames -= n;
        Advance(n);
    }
}

#if TAMBREL_LIMITER_AVX2
// The same loop, compiled for AVX2 so the vector code inlines into it; a
// whole step, the common case, gets loops of a known length, unrolled.
__attribute__((target("avx2"))) void MasterLimiter::ProcessAvx2(float* out, int frames) {
    constexpr int kStep = 2 * kStepFrames;
    while (frames > 0) {
        const int n = std::min(frames, kStepFrames - phase_);
        const bool whole = n == kStepFrames;
        const float g = Decide(out, n, whole ? MaxAbsBitsAvx2(out, kStep) : MaxAbsBitsAvx2(out, 2 * n));
        if (g < 1.0f) {
            if (whole) ScaleAvx2(out, kStep, g);
            else ScaleAvx2(out, 2 * n, g);
        }
        out += 2 * n;
        frames -= n;
        Advance(n);
    }
}
#endif

} // namespace tambrel
