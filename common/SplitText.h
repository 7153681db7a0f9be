#pragma once
// Splitting a text at a one-character separator into views of it: the lists
// of an Orchestra file and of the settings file, delays typed by the user,
// command-line arguments. There is no escaping: an item never holds its
// separator, except the last item of a limited split. The views point into
// the text, which must outlive them.

#include <cstddef>
#include <string_view>
#include <vector>

namespace tambrel {

// What an empty text holds: one empty item (as "a" holds one item "a"), or
// none at all (an empty list).
enum class EmptyText { OneItem, NoItems };

// The items one at a time, so that a list of a million separators read from
// a file costs nothing beyond the items the reader takes.
// "a,,b" gives "a", "", "b"; "a," gives "a", "".
class TextItems {
public:
    TextItems(std::string_view text, char sep, EmptyText empty = EmptyText::OneItem)
        : rest_(text), sep_(sep), done_(text.empty() && empty == EmptyText::NoItems) {}

    // The next item; false when every item has been taken.
    bool Next(std::string_view& item) {
        if (done_) return false;
        const std::size_t at = rest_.find(sep_);
        item = rest_.substr(0, at);
        if (at == std::string_view::npos) done_ = true;
        else rest_.remove_prefix(at + 1);
        return true;
    }

    // All that is left as one item, separators and all; false when every
    // item has been taken.
    bool Rest(std::string_view& item) {
        if (done_) return false;
        item = rest_;
        done_ = true;
        return true;
    }

private:
    std::string_view rest_;
    char sep_;
    bool done_;
};

// Every item of text; an empty text is one empty item. With a limit, at most
// that many items (a limit of 0 counts as 1): the last one holds the rest of
// the text, separators and all.
std::vector<std::string_view> SplitText(std::string_view text, char sep, std::size_t limit = std::size_t(-1));

} // namespace tambrel
