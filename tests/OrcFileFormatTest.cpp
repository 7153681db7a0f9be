#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>

#include "common/Folders.h"
#include "document/OpenSaveClass.h"
#include "document/OrcIndex.h"
#include "tests/OrcBytes.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"
#include "tests/WaveBytes.h"

namespace tambrel::test {
namespace {

struct Entry {
    std::string name, value;
    bool operator==(const Entry&) const = default;
};

// Builds a file from (section++key, value) pairs, each written as one entry.
std::string FileOf(const std::vector<Entry>& entries) {
    std::string out;
    for (const auto& e : entries) out += EntryBytes(e.name, e.value);
    return out;
}

// An independent reading of the entry layout: checks every star and length.
std::vector<Entry> Entries(const std::string& bytes) {
    std::vector<Entry> out;
    std::size_t p = 0;
    auto le = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i))))
                 << (8 * i);
        return static_cast<std::size_t>(v);
    };
    while (p < bytes.size()) {
        EXPECT_EQ(bytes.at(p), '*');
        const std::size_t n = le(p + 1);
        std::string name = bytes.substr(p + 5, n);
        const std::size_t m = le(p + 5 + n);
        std::string value = bytes.substr(p + 9 + n, m);
        EXPECT_EQ(bytes.at(p + 9 + n + m), '*');
        out.push_back({name, value});
        p += 10 + n + m;
    }
    return out;
}

SoundBufferRef Buffer(WaveFormat f, std::vector<std::uint8_t> bytes) {
    return std::make_shared<SoundBuffer>(f, std::move(bytes));
}

struct OrcFile : ::testing::Test {
    TempDir dir;
    TestState t{{{"Pad", 3}}};
    Orchestra& o = t.st.Orc;

    void SetUp() override {
        t.st.TempPath = dir.File("tmp") + "/";
        std::filesystem::create_directories(t.st.TempPath);
        setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
    }
    bool Save(const std::string& path) { return OpenSaveClass(t.st).SaveOrchestra(path); }
    bool Load(const std::string& path) { return OpenSaveClass(t.st).LoadOrchestra(path); }
    std::string LastMessage() const { return t.shell.messages.empty() ? "" : t.shell.messages.back().text; }
};

TEST_F(OrcFile, WritesEveryEntryInOrderWithExactValues) {
    o.PlayBoards.resize(1);
    o.CurSet = 1;
    SubBoard& sb = o.Set(1).Bd(1);
    KeyAssign& midi = sb.Key(1);
    midi.SndSrc = kSrcMidi, midi.Mute = 1, midi.DrumBank = 8, midi.Dur = 750, midi.Instru = 19, midi.DrumOn = 0,
    midi.MidiKeyNo = 60, midi.Velos = 100;
    KeyAssign& wave = sb.Key(2);
    wave.SndSrc = kSrcWave, wave.WavFile = "/w/a.wav", wave.PlayStyl = kPlayQueue, wave.QueNo = 2;
    wave.SndBuf = Buffer({16, 2, 22050}, {1, 2, 3, 4, 5, 6, 7, 8});
    wave.WavBytes = 8;
    KeyAssign& act = sb.Key(3);
    act.SndSrc = kSrcAction, act.Mute = 1, act.ActCmd = kActStopPlay, act.ActSub1 = 3;
    o.Recordings[0].events = {{5, 1, 0.5f}, {7, 1, 1e-5f}};
    o.OpenMsg = "Hello";

    const std::string path = dir.File("a.TbOrc");
    ASSERT_TRUE(Save(path));
    const auto got = Entries(TempDir::Read(path));
    ASSERT_EQ(got.size(), 22u);

    EXPECT_EQ(got[0].name, "TbOrc++Mar2004");
    EXPECT_TRUE(std::regex_match(
        got[0].value,
        std::regex(
            R"( Tambrel Orchestra File, \S+, File Created \d{1,2}:\d{1,2}:\d{1,2}, [A-Z][a-z]{2} \d{1,2} \d{4} )")))
        << got[0].value;
    EXPECT_EQ(got[3].name, "General++Time Saved");
    EXPECT_TRUE(std::regex_match(got[3].value, std::regex(R"(\d\d-[A-Z][a-z]{2}-\d{4}/\d\d:\d\d:\d\d)")))
        << got[3].value;

    const std::vector<Entry> rest(got.begin() + 4, got.end());
    const std::vector<Entry> want = {
        {"General++OpenMsg", "Hello"},
        {"Set++SetNos", "1"},
        {"Set++CurSet", "1"},
        {"Set1++SetNam", "Mike"},
        {"Set1++BodNos", "1"},
        {"Set1Bd1++BodNam", "Pad-1"},
        {"Set1Bd1++InpDev", "Pad"},
        {"Set1Bd1++KeyNos", "3"},
        {"WavBuf++1", std::string("\1\2\3\4\5\6\7\x08", 8)},
        {"Set1Bd1++Key1", "5:1,8,750,19,0,60,100;1:0,10,0,1,3,1,2,1;11:2,3"},
        {"Set1Bd1++Key2", "?1|8|16|2|22050|2|/w/a.wav?"},
        {"Set1Bd1++Key3", ";0,0.5,0.7,1.2;"},
        {"Rec0++RecNos", "1"},
        {"Rec0++CurRec", "1"},
        {"Rec1++Nos", "2"},
        {"Rec1++Name", "First Recording"},
        {"Rec1++Rec", "1,5,.5;1,7,1E-05"},
        {"EOF++", ""},
    };
    EXPECT_EQ(rest, want);
    EXPECT_EQ(got[1], (Entry{"General++Version", "Mar2004"}));
    EXPECT_EQ(got[2], (Entry{"General++File Version", "01.00"}));
    // Nothing is left behind in the temporary folder.
    EXPECT_TRUE(std::filesystem::is_empty(t.st.TempPath));
    EXPECT_TRUE(t.shell.SawStatus("Writing Pbd 1, Sbd 1, K 3"));
    EXPECT_EQ(t.shell.statuses.back(), "Saving Complete");
}

