#include "audio/SoundDecoder.h"
#include "audio/sndfile/OggPages.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "audio/Mixer.h"
#include "audio/SoundFile.h"
#include "common/VirtualClock.h"
#include "document/OpenSaveClass.h"
#include "document/WaveBuffers.h"
#include "sound/KeyPlayer.h"
#include "sound/MidiPlayer.h"
#include "sound/SoundService.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"
#include "tools/tborc/Tborc.h"

namespace tambrel::test {
namespace {

// Written at build time by tests/makesounds: one second of 440 Hz on the
// left (and every channel past the second), 660 Hz on the right, at half of
// full scale.
std::string Fixture(const std::string& name) { return std::string(TAMBREL_SOUND_FIXTURES) + "/" + name; }

constexpr double kHalfScaleRms = 0.5 / 1.41421356 * 32767.0;

std::vector<double> Channel(const WaveData& w, int channel) {
    std::vector<double> out;
    const int block = w.Channels * 2;
    for (std::int32_t i = 0; i < w.Frames; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * block + channel * 2;
        out.push_back(static_cast<std::int16_t>(w.Data[at] | w.Data[at + 1] << 8));
    }
    return out;
}

// Level and pitch of the middle 60 % of a channel: lossy coders smear the
// edges, the middle must be the tone.
struct Tone {
    double rms = 0;
    double hz = 0;
};

Tone Measure(const std::vector<double>& s, int rate) {
    const std::size_t from = s.size() / 5, to = s.size() - s.size() / 5;
    double sum = 0;
    int rises = 0;
    std::size_t first = 0, last = 0;
    for (std::size_t i = from; i < to; ++i) {
        sum += s[i] * s[i];
        if (i > from && s[i - 1] < 0 && s[i] >= 0) {
            if (rises++ == 0) first = i;
            last = i;
        }
    }
    Tone t;
    t.rms = std::sqrt(sum / static_cast<double>(to - from));
    if (rises > 1) t.hz = (rises - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
    return t;
}

struct Case {
    const char* file;
    const char* format; // as the decoder names the source
    int sourceRate;
    int sourceChannels;
    int channels;       // after conversion
    double lengthSlack; // frames may differ by this share (coder delay, padding)
    double levelSlack;  // level may differ by this share
};

// Every kind and width the decoder must read.
const Case kCases[] = {
    {"s16_48000_1.wav", "WAV 16-bit", 48000, 1, 1, 0.001, 0.01},
    {"u8_8000_1.wav", "WAV 8-bit", 8000, 1, 1, 0.001, 0.03},
    {"s24_48000_2.wav", "WAV 24-bit", 48000, 2, 2, 0.001, 0.01},
    {"s32_22050_1.wav", "WAV 32-bit", 22050, 1, 1, 0.001, 0.01},
    {"f32_96000_1.wav", "WAV 32-bit float", 96000, 1, 1, 0.001, 0.01},
    {"f64_44100_2.wav", "WAV 64-bit float", 44100, 2, 2, 0.001, 0.01},
    {"ext24_48000_6.wav", "WAV 24-bit", 48000, 6, 2, 0.001, 0.01},
    {"s16_44100_2.aiff", "AIFF 16-bit", 44100, 2, 2, 0.001, 0.01},
    {"s24_48000_1.aif", "AIFF 24-bit", 48000, 1, 1, 0.001, 0.01},
    {"s16_44100_2.flac", "FLAC 16-bit", 44100, 2, 2, 0.001, 0.01},
    {"s24_96000_1.flac", "FLAC 24-bit", 96000, 1, 1, 0.001, 0.01},
    {"vorbis_44100_2.ogg", "Ogg Vorbis", 44100, 2, 2, 0.02, 0.06},
    {"opus_48000_2.opus", "Opus", 48000, 2, 2, 0.03, 0.06},
    {"mp3_44100_2.mp3", "MP3", 44100, 2, 2, 0.06, 0.06},
    {"mp3_48000_1.mp3", "MP3", 48000, 1, 1, 0.06, 0.06},
};

TEST(SoundDecoder, EveryKindAndWidthBecomesA16BitWaveAt44100WithItsLengthLevelAndPitch) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.file);
        WaveData w;
        const DecodeResult r = DecodeSoundFile(Fixture(c.file), w);
        ASSERT_TRUE(r.Ok()) << r.text;
        EXPECT_EQ(r.sourceFormat, c.format);
        EXPECT_EQ(r.sourceRate, c.sourceRate);
        EXPECT_EQ(r.sourceChannels, c.sourceChannels);
        EXPECT_EQ(w.BitsPerSample, 16);
        EXPECT_EQ(w.SampleRate, 44100);
        EXPECT_EQ(w.Channels, c.channels);
        EXPECT_EQ(w.ByteCount, w.Frames * c.channels * 2);
        EXPECT_EQ(w.Data.size(), static_cast<std::size_t>(w.ByteCount));
        EXPECT_NEAR(w.Frames, 44100, 44100 * c.lengthSlack + 2);
        for (int ch = 0; ch < c.channels; ++ch) {
            SCOPED_TRACE("channel " + std::to_string(ch));
            const Tone t = Measure(Channel(w, ch), w.SampleRate);
            // Six channels: the left side is 440 Hz whole; the right side is
            // its own 660 Hz at a third beside the other four at two thirds,
            // two tones that add up as sqrt(1/9 + 4/9).
            const double level =
                c.sourceChannels == 6 && ch == 1 ? kHalfScaleRms * std::sqrt(5.0) / 3.0 : kHalfScaleRms;
            EXPECT_NEAR(t.rms, level, level * c.levelSlack);
            // The right channel of a stereo source carries 660 Hz; a
            // six-channel mix keeps its right side at 440 Hz plus a share of
            // 660 Hz, so only its left side is checked for pitch.
            const double hz = ch == 1 && c.sourceChannels == 2 ? 660.0 : 440.0;
            if (c.sourceChannels <= 2 || ch == 0) {
                EXPECT_NEAR(t.hz, hz, 2.0);
            }
        }
    }
}

