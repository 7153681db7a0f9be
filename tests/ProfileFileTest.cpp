#include "common/ProfileFile.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tambrel::test {
namespace {

namespace fs = std::filesystem;

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               (std::string("tambrel_profile_") + info->name() + "_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "settings.ini").string();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    void Put(const std::string& content) const { std::ofstream(path_, std::ios::binary) << content; }
    std::string Content() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string Get(std::string_view section, std::string_view key, std::string_view fallback = "dflt") const {
        return GetProfileString(path_, section, key, fallback);
    }

    fs::path dir_;
    std::string path_;
};

struct LookupCase {
    const char* section;
    const char* key;
    const char* expected;
};

TEST_F(ProfileFileTest, LookupTable) {
    Put("orphan=before any section\n"
        "; comment=no\n"
        "[General]\n"
        "LastUsedPath=/home/u/\n"
        "  Spaced Key  =  padded value  \r\n"
        "Quoted=\"  keep inner blanks  \"\n"
        "Empty=\n"
        "OneQuote=\"\n"
        "junk line without equals\n"
        "Dup=first\n"
        "Dup=second\n"
        "  [ Midi ]  \n"
        "PortNo=3\n"
        "[general]\n"
        "Later=ignored because only the first General counts\n"
        "[Keyboard [USB]]\n"
        "Key1=9\n");
    const LookupCase cases[] = {
        {"General", "LastUsedPath", "/home/u/"},
        {"GENERAL", "lastusedpath", "/home/u/"},
        {" General ", " LastUsedPath ", "/home/u/"},
        {"General", "Spaced Key", "padded value"},
        {"General", "Quoted", "  keep inner blanks  "},
        {"General", "Empty", ""},
        {"General", "OneQuote", "\""},
        {"General", "Dup", "first"},
        {"General", "Later", "dflt"},
        {"General", "orphan", "dflt"},
        {"General", "; comment", "dflt"},
        {"General", "PortNo", "dflt"},
        {"midi", "PORTNO", "3"},
        {"Midi", "LastUsedPath", "dflt"},
        {"Keyboard [USB]", "Key1", "9"},
        {"Absent", "Key", "dflt"},
        {"", "LastUsedPath", "dflt"},
        {"General", "", "dflt"},
    };
    for (const auto& c : cases) EXPECT_EQ(Get(c.section, c.key), c.expected) << c.section << " / " << c.key;
}

TEST_F(ProfileFileTest, ValuesAndFallbacksAreCutToTheBuffer) {
    const std::string longValue(150, 'v');
    Put("[S]\nLong=" + longValue + "\n");
    EXPECT_EQ(Get("S", "Long"), std::string(99, 'v'));
    EXPECT_EQ(GetProfileString(path_, "S", "Long", "", 10), std::string(9, 'v'));
    EXPECT_EQ(GetProfileString(path_, "S", "Long", "", 1), "");
    EXPECT_EQ(GetProfileString(path_, "S", "Long", "", 0), "");

    const std::string longFallback(120, 'f');
    EXPECT_EQ(Get("S", "Missing", longFallback), std::string(99, 'f'));
    EXPECT_EQ(Get("S", "Missing", "  keeps blanks  "), "  keeps blanks  ");
}

TEST_F(ProfileFileTest, MissingFileGivesFallbackAndFirstWriteCreatesIt) {
    EXPECT_EQ(Get("General", "Key", "fallback"), "fallback");
    EXPECT_FALSE(fs::exists(path_));

    ASSERT_TRUE(WriteProfileString(path_, "General", "Key", "value"));
    EXPECT_EQ(Content(), "[General]\nKey=value\n");
    EXPECT_EQ(Get("General", "Key"), "value");
}

TEST_F(ProfileFileTest, WriteDoesNotCreateTheFolder) {
    const std::string inMissingFolder = (dir_ / "missing" / "settings.ini").string();
    EXPECT_FALSE(WriteProfileString(inMissingFolder, "General", "Key", "value"));
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(ProfileFileTest, ChangingOneKeyKeepsEveryOtherLineByteForByte) {
    const std::string before = "; settings\r\n"
                               "stray=line\n"
                               "[General]\r\n"
                               "  lastUSEDpath = /old/path/\r\n"
                               "WindowSizPos=0,1,2,3,4\r\n"
                               "\r\n"
                               "garbage \x01\x02\xFF\n"
                               "[Midi]\n"
                               "PortNo=1";
    Put(before);
    ASSERT_TRUE(WriteProfileString(path_, "general", "LastUsedPath", "/new/"));
    const std::string after = "; settings\r\n"
                              "stray=line\n"
                              "[General]\r\n"
                              "  lastUSEDpath =/new/\r\n"
                              "WindowSizPos=0,1,2,3,4\r\n"
                              "\r\n"
                              "garbage \x01\x02\xFF\n"
                              "[Midi]\n"
                              "PortNo=1";
    EXPECT_EQ(Content(), after);

    // The last line has no line end, and keeps having none.
    ASSERT_TRUE(WriteProfileString(path_, "Midi", "portno", "2"));
    EXPECT_EQ(Content(), after.substr(0, after.size() - 1) + "2");
}

TEST_F(ProfileFileTest, NewKeyLandsAfterTheLastNonBlankLineOfItsSection) {
    Put("[General]\n"
        "A=1\n"
        "; note\n"
        "\n"
        "\n"
        "[Midi]\n"
        "PortNo=1\n");
    ASSERT_TRUE(WriteProfileString(path_, "GENERAL", "B", "2"));
    EXPECT_EQ(Content(), "[General]\n"
                         "A=1\n"
                         "; note\n"
                         "B=2\n"
                         "\n"
                         "\n"
                         "[Midi]\n"
                         "PortNo=1\n");

    ASSERT_TRUE(WriteProfileString(path_, "Midi", "Extra", "x"));
    EXPECT_TRUE(Content().ends_with("\n[Midi]\nPortNo=1\nExtra=x\n")) << Content();
}

TEST_F(ProfileFileTest, NewKeyInAnEmptySectionWithoutLineEnd) {
    Put("[Only]");
    ASSERT_TRUE(WriteProfileString(path_, "Only", "K", "v"));
    EXPECT_EQ(Content(), "[Only]\nK=v\n");
}

TEST_F(ProfileFileTest, NewSectionIsAppended) {
    Put("[General]\nA=1");
    ASSERT_TRUE(WriteProfileString(path_, "Mouse", "LangName", "Maus"));
    EXPECT_EQ(Content(), "[General]\nA=1\n\n[Mouse]\nLangName=Maus\n");
    EXPECT_EQ(Get("Mouse", "LangName"), "Maus");
    EXPECT_EQ(Get("General", "A"), "1");
}

TEST_F(ProfileFileTest, WrittenValuesReadBack) {
    const char* const values[] = {"plain", "", "with = sign", "C:\\old\\path", "1.5E+12", "\xE9t\xE9"};
    for (const char* v : values) {
        ASSERT_TRUE(WriteProfileString(path_, "S", "K", v));
        EXPECT_EQ(Get("S", "K"), v);
    }
    EXPECT_EQ(Content(), "[S]\nK=\xE9t\xE9\n");
}

TEST_F(ProfileFileTest, RefusesEntriesThatWouldBreakTheFile) {
    Put("[S]\nK=old\n");
    const std::string before = Content();
    EXPECT_FALSE(WriteProfileString(path_, "S", "K", "two\nlines"));
    EXPECT_FALSE(WriteProfileString(path_, "S", "K", "cr\rhere"));
    EXPECT_FALSE(WriteProfileString(path_, "S\n[Evil]", "K", "v"));
    EXPECT_FALSE(WriteProfileString(path_, "S", "a=b", "v"));
    EXPECT_FALSE(WriteProfileString(path_, "S", "[T]", "v"));
    EXPECT_FALSE(WriteProfileString(path_, "S", ";c", "v"));
    EXPECT_FALSE(WriteProfileString(path_, "S", " ", "v"));
    EXPECT_FALSE(WriteProfileString(path_, "", "K", "v"));
    EXPECT_EQ(Content(), before);
}

TEST_F(ProfileFileTest, IoFailuresReportFalse) {
    EXPECT_FALSE(WriteProfileString(dir_.string(), "S", "K", "v")); // a folder, not a file
    EXPECT_EQ(GetProfileString(dir_.string(), "S", "K", "dflt"), "dflt");
}

TEST_F(ProfileFileTest, HostileContentNeverCrashes) {
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919) % 256 == '\n' ? 'n' : (i * 7919) % 256);
    Put(std::string(300000, 'x') + "\n[S]\n" + junk + "\nK=" + std::string(200000, '=') + "\n[" + "\n]");
    EXPECT_EQ(Get("S", "K"), std::string(99, '='));
    EXPECT_EQ(Get("S", "nothing"), "dflt");
    ASSERT_TRUE(WriteProfileString(path_, "S", "K", "short"));
    EXPECT_EQ(Get("S", "K"), "short");
    EXPECT_EQ(Content().substr(0, 300000), std::string(300000, 'x'));
}

