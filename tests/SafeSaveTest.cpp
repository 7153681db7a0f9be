// Saving that can neither lose nor mix files: concurrent saves, saves killed
// at each step, leftovers, links and other people's names.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "common/FileMove.h"
#include "document/OpenSaveClass.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

namespace fs = std::filesystem;

// Every name in the folder that is not `keep`.
std::vector<std::string> Others(const std::string& folder, const std::vector<std::string>& keep) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (std::find(keep.begin(), keep.end(), name) == keep.end()) out.push_back(name);
    }
    return out;
}

struct SafeSave : ::testing::Test {
    TempDir dir;
    std::string folder = dir.File("orcs");
    std::string tmp = dir.File("tmp") + "/"; // the temporary folder all share

    void SetUp() override {
        fs::create_directories(folder);
        fs::create_directories(tmp);
        setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
    }
    void TearDown() override {
        SetSaveStepHook(nullptr);
        // Saving makes its files beside the target, never here.
        EXPECT_TRUE(fs::is_empty(tmp));
    }

    // A state whose Orchestra is told apart by its first Play Board's name.
    std::unique_ptr<TestState> Named(const std::string& name) const {
        auto t = std::make_unique<TestState>(std::vector<std::pair<std::string, int>>{{"Pad", 3}});
        t->st.TempPath = tmp;
        t->st.Orc.PlayBoards[0].SetNam = name;
        return t;
    }
    static std::string LoadedName(const std::string& path) {
        TestState t{{{"Pad", 3}}};
        if (!OpenSaveClass(t.st).LoadOrchestra(path)) return "(did not load)";
        return t.st.Orc.PlayBoards[0].SetNam;
    }
    // Saves in a child process that the hook ends at `step`, as a kill would.
    void SaveKilledAt(const std::string& path, const std::string& name, const char* step) {
        static std::string killAt;
        killAt = step;
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            SetSaveStepHook([](const char* s) {
                if (killAt == s) _exit(42);
            });
            auto t = Named(name);
            OpenSaveClass(t->st).SaveOrchestra(path);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 42) << "the save never reached " << step;
    }
};

TEST_F(SafeSave, ConcurrentSavesNeverTakeEachOthersFiles) {
    // Eight programs at once: six to their own files, two to one shared file.
    constexpr int kRounds = 15;
    const std::string shared = folder + "/shared.TbOrc";
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::unique_ptr<TestState>> states;
        std::vector<std::string> paths;
        for (int i = 0; i < 8; ++i) {
            states.push_back(Named("Orc" + std::to_string(i)));
            paths.push_back(i < 6 ? folder + "/own" + std::to_string(i) + ".TbOrc" : shared);
        }
        std::vector<int> ok(8, 0);
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; ++i)
            threads.emplace_back([&, i] {
                ok[i] = OpenSaveClass(states[static_cast<std::size_t>(i)]->st)
                            .SaveOrchestra(paths[static_cast<std::size_t>(i)]);
            });
        for (auto& th : threads) th.join();
        for (int i = 0; i < 8; ++i) {
            SCOPED_TRACE("round " + std::to_string(round) + ", save " + std::to_string(i));
            EXPECT_TRUE(ok[static_cast<std::size_t>(i)]);
            EXPECT_TRUE(states[static_cast<std::size_t>(i)]->shell.messages.empty());
            if (i < 6) {
                EXPECT_EQ(LoadedName(paths[static_cast<std::size_t>(i)]), "Orc" + std::to_string(i));
            }
        }
        const std::string last = LoadedName(shared);
        EXPECT_TRUE(last == "Orc6" || last == "Orc7") << last;
    }
    // Nothing is left beside the files.
    EXPECT_EQ(Others(folder, {"own0.TbOrc", "own1.TbOrc", "own2.TbOrc", "own3.TbOrc", "own4.TbOrc", "own5.TbOrc",
                              "shared.TbOrc"}),
              std::vector<std::string>{});
}

