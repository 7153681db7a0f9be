// The mixer's CPU time per second of audio, side by side with SDL2_mixer
// mixing the same overlapping voices, plus the delay from a play command to
// its first sample through the SDL device.
//
//   cmake --build build --target mixer_voices && build/bench/mixer_voices [VOICES] [--without-limiter]
//
// Our figure includes the master limiter after the mix, as the program runs
// it; these voices add up far beyond full scale, so it is limiting all the
// time (its dearest case). --without-limiter leaves it out, for comparison.
// "voices/core" is how many such voices one core could mix in real time.
//
// Voices play a 0.25 s 44.1 kHz 16-bit stereo sample, looping, into 48 kHz
// float stereo: once all sharing one sample (as duplicates of a key do), once
// with a sample per voice. SDL2_mixer runs on its disk driver writing to
// /dev/null without delay, so its audio thread mixes as fast as it can; its
// figure is process CPU time over the audio time it produced. SDL2_mixer
// converts each sample to the device format when loading and only adds while
// mixing; ours resamples and converts on the fly from the original bytes.

#include <SDL.h>
#include <SDL_mixer.h>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "audio/MasterLimiter.h"
#include "audio/Mixer.h"
#include "sound/sdl/SdlAudioOutput.h"

namespace {

using tambrel::MasterLimiter;
using tambrel::Mixer;
using tambrel::SoundBuffer;
using tambrel::SoundBufferRef;
using tambrel::WaveFormat;

constexpr int kDeviceRate = 48000;
constexpr int kSampleRate = 44100;
constexpr int kSampleFrames = kSampleRate / 4;

SoundBuffer::Samples MakeSamples(int seed) {
    SoundBuffer::Samples s(static_cast<std::size_t>(kSampleFrames) * 4);
    for (int i = 0; i < kSampleFrames; ++i) {
        const auto v = static_cast<std::int16_t>(3000.0 * std::sin(0.01 * (i + seed)));
        std::memcpy(&s[static_cast<std::size_t>(i) * 4], &v, 2);
        std::memcpy(&s[static_cast<std::size_t>(i) * 4 + 2], &v, 2);
    }
    return s;
}

double ThreadCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double ProcessCpu() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) * 1e-6;
}

bool gLimiter = true;

// CPU seconds per second of audio for our mixer, rendering 256-frame blocks.
double OurMixer(int voices, bool shared) {
    Mixer m(kDeviceRate, voices + 16);
    MasterLimiter limiter(kDeviceRate);
    std::vector<SoundBufferRef> bufs;
    auto first = std::make_shared<SoundBuffer>(WaveFormat{16, 2, kSampleRate}, MakeSamples(0));
    for (int v = 0; v < voices; ++v) {
        bufs.push_back(shared ? first->Duplicate()
                              : std::make_shared<SoundBuffer>(WaveFormat{16, 2, kSampleRate}, MakeSamples(v)));
        m.Play(*bufs.back(), true);
    }
    std::vector<float> out(256 * 2);
    m.Render(out.data(), 256); // takes the play commands
    const double audioSeconds = voices >= 1024 ? 4.0 : 20.0;
    const int blocks = static_cast<int>(audioSeconds * kDeviceRate / 256);
    const double t0 = ThreadCpu();
    for (int b = 0; b < blocks; ++b) {
        m.Render(out.data(), 256);
        if (gLimiter) limiter.Process(out.data(), 256);
    }
    return (ThreadCpu() - t0) / (blocks * 256.0 / kDeviceRate);
}

std::string WaveFile(const SoundBuffer::Samples& s) {
    auto put = [](std::string& o, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) o += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    std::string w = "RIFF";
    put(w, static_cast<std::uint32_t>(36 + s.size()), 4);
    w += "WAVEfmt ";
    put(w, 16, 4), put(w, 1, 2), put(w, 2, 2), put(w, kSampleRate, 4), put(w, kSampleRate * 4, 4), put(w, 4, 2),
        put(w, 16, 2);
    w += "data";
    put(w, static_cast<std::uint32_t>(s.size()), 4);
    w.append(reinterpret_cast<const char*>(s.data()), s.size());
    return w;
}

std::atomic<long> gMixedBytes{0};
void CountMixed(void*, Uint8*, int len) { gMixedBytes += len; }