TEST_F(ProfileFileTest, NoTemporaryFilesLeftBehind) {
    ASSERT_TRUE(WriteProfileString(path_, "A", "k", "1"));
    ASSERT_TRUE(WriteProfileString(path_, "B", "k", "2"));
    ASSERT_TRUE(WriteProfileString(path_, "A", "k", "3"));
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
    EXPECT_EQ(Content(), "[A]\nk=3\n\n[B]\nk=2\n");
}

TEST_F(ProfileFileTest, AReadOnlyFileIsLeftAlone) {
    const std::string before = "[A]\nk=1\n";
    Put(before);
    ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
    // Also for the superuser, whom the permission itself does not stop.
    ProfileWriteFailure why = ProfileWriteFailure::None;
    EXPECT_FALSE(WriteProfileString(path_, "A", "k", "2", &why));
    EXPECT_EQ(why, ProfileWriteFailure::ReadOnly);
    EXPECT_FALSE(WriteProfileStrings(path_, "B", {{"x", "y"}}, &why));
    EXPECT_EQ(Content(), before);
    EXPECT_TRUE(ProfileFileReadOnly(path_));
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    EXPECT_EQ(Get("A", "k"), "1");
}

TEST_F(ProfileFileTest, AHugeFileIsReadAndWrittenBackWhole) {
    // 50 MB of lines that are not ours, between and after our sections.
    std::string junk;
    for (int i = 0; junk.size() < 25u * 1024 * 1024; ++i)
        junk += "; line " + std::to_string(i) + " " + std::string(90, 'j') + "\n";
    Put("[General]\nLastUsedPath=/old/\n" + junk + "[Midi]\nPortNo=1\n" + junk);
    const std::string before = Content();
    EXPECT_EQ(Get("Midi", "PortNo"), "1");
    EXPECT_EQ(Get("Mouse", "LangName"), "dflt");

    ASSERT_TRUE(WriteProfileString(path_, "General", "LastUsedPath", "/a/new/folder/"));
    ASSERT_TRUE(WriteProfileString(path_, "Midi", "PortNo", "12"));
    ASSERT_TRUE(WriteProfileString(path_, "Mouse", "LangName", "Maus"));
    const std::string after = Content();
    EXPECT_EQ(after, "[General]\nLastUsedPath=/a/new/folder/\n" + junk + "[Midi]\nPortNo=12\n" + junk +
                         "\n[Mouse]\nLangName=Maus\n");
    EXPECT_EQ(Get("General", "LastUsedPath"), "/a/new/folder/");
    EXPECT_EQ(Get("Midi", "PortNo"), "12");
    EXPECT_EQ(Get("Mouse", "LangName"), "Maus");
}