TEST(SoundDecoder, ResamplingLeavesNoAudibleAliasOrImage) {
    // A 96 kHz tone brought to 44.1 kHz: whatever is not the 440 Hz tone
    // (alias, image, noise) stays far below it.
    WaveData w;
    ASSERT_TRUE(DecodeSoundFile(Fixture("f32_96000_1.wav"), w).Ok());
    const std::vector<double> s = Channel(w, 0);
    const double pi = std::acos(-1.0);
    // Fit the tone's phase by its two quadrature parts over the middle.
    const std::size_t from = s.size() / 5, to = s.size() - s.size() / 5;
    double a = 0, b = 0;
    for (std::size_t i = from; i < to; ++i) {
        a += s[i] * std::sin(2 * pi * 440 * i / 44100.0);
        b += s[i] * std::cos(2 * pi * 440 * i / 44100.0);
    }
    a *= 2.0 / static_cast<double>(to - from);
    b *= 2.0 / static_cast<double>(to - from);
    double residue = 0, tone = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double fit = a * std::sin(2 * pi * 440 * i / 44100.0) + b * std::cos(2 * pi * 440 * i / 44100.0);
        residue += (s[i] - fit) * (s[i] - fit);
        tone += fit * fit;
    }
    EXPECT_LT(10 * std::log10(residue / tone), -70.0); // 16-bit rounding is near -90 dB
}

TEST(SoundDecoder, MoreThanTheLimitIsRefusedWithItsSize) {
    WaveData w;
    w.Frames = 7; // untouched on failure
    // One second of stereo at 44100 Hz is 176400 bytes.
    const DecodeResult r = DecodeSoundFile(Fixture("s24_48000_2.wav"), w, nullptr, 100000);
    EXPECT_EQ(r.failure, DecodeFailure::TooLarge);
    EXPECT_EQ(r.text, "The sound is too long: decoded, it would take 172 KiB, more than the 98 KiB a key can hold");
    EXPECT_EQ(w.Frames, 7);
    EXPECT_TRUE(w.Data.empty());
    // A file that does not say its length is stopped once past the limit.
    TempDir dir;
    std::string opus = TempDir::Read(Fixture("opus_48000_2.opus"));
    opus.resize(opus.size() / 2);
    const DecodeResult past = DecodeSoundFile(dir.Write("half.opus", opus), w, nullptr, 10000);
    EXPECT_EQ(past.failure, DecodeFailure::TooLarge);
    EXPECT_EQ(past.text, "The sound is too long: decoded, it would take more than the 9.8 KiB a key can hold");
    EXPECT_EQ(w.Frames, 7);

    EXPECT_EQ(ByteSizeText(kMaxDecodedBytes), "1 GiB");
    EXPECT_EQ(ByteSizeText(1536LL << 20), "1.5 GiB");
    EXPECT_EQ(ByteSizeText(1000), "1000 bytes");
}

