#include <gtest/gtest.h>

#include "boards/BoardView.h"
#include "boards/KeyIcon.h"
#include "boards/KeySoundName.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

KeyAssign Wave(const std::string& file) {
    KeyAssign k;
    k.SndSrc = kSrcWave;
    k.WavFile = file;
    return k;
}
KeyAssign Midi(std::int32_t instrument, std::int32_t note, bool drum) {
    KeyAssign k;
    k.SndSrc = kSrcMidi;
    k.Instru = instrument;
    k.MidiKeyNo = note;
    k.DrumOn = drum ? kFlagOn : kFlagOff;
    return k;
}
KeyAssign Action(std::int32_t command, std::int32_t target) {
    KeyAssign k;
    k.SndSrc = kSrcAction;
    k.ActCmd = command;
    k.ActSub1 = target;
    return k;
}

TEST(KeySoundName, NamesWhatEachKindOfKeyPlays) {
    TestState t{{{"Pad", 4}}};
    t.st.Orc.Set(2).SetNam = "Tones";
    struct Case {
        const char* name;
        KeyAssign key;
        std::string shown;
    };
    KeyAssign wrongSource = Wave("Kick.wav");
    wrongSource.SndSrc = 3;
    const Case cases[] = {
        {"no source", KeyAssign{}, ""},
        {"wave in a folder", Wave("/home/me/Samples/Kick.wav"), "Kick"},
        {"wave from a Windows folder", Wave("C:\\Waves\\Snare Roll.WAV"), "Snare Roll"},
        {"only the last extension goes", Wave("take.2.final.wav"), "take.2.final"},
        {"a name without extension", Wave("Bass"), "Bass"},
        {"a hidden file's name is its name", Wave("/x/.wav"), ".wav"},
        {"no file chosen yet", Wave(""), ""},
        {"a folder without a file", Wave("/x/"), ""},
        {"trailing blanks go", Wave("Pad  "), "Pad"},
        {"instrument", Midi(0, 60, false), "Acoustic Grand Piano"},
        {"last instrument", Midi(127, 60, false), "Gunshot"},
        {"instrument out of range", Midi(128, 60, false), ""},
        {"negative instrument", Midi(-1, 60, false), ""},
        {"drum", Midi(0, 38, true), "Snare Drum 1"},
        {"drum note without a drum", Midi(0, 20, true), ""},
        {"drum note beyond MIDI", Midi(0, 300, true), ""},
        {"change table", Action(kActChangeTable, 2), "Tones"},
        {"change to a Play Board that is gone", Action(kActChangeTable, 9), ""},
        {"stop all", Action(kActStopPlay, kActStopAll), "Stop All"},
        {"stop midi", Action(kActStopPlay, kActStopMidi), "Stop Midi"},
        {"stop loops", Action(kActStopPlay, kActStopLoopAndQueue), "Stop Loop and Queue"},
        {"unknown stop", Action(kActStopPlay, 7), ""},
        {"nothing to do", Action(kActNothing, 1), ""},
        {"unknown source", wrongSource, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(KeySoundName(t.st.Orc, c.key), c.shown) << c.name;
}

// A 40 x 30 key at (10, 20): the label's line from y 22, the sound's line
// under it from 34, which reaches the icon's corner (from x 33, y 33): the
// line stops two pixels short of the icon. A taller key keeps the whole width.
TEST(KeySoundBox, SitsUnderTheLabelAndLeftOfTheIconWhereTheyMeet) {
    struct Case {
        const char* name;
        std::int32_t bottom;
        std::int32_t width;
    };
    const Case cases[] = {{"30 high: beside the icon", 49, 20}, {"60 high: the whole face", 79, 36}};
    for (const Case& c : cases) {
        LayoutKey place;
        place.Left = 10;
        place.Top = 20;
        place.Right = 49;
        place.Bottom = c.bottom;
        const BoardKey k = DescribeBoardKey(place, 1, Wave("Kick.wav"), false, false, "Kick");
        EXPECT_EQ(k.Sound, "Kick") << c.name;
        EXPECT_EQ(k.SoundX, 12) << c.name;
        EXPECT_EQ(k.SoundY, 34) << c.name;
        EXPECT_EQ(k.SoundWidth, c.width) << c.name;
    }
    LayoutKey tiny; // a key narrower than its icon has no room for text
    tiny.Right = 5;
    tiny.Bottom = 5;
    EXPECT_EQ(DescribeBoardKey(tiny, 1, Wave("a.wav"), false, false, "a").SoundWidth, 0);
    LayoutKey far; // rectangles at the edge of 32 bits stay inside them
    far.Left = far.Right = INT32_MAX;
    far.Top = far.Bottom = INT32_MAX;
    const BoardKey k = DescribeBoardKey(far, 1, Wave("a.wav"), false, false, "a");
    EXPECT_EQ(k.SoundX, INT32_MAX);
    EXPECT_EQ(k.SoundY, INT32_MAX);
    EXPECT_GE(k.SoundWidth, 0);
}

TEST(KeySoundBox, EveryDrawingAndEveryIconRepaintCarriesTheKeysSound) {
    TestState t{{{"Pad", 4}}};
    DeviceLayout& l = t.st.InputDevices[0].Layout;
    l.BoardWidth = 300;
    l.BoardHeight = 80;
    l.RowCount = 1;
    l.Rows.assign(1, LayoutRow{30, 3});
    for (int i = 0; i < 4; ++i) {
        LayoutKey k;
        k.Row = 1;
        k.Position = i + 1;
        k.Width = 40;
        l.Keys.push_back(k);
    }
    t.st.Orc.Set(1).Bd(1).Key(1) = Wave("Samples/Kick.wav");
    t.st.Orc.Set(1).Bd(1).Key(3) = Midi(0, 38, true);
    BoardView view(t.st, 1);
    const BoardViewPicture v = view.DrawBoardsAll();
    ASSERT_EQ(v.Surfaces.at(0).Keys.size(), 4u);
    EXPECT_EQ(v.Surfaces[0].Keys[0].Sound, "Kick");
    EXPECT_EQ(v.Surfaces[0].Keys[1].Sound, "");
    EXPECT_EQ(v.Surfaces[0].Keys[2].Sound, "Snare Drum 1");
    // A change of the key shows in its next repaint.
    t.st.Orc.Set(1).Bd(1).Key(1).WavFile = "Snare.wav";
    EXPECT_EQ(view.ShowKeyIcon(SubBoardNo{1}, KeyNo{1})->Sound, "Snare");
}

} // namespace
} // namespace tambrel::test