TEST_F(OrcFile, BlankOpenMessageEmptyRecordingAndUnloadedWaveWriteNoEntries) {
    o.PlayBoards.resize(1);
    o.CurSet = 1;
    o.OpenMsg = "   ";
    KeyAssign& wave = o.Set(1).Bd(1).Key(1);
    wave.SndSrc = kSrcWave; // SaveInFile 1, nothing loaded
    const std::string path = dir.File("b.TbOrc");
    ASSERT_TRUE(Save(path));
    std::vector<std::string> names;
    for (const auto& e : Entries(TempDir::Read(path))) names.push_back(e.name);
    for (const auto& n : names) {
        EXPECT_NE(n, "General++OpenMsg");
        EXPECT_NE(n, "Rec1++Rec");
        EXPECT_EQ(n.rfind("WavBuf", 0), std::string::npos);
    }
    ASSERT_TRUE(Load(path));
    EXPECT_EQ(o.Set(1).Bd(1).Key(1).SndSrc, kSrcWave);
    EXPECT_EQ(o.Set(1).Bd(1).Key(1).WaveDur, 0.0f);
    EXPECT_EQ(o.OpenMsg, " ");
}

TEST_F(OrcFile, RoundTripKeepsBoardsKeysRecordingsAndStoredWaves) {
    TestState other{{{"Keyboard", 128}, {"Mouse", 8}}};
    other.st.TempPath = t.st.TempPath;
    Orchestra& src = other.st.Orc;
    int n = 0;
    for (PlayBoard& pb : src.PlayBoards)
        for (SubBoard& sb : pb.Bds)
            for (KeyAssign& k : sb.Keys) {
                ++n;
                k.SndSrc = std::array{kSrcNone, kSrcWave, kSrcMidi, kSrcAction}[n % 4];
                k.Mute = k.SndSrc == kSrcAction ? 0 : n % 2;
                k.Velos = n % 128, k.Dur = n * 3, k.QueNo = n % 5, k.ActSub1 = n % 3, k.MultiTimLst = "0,1.5";
                k.SaveInFile = (n % 8 == 1) ? 1 : 0;
                if (k.SndSrc == kSrcWave && k.SaveInFile) {
                    k.SndBuf = Buffer({8, 1, 11025}, std::vector<std::uint8_t>(static_cast<std::size_t>(n), 0x80));
                    k.WavBytes = n;
                }
            }
    src.Recordings.push_back({{{3, 2, 1.25f}}, "Second"});
    src.CurRec = 2;
    src.CurSet = 2;
    const std::string path = dir.File("round.TbOrc");
    ASSERT_TRUE(OpenSaveClass(other.st).SaveOrchestra(path));

    TestState back{{{"Keyboard", 128}, {"Mouse", 8}}};
    ASSERT_TRUE(OpenSaveClass(back.st).LoadOrchestra(path)) << back.shell.messages.size();
    const Orchestra& got = back.st.Orc;
    ASSERT_EQ(got.SetNos(), 3);
    EXPECT_EQ(got.CurSet, 2);
    EXPECT_EQ(got.CurRec, 2);
    ASSERT_EQ(got.RecNos(), 2);
    EXPECT_EQ(got.Recordings[1].Name, "Second");
    ASSERT_EQ(got.Recordings[1].count(), 1);
    EXPECT_EQ(got.Recordings[1].events[0].KeyNo, 3);
    EXPECT_EQ(got.Recordings[1].events[0].InpDvNo, 2);
    EXPECT_EQ(got.Recordings[1].events[0].time, 1.25f);
    for (int p = 1; p <= 3; ++p)
        for (int b = 1; b <= 2; ++b) {
            const SubBoard& a = src.Set(p).Bd(b);
            const SubBoard& c = got.Set(p).Bd(b);
            EXPECT_EQ(c.BodNam, a.BodNam);
            EXPECT_EQ(c.InpDevNo, b);
            ASSERT_EQ(c.KeyNos(), a.KeyNos());
            for (int k = 1; k <= a.KeyNos(); ++k) {
                const KeyAssign& x = a.Key(k);
                const KeyAssign& y = c.Key(k);
                SCOPED_TRACE(testing::Message() << p << "/" << b << "/" << k);
                EXPECT_EQ(y.SndSrc, x.SndSrc);
                if (x.SndSrc != kSrcAction) {
                    EXPECT_EQ(y.Mute, x.Mute);
                }
                if (x.SndSrc == kSrcMidi) {
                    EXPECT_EQ(y.Velos, x.Velos);
                    EXPECT_EQ(y.Dur, x.Dur);
                }
                if (x.SndSrc == kSrcAction) {
                    EXPECT_EQ(y.ActSub1, x.ActSub1);
                }
                if (x.SndSrc == kSrcWave) {
                    EXPECT_EQ(y.QueNo, x.QueNo);
                    EXPECT_EQ(y.MultiTimLst, "0,1.5");
                    if (x.SndBuf) {
                        ASSERT_TRUE(y.SndBuf);
                        EXPECT_EQ(*y.SndBuf->SharedSamples(), *x.SndBuf->SharedSamples());
                        EXPECT_EQ(y.WavBytes, x.WavBytes);
                        EXPECT_FLOAT_EQ(y.WaveDur, static_cast<float>(x.WavBytes) / 11025.0f);
                    }
                }
            }
        }
}

