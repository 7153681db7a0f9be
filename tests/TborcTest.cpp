#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <sstream>

#include "tests/TempDir.h"
#include "tests/TborcRun.h"
#include "tests/WaveBytes.h"

namespace tambrel::test {
namespace {

// A canonical 44-byte-header wave of 8-bit mono 11025 Hz samples.
std::string Wave(const std::string& samples) { return CanonicalWave(11025, 1, 8, samples); }

struct TborcTool : ::testing::Test {
    TempDir dir;
    void SetUp() override {
        setenv("TMPDIR", dir.Path().c_str(), 1);
        setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1); // a file saved over goes to this Trash
    }
    void TearDown() override { unsetenv("TMPDIR"); }
};

TEST_F(TborcTool, BuildThenDumpKeepsWhatTheJsonSaid) {
    dir.Write("click.wav", Wave(std::string(11025, '\x90')));
    dir.Write("song.json", R"({
      "OpenMsg": "Caf\u00e9 night",
      "PlayBoards": [{"SetNam": "Main", "Bds": [{"InpDev": "Pad", "Keys": [
          {"SndSrc": 1, "WavFile": "click.wav", "PlayStyl": 2, "LoopOption": 1, "LoopTimes": 3},
          {"SndSrc": 5, "MidiKeyNo": 64, "Dur": 250}]}]}],
      "Recordings": [{"Name": "Take", "events": [{"KeyNo": 2, "InpDvNo": 1, "time": 0.25}]}]
    })");
    const ToolRun b = Tborc({"build", dir.File("song.json"), "-o", dir.File("song.TbOrc"), "--device", "Pad:4"});
    ASSERT_EQ(b.status, 0) << b.err;

    // Load it on a computer whose pad has more keys: the extra key is all zero.
    const ToolRun d = Tborc({"dump", dir.File("song.TbOrc"), "--device", "Pad:5"});
    ASSERT_EQ(d.status, 0) << d.err;
    const auto j = nlohmann::json::parse(d.out);
    EXPECT_EQ(j["SetNos"], 1);
    EXPECT_EQ(j["CurSet"], 1);
    EXPECT_EQ(j["OpenMsg"], "Caf\u00e9 night");
    const auto& sb = j["PlayBoards"][0]["Bds"][0];
    EXPECT_EQ(sb["BodNam"], "Pad-1");
    EXPECT_EQ(sb["InpDevNo"], 1);
    EXPECT_EQ(sb["KeyNos"], 5);
    const auto& wave = sb["Keys"][0];
    EXPECT_EQ(wave["WavBytes"], 11025);
    EXPECT_NEAR(wave["WaveDur"].get<double>(), 1.0, 1e-6);
    EXPECT_EQ(wave["LoopTimes"], 3);
    EXPECT_EQ(wave["WavFile"], dir.File("click.wav"));
    EXPECT_FALSE(wave.contains("SndBuf"));
    EXPECT_EQ(sb["Keys"][1]["MidiKeyNo"], 64);
    EXPECT_EQ(sb["Keys"][2]["LoopTimes"], 10); // new-key defaults for keys the JSON left out
    EXPECT_EQ(sb["Keys"][4]["LoopTimes"], 0);  // a key the file never had
    EXPECT_EQ(j["Recordings"][0]["count"], 1);
    EXPECT_EQ(j["Recordings"][0]["events"][0]["time"], 0.25);
}

TEST_F(TborcTool, KeysGivenByNumberLandOnThoseKeys) {
    dir.Write("sparse.json", R"({"PlayBoards":[{"Bds":[{"InpDev":"Pad","Keys":{"3":{"SndSrc":5,"Velos":7}}}]}]})");
    ASSERT_EQ(Tborc({"build", dir.File("sparse.json"), "-o", dir.File("s.TbOrc"), "--device", "Pad:4"}).status, 0);
    const ToolRun d = Tborc({"dump", dir.File("s.TbOrc"), "--device", "Pad:4"});
    const auto keys = nlohmann::json::parse(d.out)["PlayBoards"][0]["Bds"][0]["Keys"];
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[2]["Velos"], 7);
    EXPECT_EQ(keys[1]["SndSrc"], 0);
    EXPECT_EQ(keys[1]["Velos"], 127);
}

