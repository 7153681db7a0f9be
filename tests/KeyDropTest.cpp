#include "boards/KeyDrop.h"

#include <gtest/gtest.h>

#include "audio/Mixer.h"
#include "boards/BoardView.h"
#include "boards/DeviceLayouts.h"
#include "common/VirtualClock.h"
#include "sound/KeyPlayer.h"
#include "sound/MidiPlayer.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"
#include "tests/WaveBytes.h"

namespace tambrel::test {
namespace {

TEST(SoundFileNames, TellSoundFilesAndOrchestrasByTheirEnding) {
    struct Case {
        const char* name;
        bool sound, orchestra;
    };
    const Case cases[] = {
        {"/x/Kick.wav", true, false}, {"/x/KICK.WAV", true, false},   {"Kick.Wav", true, false},
        {".wav", false, false},       {"Kick.wav.txt", false, false}, {"/x/Song.TbOrc", false, true},
        {"song.tborc", false, true},  {".tborc", false, false},       {"", false, false},
        {"Kickwav", false, false},    {"Take 2.FLAC", true, false},   {"pad.aiff", true, false},
        {"voice.opus", true, false},  {"loop.ogg", true, false},      {"hit.mp3", true, false},
        {"x.aif", true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsSoundFileName(c.name), c.sound) << c.name;
        EXPECT_EQ(IsOrchestraFileName(c.name), c.orchestra) << c.name;
    }
}

// Play Board 3 (the active one) holds a board for a 10-key pad laid out four
// to a row: keys 1-4, 5-8, 9-10. Keys 6 and 7 have sounds.
struct KeyDrop : ::testing::Test {
    TempDir dir;
    TestState t{{{"Pad", 10}}};
    VirtualClock clock;
    Mixer mixer{44100};
    NullMidiPlayer midi;
    KeyPlayer player{t.st, mixer, clock, midi};