TEST_F(OrcFile, ActionKeysLoseTheirMuteFlag) {
    KeyAssign& k = o.Set(1).Bd(1).Key(1);
    k.SndSrc = kSrcAction, k.Mute = 1, k.ActCmd = kActChangeTable, k.ActSub1 = 2;
    ASSERT_TRUE(Save(dir.File("m.TbOrc")));
    ASSERT_TRUE(Load(dir.File("m.TbOrc")));
    EXPECT_EQ(o.Set(1).Bd(1).Key(1).Mute, 0);
    EXPECT_EQ(o.Set(1).Bd(1).Key(1).ActSub1, 2);
}

// ------------------------------------------------------------ hand-made files

std::vector<Entry> Header(const std::string& version = "01.00") {
    return {{"TbOrc++Mar2004", " x "}, {"General++Version", "Mar2004"}, {"General++File Version", version}};
}

TEST_F(OrcFile, MissingEntriesTakeTheirDefaults) {
    auto e = Header();
    e.push_back({"Set++SetNos", "1"});
    e.push_back({"Set1++BodNos", "1"});
    e.push_back({"Set1Bd1++InpDev", "Pad"});
    e.push_back({"EOF++", ""});
    ASSERT_TRUE(Load(dir.Write("d.TbOrc", FileOf(e))));
    EXPECT_EQ(o.OpenMsg, " ");
    EXPECT_EQ(o.CurSet, 1);
    EXPECT_EQ(o.Set(1).SetNam, "No Name");
    EXPECT_EQ(o.Set(1).Bd(1).BodNam, "No Name");
    // KeyNos absent: 0 read, then the device's 3 keys, all zero.
    ASSERT_EQ(o.Set(1).Bd(1).KeyNos(), 3);
    EXPECT_EQ(o.Set(1).Bd(1).Key(1).LoopTimes, 0);
    EXPECT_EQ(o.Set(1).Bd(1).Key(1).MultiTimLst, "");
    ASSERT_EQ(o.RecNos(), 1);
    EXPECT_EQ(o.Recordings[0].Name, "First Recording");
    EXPECT_EQ(t.shell.statuses.back(), "Open File Done");
}

TEST_F(OrcFile, VersionsOtherThanOneLoadNothing) {
    const Orchestra before = o;
    auto newer = Header("02.00");
    newer.push_back({"Set++SetNos", "1"});
    EXPECT_FALSE(Load(dir.Write("n.TbOrc", FileOf(newer))));
    EXPECT_EQ(
        LastMessage(),
        "This file was made by a newer version software.\r\nPlease download the newer version software to use this file");

    EXPECT_FALSE(Load(dir.File("absent.TbOrc")));
    EXPECT_EQ(LastMessage(), "File Not Found");
    EXPECT_EQ(t.shell.messages.back().title, "Open File");
    EXPECT_EQ(o.SetNos(), before.SetNos());
    EXPECT_EQ(o.Set(3).SetNam, "Joe");
}

TEST_F(OrcFile, PlayBoardOrSubBoardCountBelowOneFails) {
    for (auto [setNos, bodNos] : {std::pair{"0", "1"}, std::pair{"1", "0"}, std::pair{"-4", "1"}}) {
        auto e = Header();
        e.push_back({"Set++SetNos", setNos});
        e.push_back({"Set1++BodNos", bodNos});
        t.shell.Clear();
        EXPECT_FALSE(Load(dir.Write("c.TbOrc", FileOf(e))));
        EXPECT_TRUE(t.shell.SawStatus("Open File Failed"));
        ASSERT_EQ(t.shell.messages.size(), 1u);
        EXPECT_EQ(o.SetNos(), 3);
    }
}

std::vector<Entry> OneBoard(const std::string& device, const std::string& keyNos, const std::string& key1,
                            const std::string& key2 = "", const std::string& key3 = "") {
    auto e = Header();
    e.insert(e.end(), {{"Set++SetNos", "1"},
                       {"Set++CurSet", "1"},
                       {"Set1++SetNam", "S"},
                       {"Set1++BodNos", "1"},
                       {"Set1Bd1++BodNam", "B"},
                       {"Set1Bd1++InpDev", device},
                       {"Set1Bd1++KeyNos", keyNos},
                       {"Set1Bd1++Key1", key1},
                       {"Set1Bd1++Key2", key2},
                       {"Set1Bd1++Key3", key3}});
    return e;
}

TEST_F(OrcFile, SubBoardOfAMissingDeviceStaysWithoutKeys) {
    ASSERT_TRUE(Load(dir.Write("x.TbOrc", FileOf(OneBoard("Joystick", "2", "5:0,0,100,1,0,60,127;0:1")))));
    const SubBoard& sb = o.Set(1).Bd(1);
    EXPECT_EQ(sb.BodNam, "B");
    EXPECT_EQ(sb.InpDev, "Joystick");
    EXPECT_EQ(sb.InpDevNo, 0);
    EXPECT_EQ(sb.KeyNos(), 0);
}