TEST_F(TborcTool, LoaderMessagesGoToStandardErrorAndFailuresAreNonZero) {
    const ToolRun missing = Tborc({"dump", dir.File("none.TbOrc")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Open File: File Not Found\n");

    const ToolRun junk = Tborc({"dump", dir.Write("junk.TbOrc", "*\xff\xff\xff\x7f")});
    EXPECT_EQ(junk.status, 1);
    EXPECT_EQ(junk.err.rfind("Open File Error: ", 0), 0u) << junk.err;
    EXPECT_TRUE(junk.out.empty());

    struct Bad {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{}, 2},
        {{"frobnicate"}, 2},
        {{"dump"}, 2},
        {{"dump", "x", "--device", "Pad"}, 2},
        {{"dump", "x", "--device", "Pad:99999999"}, 2},
        {{"build", dir.Write("bad.json", "{not json"), "-o", dir.File("o.TbOrc")}, 1},
        {{"build", dir.Write("type.json", R"({"PlayBoards":[{"Bds":[{"Keys":[{"Velos":"loud"}]}]}]})"), "-o",
          dir.File("o.TbOrc")},
         1},
        {{"build", dir.Write("keys.json", R"({"PlayBoards":[{"Bds":[{"Keys":{"0":{}}}]}]})"), "-o",
          dir.File("o.TbOrc")},
         1},
        {{"build", dir.Write("wav.json", R"({"PlayBoards":[{"Bds":[{"Keys":[{"SndSrc":1,"WavFile":"gone.wav"}]}]}]})"),
          "-o", dir.File("o.TbOrc")},
         1},
    };
    for (const auto& c : cases) {
        const ToolRun r = Tborc(c.args);
        EXPECT_EQ(r.status, c.status) << testing::PrintToString(c.args);
        EXPECT_NE(r.err, "") << testing::PrintToString(c.args);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("o.TbOrc")));
}

TEST_F(TborcTool, WavInfoPrintsTheParsedFieldsOrTheParsersMessage) {
    const ToolRun ok = Tborc({"wav-info", dir.Write("a.wav", Wave(std::string(2205, '\x80')))});
    ASSERT_EQ(ok.status, 0) << ok.err;
    const auto j = nlohmann::json::parse(ok.out);
    EXPECT_EQ(j["BitsPerSample"], 8);
    EXPECT_EQ(j["Channels"], 1);
    EXPECT_EQ(j["SampleRate"], 11025);
    EXPECT_EQ(j["Frames"], 2205);
    EXPECT_EQ(j["ByteCount"], 2205);
    EXPECT_NEAR(j["WaveDur"].get<double>(), 0.2, 1e-6);

    const ToolRun shortFile = Tborc({"wav-info", dir.Write("s.wav", "RIFF")});
    EXPECT_EQ(shortFile.status, 1);
    EXPECT_EQ(shortFile.err, "Error Loading " + dir.File("s.wav") + ": No wave Data found in file\n");
}

// --- tborc boards ------------------------------------------------------------

// One Play Board "Main": the 4-key Pad with a looping wave key, a muted MIDI
// key, an empty key and an action key, then a board for the 2-key Drum.
struct TborcBoards : TborcTool {
    std::string orc;
    void SetUp() override {
        TborcTool::SetUp();
        dir.Write("click.wav", Wave(std::string(1000, '\x90')));
        dir.Write("song.json", R"({"PlayBoards": [{"SetNam": "Main", "Bds": [
            {"InpDev": "Pad", "Keys": [{"SndSrc": 1, "WavFile": "click.wav", "PlayStyl": 2},
                                       {"SndSrc": 5, "Mute": 1}, {}, {"SndSrc": 11}]},
            {"InpDev": "Drum"}]},
          {"SetNam": "Second", "Bds": [{"InpDev": "Pad"}]}], "CurSet": 1})");
        orc = dir.File("song.TbOrc");
        const ToolRun b = Tborc({"build", dir.File("song.json"), "-o", orc, "--device", "Pad:4", "--device", "Drum:2"});
        ASSERT_EQ(b.status, 0) << b.err;
    }
    nlohmann::json Boards(std::vector<std::string> more) {
        std::vector<std::string> args{"boards", orc, "--device", "Pad:4"};
        args.insert(args.end(), more.begin(), more.end());
        const ToolRun r = Tborc(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.status == 0 ? nlohmann::json::parse(r.out) : nlohmann::json::object();
    }
};

