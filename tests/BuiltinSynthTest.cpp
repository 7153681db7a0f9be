// The built-in synthesizer: timing of notes on exact frames, segments, the
// second channel group, and MIDI keys in `tborc render`. Needs a General MIDI
// SoundFont; skipped with a message where none is installed.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "sound/MidiPorts.h"
#include "tests/TempDir.h"

#ifdef TAMBREL_HAVE_FLUIDSYNTH
#include "audio/WaveFile.h"
#include "sound/StyleFile.h"
#include "sound/fluidsynth/FluidSynthPorts.h"
#include "tests/FakeShell.h"
#include "tests/TborcRun.h"
#endif

namespace tambrel::test {
namespace {

#ifndef TAMBREL_HAVE_FLUIDSYNTH

TEST(BuiltinSynth, NeedsFluidSynth) { GTEST_SKIP() << "built without FluidSynth (install libfluidsynth-dev)"; }

#else

constexpr int kRate = 48000;
constexpr int kBlock = 256; // a device buffer
constexpr float kSilent = 1e-4f;

std::string SoundFontOrEmpty() { return FindSoundFont("/nonexistent", SystemSoundFonts()); }

#define NEED_SOUNDFONT()                                                                                               \
    const std::string soundFont = SoundFontOrEmpty();                                                                  \
    if (soundFont.empty()) GTEST_SKIP() << "no General MIDI SoundFont installed (apt-get install timgm6mb-soundfont)"

// An engine rendered in device-sized blocks; commands go in between blocks.
struct Synth {
    explicit Synth(const std::string& soundFont) {
        std::string error;
        EXPECT_TRUE(engine.Load(soundFont, error)) << error;
    }
    // Renders up to frame `to` (a multiple of kBlock).
    void RunTo(std::int64_t to) {
        while (static_cast<std::int64_t>(out.size() / 2) < to) {
            const std::size_t at = out.size();
            out.resize(at + 2 * kBlock, 0.0f);
            engine.RenderAdd(out.data() + at, kBlock);
        }
    }
    float Peak(std::int64_t from, std::int64_t to) const {
        float p = 0.0f;
        for (std::int64_t f = from; f < to && 2 * f + 1 < static_cast<std::int64_t>(out.size()); ++f)
            p = std::max({p, std::fabs(out[static_cast<std::size_t>(2 * f)]),
                          std::fabs(out[static_cast<std::size_t>(2 * f + 1)])});
        return p;
    }
    std::int64_t FirstSound(std::int64_t from = 0) const {
        for (std::int64_t f = from; 2 * f + 1 < static_cast<std::int64_t>(out.size()); ++f)
            if (Peak(f, f + 1) > kSilent) return f;
        return -1;
    }
    FluidSynthEngine engine{kRate};
    std::vector<float> out;
};

// The first frame where two renders differ, or -1.
std::int64_t Divergence(const std::vector<float>& a, const std::vector<float>& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (std::fabs(a[i] - b[i]) > 1e-6f) return static_cast<std::int64_t>(i / 2);
    return a.size() == b.size() ? -1 : static_cast<std::int64_t>(n / 2);
}

TEST(BuiltinSynth, ANoteStartsAtTheNextBlockAndEndsOnItsFrame) {
    NEED_SOUNDFONT();
    const std::int64_t press = 40 * kBlock;
    const std::int64_t durs[] = {12000, 24000};
    Synth s0(soundFont), s1(soundFont);
    Synth* s[2] = {&s0, &s1};
    for (int i = 0; i < 2; ++i) {
        s[i]->RunTo(press);
        s[i]->engine.ProgramChange(1, 19); // an organ: it sounds until the note ends
        s[i]->engine.Note(1, 60, 100, durs[i]);
        s[i]->RunTo(press + 36000);
    }
    EXPECT_EQ(s0.FirstSound(), s1.FirstSound());
    const std::int64_t start = s0.FirstSound();
    EXPECT_GE(start, press);
    EXPECT_LT(start, press + 96) << "sound within 2 ms";
    // The two notes are alike until the shorter one's end.
    const std::int64_t end = Divergence(s0.out, s1.out);
    EXPECT_GE(end, press + durs[0]);
    EXPECT_LT(end, press + durs[0] + 64);
    // And the shorter one has died away 200 ms later, while the longer one sounds.
    const std::int64_t later = press + durs[0] + 9600;
    EXPECT_LT(s0.Peak(later, later + 512), 0.1f * s1.Peak(later, later + 512));
}

TEST(BuiltinSynth, AnIdleSynthRestsAndTheNextNoteWakesItInTime) {
    NEED_SOUNDFONT();
    Synth s(soundFont);
    EXPECT_FALSE(s.engine.Resting());
    s.engine.Note(0, 60, 100, 100 * 48);
    s.RunTo(200 * 48);
    EXPECT_FALSE(s.engine.Resting()) << "the reverb tail still sounds";
    s.RunTo(6 * kRate);
    ASSERT_TRUE(s.engine.Resting());
    // Resting adds nothing at all to the mix.
    EXPECT_EQ(s.Peak(5 * kRate, 6 * kRate), 0.0f);
    // A program change alone wakes it for a while, then it rests again.
    s.engine.ProgramChange(0, 19);
    s.RunTo(6 * kRate + kBlock);
    EXPECT_FALSE(s.engine.Resting());
    const std::int64_t press = 1313 * kBlock; // about 7 s, on a block's start
    s.RunTo(press);
    EXPECT_TRUE(s.engine.Resting());
    s.engine.Note(0, 60, 100, 500 * 48);
    s.RunTo(press + kRate);
    EXPECT_GE(s.FirstSound(press), press);
    EXPECT_LT(s.FirstSound(press), press + 96) << "sound within 2 ms of the press";
    // Time kept running while resting: the note ends on its frame.
    EXPECT_LT(s.Peak(press + 700 * 48, press + 710 * 48), 0.1f * s.Peak(press + 400 * 48, press + 410 * 48));
    EXPECT_EQ(s.engine.RenderedFrames(), static_cast<std::int64_t>(s.out.size() / 2));
}

TEST(BuiltinSynth, AKeyStruckAgainIsHeldUntilItsLastNoteEnds) {
    NEED_SOUNDFONT();
    // (first note's length, second note's length): both end at 600 ms.
    Synth a(soundFont), b(soundFont);
    for (auto* s : {&a, &b}) s->engine.ProgramChange(0, 19);
    a.engine.Note(0, 60, 100, 200 * 48);
    b.engine.Note(0, 60, 100, 600 * 48);
    a.RunTo(100 * 48);
    b.RunTo(100 * 48);
    for (auto* s : {&a, &b}) {
        s->engine.Note(0, 60, 100, 500 * 48);
        s->RunTo(900 * 48);
    }
    EXPECT_EQ(Divergence(a.out, b.out), -1);
}

TEST(BuiltinSynth, TheSecondChannelGroupIsReal) {
    NEED_SOUNDFONT();
    const struct {
        int channel;
        bool sounds;
    } cases[] = {{16, true}, {31, true}, {32, false}, {-1, false}};
    for (const auto& c : cases) {
        Synth s(soundFont);
        s.engine.Note(c.channel, 60, 100, 4800);
        s.RunTo(4800);
        EXPECT_EQ(s.Peak(0, 4800) > 0.01f, c.sounds) << c.channel;
    }
    // Its program is its own: an organ on 16 leaves channel 0 a piano.
    Synth organ(soundFont), piano(soundFont);
    organ.engine.ProgramChange(16, 19);
    for (auto* s : {&organ, &piano}) {
        s->engine.Note(0, 60, 100, 4800);
        s->RunTo(9600);
    }
    EXPECT_EQ(Divergence(organ.out, piano.out), -1);
}

TEST(BuiltinSynth, ANewSegmentEndsThePreviousOneAndStopAllSilences) {
    NEED_SOUNDFONT();
    const std::int64_t cut = 40 * kBlock;
    // A: a long organ note of segment 1, then segment 2 with only a band.
    // B: the same without segment 2.
    Synth a(soundFont), b(soundFont);
    for (auto* s : {&a, &b}) {
        s->engine.StartSegment(1);
        s->engine.ProgramChange(0, 19, 0, 1);
        s->engine.Note(0, 60, 100, 96000, 0, 1);
        s->engine.Note(0, 67, 100, 9600, 24000, 1); // 0.5 s later, in segment 1
        s->RunTo(cut);
    }
    a.engine.StartSegment(2);
    a.engine.ProgramChange(0, 0, 0, 2);
    a.RunTo(cut + 48000);
    b.RunTo(cut + 48000);
    const std::int64_t d = Divergence(a.out, b.out);
    EXPECT_GE(d, cut);
    EXPECT_LT(d, cut + 64);
    // The later note of segment 1 never starts: A only dies away.
    EXPECT_LT(a.Peak(cut + 24000, cut + 30000), 0.2f * b.Peak(cut + 24000, cut + 30000));

    Synth c(soundFont);
    c.engine.Note(3, 60, 100, 96000);
    c.RunTo(cut);
    const float before = c.Peak(cut - 4800, cut);
    c.engine.StopAll();
    c.RunTo(cut + 9600);
    // Only the reverberation is left.
    EXPECT_LT(c.Peak(cut + 2400, cut + 9600), 0.1f * before);
}

TEST(BuiltinSynthPorts, TwoPortsAndAClearMessageWithoutASoundFont) {
    TempDir app;
    FluidSynthEngine engine(kRate);
    FluidSynthService service(engine, app.Path(), {app.File("none.sf2")});
    const auto ports = service.ListPorts();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].Name, "Tambrel GM Synthesizer");
    EXPECT_FALSE(ports[0].SoftSynth);
    EXPECT_EQ(ports[1].Name, "Tambrel Style Synthesizer");
    EXPECT_TRUE(ports[1].SoftSynth);
    std::string error;
    EXPECT_EQ(service.OpenPort(0, error), nullptr);
    EXPECT_EQ(error, kNoSoundFontText);
    EXPECT_NE(error.find("timgm6mb-soundfont"), std::string::npos);
    // A file that is no SoundFont is named in the message.
    app.Write("TbOrch.sf2", "RIFF not really");
    error.clear();
    EXPECT_EQ(service.OpenPort(1, error), nullptr);
    EXPECT_NE(error.find(app.File("TbOrch.sf2")), std::string::npos) << error;
}

