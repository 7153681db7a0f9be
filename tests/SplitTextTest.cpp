// Splitting a text at a separator: what every list of the files, the
// settings and the command line relies on, once for all of them.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/SplitText.h"

namespace tambrel {
namespace {

using Items = std::vector<std::string>;

Items Strings(const std::vector<std::string_view>& views) { return Items(views.begin(), views.end()); }

Items Lazily(std::string_view text, char sep, EmptyText empty) {
    Items out;
    TextItems it(text, sep, empty);
    for (std::string_view item; it.Next(item);) out.emplace_back(item);
    return out;
}

TEST(SplitText, EveryItemBetweenSeparators) {
    const struct {
        std::string_view text;
        char sep;
        Items items;     // an empty text as one empty item
        Items emptyNone; // an empty text as no item
    } rows[] = {
        {"", ',', {""}, {}},
        {"a", ',', {"a"}, {"a"}},
        {"a,b", ',', {"a", "b"}, {"a", "b"}},
        {"a,,b", ',', {"a", "", "b"}, {"a", "", "b"}},
        {",a", ',', {"", "a"}, {"", "a"}},
        {"a,", ',', {"a", ""}, {"a", ""}},
        {",", ',', {"", ""}, {"", ""}},
        {" , ", ',', {" ", " "}, {" ", " "}},
        // Only the given separator splits.
        {"1,2;3,4", ';', {"1,2", "3,4"}, {"1,2", "3,4"}},
        {"0:1", ';', {"0:1"}, {"0:1"}},
        {"a?b?", '?', {"a", "b", ""}, {"a", "b", ""}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.text) + " at " + r.sep);
        EXPECT_EQ(Strings(SplitText(r.text, r.sep)), r.items);
        EXPECT_EQ(Lazily(r.text, r.sep, EmptyText::OneItem), r.items);
        EXPECT_EQ(Lazily(r.text, r.sep, EmptyText::NoItems), r.emptyNone);
    }
}

TEST(SplitText, ALimitLeavesTheRestInTheLastItem) {
    const struct {
        std::string_view text;
        std::size_t limit;
        Items items;
    } rows[] = {
        // A stored wave: the path comes last and may hold the separator.
        {"1|4|16|1|22050|2|/w/b|c.wav", 7, {"1", "4", "16", "1", "22050", "2", "/w/b|c.wav"}},
        {"1|4|16", 7, {"1", "4", "16"}},
        {"a|b|c", 2, {"a", "b|c"}},
        {"a|b|c", 3, {"a", "b", "c"}},
        {"a|b|c", 1, {"a|b|c"}},
        {"a|b|c", 0, {"a|b|c"}},
        {"", 7, {""}},
        {"a|", 2, {"a", ""}},
        {"|", 1, {"|"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.text) + " limit " + std::to_string(r.limit));
        EXPECT_EQ(Strings(SplitText(r.text, '|', r.limit)), r.items);
    }
}

TEST(SplitText, TheRestAfterSomeItemsIsTakenWhole) {
    TextItems it("a;b;c", ';');
    std::string_view item;
    ASSERT_TRUE(it.Next(item));
    EXPECT_EQ(item, "a");
    ASSERT_TRUE(it.Rest(item));
    EXPECT_EQ(item, "b;c");
    EXPECT_FALSE(it.Next(item));
    EXPECT_FALSE(it.Rest(item));

    // After the last item there is no rest, not even an empty one.
    TextItems done("a", ';');
    ASSERT_TRUE(done.Next(item));
    EXPECT_FALSE(done.Rest(item));
    TextItems none("", ';', EmptyText::NoItems);
    EXPECT_FALSE(none.Rest(item));
}

} // namespace
} // namespace tambrel