TEST_F(TborcBoards, ShowsEveryBoardWithItsIconsAndAnAbsentDeviceAsACaptionOnly) {
    const nlohmann::json j = Boards({});
    // Opening activates the active Play Board's view, which has no current key yet.
    EXPECT_EQ(j["CurSet"], 1);
    EXPECT_EQ(j["EditSet"], 1);
    EXPECT_EQ(j["EditBd"], 0);
    EXPECT_EQ(j["EditKey"], 0);
    EXPECT_EQ(j["EditKeyValid"], false);
    ASSERT_EQ(j["surfaces"].size(), 2u);
    const auto& pad = j["surfaces"][0];
    EXPECT_EQ(pad["position"], nlohmann::json::parse("[0, 0]"));
    EXPECT_EQ(pad["size"], nlohmann::json::parse("[590, 60]")); // the 14-per-row default
    EXPECT_EQ(pad["caption"], "Board Name: Pad-1 (Device: Pad)");
    ASSERT_EQ(pad["keys"].size(), 4u);
    EXPECT_EQ(pad["keys"][0]["rect"], nlohmann::json::parse("[10, 20, 49, 49]"));
    EXPECT_EQ(pad["keys"][3]["rect"], nlohmann::json::parse("[130, 20, 169, 49]"));
    const int icons[] = {3, 6, 0, 7};
    const bool muted[] = {false, true, false, false};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(pad["keys"][k]["icon"], icons[k]) << k;
        EXPECT_EQ(pad["keys"][k]["muted"], muted[k]) << k;
        EXPECT_EQ(pad["keys"][k]["highlighted"], false) << k;
    }
    const auto& drum = j["surfaces"][1];
    EXPECT_EQ(drum["position"], nlohmann::json::parse("[0, 60]"));
    EXPECT_EQ(drum["size"], nlohmann::json::parse("[200, 50]"));
    EXPECT_EQ(drum["caption"], "Board Name: Drum-2 (Device: Drum)");
    EXPECT_TRUE(drum["keys"].empty());
}

TEST_F(TborcBoards, PressesMoveTheCurrentKeyAndTheEditKey) {
    struct Case {
        const char* name;
        std::vector<std::string> presses;
        int editBd, editKey; // 0: no edit key
        int highlighted;     // Pad key, 0: none
    };
    const Case cases[] = {
        {"a key", {"1:55:30"}, 1, 2, 2},
        {"a key with the right button", {"1:55:30:right"}, 1, 2, 2},
        {"a key's border pixel", {"1:50:30"}, 0, 0, 0},
        {"the bottom border", {"1:55:49"}, 0, 0, 0},
        {"empty space after a key", {"1:55:30", "1:400:30:right"}, 0, 0, 0},
        {"the absent device's board after a key", {"1:55:30", "2:20:30"}, 0, 0, 0},
        {"two keys", {"1:55:30", "1:140:40"}, 1, 4, 4},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args;
        for (const std::string& p : c.presses) args.insert(args.end(), {"--press", p});
        const nlohmann::json j = Boards(args);
        EXPECT_EQ(j["EditSet"], c.editKey ? 1 : 0) << c.name;
        EXPECT_EQ(j["EditBd"], c.editBd) << c.name;
        EXPECT_EQ(j["EditKey"], c.editKey) << c.name;
        EXPECT_EQ(j["EditKeyValid"], c.editKey != 0) << c.name;
        for (std::size_t k = 0; k < 4; ++k)
            EXPECT_EQ(j["surfaces"][0]["keys"][k]["highlighted"], c.highlighted == static_cast<int>(k + 1))
                << c.name << ", key " << k + 1;
    }
}

