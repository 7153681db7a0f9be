#pragma once
// A key player on a virtual clock with a real mixer, rendered in lockstep:
// every millisecond of clock time renders that millisecond of sound, so a test
// can check where voices start and stop by what reaches the output.
//
// Mixer and sources both run at 44100 Hz, so output frame and source frame
// match one to one. Each test wave is a constant value with a "head" of twice
// that value for its first 10 ms, which shows every (re)start in the output.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/VirtualClock.h"
#include "sound/KeyPlayer.h"
#include "sound/MidiPlayer.h"
#include "document/WaveBuffers.h"
#include "tests/TestState.h"

namespace tambrel::test {

inline constexpr int kRate = 44100;
inline constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

class RecordingMidi : public MidiPlayer {
public:
    bool MidiReady() const override { return ready; }
    void PlayMidiKey(KeyAddress key) override {
        played.push_back({key.key.value, key.subBoard.value, key.playBoard.value});
    }
    void StopAllMidi() override {
        ++stops;
        if (failStop) throw std::runtime_error("Midi port lost");
    }

    bool ready = true;
    bool failStop = false;
    std::vector<std::array<int, 3>> played; // (key, board, playBoard) as passed
    int stops = 0;
};

// One sounding of a wave, as the output should show it.
struct Voice {
    int wave;           // index into SoundRig::waves
    std::int64_t start; // ms
    std::int64_t stop = kNever;
    bool loop = false;
};

class SoundRig {
public:
    // One keyboard of 16 keys: Play Boards 1..3, one Sub Board each; 3 is active.
    SoundRig() : ts({{"Keyboard", 16}}) {}

    TestState ts;
    ProgramState& st = ts.st;
    FakeShell& shell = ts.shell;
    VirtualClock clock;
    Mixer mixer{kRate};
    RecordingMidi midi;
    KeyPlayer player{st, mixer, clock, midi};
    std::vector<std::vector<std::int16_t>> waves;

    KeyAssign& Key(std::int32_t k, std::int32_t b = 1, std::int32_t p = 3) { return st.Orc.Set(p).Bd(b).Key(k); }
    // The address of key k of Sub Board b of Play Board p, as Key() names it.
    static KeyAddress At(std::int32_t k, std::int32_t b = 1, std::int32_t p = 3) {
        return {PlayBoardNo{p}, SubBoardNo{b}, KeyNo{k}};
    }

    // Makes key (k, b, p) a wave key of durMs milliseconds (a multiple of 10)
    // at the given level; returns the wave's index for Voice.
    int WaveKey(std::int32_t k, std::int32_t durMs, std::int16_t level, std::int32_t style = kPlayOnce,
                std::int32_t b = 1, std::int32_t p = 3) {
        const std::size_t frames = static_cast<std::size_t>(durMs) * kRate / 1000;
        std::vector<std::int16_t> s(frames, level);
        for (std::size_t i = 0; i < frames && i < kRate / 100; ++i) s[i] = static_cast<std::int16_t>(2 * level);
        std::vector<std::uint8_t> bytes(frames * 2);
        for (std::size_t i = 0; i < frames; ++i) {
            bytes[2 * i] = static_cast<std::uint8_t>(s[i] & 0xff);
            bytes[2 * i + 1] = static_cast<std::uint8_t>((s[i] >> 8) & 0xff);
        }
        KeyAssign& key = Key(k, b, p);
        key.SndSrc = kSrcWave;
        key.PlayStyl = style;
        key.WavBytes = static_cast<std::int32_t>(bytes.size());
        key.SndBuf = std::make_shared<SoundBuffer>(WaveFormat{16, 1, kRate}, std::move(bytes));
        CalcWaveDur(key);
        waves.push_back(std::move(s));
        return static_cast<int>(waves.size()) - 1;
    }

    // Renders up to (not including) ms t; ticks due at t have fired on return.
    void RunTo(std::int64_t t) {
        std::vector<float> out(2 * 64);
        while (clock.NowMs() < t) {
            const std::int64_t now = clock.NowMs();
            const int n = static_cast<int>(Frame(now + 1) - Frame(now));
            mixer.Pump();
            mixer.Render(out.data(), n);
            if (levels.size() != static_cast<std::size_t>(now)) throw std::logic_error("render out of step");
            levels.push_back(out[static_cast<std::size_t>(2 * (n / 2))]);
            clock.AdvanceBy(1);
        }
    }
    void Run(std::int64_t ms) { RunTo(clock.NowMs() + ms); }

    // The output level the voices should give at ms t (sampled mid-block).
    float Expected(const std::vector<Voice>& voices, std::int64_t t) const {
        float sum = 0.0f;
        if (t < 0) return sum;
        const std::int64_t mid = Frame(t) + (Frame(t + 1) - Frame(t)) / 2;
        for (const Voice& v : voices) {
            if (t < v.start || t >= v.stop) continue;
            const auto& s = waves[static_cast<std::size_t>(v.wave)];
            std::int64_t i = mid - Frame(v.start);
            const auto len = static_cast<std::int64_t>(s.size());
            if (v.loop) i %= len;
            else if (i >= len) continue;
            sum += static_cast<float>(s[static_cast<std::size_t>(i)]) / 32768.0f;
        }
        return sum;
    }

    // The output from ms `from` to the current time matches the voices, each
    // millisecond allowed to match its expected level up to 1 ms either side.
    ::testing::AssertionResult Sounds(const std::vector<Voice>& voices, std::int64_t from = 0) const {
        for (std::int64_t t = from; t < static_cast<std::int64_t>(levels.size()); ++t) {
            const float got = levels[static_cast<std::size_t>(t)];
            bool ok = false;
            for (int d = -1; d <= 1 && !ok; ++d) ok = std::fabs(got - Expected(voices, t + d)) < 1e-5f;
            if (!ok) {
                std::ostringstream m;
                m << "at " << t << " ms the output is " << got * 32768.0f << " but should be "
                  << Expected(voices, t) * 32768.0f;
                return ::testing::AssertionFailure() << m.str();
            }
        }
        return ::testing::AssertionSuccess();
    }

    int BusyTimers() {
        int n = 0;
        for (std::int32_t i = 1; i <= player.Timers().TimerNos(); ++i) n += !player.Timers().Timer(i).IsFree;
        return n;
    }

    std::vector<float> levels; // left channel, one per ms

private:
    static std::int64_t Frame(std::int64_t ms) { return ms * kRate / 1000; }
};

} // namespace tambrel::test