TEST_F(OrcFile, StoredKeyboardAndMouseNamesMapToThisComputersNames) {
    TestState local{{{"AT Keyboard", 4}}};
    local.st.KeyboardName = "AT Keyboard";
    ASSERT_TRUE(OpenSaveClass(local.st).LoadOrchestra(dir.Write("k.TbOrc", FileOf(OneBoard("Keyboard", "1", "0:1")))));
    EXPECT_EQ(local.st.Orc.Set(1).Bd(1).InpDev, "AT Keyboard");
    EXPECT_EQ(local.st.Orc.Set(1).Bd(1).InpDevNo, 1);
    EXPECT_EQ(local.st.Orc.Set(1).Bd(1).Key(1).Mute, 1);
}

TEST_F(OrcFile, BoardSavedWithFewerKeysGrowsToTheDeviceWithZeroKeys) {
    TestState wide{{{"Board104", 104}}};
    std::string key1;
    for (int k = 1; k <= 101; ++k) key1 += (k > 1 ? ";" : "") + std::string("5:0,0,500,7,0,61,90");
    ASSERT_TRUE(OpenSaveClass(wide.st).LoadOrchestra(dir.Write("w.TbOrc", FileOf(OneBoard("Board104", "101", key1)))));
    const SubBoard& sb = wide.st.Orc.Set(1).Bd(1);
    ASSERT_EQ(sb.KeyNos(), 104);
    EXPECT_EQ(sb.Key(101).SndSrc, kSrcMidi);
    EXPECT_EQ(sb.Key(101).Dur, 500);
    for (int k = 102; k <= 104; ++k) {
        EXPECT_EQ(sb.Key(k).SndSrc, 0);
        EXPECT_EQ(sb.Key(k).LoopTimes, 0); // all zero, not the new-key defaults
        EXPECT_EQ(sb.Key(k).Velos, 0);
        EXPECT_EQ(sb.Key(k).MultiTimLst, "");
    }
}

TEST_F(OrcFile, ExtraStoredKeysAreDroppedAndShortListsKeepDefaults) {
    // Device has 3 keys; file claims 5 and lists 4 items, one of them short.
    ASSERT_TRUE(Load(dir.Write("s.TbOrc", FileOf(OneBoard("Pad", "5", "5:1,2;0:1;;5:0,0,9,9,0,9,9")))));
    const SubBoard& sb = o.Set(1).Bd(1);
    ASSERT_EQ(sb.KeyNos(), 3);
    EXPECT_EQ(sb.Key(1).Mute, 1);
    EXPECT_EQ(sb.Key(1).DrumBank, 2);
    EXPECT_EQ(sb.Key(1).Dur, 1000); // not in the item: default kept
    EXPECT_EQ(sb.Key(2).Mute, 1);
    EXPECT_EQ(sb.Key(3).SndSrc, 0);
    EXPECT_EQ(sb.Key(3).LoopTimes, 10);
}

TEST_F(OrcFile, StoredWavesLoadByNumberAndAWrongByteCountGivesNoSound) {
    auto e =
        OneBoard("Pad", "3", "1:0,10,0,1,0,1,0,1;1:0,10,0,1,0,1,0,1;1:0,10,0,1,0,1,0,1",
                 "1|4|16|1|22050|2|/gone/a.wav?2|6|8|1|11025|6|/gone/b|c.wav?3|9|8|1|11025|9|/gone/c.wav", "0;0,1;");
    e.insert(e.begin() + 9, {{"WavBuf++1", "ABCD"}, {"WavBuf++2", "abcdef"}, {"WavBuf++3", "short"}});
    ASSERT_TRUE(Load(dir.Write("v.TbOrc", FileOf(e))));
    const SubBoard& sb = o.Set(1).Bd(1);
    ASSERT_TRUE(sb.Key(1).SndBuf);
    EXPECT_EQ(std::string(sb.Key(1).SndBuf->SharedSamples()->begin(), sb.Key(1).SndBuf->SharedSamples()->end()),
              "ABCD");
    EXPECT_EQ(sb.Key(1).WavBytes, 4);
    EXPECT_FLOAT_EQ(sb.Key(1).WaveDur, 4.0f / 44100.0f);
    EXPECT_EQ(sb.Key(1).WavFile, "/gone/a.wav");
    EXPECT_EQ(sb.Key(1).MultiTimLst, "0");
    ASSERT_TRUE(sb.Key(2).SndBuf);
    EXPECT_EQ(sb.Key(2).WavFile, "/gone/b|c.wav"); // "|" inside a path survives
    EXPECT_FLOAT_EQ(sb.Key(2).WaveDur, 6.0f / 11025.0f);
    EXPECT_FALSE(sb.Key(3).SndBuf); // 9 bytes claimed, 5 stored
    EXPECT_EQ(sb.Key(3).WaveDur, 0.0f);
    EXPECT_EQ(sb.Key(3).MultiTimLst, "");
    EXPECT_TRUE(t.shell.messages.empty());
}

TEST_F(OrcFile, ReferencedWaveFilesThatAreMissingAreListedOnce) {
    auto e = OneBoard("Pad", "3", "1:0,10,0,1,0,1,0,0;1:0,10,0,1,0,1,0,0;1:0,10,0,1,0,1,0,0",
                      "/gone/one.wav?/gone/two.wav?");
    ASSERT_TRUE(Load(dir.Write("r.TbOrc", FileOf(e))));
    ASSERT_EQ(t.shell.messages.size(), 1u);
    EXPECT_EQ(LastMessage(), "File/s not found to load sound:\n\n/gone/one.wav\n/gone/two.wav");
    EXPECT_EQ(t.shell.messages[0].title, "");
    EXPECT_EQ(o.Set(1).Bd(1).Key(2).WavFile, "/gone/two.wav");
    EXPECT_EQ(o.Set(1).Bd(1).Key(2).WaveDur, 0.0f);
}

