#include "common/SplitText.h"

namespace tambrel {

std::vector<std::string_view> SplitText(std::string_view text, char sep, std::size_t limit) {
    std::vector<std::string_view> items;
    TextItems it(text, sep);
    std::string_view item;
    while (items.size() + 1 < limit && it.Next(item)) items.push_back(item);
    if (it.Rest(item)) items.push_back(item);
    return items;
}

} // namespace tambrel