TEST(SoundDecoder, ALongDecodeReportsRisingProgressEndingAtWhole) {
    struct Recorder : DecodeProgress {
        std::vector<double> seen;
        void Advanced(double f) override { seen.push_back(f); }
    } rec;
    WaveData w;
    ASSERT_TRUE(DecodeSoundFile(Fixture("f32_96000_1.wav"), w, &rec).Ok());
    ASSERT_GE(rec.seen.size(), 3u); // 96000 frames come in several steps
    for (std::size_t i = 1; i < rec.seen.size(); ++i) EXPECT_GE(rec.seen[i], rec.seen[i - 1]);
    EXPECT_DOUBLE_EQ(rec.seen.back(), 1.0);

    EXPECT_EQ(std::count(rec.seen.begin(), rec.seen.end(), 1.0), 1);

    // A cut Opus file does not say its length: the start is told at once,
    // and no progress after it; at the end the cut is found.
    TempDir dir;
    std::string opus = TempDir::Read(Fixture("opus_48000_2.opus"));
    opus.resize(opus.size() / 2);
    rec.seen.clear();
    EXPECT_EQ(DecodeSoundFile(dir.Write("half.opus", opus), w, &rec).failure, DecodeFailure::Damaged);
    EXPECT_EQ(rec.seen, (std::vector<double>{0.0}));
}

// The byte offsets of an Ogg file's pages.
std::vector<std::size_t> OggPageStarts(const std::string& bytes) {
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at + 27 <= bytes.size();) {
        if (bytes.compare(at, 4, "OggS") != 0) break;
        starts.push_back(at);
        const auto segments = static_cast<std::uint8_t>(bytes[at + 26]);
        std::size_t length = 27 + segments;
        for (std::size_t i = 0; i < segments; ++i) length += static_cast<std::uint8_t>(bytes[at + 27 + i]);
        at += length;
    }
    return starts;
}

bool Ended(const std::string& bytes) {
    const std::size_t tail = std::min(bytes.size(), kOggTailBytes);
    return OggStreamEnded(reinterpret_cast<const std::uint8_t*>(bytes.data()) + bytes.size() - tail, tail);
}

TEST(OggPages, OnlyAStreamWhoseLastWholePageEndsItHasEnded) {
    for (const char* name : {"opus_48000_2.opus", "vorbis_44100_2.ogg"}) {
        SCOPED_TRACE(name);
        const std::string whole = TempDir::Read(Fixture(name));
        const std::vector<std::size_t> pages = OggPageStarts(whole);
        ASSERT_GE(pages.size(), 3u);
        EXPECT_TRUE(Ended(whole));
        EXPECT_TRUE(Ended(whole + "TAG and some bytes after the last page"));
        // Cut between two pages, inside the last page, one byte short.
        EXPECT_FALSE(Ended(whole.substr(0, pages.back())));
        EXPECT_FALSE(Ended(whole.substr(0, pages.back() + 30)));
        EXPECT_FALSE(Ended(whole.substr(0, whole.size() - 1)));
        // The last page damaged: its checksum no longer fits.
        std::string damaged = whole;
        damaged[damaged.size() - 3] ^= 0x5A;
        EXPECT_FALSE(Ended(damaged));
        EXPECT_FALSE(Ended(""));
        EXPECT_FALSE(Ended("OggS"));
    }
}