TEST(BuiltinSynthPorts, AStylePortPlaysTheMotifOfTheBand) {
    NEED_SOUNDFONT();
    FluidSynthEngine engine(kRate);
    FluidSynthService service(engine, "/nonexistent");
    std::string error;
    auto port = service.OpenPort(1, error);
    ASSERT_TRUE(port) << error;
    auto band = std::make_shared<MidiSegment>(MidiSegment{"019 Organ", {{MidiEvent::Kind::Program, 0, 0, 19, 0, 0}}});
    auto motif = std::make_shared<MidiSegment>(MidiSegment{"060", {{MidiEvent::Kind::Note, 100, 0, 60, 100, 250}}});
    port->PlaySegment(band);
    port->PlaySegment(motif);
    std::vector<float> out(2 * 48000, 0.0f);
    for (int f = 0; f < 48000; f += kBlock) engine.RenderAdd(out.data() + 2 * f, std::min(kBlock, 48000 - f));
    auto peak = [&](int from, int to) {
        float p = 0.0f;
        for (int i = 2 * from; i < 2 * to; ++i) p = std::max(p, std::fabs(out[static_cast<std::size_t>(i)]));
        return p;
    };
    EXPECT_LT(peak(0, 4800), kSilent) << "the motif's note starts 100 ms in";
    EXPECT_GT(peak(4800, 4800 + 2400), 0.01f);
    EXPECT_GT(peak(7200, 14400), 10 * peak(33600, 48000)) << "and lasts 250 ms";
}

