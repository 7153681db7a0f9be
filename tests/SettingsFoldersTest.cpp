#include "common/Folders.h"
#include "common/Settings.h"

#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace tambrel::test {
namespace {

namespace fs = std::filesystem;

class SettingsFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* t = std::getenv("TMPDIR")) savedTmpDir_ = t;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               (std::string("tambrel_settings_") + info->name() + "_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "app");
        appPath_ = (dir_ / "app").string();
    }
    void TearDown() override {
        if (savedTmpDir_) ::setenv("TMPDIR", savedTmpDir_->c_str(), 1);
        else ::unsetenv("TMPDIR");
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string TempPathWith(const char* tmpDir) const {
        if (tmpDir) ::setenv("TMPDIR", tmpDir, 1);
        else ::unsetenv("TMPDIR");
        return SetUpFolders(appPath_ + "/tambrel").TempPath;
    }

    std::optional<std::string> savedTmpDir_;
    fs::path dir_;
    std::string appPath_;
};

TEST_F(SettingsFoldersTest, SettingsPath) {
    EXPECT_EQ(SettingsPath("/opt/tambrel", "tambrel"), "/opt/tambrel/tambrel.ini");
    EXPECT_EQ(SettingsPath("", "x"), "/x.ini");
}

TEST_F(SettingsFoldersTest, EmptyArgumentsReadAndWriteTheirDefaults) {
    const Settings settings(SettingsPath(appPath_, "tambrel"));
    EXPECT_EQ(settings.ReadSetting("", "", ""), "new");
    EXPECT_EQ(settings.ReadSetting("Midi", "PortNo", "0"), "0");
    EXPECT_FALSE(fs::exists(settings.Path())); // reading never creates the file

    settings.WriteSetting("", "END", "stored under END");
    settings.WriteSetting("", "PortNo", "in General");
    settings.WriteSetting("Midi", "PortNo", "3");
    EXPECT_EQ(settings.ReadSetting("", "", ""), "stored under END");
    EXPECT_EQ(settings.ReadSetting("General", "END", "x"), "stored under END");
    EXPECT_EQ(settings.ReadSetting("", "PortNo", "x"), "in General");
    EXPECT_EQ(settings.ReadSetting("Midi", "PortNo", "0"), "3");
    EXPECT_EQ(settings.ReadSetting("Midi", "Absent", ""), "new");
}

TEST_F(SettingsFoldersTest, LongValuesReadBackCutTo99) {
    const Settings settings(SettingsPath(appPath_, "tambrel"));
    settings.WriteSetting("General", "LastUsedPath", "/" + std::string(150, 'p') + "/");
    EXPECT_EQ(settings.ReadSetting("General", "LastUsedPath", "x"), "/" + std::string(98, 'p'));
}

TEST_F(SettingsFoldersTest, UncutReadsGiveTheWholeValue) {
    const Settings settings(SettingsPath(appPath_, "tambrel"));
    const std::string rows = "25" + std::string(200, ';');
    settings.WriteSetting("Pad", "RowHeight", rows);
    EXPECT_EQ(settings.ReadSettingUncut("Pad", "RowHeight", "0"), rows);
    EXPECT_EQ(settings.ReadSetting("Pad", "RowHeight", "0").size(), 99u) << "the other reads still cut";
    // The same defaults as ReadSetting.
    EXPECT_EQ(settings.ReadSettingUncut("Pad", "Absent", std::string(120, 'd')), std::string(120, 'd'));
    EXPECT_EQ(settings.ReadSettingUncut("", "", ""), "new");
}

TEST_F(SettingsFoldersTest, WriteFailureIsIgnored) {
    const Settings settings((dir_ / "no such folder" / "tambrel.ini").string());
    EXPECT_NO_THROW(settings.WriteSetting("General", "K", "v"));
    EXPECT_EQ(settings.ReadSetting("General", "K", "dflt"), "dflt");
}

TEST_F(SettingsFoldersTest, AFileThatRefusesWritesIsSaidOnce) {
    struct Case {
        const char* name;
        bool readOnly; // else: a folder that is not there
        const char* said;
    };
    for (const Case& c : {Case{"ReadOnly", true, "is read-only: settings are not saved"},
                          Case{"CannotBeWritten", false, "could not be written to"}}) {
        SCOPED_TRACE(c.name);
        const std::string path = (dir_ / (c.readOnly ? "ro.ini" : "missing/x.ini")).string();
        if (c.readOnly) {
            std::ofstream(path) << "[General]\nK=old\n";
            std::filesystem::permissions(path, std::filesystem::perms::owner_read);
        }
        Settings settings(path);
        std::vector<std::string> said;
        settings.onWriteRefused = [&](const std::string& text) { said.push_back(text); };
        settings.SayIfReadOnly();
        settings.WriteSetting("General", "K", "new");
        settings.WriteSettings("Keyboard", {{"Key1", "1,1,40,0"}});
        ASSERT_EQ(said.size(), 1u);
        EXPECT_NE(said[0].find(path), std::string::npos);
        EXPECT_NE(said[0].find(c.said), std::string::npos) << said[0];
        if (c.readOnly) {
            EXPECT_EQ(settings.ReadSetting("General", "K", ""), "old");
        }
    }
    // A key that cannot be stored is nothing the file is to blame for.
    Settings fine((dir_ / "fine.ini").string());
    bool said = false;
    fine.onWriteRefused = [&](const std::string&) { said = true; };
    fine.WriteSetting("General", "two\nlines", "v");
    fine.SayIfReadOnly();
    EXPECT_FALSE(said);
}

