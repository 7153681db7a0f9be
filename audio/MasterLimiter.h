#pragma once
// The ceiling at the end of the mix: whatever the voices and the synthesizer
// add up to, no sample leaves beyond full scale.
//
// A peak limiter without look-ahead (a live instrument must not wait): the
// gain drops at once on the frame that would pass the threshold (-1 dBFS),
// holds for a moment so low notes are not distorted by a gain that follows
// their waves, then recovers smoothly. Both channels take the same gain, so
// the stereo image stays. Below the threshold, and once recovered, samples
// pass bit for bit. Samples that are no number, infinite or absurdly large
// (a broken source) are silenced and never reach the envelope. Nothing
// leaves above the threshold but for float rounding, far below full scale;
// where the gain changes within a chunk, the output is clamped to +-1.0 too.
//
// The envelope moves only on fixed 32-frame steps counted from the start, so
// the output does not depend on how the stream is cut into blocks: the
// offline renderer gives the same samples on every run.
//
// Threads: construct on any thread; Process on the audio thread only, which
// never allocates, locks or waits.

#include <cstdint>

namespace tambrel {

class MasterLimiter {
public:
    // The level above which the gain comes down: -1 dBFS.
    static constexpr float kThreshold = 0.891250938f;
    // Samples at or beyond this size (and NaN, infinities) count as silence:
    // no real mix comes near it (a million full-scale voices stay far below).
    static constexpr float kInvalid = 16777216.0f;

    explicit MasterLimiter(int rate);

    // Audio thread: limits frames x 2 interleaved floats in place.
    void Process(float* out, int frames);

    // The gain the next frame starts from (1 at rest); for tests.
    float Gain() const;

private:
    static constexpr int kStepFrames = 32;

    void ProcessAvx2(float* out, int frames);
    float Decide(float* p, int frames, std::uint32_t maxAbsBits);
    void Scan(float* p, int frames);
    void Advance(int frames);

    bool avx2_ = false;
    int holdSteps_;         // steps a peak is held before the release starts
    float release_;         // the envelope's factor per step while releasing
    float envelope_ = 0.0f; // the level the gain follows; 0 at rest (at or below the threshold)
    float stepPeak_ = 0.0f; // the highest frame peak of the current step so far
    int phase_ = 0;         // frames of the current step done
    int hold_ = 0;          // steps left before the envelope releases
};

} // namespace tambrel
