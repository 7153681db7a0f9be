#include <gtest/gtest.h>

#include "common/VirtualClock.h"
#include "sound/KeyPlayer.h"
#include "sound/MidiPlayer.h"
#include "audio/Mixer.h"
#include "sound/SoundService.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"
#include "tests/WaveBytes.h"

namespace tambrel::test {
namespace {

class FailingOutput : public AudioOutput {
public:
    bool Start(RenderFn, std::string& error) override {
        error = "no audio device";
        return false;
    }
    void Stop() override {}
    int Rate() const override { return 48000; }
    int BufferFrames() const override { return 256; }
};

TEST(SoundService, AFailingDeviceGivesTheLongMessage) {
    TestState t;
    FailingOutput out;
    EXPECT_FALSE(InitSound(t.st, out, [](float*, int) {}));
    ASSERT_EQ(t.shell.messages.size(), 1u);
    const std::string& text = t.shell.messages[0].text;
    EXPECT_EQ(text.rfind("Could Not Initilize DirectX Sound Driver.\r\n(Error: no audio device)\r\n\r\n", 0), 0u);
    EXPECT_NE(text.find("If yes, put that off and and try again.\r\n\r\nOther wise"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 68), "In the ReadMe.txt file you can find many links to download DirectX7.");
    EXPECT_EQ(t.shell.messages[0].title, "");

    MemoryAudioOutput good;
    EXPECT_TRUE(InitSound(t.st, good, [](float*, int) {}));
    EXPECT_FALSE(CreateDirectX(t.st, false, "SDL missing"));
    EXPECT_EQ(t.shell.messages.back().text,
              "Could Not Initilize DirectX7.\r\n(Error: SDL missing)\r\nIf this problem persists in Win95/98 you need "
              "to reinstall directX7 or higher.");
}

struct SelectFile : ::testing::Test {
    TempDir dir;
    TestState t;
    VirtualClock clock;
    Mixer mixer{44100};
    NullMidiPlayer midi;
    KeyPlayer player{t.st, mixer, clock, midi};

    std::string Wave(const std::string& name, int frames) {
        return dir.Write(name, Wave8Mono(static_cast<std::size_t>(frames)));
    }
    KeyAssign& Edited() { return t.st.Orc.Set(3).Bd(1).Key(4); }
    void SetUp() override {
        t.st.EditSet = 3, t.st.EditBd = 1, t.st.EditKey = 4, t.st.EditKeyValid = kVbTrue;
        Edited().SndSrc = kSrcWave;
        t.st.LastUsedPath = dir.Path() + "/";
    }
};

TEST_F(SelectFile, LoadsTheChosenWaveIntoTheEditedKey) {
    t.shell.chosen = {Wave("a.wav", 11025)};
    SelectWaveFile(t.st, player);
    ASSERT_EQ(t.shell.dialogs.size(), 1u);
    EXPECT_EQ(t.shell.dialogs[0].title, "Choose a wave file to use");
    EXPECT_EQ(
        t.shell.dialogs[0].filter,
        "Sound files (*.wav *.flac *.ogg *.opus *.mp3 *.aif *.aiff)|*.wav *.flac *.ogg *.opus *.mp3 *.aif *.aiff");
    EXPECT_EQ(t.shell.dialogs[0].fileName, "");
    EXPECT_EQ(t.shell.dialogs[0].initialFolder, dir.Path() + "/");
    EXPECT_EQ(Edited().WavFile, dir.File("a.wav"));
    EXPECT_FLOAT_EQ(Edited().WaveDur, 1.0f);
    EXPECT_EQ(t.st.FileModified, kVbTrue);
    EXPECT_TRUE(t.shell.Saw<notice::ShowPlayAssignment>());

    // The next key proposes the wave chosen last; a key with a wave proposes its own.
    t.st.EditKey = 5;
    t.shell.chosen = {""};
    SelectWaveFile(t.st, player);
    EXPECT_EQ(t.shell.dialogs[1].fileName, dir.File("a.wav"));
    t.st.EditKey = 4;
    t.shell.chosen = {""};
    SelectWaveFile(t.st, player);
    EXPECT_EQ(t.shell.dialogs[2].fileName, dir.File("a.wav"));
}

TEST_F(SelectFile, CancellingChangesNothingAndAnInvalidKeyOnlyHidesTheEditor) {
    t.shell.chosen = {""};
    SelectWaveFile(t.st, player);
    EXPECT_EQ(t.st.FileModified, kVbFalse);
    EXPECT_FALSE(t.shell.Saw<notice::ShowPlayAssignment>());

    t.st.EditKeyValid = kVbFalse;
    SelectWaveFile(t.st, player);
    EXPECT_EQ(t.shell.dialogs.size(), 1u);
    EXPECT_TRUE(t.shell.Saw<notice::HidePlayAssignment>());
}

TEST_F(SelectFile, StopsWhatTheKeyPlaysBeforeLoading) {
    t.shell.chosen = {Wave("a.wav", 11025), Wave("b.wav", 5513)};
    SelectWaveFile(t.st, player);
    player.PlayKey({PlayBoardNo{3}, SubBoardNo{1}, KeyNo{4}}); // AllowDup: an overlapping copy
    ASSERT_EQ(player.DupBufs().size(), 1u);
    EXPECT_NE(mixer.Status(*player.DupBufs()[0].Buf), 0);
    SelectWaveFile(t.st, player);
    EXPECT_EQ(mixer.Status(*player.DupBufs()[0].Buf), 0);
    EXPECT_NEAR(Edited().WaveDur, 0.5f, 1e-4f);
}

} // namespace
} // namespace tambrel::test