TEST_F(SettingsFoldersTest, AppPathIsTheExecutablesFolder) {
    EXPECT_EQ(SetUpFolders("/opt/tambrel/bin/tambrel").AppPath, "/opt/tambrel/bin");
    EXPECT_EQ(SetUpFolders("/opt/tambrel/bin//tambrel").AppPath, "/opt/tambrel/bin");
    EXPECT_EQ(SetUpFolders("bin/tambrel").AppPath, "bin");
    EXPECT_EQ(SetUpFolders("/tambrel").AppPath, "");
    EXPECT_EQ(SetUpFolders("tambrel").AppPath, fs::current_path().string());
}

TEST_F(SettingsFoldersTest, TempPathFromTmpDir) {
    const std::string good = (dir_ / "tmp").string();
    fs::create_directories(good);
    const std::string plainFile = (dir_ / "file").string();
    std::ofstream(plainFile) << "x";
    const std::string goodWithSlash = good + "/";
    const std::string missing = (dir_ / "missing").string();
    const std::string fallback = appPath_ + "/";

    struct Case {
        const char* name;
        const char* tmpDir;
        std::string expected;
    };
    const Case cases[] = {
        {"good folder", good.c_str(), good + "/"},
        {"good folder with slash", goodWithSlash.c_str(), good + "/"},
        {"missing folder", missing.c_str(), fallback},
        {"plain file", plainFile.c_str(), fallback},
        {"blank", "   ", fallback},
        {"empty", "", fallback},
        {"unset", nullptr, "/tmp/"},
    };
    for (const auto& c : cases) EXPECT_EQ(TempPathWith(c.tmpDir), c.expected) << c.name;
}

TEST_F(SettingsFoldersTest, LastUsedPathFallsBackToTheProgramFolder) {
    const Settings settings(SettingsPath(appPath_, "tambrel"));
    const std::string fallback = appPath_ + "/";
    EXPECT_EQ(ReadLastUsedPath(settings, appPath_), fallback);

    const std::string songs = (dir_ / "songs").string();
    fs::create_directories(songs);
    settings.WriteSetting("General", "LastUsedPath", songs + "/");
    EXPECT_EQ(ReadLastUsedPath(settings, appPath_), songs + "/");

    settings.WriteSetting("General", "LastUsedPath", songs); // edited by hand, no slash
    EXPECT_EQ(ReadLastUsedPath(settings, appPath_), songs + "/");

    fs::remove_all(songs);
    EXPECT_EQ(ReadLastUsedPath(settings, appPath_), fallback);

    settings.WriteSetting("General", "LastUsedPath", "");
    EXPECT_EQ(ReadLastUsedPath(settings, appPath_), fallback);
}

TEST_F(SettingsFoldersTest, PathParts) {
    struct Case {
        const char* path;
        const char* folder;
        const char* title;
    };
    const Case cases[] = {
        {"/home/u/song.TbOrc", "/home/u/", "song.TbOrc"},
        {"song.TbOrc", "", "song.TbOrc"},
        {"/home/u/", "/home/u/", ""},
        {"/x", "/", "x"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
        EXPECT_EQ(FileTitleOf(c.path), c.title) << c.path;
    }
}

TEST_F(SettingsFoldersTest, FileAndFolderExistence) {
    const std::string file = (dir_ / "f.txt").string();
    std::ofstream(file) << "x";
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FolderExists(file));
    EXPECT_TRUE(FolderExists(appPath_));
    EXPECT_FALSE(FileExists(appPath_));
    EXPECT_FALSE(FileExists(file + "/below"));
    EXPECT_FALSE(FolderExists((dir_ / "gone").string()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FolderExists(""));
}

TEST_F(SettingsFoldersTest, ALastUsedPathLongerThan99CharactersIsReadWhole) {
    std::string deep = dir_.string();
    while (deep.size() < 150) deep += "/a-folder-of-some-length";
    std::filesystem::create_directories(deep);
    Settings s((dir_ / "long.ini").string());
    s.WriteSetting("General", "LastUsedPath", deep + "/");
    EXPECT_EQ(ReadLastUsedPath(s, "/opt/app"), deep + "/");
}

} // namespace
} // namespace tambrel::test