TEST_F(OrcFile, RecordingsReadTheirEventsAndAnEmptyListGivesOne) {
    auto e = OneBoard("Pad", "0", "");
    e.insert(e.end(), {{"Rec0++RecNos", "2"},
                       {"Rec0++CurRec", "2"},
                       {"Rec1++Nos", "0"},
                       {"Rec1++Name", "Empty"},
                       {"Rec2++Nos", "3"},
                       {"Rec2++Name", "Two"},
                       {"Rec2++Rec", "1,4,.5;2,8,1.5"}});
    ASSERT_TRUE(Load(dir.Write("rec.TbOrc", FileOf(e))));
    ASSERT_EQ(o.RecNos(), 2);
    EXPECT_EQ(o.Recordings[0].count(), 0);
    ASSERT_EQ(o.Recordings[1].count(), 2); // three claimed, two listed
    EXPECT_EQ(o.Recordings[1].events[1].InpDvNo, 2);
    EXPECT_EQ(o.Recordings[1].events[1].KeyNo, 8);
    EXPECT_EQ(o.Recordings[1].events[1].time, 1.5f);

    auto none = OneBoard("Pad", "0", "");
    none.push_back({"Rec0++RecNos", "0"});
    ASSERT_TRUE(Load(dir.Write("rec0.TbOrc", FileOf(none))));
    ASSERT_EQ(o.RecNos(), 1);
    EXPECT_EQ(o.Recordings[0].Name, "First Recording");
}

// Every file that cannot be opened gets one box, titled "Open File Error",
// that names the file and the reason (the field, where one is to blame);
// the status panel is cleared and the open Orchestra stays as it was.
TEST_F(OrcFile, EveryFailedOpenSaysWhyOnceNamingTheFileAndTheField) {
    const std::string good = FileOf(OneBoard("Pad", "1", "0:1"));
    std::string hugeName = good;
    hugeName.replace(1, 4, LE32(0x7ffffff0));
    std::string negValue = FileOf({{"General++File Version", "01.00"}});
    negValue.replace(5 + 21, 4, LE32(-5));
    std::string noClosingStar = good;
    noClosingStar.back() = '#';
    std::string zerosAfterAGoodStart = FileOf(Header()) + std::string(300, '\0');
    auto with = [](std::vector<Entry> e, std::vector<Entry> more) {
        e.insert(e.end(), more.begin(), more.end());
        return FileOf(e);
    };
    auto base = [] { return OneBoard("Pad", "1", "0:1"); };
    const std::size_t headerBytes = FileOf(Header()).size();
    // Counted from 1, as the messages count: the last entry is the empty "Key3".
    const std::size_t lastEntryAt = good.size() - EntryBytes("Set1Bd1++Key3", "").size() + 1;
    const std::string entriesWithRecNos = std::to_string(base().size() + 1);

    const struct {
        const char* what;
        std::string bytes;
        std::string reason; // what follows "The file PATH "
    } cases[] = {
        {"empty", "", "is empty"},
        {"another kind of file", FileOf({{"Set++SetNos", "1"}}),
         "is not a Tambrel Orchestra file: it has no \"General\"/\"File Version\""},
        {"version below one", FileOf(Header("00.50")),
         "is not a Tambrel Orchestra file: its \"General\"/\"File Version\" is \"00.50\""},
        {"truncated", good.substr(0, good.size() - 20),
         "is damaged: the entry at byte " + std::to_string(lastEntryAt) + " runs past the end of the file"},
        {"huge name length", hugeName, "is damaged: the entry at byte 1 runs past the end of the file"},
        {"negative value length", negValue, "is damaged: the entry at byte 1 runs past the end of the file"},
        {"zeros where an entry belongs", zerosAfterAGoodStart,
         "is damaged: the entry at byte " + std::to_string(headerBytes + 1) + " does not begin with \"*\""},
        {"no closing star", noClosingStar,
         "is damaged: the entry at byte " + std::to_string(lastEntryAt) + " does not end with \"*\""},
        {"no Play Board", with(Header(), {{"Set++SetNos", "0"}}),
         "is damaged: the field \"Set\"/\"SetNos\" is \"0\": an Orchestra has at least one Play Board"},
        {"more Play Boards than the file holds",
         with(Header(), {{"Set++SetNos", "2147483647"}, {"Set1++BodNos", "1"}, {"Set1Bd1++InpDev", "Pad"}}),
         "is damaged: the field \"Set2\"/\"BodNos\" is missing: a Play Board has at least one Sub Board"},
        {"too many recordings", with(base(), {{"Rec0++RecNos", "2000000000"}}),
         "is damaged: the field \"Rec0\"/\"RecNos\" claims 2000000000 recordings but the file holds only " +
             entriesWithRecNos + " entries"},
        {"count overflow", with(base(), {{"Rec0++RecNos", "1e30"}}),
         "is damaged: Overflow in the field \"Rec0\"/\"RecNos\" (\"1e30\")"},
        {"key field overflow", FileOf(OneBoard("Pad", "2", "0:1;5:0,0,1e12")),
         "is damaged: Overflow in the field \"Set1Bd1\"/\"Key1\", item 2 (\"1e12\")"},
        {"stored wave field overflow", FileOf(OneBoard("Pad", "1", "1:0,10,0,1,0,1,0,1", "1|4|16|1|9e99|1|a.wav")),
         "is damaged: Overflow in the field \"Set1Bd1\"/\"Key2\", item 1 (\"9e99\")"},
        {"event time beyond a float",
         with(base(), {{"Rec0++RecNos", "1"}, {"Rec1++Nos", "2"}, {"Rec1++Rec", "1,2,.5;1,3,1e300"}}),
         "is damaged: Overflow in the field \"Rec1\"/\"Rec\", item 2 (\"1e300\")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        t.shell.Clear();
        const std::string path = dir.Write("bad.TbOrc", c.bytes);
        EXPECT_FALSE(Load(path));
        ASSERT_EQ(t.shell.messages.size(), 1u);
        EXPECT_EQ(t.shell.messages[0].title, "Open File Error");
        EXPECT_EQ(t.shell.messages[0].text, "The file " + path + " " + c.reason);
        EXPECT_EQ(t.shell.statuses.back(), " ");
        EXPECT_EQ(t.shell.busy.back(), false);
        EXPECT_EQ(o.SetNos(), 3);
        EXPECT_EQ(o.Set(1).SetNam, "Mike");
    }
}

TEST_F(OrcFile, LookupWrapsAroundForEntriesOutOfOrder) {
    auto e = OneBoard("Pad", "1", "0:1");
    std::swap(e[3], e.back()); // Set++SetNos now comes last
    ASSERT_TRUE(Load(dir.Write("wrap.TbOrc", FileOf(e))));
    EXPECT_EQ(o.Set(1).SetNam, "S");
}

// ------------------------------------------------------------ replacing files

TEST_F(OrcFile, SavingOverAFileSendsTheOldOneToTheTrash) {
    const std::string path = dir.Write("old.TbOrc", "previous contents");
    ASSERT_TRUE(Save(path));
    EXPECT_TRUE(t.shell.SawStatus("Sending old file to Recycle Bin"));
    EXPECT_EQ(TempDir::Read(dir.File("data/Trash/files/old.TbOrc")), "previous contents");
    const std::string info = TempDir::Read(dir.File("data/Trash/info/old.TbOrc.trashinfo"));
    EXPECT_NE(info.find("[Trash Info]\nPath=" + path + "\nDeletionDate="), std::string::npos) << info;
    EXPECT_EQ(Entries(TempDir::Read(path)).back().name, "EOF++");
    // A second save trashes the first copy under a new name.
    ASSERT_TRUE(Save(path));
    EXPECT_TRUE(std::filesystem::exists(dir.File("data/Trash/files/old.TbOrc.2")));
    EXPECT_TRUE(t.shell.messages.empty());
}

TEST_F(OrcFile, ASaveIntoAMissingFolderReportsAndLeavesNothing) {
    EXPECT_FALSE(Save(dir.File("missing-folder/x.TbOrc")));
    EXPECT_EQ(t.shell.statuses.back(), "Error Saving");
    ASSERT_EQ(t.shell.messages.size(), 1u);
    EXPECT_NE(t.shell.messages[0].text.find("missing-folder"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(t.st.TempPath));
}

} // namespace
} // namespace tambrel::test