TEST_F(TborcBoards, PressingAnotherPlayBoardMakesItActiveAndItsEmptyCurrentKeyShowsIcon99) {
    const nlohmann::json j = Boards({"--play-board", "2", "--press", "1:100:30"});
    EXPECT_EQ(j["CurSet"], 2);
    EXPECT_EQ(j["EditSet"], 2);
    EXPECT_EQ(j["EditKey"], 3);
    ASSERT_EQ(j["surfaces"].size(), 1u);
    EXPECT_EQ(j["surfaces"][0]["keys"][2]["icon"], 99);
    EXPECT_EQ(j["surfaces"][0]["keys"][2]["highlighted"], true);

    // Shown without a press, the inactive Play Board highlights nothing.
    const nlohmann::json quiet = Boards({"--play-board", "2"});
    EXPECT_EQ(quiet["CurSet"], 1);
}

TEST_F(TborcBoards, LayoutsAndTheSystemKeyboardsNameComeFromTheSettingsFile) {
    dir.Write("kb.json", R"({"PlayBoards": [{"Bds": [{"InpDev": "Keyboard"}, {"InpDev": "Pad"}]}]})");
    ASSERT_EQ(Tborc({"build", dir.File("kb.json"), "-o", dir.File("kb.TbOrc"), "--device", "Keyboard:128", "--device",
                     "Pad:4"})
                  .status,
              0);
    const std::string ini =
        dir.Write("t.ini", "[KeyBoard]\nLangName=Tastatur\n\n[Pad]\nBoardWidth=300\nBoardHeight=80\n"
                           "Key1=1,1,60,5\nKey2=1,2,60,0\nKey3=1,3,60,0\nKey4=1,4,60,0\n"
                           "RowHeight=1;40,2\n");
    const std::vector<std::string> devices{"--device", "Tastatur:128", "--device", "Pad:4"};
    std::vector<std::string> args{"boards", dir.File("kb.TbOrc"), "--settings", ini};
    args.insert(args.end(), devices.begin(), devices.end());
    const ToolRun with = Tborc(args);
    ASSERT_EQ(with.status, 0) << with.err;
    const auto j = nlohmann::json::parse(with.out);
    EXPECT_EQ(j["surfaces"][0]["caption"], "Board Name: Keyboard-1 (Device: Tastatur)");
    EXPECT_EQ(j["surfaces"][0]["size"], nlohmann::json::parse("[944, 230]")); // the keyboard default
    EXPECT_EQ(j["surfaces"][1]["position"], nlohmann::json::parse("[0, 230]"));
    EXPECT_EQ(j["surfaces"][1]["size"], nlohmann::json::parse("[300, 80]"));
    EXPECT_EQ(j["surfaces"][1]["keys"][0]["rect"], nlohmann::json::parse("[5, 19, 64, 58]"));

    // Without the settings "Tastatur" is just another device: the stored
    // keyboard board finds no device of its name.
    args = {"boards", dir.File("kb.TbOrc")};
    args.insert(args.end(), devices.begin(), devices.end());
    const ToolRun without = Tborc(args);
    ASSERT_EQ(without.status, 0) << without.err;
    const auto w = nlohmann::json::parse(without.out);
    EXPECT_EQ(w["surfaces"][0]["size"], nlohmann::json::parse("[200, 50]"));
    EXPECT_EQ(w["surfaces"][0]["caption"], "Board Name: Keyboard-1 (Device: Keyboard)");
    EXPECT_EQ(w["surfaces"][1]["size"], nlohmann::json::parse("[590, 60]"));
}

