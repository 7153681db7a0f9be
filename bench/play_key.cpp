// Time of one PlayKey for a once-style key with 1000 overlapping copies in
// the duplicate pool: once with every copy finished (the first is reused),
// once with every copy still sounding (the whole pool is walked first).
//
//   cmake --build build --target play_key && build/bench/play_key

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "common/Shell.h"
#include "common/VirtualClock.h"
#include "document/NewOrchestra.h"
#include "sound/KeyPlayer.h"
#include "sound/MidiPlayer.h"
#include "audio/Mixer.h"

using namespace tambrel;

namespace {

struct Rig {
    SilentShell shell;
    ProgramState st{shell};
    VirtualClock clock;
    Mixer mixer{48000};
    NullMidiPlayer midi;
    KeyPlayer player{st, mixer, clock, midi};
    std::vector<float> out = std::vector<float>(2 * 4096);

    explicit Rig(int seconds) {
        InputDevice d;
        d.Name = "Keyboard", d.Ready = true, d.KeyCount = 128;
        st.InputDevices.push_back(d);
        st.Orc = NewOrchestra(st);
        KeyAssign& k = st.Orc.Set(3).Bd(1).Key(2);
        k.SndSrc = kSrcWave, k.PlayStyl = kPlayOnce, k.AllowDup = 1;
        k.SndBuf =
            std::make_shared<SoundBuffer>(WaveFormat{16, 2, 44100}, SoundBuffer::Samples(44100 * 4 * seconds, 1));
        k.WavBytes = 44100 * 4 * seconds;
        k.WaveDur = static_cast<float>(seconds);
        for (int i = 0; i < 1000; ++i) player.PlayKey({PlayBoardNo{3}, SubBoardNo{1}, KeyNo{2}});
        mixer.Render(out.data(), 1);
    }
};

void Report(const char* what, std::vector<double>& ns) {
    std::sort(ns.begin(), ns.end());
    double sum = 0;
    for (double v : ns) sum += v;
    std::printf("%-44s mean %7.3f us   median %7.3f us   p99 %7.3f us\n", what,
                sum / static_cast<double>(ns.size()) / 1000, ns[ns.size() / 2] / 1000, ns[ns.size() * 99 / 100] / 1000);
}

} // namespace

int main() {
    using Clock = std::chrono::steady_clock;
    constexpr int kRuns = 20000;
    {
        // A 1 ms wave: after one rendered block every copy has finished.
        Rig rig(1);
        rig.st.Orc.Set(3).Bd(1).Key(2).SndBuf =
            std::make_shared<SoundBuffer>(WaveFormat{16, 2, 44100}, SoundBuffer::Samples(44 * 4, 1));
        rig.mixer.Render(rig.out.data(), 4096);
        std::vector<double> ns;
        for (int i = 0; i < kRuns; ++i) {
            const auto t0 = Clock::now();
            rig.player.PlayKey({PlayBoardNo{3}, SubBoardNo{1}, KeyNo{2}});
            ns.push_back(std::chrono::duration<double, std::nano>(Clock::now() - t0).count());
            rig.mixer.Render(rig.out.data(), 256); // the copy plays out
        }
        Report("1000 copies in the pool, all finished:", ns);
    }
    {
        Rig rig(60);
        std::vector<double> ns;
        for (int i = 0; i < kRuns; ++i) {
            const auto t0 = Clock::now();
            rig.player.PlayKey({PlayBoardNo{3}, SubBoardNo{1}, KeyNo{2}});
            ns.push_back(std::chrono::duration<double, std::nano>(Clock::now() - t0).count());
            rig.mixer.Stop(*rig.player.DupBufs().back().Buf); // keep 1000 sounding, one free at the end
            if (i % 512 == 0) rig.mixer.Render(rig.out.data(), 1);
        }
        Report("1000 copies in the pool, all still sounding:", ns);
    }
    return 0;
}
