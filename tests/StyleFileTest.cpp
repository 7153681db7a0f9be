#include "sound/StyleFile.h"

#include <gtest/gtest.h>

#include <string>

#include "sound/MidiOutput.h"
#include "tests/TempDir.h"

namespace tambrel::test {
namespace {

TEST(StyleFile, BrokenInputIsRefusedWithFileAndLine) {
    const std::string big(kStyleMaxBytes + 1, '#');
    std::string manyEvents = "TambrelStyle 1\nmotif 000\n";
    for (std::size_t i = 0; i <= kStyleMaxEvents; ++i) manyEvents += "note 0 0 60 100 250\n";
    std::string manyBands = "TambrelStyle 1\n";
    for (std::size_t i = 0; i <= kStyleMaxSegments; ++i) manyBands += "band 000\n";
    const struct {
        const char* name;
        std::string text;
        const char* says;
    } cases[] = {
        {"empty", "", "does not start with"},
        {"comments only", "# nothing\n\n", "does not start with"},
        {"another format", "RIFF\x10\0\0\0DMST", "line 1: the file does not start"},
        {"newer version", "TambrelStyle 2\n", "line 1:"},
        {"event before any segment", "TambrelStyle 1\nnote 0 0 60 100 250\n", "line 2: \"note\" before any band"},
        {"program in a motif", "TambrelStyle 1\nmotif 000\nprogram 0 1\n", "line 3: a motif holds only note"},
        {"note in a band", "TambrelStyle 1\nband 000\nnote 0 0 60 100 250\n", "line 3: a band holds only program"},
        {"unknown keyword", "TambrelStyle 1\nvolume 0 100\n", "line 2: unknown line"},
        {"nameless band", "TambrelStyle 1\nband   \n", "line 2: a name must have"},
        {"name too long", "TambrelStyle 1\nband " + std::string(65, 'x') + "\n", "line 2: a name must have"},
        {"too few numbers", "TambrelStyle 1\nmotif 000\nnote 0 0 60 100\n", "line 3: expected 5 numbers"},
        {"too many numbers", "TambrelStyle 1\nband 000\nprogram 0 1 2\n", "line 3: too many numbers"},
        {"not a number", "TambrelStyle 1\nband 000\nprogram 0 x1\n", "line 3: \"x1\" is not a number"},
        {"trailing junk on a number", "TambrelStyle 1\nband 000\nprogram 0 1x\n", "is not a number"},
        {"number beyond int", "TambrelStyle 1\nband 000\nprogram 0 99999999999\n", "is not a number"},
        {"channel 32", "TambrelStyle 1\nband 000\nprogram 32 1\n", "channel 32 outside 0..31"},
        {"program 128", "TambrelStyle 1\nband 000\nprogram 0 128\n", "program 128 outside"},
        {"negative time", "TambrelStyle 1\nmotif 000\nnote -1 0 60 100 250\n", "time -1 outside"},
        {"velocity 0", "TambrelStyle 1\nmotif 000\nnote 0 0 60 0 250\n", "velocity 0 outside"},
        {"duration 0", "TambrelStyle 1\nmotif 000\nnote 0 0 60 100 0\n", "duration 0 outside"},
        {"too many events", manyEvents, "more than 1024 events"},
        {"too many bands", manyBands, "more than 4096 bands"},
        {"too large", big, "larger than 8 MiB"},
    };
    for (const auto& c : cases) {
        try {
            ParseStyle(c.text, "x.sty");
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const StyleFileError& e) {
            const std::string what = e.what();
            EXPECT_EQ(what.rfind("x.sty", 0), 0u) << c.name << ": " << what;
            EXPECT_NE(what.find(c.says), std::string::npos) << c.name << ": " << what;
        }
    }
}

TEST(StyleFile, CommentsBlanksAndLineEndsAreTolerated) {
    const MidiStyle s = ParseStyle("# made by hand\r\n\r\nTambrelStyle 1\r\n  band 000 Piano  \r\nprogram 0 0\n"
                                   "program\t16 5\nmotif 060 C4\n# a comment inside\nnote 10 16 60 90 750\n"
                                   "note 0 0 64 90 250",
                                   "x.sty");
    ASSERT_EQ(s.Bands.size(), 1u);
    ASSERT_EQ(s.Motifs.size(), 1u);
    EXPECT_EQ(s.Bands[0]->Name, "000 Piano");
    ASSERT_EQ(s.Bands[0]->Events.size(), 2u);
    EXPECT_EQ(s.Bands[0]->Events[1].Channel, 16);
    EXPECT_EQ(s.Bands[0]->Events[1].Data, 5);
    const auto& n = s.Motifs[0]->Events;
    ASSERT_EQ(n.size(), 2u);
    EXPECT_EQ(n[0].TimeMs, 10);
    EXPECT_EQ(n[0].Velocity, 90);
    EXPECT_EQ(n[0].DurMs, 750);
    EXPECT_EQ(n[1].Data, 64); // a last line without a line end
    EXPECT_EQ(s.MotifByName("060 C4"), s.Motifs[0]);
    EXPECT_EQ(s.BandByName("nothing"), nullptr);
}

TEST(StyleFile, TheStandardFilesHoldWhatMidiOutputRequires) {
    TempDir dir;
    MakeStandardStyles(dir.Path());
    const MidiStyle instr = ReadStyleFile(dir.File("TbOrch-00.sty"));
    ASSERT_EQ(instr.Bands.size(), 128u);
    for (int p = 0; p < 128; ++p) {
        const auto& b = instr.Bands[static_cast<std::size_t>(p)];
        EXPECT_EQ(std::stoi(b->Name.substr(0, 3)), p) << b->Name;
        ASSERT_EQ(b->Events.size(), 1u);
        EXPECT_EQ(b->Events[0].Data, p);
    }
    const char* files[] = {"TbOrch-05.sty", "TbOrch-10.sty", "TbOrch-15.sty", "TbOrch-20.sty", "TbOrch-30.sty"};
    for (std::size_t k = 0; k < 5; ++k) {
        const MidiStyle dur = ReadStyleFile(dir.File(files[k]));
        ASSERT_EQ(dur.Motifs.size(), 128u) << files[k];
        for (int n = 0; n < 128; ++n) {
            const auto& e = dur.Motifs[static_cast<std::size_t>(n)]->Events;
            ASSERT_EQ(e.size(), 1u);
            EXPECT_EQ(e[0].Data, n);
            // The number in the name is twentieths of a second.
            EXPECT_EQ(e[0].DurMs, std::stoi(std::string(files[k]).substr(7, 2)) * 50) << files[k];
        }
    }
    const MidiStyle drums = ReadStyleFile(dir.File("TbOrch-Drm.sty"));
    std::vector<std::string> kits;
    for (const auto& b : drums.Bands) kits.push_back(b->Name.substr(0, 2));
    EXPECT_EQ(kits, (std::vector<std::string>{"00", "08", "16", "24", "25", "32", "40", "48", "56"}));
    ASSERT_EQ(drums.Motifs.size(), static_cast<std::size_t>(kLastDrumNote - kFirstDrumNote + 1));
    for (const auto& m : drums.Motifs) {
        const int n = std::stoi(m->Name.substr(0, 2));
        EXPECT_EQ(m->Name.substr(3), DrumNames()[static_cast<std::size_t>(n)]);
        EXPECT_EQ(m->Events.at(0).Data, n);
        EXPECT_EQ(m->Events.at(0).Channel, kDrumChannel);
    }
    // Writing what was read gives the same file.
    EXPECT_EQ(StyleText(drums), TempDir::Read(dir.File("TbOrch-Drm.sty")));
}

} // namespace
} // namespace tambrel::test
