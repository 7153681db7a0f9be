// The reader index: the lookup rule (from after the last hit, wrapping
// round), values of every size wherever they fall in the file, and files
// whose lookups mostly miss.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "document/OpenSaveClass.h"
#include "document/OrcIndex.h"
#include "tests/OrcBytes.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

void Put(std::string& out, const std::string& name, const std::string& value) { out += EntryBytes(name, value); }

struct Indexed {
    TempDir dir;
    std::unique_ptr<FileBytes> file;
    OrcIndex index;
    explicit Indexed(const std::string& bytes) {
        const std::string path = dir.Write("f.TbOrc", bytes);
        file = std::make_unique<FileBytes>(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        index.Build(*file);
    }
    std::string Value(const std::string& name) {
        const OrcIndex::Entry* e = index.Find(name);
        return e ? index.Text(*e) : "(none)";
    }
};

TEST(OrcIndexLookup, StartsAfterTheLastHitAndWrapsRound) {
    // Places 0..5; each value names its place.
    std::string file;
    const char* names[] = {"A", "B", "A", "C", "B", "A"};
    for (int p = 0; p < 6; ++p) Put(file, names[p], "p" + std::to_string(p));
    const struct {
        const char* find;
        const char* expected;
    } steps[] = {
        {"A", "p2"},     // the search starts at place 1, so place 0 comes last
        {"A", "p5"},     // the next one after the last hit
        {"A", "p0"},     // wrapped round
        {"B", "p1"},     //
        {"Z", "(none)"}, // a miss leaves the last hit where it was
        {"B", "p4"},     //
        {"C", "p3"},     // behind the last hit: found by wrapping round
        {"a", "(none)"}, // case matters
        {"C", "p3"},     // the only one, found again from itself
    };
    Indexed ix(file);
    for (const auto& s : steps) EXPECT_EQ(ix.Value(s.find), s.expected) << "find " << s.find;
}

TEST(OrcIndexValues, EverySizeReadsBackWhereverItLies) {
    // Values below and above the size kept in memory, empty ones, and
    // entries that straddle the reader's buffer boundaries.
    std::vector<std::pair<std::string, std::string>> entries;
    std::uint32_t noise = 7;
    auto bytes = [&](std::size_t n) {
        std::string s(n, '\0');
        for (char& c : s) c = static_cast<char>((noise = noise * 1103515245u + 12345u) >> 24);
        return s;
    };
    for (int i = 0; i < 300; ++i)
        entries.emplace_back("small" + std::to_string(i), bytes(static_cast<std::size_t>(i * 37 % 5000)));
    entries.emplace_back("empty", "");
    entries.emplace_back("atLimit", bytes(OrcIndex::kKeepLimit));
    entries.emplace_back("aboveLimit", bytes(OrcIndex::kKeepLimit + 1));
    entries.emplace_back("big", bytes(3u << 20));
    for (int i = 0; i < 300; ++i)
        entries.emplace_back("after" + std::to_string(i), bytes(static_cast<std::size_t>(i * 53 % 9000)));
    std::string file;
    for (const auto& [n, v] : entries) Put(file, n, v);
    Indexed ix(file);
    ASSERT_EQ(ix.index.size(), entries.size());
    for (const auto& [n, v] : entries) {
        const OrcIndex::Entry* e = ix.index.Find(n);
        ASSERT_NE(e, nullptr) << n;
        EXPECT_EQ(ix.index.Text(*e), v) << n;
        std::vector<std::uint8_t> raw;
        ix.index.Bytes(*e, raw);
        EXPECT_EQ(std::string(raw.begin(), raw.end()), v) << n;
    }
}

// Files whose boards or recordings have no entries of their own: every one
// of their lookups misses. These once searched the whole index each time.
TEST(OrcIndexMisses, ManyBoardsAndRecordingsWithoutEntriesLoad) {
    constexpr int kEntries = 120000;
    for (const bool recordings : {false, true}) {
        SCOPED_TRACE(recordings ? "recordings" : "boards");
        std::string file;
        Put(file, "General++File Version", "01.00");
        Put(file, "Set++SetNos", "1");
        const int claimed = kEntries - 4;
        Put(file, "Set1++BodNos", recordings ? "1" : std::to_string(claimed));
        Put(file, "Rec0++RecNos", recordings ? std::to_string(claimed) : "0");
        for (int i = 4; i < kEntries; ++i) Put(file, "X++" + std::to_string(i), "");
        TempDir dir;
        TestState t{{{"Pad", 3}}};
        ASSERT_TRUE(OpenSaveClass(t.st).LoadOrchestra(dir.Write("many.TbOrc", file)));
        if (recordings) {
            ASSERT_EQ(t.st.Orc.RecNos(), claimed);
            EXPECT_EQ(t.st.Orc.Recordings.back().Name, "0");
        } else {
            ASSERT_EQ(t.st.Orc.Set(1).BodNos(), claimed);
            EXPECT_EQ(t.st.Orc.Set(1).Bd(claimed).BodNam, "No Name");
        }
    }
}

} // namespace
} // namespace tambrel::test
