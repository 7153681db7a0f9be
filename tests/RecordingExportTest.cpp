#include "session/RecordingExport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "audio/WavWriter.h"
#include "audio/WaveFile.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

constexpr int kRate = 44100;

// Key 5 of the keyboard board plays 100 ms of a constant level; recording 1
// presses it at 0.1 s and 0.5 s.
struct ExportRig {
    TempDir dir;
    TestState t;

    ExportRig() {
        for (PlayBoard& pb : t.st.Orc.PlayBoards) {
            KeyAssign& key = pb.Bd(1).Key(5);
            key.SndSrc = kSrcWave;
            key.PlayStyl = kPlayOnce;
            key.SndBuf = std::make_shared<SoundBuffer>(WaveFormat{8, 1, kRate}, SoundBuffer::Samples(kRate / 10, 200));
            key.WavBytes = kRate / 10;
            key.WaveDur = 0.1f;
        }
        Recording r;
        r.Name = "Take/One";
        r.events = {{5, 1, 0.1f}, {5, 1, 0.5f}};
        t.st.Orc.Recordings = {r};
        t.st.Orc.CurRec = 1;
        t.st.Orc.OrcFile = "/somewhere/Song.TbOrc";
        t.st.LastUsedPath = dir.Path() + "/";
    }
};

struct CountingProgress : RenderProgress {
    int calls = 0;
    double last = 0;
    int cancelAt = -1; // answer false on this call
    bool Rendered(double f) override {
        EXPECT_GE(f, last);
        last = f;
        return ++calls != cancelAt;
    }
};

// Non-silent frames of a 16-bit stereo wave's left channel.
int Loud(const WaveData& w) {
    int n = 0;
    for (std::int32_t i = 0; i < w.Frames; ++i)
        if (w.Data[static_cast<std::size_t>(i) * 4] != 0 || w.Data[static_cast<std::size_t>(i) * 4 + 1] != 0) ++n;
    return n;
}

TEST(RecordingExport, WritesTheRecordingAsTheRendererPlaysItAndLeavesTheLiveKeysAlone) {
    ExportRig rig;
    const std::string path = rig.dir.File("take.wav");
    const SoundBufferRef live = rig.t.st.Orc.Set(1).Bd(1).Key(5).SndBuf;
    CountingProgress progress;
    const ExportOutcome out = ExportRecording(rig.t.st, 1, path, kRate, &progress);
    ASSERT_EQ(out.kind, ExportOutcome::Kind::Written) << out.text;

    WaveData w;
    std::optional<WaveProblem> problem;
    ASSERT_TRUE(ReadWaveFile(path, w, problem));
    EXPECT_EQ(w.BitsPerSample, 16);
    EXPECT_EQ(w.Channels, 2);
    EXPECT_EQ(w.SampleRate, kRate);
    // Playback sounds the first press 1 ms in and the second 0.4 s later,
    // then the 2 s tail.
    EXPECT_NEAR(w.Frames, kRate * 2.4, kRate * 0.01);
    // Two presses of 100 ms each.
    EXPECT_NEAR(Loud(w), 2 * kRate / 10, 10);
    EXPECT_GT(progress.calls, 2);
    EXPECT_DOUBLE_EQ(progress.last, 1.0);
    // The live key keeps its own buffer, unplayed by the export's mixer.
    EXPECT_EQ(rig.t.st.Orc.Set(1).Bd(1).Key(5).SndBuf, live);
    EXPECT_EQ(live->voice.core, nullptr);
    EXPECT_EQ(rig.t.st.FileModified, kVbFalse);
}

