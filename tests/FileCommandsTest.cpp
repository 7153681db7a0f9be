#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "document/FileCommands.h"
#include "document/OpenSaveClass.h"
#include "tests/OrcBytes.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

struct CountedStops : SoundEngine {
    void StopAllSounds() override { ++count; }
    int count = 0;
};

struct FileCommands : ::testing::Test {
    TempDir dir;
    TestState t;
    Orchestra& o = t.st.Orc;
    CountedStops stopped;
    const int& stops = stopped.count;

    void SetUp() override {
        t.st.TempPath = dir.Path() + "/";
        t.st.LastUsedPath = dir.Path() + "/";
        t.st.AppPath = dir.Path();
        t.st.soundEngine = &stopped;
        setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
    }
    // A saved copy of the current Orchestra under name, with one Play Board renamed.
    std::string SavedFile(const std::string& name, const std::string& firstBoard) {
        TestState other;
        other.st.TempPath = t.st.TempPath;
        other.st.Orc.Set(1).SetNam = firstBoard;
        EXPECT_TRUE(OpenSaveClass(other.st).SaveOrchestra(dir.File(name)));
        return dir.File(name);
    }
};

TEST_F(FileCommands, RecordingInProgressRefusesEveryCommand) {
    t.st.RecordingInProgress = true;
    EXPECT_FALSE(FileNew(t.st));
    EXPECT_FALSE(FileOpen(t.st));
    EXPECT_FALSE(FileSave(t.st, true));
    ASSERT_EQ(t.shell.messages.size(), 3u);
    EXPECT_EQ(t.shell.messages[0].text, "Recording in progress.\r\nStop the recording first.");
    EXPECT_EQ(stops, 0);
    EXPECT_TRUE(t.shell.dialogs.empty());
}

