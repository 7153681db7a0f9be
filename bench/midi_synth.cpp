// The built-in synthesizer's cost: CPU time per second of audio for 64 and 256
// sounding notes, beside the fluidsynth command rendering the same notes from
// a MIDI file; 1024 wave voices and 256 notes together; and the delay from a
// note-on to its first sample. Prints figures, asserts nothing.
//
//   midi_synth [SECONDS]        (default 10; needs a General MIDI SoundFont)

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "sound/MidiPorts.h"
#include "audio/Mixer.h"
#include "sound/fluidsynth/FluidSynthEngine.h"

extern char** environ;

namespace {

using namespace tambrel;

constexpr int kRate = 48000;
constexpr int kBlock = 256;
constexpr int kProgram = 0; // Acoustic Grand Piano, the General MIDI default

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double ChildCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// Note i of a chord of n: distinct (channel, key) pairs over 15 channels
// (9, the percussion channel, left out).
void NoteOf(int i, int& channel, int& key) {
    channel = i % 15;
    if (channel >= 9) ++channel;
    key = 36 + (i / 15) % 64;
}

// A format-0 MIDI file: programs and n note-ons at 0, note-offs after seconds.
void WriteMidiFile(const std::string& path, int n, int seconds) {
    std::vector<unsigned char> t;
    auto delta = [&](unsigned v) {
        unsigned char b[4];
        int k = 0;
        b[k++] = v & 0x7f;
        while (v >>= 7) b[k++] = static_cast<unsigned char>(0x80 | (v & 0x7f));
        while (k) t.push_back(b[--k]);
    };
    // 500000 us a quarter at 480 ticks: 960 ticks a second.
    for (int c = 0; c < 16; ++c) {
        delta(0);
        t.insert(t.end(), {static_cast<unsigned char>(0xC0 | c), kProgram});
    }
    for (int i = 0; i < n; ++i) {
        int ch, key;
        NoteOf(i, ch, key);
        delta(0);
        t.insert(t.end(), {static_cast<unsigned char>(0x90 | ch), static_cast<unsigned char>(key), 100});
    }
    for (int i = 0; i < n; ++i) {
        int ch, key;
        NoteOf(i, ch, key);
        delta(i == 0 ? static_cast<unsigned>(seconds * 960) : 0);
        t.insert(t.end(), {static_cast<unsigned char>(0x80 | ch), static_cast<unsigned char>(key), 0});
    }
    delta(0);
    t.insert(t.end(), {0xff, 0x2f, 0x00});
    std::ofstream f(path, std::ios::binary);
    const unsigned char head[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 480 >> 8, 480 & 0xff, 'M', 'T', 'r', 'k'};
    f.write(reinterpret_cast<const char*>(head), sizeof head);
    const auto len = static_cast<std::uint32_t>(t.size());
    const unsigned char l[] = {static_cast<unsigned char>(len >> 24), static_cast<unsigned char>(len >> 16),
                               static_cast<unsigned char>(len >> 8), static_cast<unsigned char>(len)};
    f.write(reinterpret_cast<const char*>(l), 4);
    f.write(reinterpret_cast<const char*>(t.data()), static_cast<std::streamsize>(t.size()));
}

// CPU seconds the fluidsynth command spends on the file, or a negative number.
double FluidsynthCommand(const std::string& soundFont, const std::string& midi, const std::string& raw) {
    std::vector<std::string> args = {"fluidsynth", "-ni", "-q",  "-o", "synth.polyphony=1024", "-F",
                                     raw,          "-T",  "raw", "-r", std::to_string(kRate),  soundFont,
                                     midi};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const double before = ChildCpuSeconds();
    pid_t pid;
    if (posix_spawnp(&pid, "fluidsynth", nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return ChildCpuSeconds() - before;
}

std::unique_ptr<FluidSynthEngine> LoadedEngine(const std::string& soundFont) {
    auto e = std::make_unique<FluidSynthEngine>(kRate);
    std::string error;
    if (!e->Load(soundFont, error)) {
        std::fprintf(stderr, "midi_synth: %s\n", error.c_str());
        std::exit(1);
    }
    return e;
}

void StartChord(FluidSynthEngine& e, int n, int seconds) {
    for (int c = 0; c < 16; ++c) e.ProgramChange(c, kProgram);
    for (int i = 0; i < n; ++i) {
        int ch, key;
        NoteOf(i, ch, key);
        e.Note(ch, key, 100, static_cast<std::int64_t>(seconds) * kRate);
    }
}

// CPU seconds per second of audio of the synthesizer (and the mixer, when given).
double Measure(FluidSynthEngine& e, Mixer* mixer, int seconds, int* voices = nullptr) {
    std::vector<float> out(2 * kBlock);
    const double t0 = CpuSeconds();
    for (long f = 0; f < static_cast<long>(seconds) * kRate; f += kBlock) {
        if (f == kBlock && voices) *voices = e.ActiveVoices();
        if (mixer) mixer->Render(out.data(), kBlock);
        else std::fill(out.begin(), out.end(), 0.0f);
        e.RenderAdd(out.data(), kBlock);
    }
    return (CpuSeconds() - t0) / seconds;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const std::string exeDir = std::filesystem::path(argv[0]).parent_path().string();
    const std::string soundFont = FindSoundFont(exeDir.empty() ? "." : exeDir, SystemSoundFonts());
    if (soundFont.empty()) {
        std::fprintf(stderr, "midi_synth: %s\n", std::string(kNoSoundFontText).c_str());
        return 1;
    }
    std::printf("SoundFont %s, %d Hz, %d-frame blocks, %d s of audio\n", soundFont.c_str(), kRate, kBlock, seconds);
    const std::string tmp = std::filesystem::temp_directory_path().string();
    const std::string midi = tmp + "/tambrel-bench-notes.mid", raw = tmp + "/tambrel-bench-out.raw";

    // The command's fixed cost (start, SoundFont) from a file without notes.
    WriteMidiFile(midi, 0, seconds);
    const double fixed = FluidsynthCommand(soundFont, midi, raw);

    std::printf("%-10s %22s %22s %7s %20s\n", "notes", "built-in CPU s/s audio", "fluidsynth CPU s/s", "ratio",
                "voices at the start");
    for (int n : {64, 256}) {
        auto e = LoadedEngine(soundFont);
        StartChord(*e, n, seconds + 1);
        int voices = 0;
        const double ours = Measure(*e, nullptr, seconds, &voices);
        WriteMidiFile(midi, n, seconds);
        const double theirs = fixed < 0 ? -1 : FluidsynthCommand(soundFont, midi, raw);
        const double theirsPerSecond = theirs < 0 ? -1 : (theirs - fixed) / seconds;
        if (theirsPerSecond > 0)
            std::printf("%-10d %22.4f %22.4f %7.2f %20d\n", n, ours, theirsPerSecond, ours / theirsPerSecond, voices);
        else std::printf("%-10d %22.4f %22s %7s %20d\n", n, ours, "(no fluidsynth)", "-", voices);
    }

    {
        // 1024 looping wave voices (1 s, 16-bit mono, 44100 Hz) and 256 notes.
        Mixer mixer(kRate, 1024);
        std::vector<std::shared_ptr<SoundBuffer>> waves;
        for (int i = 0; i < 1024; ++i) {
            std::vector<std::uint8_t> bytes(2 * 44100);
            for (std::size_t k = 0; k < bytes.size(); k += 2) {
                const auto v = static_cast<std::int16_t>(100 * std::sin(0.01 * static_cast<double>(k) * (1 + i % 7)));
                bytes[k] = static_cast<std::uint8_t>(v & 0xff);
                bytes[k + 1] = static_cast<std::uint8_t>((v >> 8) & 0xff);
            }
            waves.push_back(std::make_shared<SoundBuffer>(WaveFormat{16, 1, 44100}, std::move(bytes)));
            mixer.Play(*waves.back(), true);
        }
        auto e = LoadedEngine(soundFont);
        StartChord(*e, 256, seconds + 1);
        const double both = Measure(*e, &mixer, seconds);
        std::printf("1024 wave voices + 256 notes: %.4f CPU s/s audio (goal under 0.1)\n", both);
    }

    {
        // The delay from a note-on, sent between two device buffers, to its first sample.
        auto e = LoadedEngine(soundFont);
        std::vector<float> out(2 * kBlock);
        int worst = 0;
        for (int trial = 0; trial < 20; ++trial) {
            e->StopAll();
            for (int b = 0; b < 40; ++b) {
                std::fill(out.begin(), out.end(), 0.0f);
                e->RenderAdd(out.data(), kBlock);
            }
            e->ProgramChange(0, kProgram);
            e->Note(0, 48 + trial, 100, kRate);
            int delay = -1;
            for (int b = 0; b < 8 && delay < 0; ++b) {
                std::fill(out.begin(), out.end(), 0.0f);
                e->RenderAdd(out.data(), kBlock);
                for (int k = 0; k < kBlock && delay < 0; ++k)
                    if (std::fabs(out[static_cast<std::size_t>(2 * k)]) > 1e-6f) delay = b * kBlock + k;
            }
            worst = std::max(worst, delay);
        }
        std::printf("note-on to first sample: at most %d frames (%.2f ms) into the next device buffer, "
                    "so at most one buffer (%d frames) plus that after the note-on\n",
                    worst, worst * 1000.0 / kRate, kBlock);
    }
    std::filesystem::remove(midi);
    std::filesystem::remove(raw);
    return 0;
}