// The same for SDL2_mixer; -1 when it cannot be opened.
double SdlMixer(int voices, bool shared) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    if (SDL_Init(SDL_INIT_AUDIO) != 0) return -1;
    if (Mix_OpenAudio(kDeviceRate, AUDIO_F32SYS, 2, 256) != 0) {
        SDL_Quit();
        return -1;
    }
    Mix_AllocateChannels(voices);
    std::vector<Mix_Chunk*> chunks;
    for (int v = 0; v < (shared ? 1 : voices); ++v) {
        const std::string wav = WaveFile(MakeSamples(v));
        chunks.push_back(Mix_LoadWAV_RW(SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size())), 1));
    }
    Mix_SetPostMix(&CountMixed, nullptr);
    for (int v = 0; v < voices; ++v) Mix_PlayChannel(v, chunks[shared ? 0 : static_cast<std::size_t>(v)], -1);
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // settle
    const long b0 = gMixedBytes.load();
    const double c0 = ProcessCpu();
    std::this_thread::sleep_for(std::chrono::milliseconds(voices >= 1024 ? 3000 : 1500));
    const double cpu = ProcessCpu() - c0;
    const double audio = static_cast<double>(gMixedBytes.load() - b0) / (kDeviceRate * 8.0);
    Mix_HaltChannel(-1);
    Mix_SetPostMix(nullptr, nullptr);
    for (Mix_Chunk* c : chunks) Mix_FreeChunk(c);
    Mix_CloseAudio();
    SDL_Quit();
    return audio > 0 ? cpu / audio : -1;
}

// Play command to first sample through the SDL device (dummy driver, real time).
void PlayLatency() {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    Mixer m(kDeviceRate);
    MasterLimiter limiter(kDeviceRate);
    tambrel::SdlAudioOutput out(kDeviceRate, 256);
    std::atomic<long long> heardAt{0};
    std::string error;
    if (!out.Start(
            [&](float* f, int n) {
                m.Render(f, n);
                limiter.Process(f, n);
                if (heardAt.load() == 0)
                    for (int i = 0; i < n; ++i)
                        if (f[2 * i] != 0.0f) {
                            // The frame's time: the block starts now; frame i follows it.
                            heardAt = std::chrono::steady_clock::now().time_since_epoch().count() +
                                      static_cast<long long>(i * 1e9 / out.Rate());
                            break;
                        }
            },
            error)) {
        std::printf("play-to-sound delay: no audio device (%s)\n", error.c_str());
        return;
    }
    auto b = std::make_shared<SoundBuffer>(WaveFormat{16, 2, kSampleRate}, MakeSamples(1));
    std::vector<double> ms;
    for (int i = 0; i < 100; ++i) {
        auto d = b->Duplicate();
        heardAt = 0;
        const long long t0 = std::chrono::steady_clock::now().time_since_epoch().count();
        m.Play(*d, false);
        while (heardAt.load() == 0) std::this_thread::sleep_for(std::chrono::microseconds(100));
        ms.push_back(static_cast<double>(heardAt.load() - t0) / 1e6);
        m.Stop(*d);
        std::this_thread::sleep_for(std::chrono::milliseconds(7));
    }
    out.Stop();
    std::sort(ms.begin(), ms.end());
    std::printf("play-to-sound delay over 100 plays: median %.2f ms, p99 %.2f ms, max %.2f ms; "
                "one device buffer = %d frames = %.2f ms\n",
                ms[50], ms[98], ms[99], out.BufferFrames(), 1000.0 * out.BufferFrames() / out.Rate());
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> counts = {16, 256, 1024, 4096};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--without-limiter") == 0) gLimiter = false;
        else counts = {std::atoi(argv[i])};
    }
    std::printf("%-7s %-9s %12s %12s %8s %12s\n", "voices", "samples", "ours cpu/s", "SDL2_mixer", "ratio",
                "voices/core");
    for (int voices : counts)
        for (bool shared : {true, false}) {
            const double ours = OurMixer(voices, shared);
            const double sdl = SdlMixer(voices, shared);
            std::printf("%-7d %-9s %12.6f %12.4f %8.2f %12.0f\n", voices, shared ? "shared" : "distinct", ours, sdl,
                        sdl > 0 ? ours / sdl : 0.0, ours > 0 ? voices / ours : 0.0);
            std::fflush(stdout);
        }
    PlayLatency();
    return 0;
}