TEST(SoundDecoder, ACutOffOggFileIsRefusedAndAWholeOneIsNot) {
    TempDir dir;
    const std::string whole = TempDir::Read(Fixture("opus_48000_2.opus"));
    const std::vector<std::size_t> pages = OggPageStarts(whole);
    WaveData w;
    for (std::size_t cut : {whole.size() / 2, pages[pages.size() - 2], whole.size() - 1}) {
        SCOPED_TRACE(cut);
        const std::string path = dir.Write("cut.opus", whole.substr(0, cut));
        const DecodeResult r = DecodeSoundFile(path, w);
        EXPECT_EQ(r.failure, DecodeFailure::Damaged);
        EXPECT_EQ(r.text, "The file is cut short: its Ogg stream stops before its last page");
        const std::string bytes = whole.substr(0, cut);
        EXPECT_EQ(DecodeSoundBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), w).failure,
                  DecodeFailure::Damaged);
    }
    EXPECT_TRUE(DecodeSoundFile(dir.Write("tagged.opus", whole + std::string(100, '\0')), w).Ok());
}

TEST(SoundFile, AWaveTheParserTakesIsTakenByteForByteUndecoded) {
    WaveData parsed, read;
    std::optional<WaveProblem> problem;
    ASSERT_TRUE(ReadWaveFile(Fixture("s16_44100_2.wav"), parsed, problem));
    DecodeResult decoded;
    ASSERT_TRUE(ReadSoundFile(Fixture("s16_44100_2.wav"), read, problem, nullptr, &decoded));
    EXPECT_TRUE(decoded.sourceFormat.empty());
    EXPECT_EQ(read.Data, parsed.Data);
    EXPECT_EQ(read.Frames, 44100);
    EXPECT_EQ(read.SampleRate, 44100);
}

// Bad files: each gives one box naming the file and what is wrong, and the
// key keeps the wave it had.
class BadSoundFiles : public ::testing::Test {
protected:
    TempDir dir;
    FakeShell shell;

    std::string CopyCut(const std::string& from, const std::string& name, std::size_t keep) {
        std::string bytes = TempDir::Read(Fixture(from));
        bytes.resize(std::min(bytes.size(), keep));
        return dir.Write(name, bytes);
    }
    std::string CopyDamaged(const std::string& from, const std::string& name, std::size_t at, std::size_t n) {
        std::string bytes = TempDir::Read(Fixture(from));
        for (std::size_t i = at; i < at + n && i < bytes.size(); ++i) bytes[i] = static_cast<char>(0xA5 ^ i);
        return dir.Write(name, bytes);
    }
};

TEST_F(BadSoundFiles, EachGivesItsMessageNamingTheFileAndTheKeyKeepsItsWave) {
    struct Bad {
        std::string path;
        std::string text; // the start of the box's text
    };
    const std::string flacSize = std::to_string(std::filesystem::file_size(Fixture("s16_44100_2.flac")));
    const std::vector<Bad> bads = {
        {dir.Write("empty.flac", ""), "The file is empty"},
        {dir.Write("notes.mp3", "These are my notes, not a sound.\n"), "The file is not a sound file of a known kind"},
        {dir.Write("picture.wav", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(400, '\x01')),
         "The file is not a sound file of a known kind (WAV, AIFF, FLAC, Ogg Vorbis, Opus, MP3), or it is damaged"},
        {CopyCut("s24_48000_2.wav", "cut24.wav", 44 + 6 * 1000),
         "The file is cut short: its header promises more sound than it holds"},
        {CopyCut("s16_44100_2.aiff", "cut.aiff", 100000),
         "The file is cut short: its header promises more sound than it holds"},
        {CopyCut("s16_44100_2.flac", "cut.flac", std::stoul(flacSize) / 2), "The file is damaged: "},
        {CopyCut("vorbis_44100_2.ogg", "cut.ogg", 200), "The file is not a sound file of a known kind"},
        {CopyCut("opus_48000_2.opus", "cut.opus", std::filesystem::file_size(Fixture("opus_48000_2.opus")) / 2),
         "The file is cut short: its Ogg stream stops before its last page"},
        {CopyDamaged("s16_44100_2.aiff", "bad.aiff", 12, 40), "The file is damaged or not a sound file: "},
        // A RIFF header alone: the parser's own words.
        {dir.Write("header.wav", TempDir::Read(Fixture("s24_48000_2.wav")).substr(0, 44)),
         "No wave Data found in file"},
    };
    for (const Bad& bad : bads) {
        SCOPED_TRACE(bad.path);
        KeyAssign key;
        key.SndSrc = kSrcWave;
        key.WavFile = "old.wav";
        key.WavBytes = 400;
        key.SndBuf = std::make_shared<SoundBuffer>(WaveFormat{16, 1, 44100}, std::vector<std::uint8_t>(400, 1));
        const SoundBufferRef old = key.SndBuf;
        shell.messages.clear();
        LoadWaveForKey(bad.path, key, shell);
        EXPECT_EQ(key.WavFile, "old.wav");
        EXPECT_EQ(key.WavBytes, 400);
        EXPECT_EQ(key.SndBuf, old);
        ASSERT_EQ(shell.messages.size(), 1u);
        EXPECT_EQ(shell.messages[0].title, "Error Loading " + bad.path);
        EXPECT_EQ(shell.messages[0].text.rfind(bad.text, 0), 0u) << shell.messages[0].text;
        // The busy pointer, if it came on, is off again.
        EXPECT_EQ(std::count(shell.busy.begin(), shell.busy.end(), true),
                  std::count(shell.busy.begin(), shell.busy.end(), false));
    }
}