namespace tambrel::test {
namespace {

TEST_F(OrcFile, SubBoardCountsBeyondTheFileAreRefusedBeforeAnythingIsMade) {
    // Boards of an absent device need no entries, so only the count betrays them.
    const std::string bytes = FileOf(
        {{"General++File Version", "01.00"}, {"Set++SetNos", "1"}, {"Set1++BodNos", "2147483647"}, {"EOF++", ""}});
    EXPECT_FALSE(Load(dir.Write("many.TbOrc", bytes)));
    ASSERT_EQ(t.shell.messages.size(), 1u);
    EXPECT_EQ(t.shell.messages[0].title, "Open File Error");
    EXPECT_NE(t.shell.messages[0].text.find("2147483647"), std::string::npos);
    // A handful of absent-device boards without entries still loads.
    auto few = FileOf({{"General++File Version", "01.00"}, {"Set++SetNos", "1"}, {"Set1++BodNos", "2"}, {"EOF++", ""}});
    ASSERT_TRUE(Load(dir.Write("few.TbOrc", few)));
    EXPECT_EQ(o.Set(1).BodNos(), 2);
    EXPECT_EQ(o.Set(1).Bd(2).InpDev, "No Name");
}

} // namespace
} // namespace tambrel::test

namespace tambrel::test {
namespace {

// A canonical wave file of 16-bit mono samples at `rate`.
std::string WaveFile(std::int32_t rate, const std::string& samples = std::string(8, '\1')) {
    return CanonicalWave(static_cast<std::uint32_t>(rate), 1, 16, samples);
}

// Files that would once have cost a minute and gigabytes: each is refused
// from what little it takes to see the fault, with the file's name.
TEST_F(OrcFile, HugeAndJunkFilesAreRefusedBeforeTheyCostTimeOrMemory) {
    InputDevice big;
    big.Name = "Big";
    big.Ready = true;
    big.KeyCount = (1 << 20) + 1; // more keys than an Orchestra may hold
    t.st.InputDevices.push_back(big);

    const std::string header = FileOf(Header());
    // Writes `head`, then `holeBytes` that are never written, then `tail`.
    auto sparse = [](const std::string& path, const std::string& head, off_t holeBytes, const std::string& tail) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, head.data(), head.size()), static_cast<ssize_t>(head.size()));
        ASSERT_EQ(::lseek(fd, holeBytes, SEEK_CUR), static_cast<off_t>(head.size()) + holeBytes);
        ASSERT_EQ(::write(fd, tail.data(), tail.size()), static_cast<ssize_t>(tail.size()));
        ::close(fd);
    };
    const std::int32_t longText = (16 << 20) + 1;
    const struct {
        const char* what;
        std::function<void(const std::string&)> make;
        std::string reason;
    } cases[] = {
        {"2 GB of nothing", [&](const std::string& p) { sparse(p, "", (off_t{2} << 30) - 1, std::string(1, '\0')); },
         "is damaged: the entry at byte 1 does not begin with \"*\""},
        {"a text as long as the file",
         [&](const std::string& p) {
             sparse(p, header + "*" + LE32(16) + "General++OpenMsg" + LE32(longText), longText, "*");
         },
         "is damaged: the field \"General\"/\"OpenMsg\" is " + std::to_string(longText) +
             " bytes long, more than any text of an Orchestra"},
        {"an endless run of tiny entries",
         [&](const std::string& p) {
             std::string bytes = header;
             const std::string tiny = EntryBytes("X++", "");
             for (std::size_t i = 0; i < OrcIndex::kMaxEntries; ++i) bytes += tiny;
             dir.Write(FileTitleOf(p), bytes);
         },
         "is damaged: it holds more than 1048576 entries"},
        {"more key strokes than any recording",
         [&](const std::string& p) {
             auto e = OneBoard("Pad", "1", "0:1");
             e.insert(e.end(), {{"Rec0++RecNos", "1"},
                                {"Rec1++Nos", "2147483647"},
                                {"Rec1++Rec", std::string(std::size_t{1} << 23, ';')}});
             dir.Write(FileTitleOf(p), FileOf(e));
         },
         "is damaged: its recordings up to \"Rec1\"/\"Rec\" hold more than 8388608 key strokes"},
        {"more keys than any Orchestra",
         [&](const std::string& p) { dir.Write(FileTitleOf(p), FileOf(OneBoard("Big", "0", ""))); },
         "is damaged: its Sub Boards up to \"Set1Bd1\"/\"InpDev\" hold more than 1048576 keys"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        t.shell.Clear();
        const std::string path = dir.File("huge.TbOrc");
        c.make(path);
        EXPECT_FALSE(Load(path));
        ASSERT_EQ(t.shell.messages.size(), 1u);
        EXPECT_EQ(t.shell.messages[0].title, "Open File Error");
        EXPECT_EQ(t.shell.messages[0].text, "The file " + path + " " + c.reason);
        EXPECT_EQ(o.Set(1).SetNam, "Mike");
        std::filesystem::remove(path);
    }
}