TEST_F(FileCommands, NewAsksToSaveAModifiedOrchestraAndCancelKeepsIt) {
    o.Set(1).SetNam = "Edited";
    t.st.SetModified();
    t.shell.answers = {MsgAnswer::Cancel};
    EXPECT_FALSE(FileNew(t.st));
    EXPECT_EQ(t.shell.messages[0].text,
              "The current file is modified\r\nDo you want to save it before creating a new?");
    EXPECT_EQ(t.shell.messages[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(o.Set(1).SetNam, "Edited");
    EXPECT_EQ(stops, 1);

    t.shell.answers = {MsgAnswer::No};
    EXPECT_TRUE(FileNew(t.st));
    EXPECT_EQ(o.Set(1).SetNam, "Mike");
    EXPECT_EQ(t.st.FileModified, kVbFalse);
    EXPECT_EQ(t.shell.captions.back(), "Tambrel Orchestra - [New]");
    EXPECT_TRUE(t.shell.Saw<notice::RebuildAllBoardViews>());
}

TEST_F(FileCommands, YesWhoseSaveIsCancelledDoesNotThrowTheWorkAway) {
    o.Set(1).SetNam = "Edited";
    t.st.SetModified();
    t.shell.answers = {MsgAnswer::Yes};
    t.shell.chosen = {""}; // the Save As dialog is cancelled
    EXPECT_FALSE(FileNew(t.st));
    EXPECT_EQ(o.Set(1).SetNam, "Edited");
    EXPECT_EQ(t.st.FileModified, kVbTrue);
}

TEST_F(FileCommands, SaveAsAsksForANameCompletesItAndClearsTheModifiedFlag) {
    t.st.SetModified();
    t.shell.chosen = {dir.File("song")};
    ASSERT_TRUE(FileSave(t.st, false));
    ASSERT_EQ(t.shell.dialogs.size(), 1u);
    const FileDialogRequest& d = t.shell.dialogs[0];
    EXPECT_TRUE(d.save);
    EXPECT_EQ(d.title, "Choose a name to save Orchestra file");
    EXPECT_EQ(d.filter, "Tambrel Orchestra file (*.TbOrc)|*.TbOrc");
    EXPECT_EQ(d.fileName, "New.TbOrc");
    EXPECT_EQ(d.defaultExtension, "TbOrc");
    EXPECT_EQ(o.OrcFile, dir.File("song.TbOrc"));
    EXPECT_TRUE(std::filesystem::exists(dir.File("song.TbOrc")));
    EXPECT_EQ(t.st.FileModified, kVbFalse);
    EXPECT_EQ(t.shell.captions.back(), "Tambrel Orchestra - [song.TbOrc]");

    // Save again goes straight to the same file, without a dialog.
    ASSERT_TRUE(FileSave(t.st, false));
    EXPECT_EQ(t.shell.dialogs.size(), 1u);

    t.shell.chosen = {dir.File("x.TBO")};
    ASSERT_TRUE(FileSave(t.st, true));
    EXPECT_EQ(o.OrcFile, dir.File("x.TBOrc"));
}

TEST_F(FileCommands, AFailedSaveKeepsTheNameAndTheModifiedFlag) {
    t.st.SetModified();
    t.shell.chosen = {dir.File("no/such/folder/a.TbOrc")};
    EXPECT_FALSE(FileSave(t.st, true));
    EXPECT_TRUE(o.OrcFile.empty());
    EXPECT_EQ(t.st.FileModified, kVbTrue);
    EXPECT_TRUE(t.shell.captions.empty());
}

TEST_F(FileCommands, OpenLoadsTheChosenFileAndCompletesTbo) {
    SavedFile("song.TbOrc", "Opened");
    t.shell.chosen = {dir.File("song.TbO")};
    ASSERT_TRUE(FileOpen(t.st));
    EXPECT_EQ(t.shell.dialogs[0].title, "Choose a Orchestra file to open");
    EXPECT_FALSE(t.shell.dialogs[0].save);
    EXPECT_EQ(o.Set(1).SetNam, "Opened");
    EXPECT_EQ(o.OrcFile, dir.File("song.TbOrc"));
    EXPECT_EQ(t.st.LastUsedPath, dir.Path() + "/");
    EXPECT_EQ(t.shell.captions.back(), "Tambrel Orchestra - [song.TbOrc]");
    EXPECT_TRUE((t.shell.notices.back() == Notice{notice::ShowOpenMessage{false}}));
    EXPECT_EQ(stops, 1);
}

TEST_F(FileCommands, OpenThatIsCancelledOrRefusedKeepsTheCurrentFile) {
    const std::string mine = SavedFile("mine.TbOrc", "Mine");
    ASSERT_TRUE(OpenChosenFile(t.st, mine));
    t.st.SetModified();
    t.shell.answers = {MsgAnswer::No};
    t.shell.chosen = {""};
    EXPECT_FALSE(FileOpen(t.st));
    EXPECT_EQ(o.OrcFile, mine);

    // A newer file is refused; the next Save must still go to our own file.
    const std::string newer = dir.Write("newer.TbOrc", std::string("*\x15\0\0\0General++File Version\x05\0\0\0"
                                                                   "02.00*",
                                                                   37));
    t.shell.Clear();
    EXPECT_FALSE(OpenChosenFile(t.st, newer));
    EXPECT_EQ(o.OrcFile, mine);
    EXPECT_TRUE(t.shell.captions.empty());
    EXPECT_EQ(t.st.FileModified, kVbTrue);
    EXPECT_EQ(o.Set(1).SetNam, "Mine");
}

TEST_F(FileCommands, StartupOpensTheNamedFileElseReportsAndFallsBackToTheSample) {
    const std::string named = SavedFile("with space.TbOrc", "Named");
    OpenStartupFile(t.st, "  \"" + named + "\" ");
    EXPECT_EQ(o.Set(1).SetNam, "Named");
    EXPECT_EQ(t.st.LastUsedPath, dir.Path() + "/");

    std::filesystem::create_directories(dir.File("Samples"));
    SavedFile("Samples/Sample1.TbOrc", "Sample");
    OpenStartupFile(t.st, dir.File("gone.TbOrc"));
    EXPECT_EQ(t.shell.messages.back().text, "The file\n" + dir.File("gone.TbOrc") + "\nDoes not exist");
    EXPECT_EQ(o.Set(1).SetNam, "Sample");
    EXPECT_EQ(t.shell.captions.back(), "Tambrel Orchestra - [Sample1.TbOrc]");
}

// An empty or damaged file, opened from the menu or the command line: one
// box that names it and says why, the status cleared, and then what would
// have happened had the file not been there.
TEST_F(FileCommands, AFileThatCannotBeOpenedSaysWhyOnceThenTheSampleOpens) {
    std::filesystem::create_directories(dir.File("Samples"));
    SavedFile("Samples/Sample1.TbOrc", "Sample");
    const struct {
        const char* name;
        std::string bytes;
        std::string reason;
    } cases[] = {
        {"empty.TbOrc", "", " is empty"},
        {"zeros.TbOrc", std::string(64, '\0'), " is damaged: the entry at byte 1 does not begin with \"*\""},
        {"other.TbOrc", EntryBytes("A++", "1"),
         " is not a Tambrel Orchestra file: it has no \"General\"/\"File Version\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.Write(c.name, c.bytes);
        const std::string text = "The file " + path + c.reason;

        const std::string mine = SavedFile("mine.TbOrc", "Mine");
        ASSERT_TRUE(OpenChosenFile(t.st, mine));
        t.shell.Clear();
        EXPECT_FALSE(OpenChosenFile(t.st, path));
        ASSERT_EQ(t.shell.messages.size(), 1u);
        EXPECT_EQ(t.shell.messages[0].text, text);
        EXPECT_EQ(t.shell.messages[0].title, "Open File Error");
        EXPECT_EQ(t.shell.statuses.back(), " ");
        EXPECT_TRUE(t.shell.captions.empty());
        EXPECT_EQ(o.OrcFile, mine);
        EXPECT_EQ(o.Set(1).SetNam, "Mine");

        t.shell.Clear();
        OpenStartupFile(t.st, path);
        ASSERT_EQ(t.shell.messages.size(), 1u);
        EXPECT_EQ(t.shell.messages[0].text, text);
        EXPECT_EQ(o.Set(1).SetNam, "Sample");
        EXPECT_EQ(t.shell.captions.back(), "Tambrel Orchestra - [Sample1.TbOrc]");
    }
}

} // namespace
} // namespace tambrel::test