TEST_F(SafeSave, AKillAtAnyStepLeavesACompleteOrchestraAndTheNextSaveTidiesUp) {
    for (const char* step : {"written", "trashed"}) {
        SCOPED_TRACE(step);
        const std::string path = folder + "/song.TbOrc";
        auto first = Named("Old");
        ASSERT_TRUE(OpenSaveClass(first->st).SaveOrchestra(path));

        SaveKilledAt(path, "New", step);
        // The path still holds the whole old Orchestra; the killed save's
        // file lies beside it under its hidden name.
        EXPECT_EQ(LoadedName(path), "Old");
        const auto left = Others(folder, {"song.TbOrc"});
        ASSERT_EQ(left.size(), 1u);
        EXPECT_TRUE(IsLeftoverName(left[0], "song.TbOrc")) << left[0];

        auto next = Named("Next");
        ASSERT_TRUE(OpenSaveClass(next->st).SaveOrchestra(path));
        EXPECT_EQ(LoadedName(path), "Next");
        EXPECT_EQ(Others(folder, {"song.TbOrc"}), std::vector<std::string>{});
        fs::remove(path);
    }
}

// A killed save's copy, as large as the Orchestra, goes when its file is
// next opened, once it is older than any save still running; a copy that
// a save holds, or one just written, stays.
TEST_F(SafeSave, OpeningAFileRemovesTheCopiesKilledSavesLeftBesideIt) {
    const std::string path = folder + "/song.TbOrc";
    auto first = Named("Old");
    ASSERT_TRUE(OpenSaveClass(first->st).SaveOrchestra(path));
    SaveKilledAt(path, "New", "written");
    const auto left = Others(folder, {"song.TbOrc"});
    ASSERT_EQ(left.size(), 1u);
    const std::string killed = folder + "/" + left[0];
    // Another save of the same file, long running and still holding its copy.
    const std::string held = dir.Write("orcs/.song.TbOrc.tbsave-HELDHD", "being written");
    const int heldFd = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(heldFd, 0);
    ASSERT_EQ(::flock(heldFd, LOCK_EX), 0);
    // Leftovers of another file in the folder are that file's business.
    const std::string otherFiles = dir.Write("orcs/.other.TbOrc.tbsave-OTHERS", "x");

    // Just killed: it could be a save of another computer whose lock this
    // one cannot see, so it stays for now.
    EXPECT_EQ(LoadedName(path), "Old");
    EXPECT_TRUE(fs::exists(killed));

    const auto anHourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const std::string& f : {killed, held, otherFiles}) fs::last_write_time(f, anHourAgo);
    EXPECT_EQ(LoadedName(path), "Old");
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_EQ(TempDir::Read(held), "being written");
    EXPECT_TRUE(fs::exists(otherFiles));
    ::close(heldFd);
}

TEST_F(SafeSave, AFailedSaveReportsAndLeavesTheOldFileAlone) {
    const std::string path = dir.Write("orcs/keep.TbOrc", "precious");
    SetSaveStepHook([](const char* s) {
        if (std::string(s) == "written") throw std::runtime_error("No space left on device");
    });
    auto t = Named("New");
    EXPECT_FALSE(OpenSaveClass(t->st).SaveOrchestra(path));
    EXPECT_EQ(t->shell.statuses.back(), "Error Saving");
    ASSERT_EQ(t->shell.messages.size(), 1u);
    EXPECT_EQ(t->shell.messages[0].text, "No space left on device");
    EXPECT_EQ(TempDir::Read(path), "precious");
    EXPECT_EQ(Others(folder, {"keep.TbOrc"}), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(dir.File("data/Trash/files/keep.TbOrc")));
}

TEST_F(SafeSave, TheSaveKeepsTheOldFilesPermissionsAndTrashesItsContent) {
    const std::string path = dir.Write("orcs/mode.TbOrc", "old bytes");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    struct stat old {};
    ASSERT_EQ(::stat(path.c_str(), &old), 0);
    // A stray file in the Trash without its record takes no name from us.
    fs::create_directories(dir.File("data/Trash/files"));
    dir.Write("data/Trash/files/mode.TbOrc", "stray");
    auto t = Named("New");
    ASSERT_TRUE(OpenSaveClass(t->st).SaveOrchestra(path));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(TempDir::Read(dir.File("data/Trash/files/mode.TbOrc")), "stray");
    const std::string trashed = dir.File("data/Trash/files/mode.TbOrc.2");
    EXPECT_EQ(TempDir::Read(trashed), "old bytes");
    EXPECT_TRUE(fs::exists(dir.File("data/Trash/info/mode.TbOrc.2.trashinfo")));
    // On one file system the old file reaches the Trash as a hard link: no copy.
    struct stat inTrash {};
    ASSERT_EQ(::stat(trashed.c_str(), &inTrash), 0);
    EXPECT_EQ(inTrash.st_ino, old.st_ino);
}