// ---- tborc render ----

struct Rendered {
    int status;
    std::string err;
    WaveData wave;
};

Rendered RenderMidiKey(TempDir& dir, int dur, int instru, const std::string& name) {
    std::ostringstream json;
    json << R"({"PlayBoards": [{"SetNam": "Main", "Bds": [{"InpDev": "Pad", "Keys": [{"SndSrc": 5, "Instru": )"
         << instru << R"(, "MidiKeyNo": 60, "Velos": 100, "Dur": )" << dur << "}]}]}]}";
    dir.Write(name + ".json", json.str());
    auto run = [](std::vector<std::string> args, std::string& err) {
        const ToolRun r = Tborc(std::move(args));
        err += r.err;
        return r.status;
    };
    Rendered r{};
    r.status = run({"build", dir.File(name + ".json"), "-o", dir.File(name + ".TbOrc"), "--device", "Pad:4"}, r.err);
    if (r.status == 0)
        r.status = run({"render", dir.File(name + ".TbOrc"), "-o", dir.File(name + ".wav"), "--device", "Pad:4",
                        "--press", "0.5:1:1", "--tail", "1", "--program-folder", dir.Path()},
                       r.err);
    FakeShell shell;
    if (r.status == 0 && !ParseWaveFile(dir.File(name + ".wav"), r.wave, shell)) r.status = -1;
    return r;
}

