#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "session/InstallerClass.h"
#include "tests/TempDir.h"

using namespace tambrel;
using tambrel::test::TempDir;
namespace fs = std::filesystem;

TEST(InstallerClass, BeforeUnInstallDeletesTheSettingsBesideAWritableProgram) {
    TempDir dir;
    const std::string ini = dir.Write("TambrelOrchestra.ini", "[General]\nLastUsedPath=/x/\n");
    const std::string orc = dir.Write("Mine.TbOrc", "keep");
    InstallerClass inst(dir.Path(), "", dir.Path() + "/home");
    EXPECT_EQ(inst.SettingsFile(), ini);
    inst.DoAfterInstall();
    EXPECT_TRUE(fs::exists(ini)) << "after-install has no effect of its own";
    std::string error;
    EXPECT_TRUE(inst.DoBeforeUnInstall(error));
    EXPECT_FALSE(fs::exists(ini));
    EXPECT_TRUE(fs::exists(orc)) << "nothing else is removed";
    EXPECT_TRUE(inst.DoBeforeUnInstall(error)) << "a missing settings file is no failure";
}

TEST(InstallerClass, BeforeUnInstallUsesTheConfigFolderForAReadOnlyProgram) {
    TempDir dir;
    const std::string program = dir.Path() + "/program", config = dir.Path() + "/config";
    fs::create_directories(program);
    fs::create_directories(config + "/TambrelOrchestra");
    const std::string beside = dir.Write("program/TambrelOrchestra.ini", "beside");
    const std::string ini = dir.Write("config/TambrelOrchestra/TambrelOrchestra.ini", "[General]\n");
    chmod(program.c_str(), 0555);
    if (access(program.c_str(), W_OK) == 0) GTEST_SKIP() << "running as root: every folder is writable";
    InstallerClass inst(program, config, dir.Path());
    std::string error;
    EXPECT_TRUE(inst.DoBeforeUnInstall(error));
    EXPECT_FALSE(fs::exists(ini));
    EXPECT_FALSE(fs::exists(config + "/TambrelOrchestra")) << "the emptied settings folder goes too";
    EXPECT_TRUE(fs::exists(beside));
    chmod(program.c_str(), 0755);
}

TEST(InstallerClass, ASettingsFolderInThePlaceOfTheFileIsLeftAlone) {
    TempDir dir;
    fs::create_directories(dir.Path() + "/TambrelOrchestra.ini/inner");
    InstallerClass inst(dir.Path(), "", dir.Path());
    std::string error;
    EXPECT_TRUE(inst.DoBeforeUnInstall(error));
    EXPECT_TRUE(fs::exists(dir.Path() + "/TambrelOrchestra.ini/inner"));
}
