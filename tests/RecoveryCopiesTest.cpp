// Ending by a signal: unsaved changes kept as a recovery copy without a
// question, and offered, opened or deleted at the next start.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>

#include "boards/LayoutEditSession.h"
#include "common/Settings.h"
#include "common/VirtualClock.h"
#include "document/OpenSaveClass.h"
#include "recording/KeystrokeRecorder.h"
#include "session/Program.h"
#include "session/RecoveryCopies.h"
#include "input/InputProtocol.h"
#include "tests/FakeInputLink.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

namespace fs = std::filesystem;

// One run of the program on a shared settings file and recovery folder.
struct ProgramRun {
    TestState t{{}};
    Settings settings;
    VirtualClock clock;
    MemoryAudioOutput output;
    std::unique_ptr<Program> program;

    ProgramRun(const TempDir& dir, std::deque<MsgAnswer> answers = {}) : settings(dir.File("TambrelOrchestra.ini")) {
        t.st.AppPath = dir.Path();
        t.shell.answers = std::move(answers);
        InstrumentSeams seams(clock);
        // A server that finds no device: the window's keyboard stands in.
        seams.inputLink = FakeLinksFinding();
        program = std::make_unique<Program>(t.st, settings, std::move(seams), output);
        program->SetRecoveryFolder(dir.File("state/TambrelOrchestra"));
        EXPECT_TRUE(program->Start(""));
    }
    std::vector<std::string> Questions() const {
        std::vector<std::string> q;
        for (const ShownMessage& m : t.shell.messages)
            if (m.buttons == MsgButtons::YesNo) q.push_back(m.text);
        return q;
    }
};

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string CopyIn(const std::string& folder) {
    for (const std::string& n : FilesIn(folder))
        if (n.size() > 6 && n.substr(n.size() - 6) == ".TbOrc") return folder + "/" + n;
    return {};
}

// Ends a run by a signal with a renamed first Play Board.
void EndModified(const TempDir& dir, const std::string& orcFile, const std::string& name = "Changed") {
    ProgramRun run(dir);
    run.t.st.Orc.OrcFile = orcFile;
    run.t.st.Orc.PlayBoards[0].SetNam = name;
    run.t.st.SetModified();
    std::string error;
    ASSERT_TRUE(run.program->CloseBySignal({0, 150, 9000, 300, 6000}, error)) << error;
    EXPECT_TRUE(run.program->Ended());
    EXPECT_TRUE(run.t.shell.messages.empty()) << "a signal asks nothing";
}

TEST(ClosingBySignal, KeepsUnsavedChangesAndWritesTheSettingsWithoutAsking) {
    struct Case {
        const char* name;
        bool modified, recording;
        std::size_t files; // in the recovery folder: a copy and its record
    };
    for (const Case& c : {Case{"Unmodified", false, false, 0}, Case{"Modified", true, false, 2},
                          Case{"RecordingATake", false, true, 2}}) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ProgramRun run(dir);
        if (c.modified) run.t.st.SetModified();
        if (c.recording) {
            run.program->GetInstrument().Recorder().StartRecording();
            run.program->GetInstrument().Recorder().AppendKeyStroke({DeviceNo{1}, KeyNo{30}});
        }
        std::string error;
        EXPECT_TRUE(run.program->CloseBySignal({2, 150, 9000, 300, 6000}, error));
        EXPECT_TRUE(run.t.shell.messages.empty());
        EXPECT_EQ(FilesIn(dir.File("state/TambrelOrchestra")).size(), c.files);
        EXPECT_EQ(run.settings.ReadSetting("General", "WindowSizPos", ""), "2,150,9000,300,6000");
        EXPECT_FALSE(run.t.st.RecordingInProgress);
    }
}