std::int16_t Sample(const WaveData& w, std::int64_t frame, int ch) {
    const std::size_t at = static_cast<std::size_t>(frame * 4 + ch * 2);
    return static_cast<std::int16_t>(w.Data[at] | (w.Data[at + 1] << 8));
}

TEST(BuiltinSynthRender, AMidiKeySoundsFromItsPressUntilPressPlusDur) {
    NEED_SOUNDFONT();
    TempDir dir;
    MakeStandardStyles(dir.Path());
    // A short and a long note, otherwise alike; the render rate is 44100.
    const Rendered a = RenderMidiKey(dir, 500, 19, "short"), b = RenderMidiKey(dir, 1000, 19, "long");
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(a.err, "");
    ASSERT_EQ(a.wave.SampleRate, 44100);
    const std::int64_t press = 22050, frames = a.wave.Frames;
    auto loud = [](const WaveData& w, std::int64_t f) {
        return std::abs(Sample(w, f, 0)) + std::abs(Sample(w, f, 1)) > 2;
    };
    std::int64_t start = -1;
    for (std::int64_t f = 0; f < frames && start < 0; ++f)
        if (loud(a.wave, f)) start = f;
    EXPECT_GE(start, press) << "nothing before the press";
    EXPECT_LE(start, press + 2 * 441 / 10) << "sound within 2 ms of the press";
    std::int64_t end = -1;
    for (std::int64_t f = 0; f < std::min<std::int64_t>(frames, b.wave.Frames) && end < 0; ++f)
        if (Sample(a.wave, f, 0) != Sample(b.wave, f, 0) || Sample(a.wave, f, 1) != Sample(b.wave, f, 1)) end = f;
    EXPECT_GE(end, press + 22050 - 1) << "the note lasts its 500 ms";
    EXPECT_LE(end, press + 22050 + 5 * 441 / 10) << "and ends within 5 ms of them";

    // The same render again gives the same samples.
    const Rendered again = RenderMidiKey(dir, 500, 19, "again");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.wave.Data, a.wave.Data);
}

TEST(BuiltinSynthRender, MissingStyleFilesAreReportedAndTheKeyStaysSilent) {
    NEED_SOUNDFONT();
    TempDir dir;
    const Rendered r = RenderMidiKey(dir, 500, 0, "nostyles");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("TbOrch-00.sty\" is not found to load Band"), std::string::npos) << r.err;
    bool silent = true;
    for (std::int64_t f = 0; f < r.wave.Frames && silent; ++f)
        silent = Sample(r.wave, f, 0) == 0 && Sample(r.wave, f, 1) == 0;
    EXPECT_TRUE(silent);
}

#endif

} // namespace
} // namespace tambrel::test