TEST_F(SafeSave, OtherPeoplesNamesLinksAndLiveSavesAreLeftAlone) {
    const std::string path = folder + "/mine.TbOrc";
    const std::string victim = dir.Write("victim", "not yours");
    // The old temporary names, all taken in the shared folder.
    for (int n = 1; n <= 50; ++n) dir.Write("orcs/Tmp" + std::to_string(n) + ".TbOrc", "x");
    // A link planted under a name of the pattern, and another save's file
    // that is still being written (it holds the lock).
    fs::create_symlink(victim, folder + "/.mine.TbOrc.tbsave-AAAAAA");
    const std::string live = dir.Write("orcs/.mine.TbOrc.tbsave-BBBBBB", "half");
    const int liveFd = ::open(live.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(liveFd, 0);
    ASSERT_EQ(::flock(liveFd, LOCK_EX), 0);
    // A file of a similar name that is not ours to remove.
    dir.Write("orcs/.mine.TbOrc.tbsave-old", "keep");

    auto t = Named("Mine");
    ASSERT_TRUE(OpenSaveClass(t->st).SaveOrchestra(path));
    EXPECT_EQ(LoadedName(path), "Mine");
    EXPECT_EQ(TempDir::Read(victim), "not yours");
    EXPECT_TRUE(fs::is_symlink(folder + "/.mine.TbOrc.tbsave-AAAAAA"));
    EXPECT_EQ(TempDir::Read(live), "half");
    EXPECT_EQ(TempDir::Read(folder + "/.mine.TbOrc.tbsave-old"), "keep");
    ::close(liveFd);
    // Once its save is gone, its file is a leftover like any other.
    ASSERT_TRUE(OpenSaveClass(t->st).SaveOrchestra(path));
    EXPECT_FALSE(fs::exists(live));
}

TEST_F(SafeSave, AFolderPipeOrDeviceIsNotSavedOver) {
    fs::create_directories(folder + "/adir.TbOrc");
    ASSERT_EQ(::mkfifo((folder + "/apipe.TbOrc").c_str(), 0600), 0);
    const struct {
        std::string path, says;
    } cases[] = {
        {folder + "/adir.TbOrc", folder + "/adir.TbOrc is a folder, not a file"},
        {folder + "/apipe.TbOrc", folder + "/apipe.TbOrc is a named pipe (FIFO), not a file"},
        {"/dev/null", "/dev/null is a device, not a file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        auto t = Named("X");
        EXPECT_FALSE(OpenSaveClass(t->st).SaveOrchestra(c.path));
        ASSERT_EQ(t->shell.messages.size(), 1u);
        EXPECT_EQ(t->shell.messages[0].text, c.says);
        EXPECT_EQ(t->shell.statuses.back(), "Error Saving");
    }
    EXPECT_TRUE(fs::is_directory(folder + "/adir.TbOrc"));
    EXPECT_EQ(Others(folder, {"adir.TbOrc", "apipe.TbOrc"}), std::vector<std::string>{});
}

TEST(LeftoverNames, OnlyTheSavesOwnPatternsCount) {
    const struct {
        const char* name;
        bool leftover;
    } cases[] = {
        {".a.TbOrc.tbsave-x1Y2z3", true},
        {".a.TbOrc.saving1", true},
        {".a.TbOrc.saving27", true},
        {".a.TbOrc.tbsave-x1Y2z", false},
        {".a.TbOrc.tbsave-x1Y2z34", false},
        {".a.TbOrc.tbsave-x1Y2-3", false},
        {".b.TbOrc.tbsave-x1Y2z3", false},
        {"a.TbOrc.tbsave-x1Y2z3", false},
        {".a.TbOrc.saving", false},
        {".a.TbOrc.saving1x", false},
        {"a.TbOrc", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsLeftoverName(c.name, "a.TbOrc"), c.leftover) << c.name;
}

} // namespace
} // namespace tambrel::test