TEST_F(OrcFile, StoredWavesOfAFormatNoWaveFileMayHaveGiveNoSoundAndOneMessage) {
    auto e = OneBoard("Pad", "3", "1:0,10,0,1,0,1,0,1;1:0,10,0,1,0,1,0,1;1:0,10,0,1,0,1,0,1",
                      "1|4|16|1|1|2|/w/one-hertz.wav?2|4|24|1|22050|1|?3|4|16|2|44100|1|/w/good.wav");
    e.insert(e.begin() + 9, {{"WavBuf++1", "ABCD"}, {"WavBuf++2", "abcd"}, {"WavBuf++3", "wxyz"}});
    ASSERT_TRUE(Load(dir.Write("formats.TbOrc", FileOf(e))));
    const SubBoard& sb = o.Set(1).Bd(1);
    EXPECT_FALSE(sb.Key(1).SndBuf);
    EXPECT_EQ(sb.Key(1).WaveDur, 0.0f);
    EXPECT_FALSE(sb.Key(2).SndBuf);
    ASSERT_TRUE(sb.Key(3).SndBuf);
    ASSERT_EQ(t.shell.messages.size(), 1u);
    EXPECT_EQ(t.shell.messages[0].title, "");
    EXPECT_EQ(LastMessage(), "File/s could not be loaded as sound:\n"
                             "\nStored wave 1 (Pbd 1, Sbd 1, K 1, /w/one-hertz.wav): Sampling rate ( 1) not supported"
                             "\nStored wave 2 (Pbd 1, Sbd 1, K 2): Bits per sample (24) not supported");
}

TEST_F(OrcFile, WaveFilesThatCannotBeUsedAreListedInOneBox) {
    std::string key1, key2;
    std::vector<std::string> lines;
    for (int k = 1; k <= 6; ++k) {
        const std::string wave = dir.Write("w" + std::to_string(k) + ".wav", WaveFile(48000));
        key1 += (k > 1 ? ";" : "") + std::string("1:0,10,0,1,0,1,0,0");
        key2 += (k > 1 ? "?" : "") + wave;
        lines.push_back(wave + ": Sampling rate ( 48000) not supported");
    }
    const std::string good = dir.Write("good.wav", WaveFile(22050));
    key1 += ";1:0,10,0,1,0,1,0,0";
    key2 += "?" + good;
    t.st.InputDevices[0].KeyCount = 7;
    ASSERT_TRUE(Load(dir.Write("six.TbOrc", FileOf(OneBoard("Pad", "7", key1, key2)))));
    ASSERT_EQ(t.shell.messages.size(), 1u);
    std::string expected = "File/s could not be loaded as sound:\n";
    for (const std::string& l : lines) expected += "\n" + l;
    EXPECT_EQ(LastMessage(), expected);
    EXPECT_EQ(o.Set(1).Bd(1).Key(3).WavFile, dir.File("w3.wav"));
    EXPECT_FALSE(o.Set(1).Bd(1).Key(3).SndBuf);
    EXPECT_TRUE(o.Set(1).Bd(1).Key(7).SndBuf);
}