    void SetUp() override {
        BuildRectangularLayout(t.st, 1, 4);
        BoardView(t.st, 3).DrawBoardsAll(); // the keys' rectangles
        Key(6).SndSrc = kSrcMidi;
        Key(7).SndSrc = kSrcAction;
        t.st.FileModified = kVbFalse;
        t.shell.Clear();
    }
    static KeyAddress At(std::int32_t k) { return {PlayBoardNo{3}, SubBoardNo{1}, KeyNo{k}}; }
    KeyAssign& Key(std::int32_t k) { return t.st.Orc.Set(3).Bd(1).Key(k); }
    std::string Wave(const std::string& name, int frames = 1100) {
        return dir.Write(name, Wave8Mono(static_cast<std::size_t>(frames)));
    }
};

TEST_F(KeyDrop, KeysFollowTheBoardRowByRowFromTheDroppedKey) {
    auto numbers = [](const std::vector<KeyAddress>& keys) {
        std::vector<std::int32_t> n;
        for (const KeyAddress& k : keys) n.push_back(k.key.value);
        return n;
    };
    EXPECT_EQ(numbers(KeysFrom(t.st, At(3), 4)), (std::vector<std::int32_t>{3, 4, 5, 6}));
    EXPECT_EQ(numbers(KeysFrom(t.st, At(9), 5)), (std::vector<std::int32_t>{9, 10})) << "the board ends";
    EXPECT_TRUE(KeysFrom(t.st, At(11), 2).empty()) << "no such key";
    EXPECT_TRUE(KeysFrom(t.st, At(1), 0).empty());
    EXPECT_TRUE(KeysFrom(t.st, {PlayBoardNo{9}, SubBoardNo{1}, KeyNo{1}}, 2).empty());
}

TEST_F(KeyDrop, OneFileMakesTheKeyAWaveKeyAsSelectFileDoes) {
    const std::string a = Wave("a.wav");
    EXPECT_EQ(DropSoundFiles(t.st, player, At(2), {a}), 1);
    EXPECT_EQ(Key(2).SndSrc, kSrcWave);
    EXPECT_EQ(Key(2).WavFile, a);
    EXPECT_NEAR(Key(2).WaveDur, 0.0998f, 0.001f);
    EXPECT_EQ(t.st.FileModified, kVbTrue);
    EXPECT_TRUE(t.shell.messages.empty());
    EXPECT_EQ(t.shell.All<notice::ShowKeyIcon>(), std::vector<notice::ShowKeyIcon>{{At(2)}});
    EXPECT_TRUE(t.shell.Saw<notice::ShowPlayAssignment>());
}

TEST_F(KeyDrop, FilesOfOtherKindsAreDecodedIntoWaves) {
    // One second of sound each, written at build time.
    const std::string flac = std::string(TAMBREL_SOUND_FIXTURES) + "/s24_96000_1.flac";
    const std::string opus = std::string(TAMBREL_SOUND_FIXTURES) + "/opus_48000_2.opus";
    EXPECT_EQ(DropSoundFiles(t.st, player, At(1), {flac, opus}), 2);
    EXPECT_TRUE(t.shell.messages.empty());
    for (std::int32_t k : {1, 2}) {
        EXPECT_EQ(Key(k).SndSrc, kSrcWave) << k;
        EXPECT_NEAR(Key(k).WaveDur, 1.0f, 0.01f) << k;
    }
    EXPECT_EQ(Key(1).WavFile, opus) << "in name order";
    EXPECT_EQ(Key(2).WavFile, flac);
}

TEST_F(KeyDrop, SeveralFilesFillTheFollowingKeysInNameOrder) {
    const std::string c = Wave("c.wav"), a = Wave("A.wav"), b = Wave("b.wav");
    EXPECT_EQ(DropSoundFiles(t.st, player, At(3), {c, a, b}), 3);
    EXPECT_EQ(Key(3).WavFile, a);
    EXPECT_EQ(Key(4).WavFile, b);
    EXPECT_EQ(Key(5).WavFile, c) << "the next row";
    EXPECT_EQ(Key(2).SndSrc, kSrcNone);
    EXPECT_TRUE(t.shell.messages.empty()) << "no key had a sound: nothing to ask";
}

TEST_F(KeyDrop, OverwritingKeysThatHaveSoundsAsksFirst) {
    const std::string a = Wave("a.wav"), b = Wave("b.wav");
    t.shell.answers = {MsgAnswer::No};
    EXPECT_EQ(DropSoundFiles(t.st, player, At(5), {a, b}), 0);
    ASSERT_EQ(t.shell.messages.size(), 1u);
    EXPECT_EQ(t.shell.messages[0].text, "1 key already has a sound. Replace it?");
    EXPECT_EQ(Key(5).SndSrc, kSrcNone) << "No changes nothing";
    EXPECT_EQ(Key(6).SndSrc, kSrcMidi);
    EXPECT_EQ(t.st.FileModified, kVbFalse);

    t.shell.Clear();
    t.shell.answers = {MsgAnswer::Yes};
    EXPECT_EQ(DropSoundFiles(t.st, player, At(6), {a, b}), 2);
    EXPECT_EQ(t.shell.messages[0].text, "2 keys already have a sound. Replace them?");
    EXPECT_EQ(Key(6).SndSrc, kSrcWave);
    EXPECT_EQ(Key(7).WavFile, b);
}

TEST_F(KeyDrop, BadFilesLeaveTheirKeysAsTheyWereAndAreNamedOnce) {
    const std::string good = Wave("b.wav");
    const std::string bad = dir.Write("a.wav", "not a wave at all");
    const std::string text = dir.Write("notes.txt", "hello");
    Key(1).SndSrc = kSrcNone;
    EXPECT_EQ(DropSoundFiles(t.st, player, At(1), {good, bad, text}), 1);
    EXPECT_EQ(Key(1).SndSrc, kSrcNone) << "a.wav could not be used";
    EXPECT_EQ(Key(1).WavFile, "");
    EXPECT_EQ(Key(2).WavFile, good);
    ASSERT_EQ(t.shell.messages.size(), 1u);
    EXPECT_NE(t.shell.messages[0].text.find(bad + ": "), std::string::npos) << t.shell.messages[0].text;
    EXPECT_NE(t.shell.messages[0].text.find("1 of the files are not sound files."), std::string::npos);
}

TEST_F(KeyDrop, FilesBeyondTheLastKeyAreNamedAndNothingButSoundFilesIsTaken) {
    std::vector<std::string> files;
    for (const char* n : {"1.wav", "2.wav", "3.wav"}) files.push_back(Wave(n));
    EXPECT_EQ(DropSoundFiles(t.st, player, At(10), files), 1);
    EXPECT_EQ(Key(10).WavFile, files[0]);
    ASSERT_EQ(t.shell.messages.size(), 1u);
    EXPECT_NE(t.shell.messages[0].text.find("2 of the files did not fit"), std::string::npos);

    t.shell.Clear();
    t.st.FileModified = kVbFalse;
    EXPECT_EQ(DropSoundFiles(t.st, player, At(1), {dir.Write("x.txt", "x")}), 0);
    EXPECT_EQ(t.shell.messages.at(0).text, "None of the dropped files is a sound file a key can play.");
    EXPECT_EQ(t.st.FileModified, kVbFalse);
}

TEST_F(KeyDrop, ASoundingKeyStopsBeforeItTakesTheFile) {
    const std::string a = Wave("a.wav", 44100), b = Wave("b.wav");
    DropSoundFiles(t.st, player, At(1), {a});
    Key(1).PlayStyl = kPlayLoop;
    player.PlayKey(At(1));
    ASSERT_EQ(Key(1).Looping, kVbTrue);
    t.shell.answers = {MsgAnswer::Yes};
    DropSoundFiles(t.st, player, At(1), {b});
    EXPECT_EQ(Key(1).Looping, kVbFalse);
    EXPECT_TRUE(t.shell.Saw<notice::KeyStoppedSounding>());
    EXPECT_EQ(Key(1).WavFile, b);
}

} // namespace
} // namespace tambrel::test