TEST_F(ProfileFileTest, AChangeMadeOutsideIsReadAtOnce) {
    // Reads go straight to their section; a file changed by another program
    // in the meantime, even to the same size, is read as it is now.
    for (const auto& [first, second] : {std::pair<std::string, std::string>{"[A]\nk=1\n", "[B]\nk=2\n[A]\nk=3\n"},
                                        {"[A]\nk=1\n[B]\nk=2\n", "[B]\nk=2\n[A]\nk=1\n"},
                                        {"[A]\nk=1\n[B]\nk=2\n", "[A]\nk=1\n[C]\nk=3\n"}}) {
        SCOPED_TRACE(second);
        Put(first);
        EXPECT_EQ(Get("A", "k"), "1");
        Put(second);
        for (const char* section : {"C", "B", "A"}) {
            const std::size_t at = second.find(std::string("[") + section + "]");
            EXPECT_EQ(Get(section, "k"), at == std::string::npos ? "dflt" : second.substr(at + 6, 1)) << section;
        }
    }
}

TEST_F(ProfileFileTest, WorksOnAThreadWithASmallStack) {
    // Audio libraries start their threads with stacks of 64 KiB; large
    // buffers on the stack, or in thread-local storage (which every thread
    // of the process then carries), would make such threads impossible.
    Put("[A]\nk=1\n");
    struct Job {
        std::string path, value;
        bool written = false;
    } job{path_, {}, false};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, 64 * 1024), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attr,
                  [](void* p) -> void* {
                      auto* j = static_cast<Job*>(p);
                      j->written = WriteProfileString(j->path, "A", "k", "2");
                      j->value = GetProfileString(j->path, "A", "k", "");
                      return nullptr;
                  },
                  &job),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_TRUE(job.written);
    EXPECT_EQ(job.value, "2");
}

TEST_F(ProfileFileTest, SeveralKeysAtOnceWriteWhatOneAtATimeWrites) {
    const std::vector<std::pair<std::string, std::string>> entries{
        {"Key1", "1,1,40,0"}, {"NEW", "n"}, {"key2", "2"}, {"Other", "o"}, {"Key1", "last wins"}};
    for (const char* start : {"", "[Pad]\nKey1=x\nkey2=2\n\n[Next]\nKey1=y\n", "[pad]\r\nKey1 = x \r\n", "[Pad]",
                              "[Pad]\nKey2=2", "[Other]\nk=v"}) {
        SCOPED_TRACE(start);
        Put(start);
        for (const auto& [k, v] : entries) ASSERT_TRUE(WriteProfileString(path_, "Pad", k, v));
        const std::string oneByOne = Content();
        Put(start);
        ASSERT_TRUE(WriteProfileStrings(path_, "Pad", entries));
        EXPECT_EQ(Content(), oneByOne);
    }
}

TEST_F(ProfileFileTest, WhatAKilledWriteLeftBesideTheFileGoesWithTheNextWrite) {
    Put("[A]\nk=1\n");
    // A write killed before its rename leaves its hidden file behind.
    std::ofstream(dir_ / ".settings.ini.tbsave-Ab3dE9", std::ios::binary) << "[A]\nk=half";
    ASSERT_TRUE(WriteProfileString(path_, "A", "k", "2"));
    EXPECT_EQ(Content(), "[A]\nk=2\n");
    EXPECT_FALSE(fs::exists(dir_ / ".settings.ini.tbsave-Ab3dE9"));
}

} // namespace
} // namespace tambrel::test