TEST_F(OrcFile, StoredKeysBeyondTheDevicesCountAreDroppedUnread) {
    // Pad has 3 keys: the waves of keys 4 and 5 are never looked for.
    const std::string key1 = "0:0;0:0;0:0;1:0,10,0,1,0,1,0,0;1:0,10,0,1,0,1,0,0";
    ASSERT_TRUE(Load(
        dir.Write("more.TbOrc", FileOf(OneBoard("Pad", "5", key1, std::string(3, '?') + "/gone/4.wav?/gone/5.wav")))));
    EXPECT_EQ(o.Set(1).Bd(1).KeyNos(), 3);
    EXPECT_TRUE(t.shell.messages.empty());
}

TEST_F(OrcFile, TheCurrentRecordingIsKeptAsStoredEvenOutsideTheList) {
    for (const char* stored : {"0", "5", "-2", "2"}) {
        SCOPED_TRACE(stored);
        auto e = OneBoard("Pad", "0", "");
        e.insert(e.end(), {{"Rec0++RecNos", "2"}, {"Rec0++CurRec", stored}, {"Rec1++Name", "A"}, {"Rec2++Name", "B"}});
        ASSERT_TRUE(Load(dir.Write("cur.TbOrc", FileOf(e))));
        EXPECT_EQ(o.CurRec, std::stoi(stored));
        // Saved again as it was.
        ASSERT_TRUE(Save(dir.File("again.TbOrc")));
        const auto entries = Entries(TempDir::Read(dir.File("again.TbOrc")));
        EXPECT_NE(std::find(entries.begin(), entries.end(), Entry{"Rec0++CurRec", stored}), entries.end());
    }
}

} // namespace
} // namespace tambrel::test

namespace tambrel::test {
namespace {

// The sounds that cannot be used come from the wave files and from the
// samples stored in the file alike: one box lists them all in key order.
TEST_F(OrcFile, SoundsThatCannotBeUsedAreListedInKeyOrderWhereverTheyComeFrom) {
    const std::string bad = dir.Write("bad.wav", WaveFile(48000));
    t.st.InputDevices[0].KeyCount = 4;
    auto e = OneBoard("Pad", "4", "1:0,10,0,1,0,1,0,0;1:0,10,0,1,0,1,0,1;1:0,10,0,1,0,1,0,0;1:0,10,0,1,0,1,0,0",
                      bad + "?1|4|24|1|22050|1|?/gone/3.wav?" + bad);
    e.insert(e.begin() + 9, {{"WavBuf++1", "abcd"}});
    t.shell.Clear();
    ASSERT_TRUE(Load(dir.Write("mixed.TbOrc", FileOf(e))));
    ASSERT_EQ(t.shell.messages.size(), 2u);
    EXPECT_EQ(t.shell.messages[0].text, "File/s not found to load sound:\n\n/gone/3.wav");
    EXPECT_EQ(t.shell.messages[1].text, "File/s could not be loaded as sound:\n"
                                        "\n" +
                                            bad +
                                            ": Sampling rate ( 48000) not supported"
                                            "\nStored wave 1 (Pbd 1, Sbd 1, K 2): Bits per sample (24) not supported"
                                            "\n" +
                                            bad + ": Sampling rate ( 48000) not supported");
}

TEST_F(OrcFile, LoadingShowsItsProgressKeyByKey) {
    const std::string good = dir.Write("good.wav", WaveFile(22050));
    auto e = Header();
    e.insert(e.end(), {{"Set++SetNos", "2"},
                       {"Set1++BodNos", "1"},
                       {"Set1Bd1++InpDev", "Pad"},
                       {"Set1Bd1++KeyNos", "2"},
                       {"Set1Bd1++Key1", "0:0;1:0,10,0,1,0,1,0,0"},
                       {"Set1Bd1++Key2", "?" + good},
                       {"Set2++BodNos", "2"},
                       {"Set2Bd1++InpDev", "Gone"},
                       {"Set2Bd2++InpDev", "Pad"},
                       {"Set2Bd2++KeyNos", "1"}});
    t.shell.Clear();
    ASSERT_TRUE(Load(dir.Write("progress.TbOrc", FileOf(e))));
    EXPECT_EQ(t.shell.statuses,
              (std::vector<std::string>{"Scanning file to open", "Getting the Header", "Reading Pbd 1, Sbd 1, K *",
                                        "Reading Pbd 1, Sbd 1, K 1", "Reading Pbd 1, Sbd 1, K 2", "Loading Wave File",
                                        " ", "Reading Pbd 2, Sbd 2, K *", "Reading Pbd 2, Sbd 2, K 1", "Closing file",
                                        "Open File Done"}));
    EXPECT_TRUE(o.Set(1).Bd(1).Key(2).SndBuf);
}

// A key list shorter than the board's key count ends the reading of that
// board: the progress names the key where the list ran out, and no further.
TEST_F(OrcFile, ProgressStopsWhereTheKeyListEnds) {
    const struct {
        const char* key1;
        std::vector<std::string> keys;
    } rows[] = {
        {"0:0;0:1;0:0", {"*", "1", "2", "3"}},
        {"0:0", {"*", "1", "2"}},
        {"", {"*", "1"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.key1);
        t.shell.Clear();
        ASSERT_TRUE(Load(dir.Write("short.TbOrc", FileOf(OneBoard("Pad", "3", r.key1)))));
        std::vector<std::string> want{"Scanning file to open", "Getting the Header"};
        for (const std::string& k : r.keys) want.push_back("Reading Pbd 1, Sbd 1, K " + k);
        want.insert(want.end(), {"Closing file", "Open File Done"});
        EXPECT_EQ(t.shell.statuses, want);
        EXPECT_EQ(o.Set(1).Bd(1).KeyNos(), 3);
    }
}

} // namespace
} // namespace tambrel::test