TEST(ClosingBySignal, TheRecoveryFolderIsPrivate) {
    TempDir dir;
    EndModified(dir, "");
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("state/TambrelOrchestra").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(ClosingBySignal, ChangesThatCannotBeKeptAreReportedAndTheProgramStillEnds) {
    TempDir dir;
    dir.Write("state", "a file where the folder should be");
    ProgramRun run(dir);
    run.t.st.SetModified();
    std::string error;
    EXPECT_FALSE(run.program->CloseBySignal({}, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(run.program->Ended());
    EXPECT_TRUE(run.t.shell.messages.empty());
}

TEST(Recovery, YesOpensTheCopyModifiedUnderTheOriginalNameUntilTheProgramClosesNormally) {
    TempDir dir;
    const std::string original = dir.File("My Song.TbOrc");
    EndModified(dir, original);
    ProgramRun run(dir, {MsgAnswer::Yes});
    const std::vector<std::string> asked = run.Questions();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].rfind("Unsaved changes of " + original + " from ", 0), 0u) << asked[0];
    EXPECT_NE(asked[0].find(" were kept. Open them?"), std::string::npos);
    EXPECT_EQ(run.t.st.Orc.PlayBoards[0].SetNam, "Changed");
    EXPECT_EQ(run.t.st.Orc.OrcFile, original);
    EXPECT_EQ(run.t.st.FileModified, kVbTrue);
    EXPECT_EQ(run.t.shell.captions.back(), "Tambrel Orchestra - [My Song.TbOrc]");
    EXPECT_FALSE(CopyIn(dir.File("state/TambrelOrchestra")).empty()) << "kept while its changes are unsaved";

    run.t.shell.answers = {MsgAnswer::No};
    ASSERT_TRUE(run.program->Close({}));
    EXPECT_TRUE(FilesIn(dir.File("state/TambrelOrchestra")).empty());
}

TEST(Recovery, ANewOrchestraIsNamedNewAndOpensWithoutAFileName) {
    TempDir dir;
    EndModified(dir, "");
    ProgramRun run(dir, {MsgAnswer::Yes});
    ASSERT_EQ(run.Questions().size(), 1u);
    EXPECT_EQ(run.Questions()[0].rfind("Unsaved changes of New from ", 0), 0u);
    EXPECT_EQ(run.t.st.Orc.OrcFile, "");
    EXPECT_EQ(run.t.shell.captions.back(), "Tambrel Orchestra - [New]");
    EXPECT_EQ(run.t.st.FileModified, kVbTrue);
}

TEST(Recovery, NoDeletesTheCopyAndAnUnansweredQuestionKeepsIt) {
    TempDir dir;
    EndModified(dir, "");
    { ProgramRun unanswered(dir, {MsgAnswer::Cancel}); }
    EXPECT_EQ(FilesIn(dir.File("state/TambrelOrchestra")).size(), 2u);
    {
        ProgramRun no(dir, {MsgAnswer::No});
        EXPECT_EQ(no.Questions().size(), 1u);
        EXPECT_EQ(no.t.st.FileModified, kVbFalse);
    }
    EXPECT_TRUE(FilesIn(dir.File("state/TambrelOrchestra")).empty());
    ProgramRun again(dir);
    EXPECT_TRUE(again.Questions().empty());
}

TEST(Recovery, ASecondSignalReplacesTheCopyItOpened) {
    TempDir dir;
    EndModified(dir, "");
    ProgramRun run(dir, {MsgAnswer::Yes});
    run.t.st.Orc.PlayBoards[0].SetNam = "Changed again";
    std::string error;
    ASSERT_TRUE(run.program->CloseBySignal({}, error));
    run.program.reset();
    EXPECT_EQ(FilesIn(dir.File("state/TambrelOrchestra")).size(), 2u) << "one copy, the newest";
    ProgramRun next(dir, {MsgAnswer::Yes});
    EXPECT_EQ(next.t.st.Orc.PlayBoards[0].SetNam, "Changed again");
}

TEST(Recovery, ADamagedOrUnfinishedCopyIsNeverOffered) {
    struct Case {
        const char* name;
        void (*damage)(const std::string& copy);
    };
    const Case cases[] = {
        {"OneByteChanged",
         [](const std::string& copy) {
             std::fstream f(copy, std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(40);
             f.put('#');
         }},
        {"Truncated", [](const std::string& copy) { fs::resize_file(copy, fs::file_size(copy) / 2); }},
        {"Missing", [](const std::string& copy) { fs::remove(copy); }},
        {"RecordWithoutItsCheck",
         [](const std::string& copy) {
             std::ofstream(copy + ".record") << "[Recovery]\nFile=\nKept=today\nKeptSeconds=1\nSize=1\n";
         }},
        {"NoRecord", [](const std::string& copy) { fs::remove(copy + ".record"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        EndModified(dir, "");
        const std::string copy = CopyIn(dir.File("state/TambrelOrchestra"));
        ASSERT_FALSE(copy.empty());
        c.damage(copy);
        ProgramRun run(dir, {MsgAnswer::Yes});
        EXPECT_TRUE(run.Questions().empty());
        EXPECT_EQ(run.t.st.Orc.PlayBoards[0].SetNam, NewOrchestra(run.t.st).PlayBoards[0].SetNam);
        ProgramRun again(dir, {MsgAnswer::Yes});
        EXPECT_TRUE(again.Questions().empty()) << "set aside, not offered later either";
    }
}

TEST(Recovery, UnfinishedFilesGoOnlyWhenSurelyAbandoned) {
    TempDir dir;
    const std::string folder = dir.File("state/TambrelOrchestra");
    fs::create_directories(folder);
    const std::string fresh = dir.Write("state/TambrelOrchestra/New-1.TbOrc", "x");
    const std::string old = dir.Write("state/TambrelOrchestra/New-2.TbOrc", "x");
    const struct timeval twoHoursAgo[2] = {{time(nullptr) - 7200, 0}, {time(nullptr) - 7200, 0}};
    ASSERT_EQ(::utimes(old.c_str(), twoHoursAgo), 0);
    RecoveryCopies copies(folder);
    EXPECT_TRUE(copies.Find().empty());
    EXPECT_TRUE(fs::exists(fresh)) << "may still be being written";
    EXPECT_FALSE(fs::exists(old));
}

TEST(Recovery, ACopyIsOfferedByOneProgramAtATime) {
    TempDir dir;
    EndModified(dir, "");
    RecoveryCopies first(dir.File("state/TambrelOrchestra"));
    RecoveryCopies second(dir.File("state/TambrelOrchestra"));
    EXPECT_EQ(first.Find().size(), 1u);
    EXPECT_TRUE(second.Find().empty());
}

TEST(Recovery, AnyOriginalNameComesBackExactly) {
    for (const std::string name :
         {"/tmp/a b/c.TbOrc", "/x/100%\nnew\rline\t\"quoted\".TbOrc", "/x/ spaced ", "/x/\xe9t\xe9.TbOrc"}) {
        TempDir dir;
        EndModified(dir, name);
        ProgramRun run(dir, {MsgAnswer::Yes});
        EXPECT_EQ(run.t.st.Orc.OrcFile, name);
    }
}

TEST(Recovery, TheFolderFollowsTheBaseDirectoryRules) {
    EXPECT_EQ(RecoveryFolder("/state", "/home/u"), "/state/TambrelOrchestra");
    EXPECT_EQ(RecoveryFolder("", "/home/u"), "/home/u/.local/state/TambrelOrchestra");
    EXPECT_EQ(RecoveryFolder("relative", "/home/u"), "/home/u/.local/state/TambrelOrchestra");
}

TEST(ClosingTheProgram, AnUnacceptedLayoutInTheEditorIsNotWritten) {
    for (const bool bySignal : {false, true}) {
        SCOPED_TRACE(bySignal ? "by signal" : "close box");
        TempDir dir;
        ProgramRun run(dir);
        const std::int32_t width = run.t.st.InputDevices[0].Layout.BoardWidth;
        LayoutEditSession editor(run.t.st);
        ASSERT_TRUE(editor.InitilizeForm(1));
        editor.DropWidthLine(width + 150);
        run.program->SetOpenLayoutEditor(&editor);
        std::string error;
        ASSERT_TRUE(bySignal ? run.program->CloseBySignal({}, error) : run.program->Close({}));
        EXPECT_EQ(run.settings.ReadSetting(run.t.st.InputDevices[0].Name, "BoardWidth", ""), std::to_string(width));
    }
}

} // namespace
} // namespace tambrel::test