TEST_F(BadSoundFiles, AFileThatCannotBeOpenedSaysWhy) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const std::string path = dir.Write("locked.flac", TempDir::Read(Fixture("s16_44100_2.flac")));
    std::filesystem::permissions(path, std::filesystem::perms::none);
    KeyAssign key;
    key.SndSrc = kSrcWave;
    LoadWaveForKey(path, key, shell);
    EXPECT_TRUE(key.WavFile.empty());
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].text, "The file cannot be read: Permission denied");
}

TEST_F(BadSoundFiles, ARiffHeaderNeitherCanReadKeepsTheParsersWords) {
    // Channel count 0: the parser's message names the byte.
    std::string bytes = TempDir::Read(Fixture("s16_44100_2.wav"));
    bytes[22] = 0;
    bytes[23] = 0;
    const std::string path = dir.Write("nochannels.wav", bytes);
    KeyAssign key;
    LoadWaveForKey(path, key, shell);
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].text, "Channal info invalid at byte location 23");
    EXPECT_EQ(shell.messages[0].title, "Error Loading " + path);
}

TEST(SelectSoundFile, A48kHz24BitWavePlaysAtItsPitchAndIsStoredInTheOrchestra) {
    TempDir dir;
    TestState t;
    VirtualClock clock;
    Mixer mixer{48000};
    NullMidiPlayer midi;
    KeyPlayer player{t.st, mixer, clock, midi};
    t.st.EditSet = 1, t.st.EditBd = 1, t.st.EditKey = 4, t.st.EditKeyValid = kVbTrue;
    KeyAssign& key = t.st.Orc.Set(1).Bd(1).Key(4);
    key.SndSrc = kSrcWave;
    key.SaveInFile = kFlagOn;
    t.shell.chosen = {Fixture("s24_48000_2.wav")};
    SelectWaveFile(t.st, player);

    ASSERT_TRUE(key.SndBuf);
    EXPECT_TRUE(t.shell.messages.empty());
    EXPECT_EQ(key.WavFile, Fixture("s24_48000_2.wav"));
    EXPECT_EQ(key.SndBuf->Format().SampleRate, 44100);
    EXPECT_EQ(key.SndBuf->Format().BitsPerSample, 16);
    EXPECT_NEAR(key.WaveDur, 1.0f, 0.001f);
    EXPECT_EQ(t.st.FileModified, kVbTrue);
    // Progress went through the second panel and ended blank.
    EXPECT_EQ(t.shell.statuses.front(), "Loading Wave File");
    EXPECT_EQ(t.shell.statuses.back(), " ");
    EXPECT_NE(std::find(t.shell.statuses.begin(), t.shell.statuses.end(), "Loading Wave File 100%"),
              t.shell.statuses.end());
    EXPECT_EQ(t.shell.busy, (std::vector<bool>{true, false}));

    // Played by a 48 kHz device, the left channel is 440 Hz again.
    mixer.Play(*key.SndBuf, false);
    std::vector<float> out(48000 * 2);
    mixer.Render(out.data(), 48000);
    std::vector<double> left;
    for (int i = 0; i < 48000; ++i) left.push_back(out[static_cast<std::size_t>(i) * 2] * 32767.0);
    EXPECT_NEAR(Measure(left, 48000).hz, 440.0, 2.0);

    // Saved with its wave inside, the Orchestra reads back the same samples.
    const std::vector<std::uint8_t> samples(key.SndBuf->Bytes(), key.SndBuf->Bytes() + key.SndBuf->ByteSize());
    const std::string orc = dir.File("Decoded.TbOrc");
    ASSERT_TRUE(OpenSaveClass(t.st).SaveOrchestra(orc));
    TestState u;
    ASSERT_TRUE(OpenSaveClass(u.st).LoadOrchestra(orc));
    const KeyAssign& back = u.st.Orc.Set(1).Bd(1).Key(4);
    ASSERT_TRUE(back.SndBuf);
    EXPECT_EQ(back.SndBuf->Format().SampleRate, 44100);
    EXPECT_EQ(std::vector<std::uint8_t>(back.SndBuf->Bytes(), back.SndBuf->Bytes() + back.SndBuf->ByteSize()), samples);
}