TEST(RecordingExport, CancelOrFailureLeavesNoFileAndKeepsTheOldOne) {
    ExportRig rig;
    const std::string path = rig.dir.Write("take.wav", "the previous export");
    CountingProgress cancel;
    cancel.cancelAt = 3;
    EXPECT_EQ(ExportRecording(rig.t.st, 1, path, kRate, &cancel).kind, ExportOutcome::Kind::Cancelled);
    EXPECT_EQ(TempDir::Read(path), "the previous export");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rig.dir.Path()), {}), 1); // nothing left beside

    const ExportOutcome missing = ExportRecording(rig.t.st, 1, rig.dir.File("no/such/folder/take.wav"), kRate, nullptr);
    EXPECT_EQ(missing.kind, ExportOutcome::Kind::Failed);
    EXPECT_FALSE(missing.text.empty());

    // Nothing recorded, or no such recording: refused before anything is written.
    rig.t.st.Orc.Recordings.push_back(Recording{});
    for (int rec : {0, 2, 3}) {
        SCOPED_TRACE(rec);
        const ExportOutcome r = ExportRecording(rig.t.st, rec, rig.dir.File("none.wav"), kRate, nullptr);
        EXPECT_EQ(r.kind, ExportOutcome::Kind::Refused);
        EXPECT_EQ(r.text, kExportNoRecording);
        EXPECT_FALSE(std::filesystem::exists(rig.dir.File("none.wav")));
    }
}

TEST(RecordingExport, TheMenuCommandAsksForTheFileAndSaysWhatCameOfIt) {
    ExportRig rig;
    CountingProgress progress;
    // Cancelled file dialog: nothing happens.
    rig.t.shell.chosen = {""};
    EXPECT_EQ(ExportRecordingCommand(rig.t.st, progress).kind, ExportOutcome::Kind::Cancelled);
    ASSERT_EQ(rig.t.shell.dialogs.size(), 1u);
    const FileDialogRequest& d = rig.t.shell.dialogs[0];
    EXPECT_TRUE(d.save);
    EXPECT_EQ(d.title, "Export Recording as Wave");
    EXPECT_EQ(d.filter, "Wave file (*.wav)|*.wav");
    EXPECT_EQ(d.fileName, "Song Take_One.wav"); // no "/" from the recording's name
    EXPECT_EQ(d.initialFolder, rig.dir.Path() + "/");
    EXPECT_TRUE(rig.t.shell.messages.empty());

    rig.t.shell.chosen = {rig.dir.File("song.wav")};
    CountingProgress second;
    EXPECT_EQ(ExportRecordingCommand(rig.t.st, second).kind, ExportOutcome::Kind::Written);
    EXPECT_TRUE(std::filesystem::exists(rig.dir.File("song.wav")));
    EXPECT_EQ(rig.t.shell.statuses.back(), "Export Complete");
    EXPECT_EQ(rig.t.shell.busy, (std::vector<bool>{true, false}));

    // A failure is a box; a running recording or none at all is refused.
    rig.t.shell.chosen = {rig.dir.File("gone/song.wav")};
    CountingProgress third;
    EXPECT_EQ(ExportRecordingCommand(rig.t.st, third).kind, ExportOutcome::Kind::Failed);
    ASSERT_EQ(rig.t.shell.messages.size(), 1u);
    EXPECT_EQ(rig.t.shell.messages[0].title, kExportTitle);
    EXPECT_EQ(rig.t.shell.statuses.back(), "Export Failed");

    rig.t.st.RecordingInProgress = true;
    EXPECT_EQ(ExportRecordingCommand(rig.t.st, progress).kind, ExportOutcome::Kind::Refused);
    rig.t.st.RecordingInProgress = false;
    rig.t.st.Orc.CurRec = 0;
    EXPECT_EQ(ExportRecordingCommand(rig.t.st, progress).kind, ExportOutcome::Kind::Refused);
    EXPECT_EQ(rig.t.shell.messages.back().text, kExportNoRecording);
    EXPECT_EQ(rig.t.shell.dialogs.size(), 3u); // no dialog for the refusals
}

TEST(WavWriter, TheTargetHoldsTheOldFileOrTheWholeNewOneAndNothingIsLeftBeside) {
    TempDir dir;
    const std::string path = dir.File("out.wav");
    WriteWav16Stereo(path, std::vector<float>(200, 0.5f), kRate);
    WriteWav16Stereo(path, std::vector<float>(100, -0.5f), kRate);
    EXPECT_EQ(std::filesystem::file_size(path), 44u + 200u);
    // A target that cannot be replaced: refused, and it stays as it was.
    std::filesystem::create_directory(dir.File("folder.wav"));
    EXPECT_THROW(WriteWav16Stereo(dir.File("folder.wav"), std::vector<float>(100, 0.5f), kRate), std::runtime_error);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.wav")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

} // namespace
} // namespace tambrel::test