TEST_F(TborcBoards, BadArgumentsAndUnreadableFilesEndWithAMessage) {
    struct Bad {
        std::vector<std::string> args;
        int status;
        std::string says;
    };
    const Bad cases[] = {
        {{"--press", "1:2"}, 2, "--press wants SURFACE:X:Y"},
        {{"--press", "x:1:2"}, 2, "--press wants SURFACE:X:Y"},
        {{"--press", "0:1:2"}, 2, "--press wants SURFACE:X:Y"},
        {{"--press", "1:2:3:left"}, 2, "--press wants SURFACE:X:Y"},
        {{"--press", "1:2:3:right:4"}, 2, "--press wants SURFACE:X:Y"},
        {{"--press", "1:99999999999:3"}, 2, "--press wants SURFACE:X:Y"},
        {{"--press", "3:10:10"}, 2, "--press names surface 3, but Play Board 1 has 2 Sub Boards"},
        {{"--play-board", "3"}, 2, "the Orchestra has no Play Board 3 (it has 2)"},
        {{"--play-board", "0"}, 2, "--play-board wants a Play Board number"},
        {{"--play-board", "two"}, 2, "--play-board wants a Play Board number"},
        {{"--settings", "/nonexistent/t.ini"}, 1, "no such settings file: /nonexistent/t.ini"},
    };
    for (const Bad& c : cases) {
        std::vector<std::string> args{"boards", orc, "--device", "Pad:4"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun r = Tborc(args);
        EXPECT_EQ(r.status, c.status) << testing::PrintToString(c.args);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << testing::PrintToString(c.args);
    }
    const ToolRun missing = Tborc({"boards", dir.File("none.TbOrc")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Open File: File Not Found\n");
}

TEST_F(TborcTool, FoldersPipesAndDevicesAreNamedForWhatTheyAreAndNeverWaitedOn) {
    const std::string folder = dir.File("adir");
    std::filesystem::create_directories(folder);
    const std::string fifo = dir.File("apipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0); // nobody writes to it: opening it to read would wait forever
    const std::string json = dir.Write("ok.json", R"({"PlayBoards":[{"Bds":[{"InpDev":"Pad","Keys":[]}]}]})");
    const std::string orc = dir.File("ok.TbOrc");
    ASSERT_EQ(Tborc({"build", json, "-o", orc, "--device", "Pad:4"}).status, 0);

    struct Kind {
        std::string path, says;
    } kinds[] = {
        {folder, folder + " is a folder, not a file"},
        {fifo, fifo + " is a named pipe (FIFO), not a file"},
        {"/dev/zero", "/dev/zero is a device, not a file"},
    };
    for (const auto& k : kinds) {
        const std::vector<std::vector<std::string>> runs = {
            {"dump", k.path},
            {"build", k.path, "-o", dir.File("never.TbOrc")},
            {"build", json, "-o", k.path},
            {"render", k.path, "-o", dir.File("never.wav")},
            {"render", orc, "-o", k.path, "--device", "Pad:4"},
            {"wav-info", k.path},
        };
        for (const auto& args : runs) {
            SCOPED_TRACE(testing::PrintToString(args));
            const ToolRun r = Tborc(args);
            EXPECT_NE(r.status, 0);
            EXPECT_NE(r.err.find(k.says), std::string::npos) << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            EXPECT_EQ(r.err.find("File Not Found"), std::string::npos) << r.err;
            EXPECT_EQ(r.err.find("basic_filebuf"), std::string::npos) << r.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("never.TbOrc")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("never.wav")));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(TborcTool, RenderingARecordingWithoutKeyPressesFails) {
    const std::string json = dir.Write("rec.json", R"({"PlayBoards":[{"Bds":[{"InpDev":"Pad","Keys":[]}]}],
        "Recordings":[{"Name":"Take","events":[{"KeyNo":1,"InpDvNo":1,"time":0.1}]},{"Name":"Empty","events":[]}]})");
    const std::string orc = dir.File("rec.TbOrc");
    ASSERT_EQ(Tborc({"build", json, "-o", orc, "--device", "Pad:4"}).status, 0);
    const ToolRun played =
        Tborc({"render", orc, "-o", dir.File("take.wav"), "--device", "Pad:4", "--recording", "1", "--tail", "0"});
    EXPECT_EQ(played.status, 0) << played.err;
    const ToolRun empty = Tborc({"render", orc, "-o", dir.File("empty.wav"), "--device", "Pad:4", "--recording", "2"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "Tambrel Orchestra: Current recording in not yet recorded\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("empty.wav")));
}

} // namespace
} // namespace tambrel::test