int RunTool(std::vector<std::string> args, std::string& out, std::string& err) {
    args.insert(args.begin(), "tborc");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    std::ostringstream o, e;
    const int status = RunTborc(static_cast<int>(argv.size()), argv.data(), o, e);
    out = o.str();
    err = e.str();
    return status;
}

TEST(SoundFileTborc, WavInfoAndBuildTakeEverySoundFile) {
    std::string out, err;
    ASSERT_EQ(RunTool({"wav-info", Fixture("s24_96000_1.flac")}, out, err), 0) << err;
    const auto j = nlohmann::json::parse(out);
    EXPECT_EQ(j["BitsPerSample"], 16);
    EXPECT_EQ(j["Channels"], 1);
    EXPECT_EQ(j["SampleRate"], 44100);
    EXPECT_EQ(j["Frames"], 44100);
    EXPECT_EQ(j["DecodedFrom"]["Format"], "FLAC 24-bit");
    EXPECT_EQ(j["DecodedFrom"]["SampleRate"], 96000);
    EXPECT_EQ(j["DecodedFrom"]["Frames"], 96000);
    // A wave the parser takes says nothing of decoding.
    ASSERT_EQ(RunTool({"wav-info", Fixture("s16_44100_2.wav")}, out, err), 0) << err;
    EXPECT_FALSE(nlohmann::json::parse(out).contains("DecodedFrom"));

    TempDir dir;
    const std::string notes = dir.Write("notes.ogg", "not a sound");
    EXPECT_EQ(RunTool({"wav-info", notes}, out, err), 1);
    EXPECT_EQ(err, "Error Loading " + notes +
                       ": The file is not a sound file of a known kind (WAV, AIFF, FLAC, Ogg Vorbis, Opus, MP3), or it "
                       "is damaged\n");

    // An Orchestra built from JSON with an Opus key stores it as a wave.
    dir.Write("song.json", R"({"PlayBoards": [{"Bds": [{"InpDev": "Pad", "Keys": {"1": {"SndSrc": 1, "SaveInFile": 1,
              "WavFile": ")" + Fixture("opus_48000_2.opus") +
                               R"("}}}]}]})");
    ASSERT_EQ(RunTool({"build", dir.File("song.json"), "-o", dir.File("song.TbOrc"), "--device", "Pad:2"}, out, err), 0)
        << err;
    TestState t({{"Pad", 2}});
    ASSERT_TRUE(OpenSaveClass(t.st).LoadOrchestra(dir.File("song.TbOrc")));
    const KeyAssign& k = t.st.Orc.Set(1).Bd(1).Key(1);
    ASSERT_TRUE(k.SndBuf);
    EXPECT_EQ(k.SndBuf->Format().SampleRate, 44100);
    EXPECT_EQ(k.SndBuf->Format().Channels, 2);
    EXPECT_EQ(k.WavBytes, 44100 * 4);
}

} // namespace
} // namespace tambrel::test
