#pragma once
// One item of a menu whose item list the core rebuilds; the window shows
// the list as it stands. Item 0 of such a list is its template ("None" and
// the like), shown or hidden by the rule of each menu.

#include <string>
#include <vector>

namespace tambrel {

struct MenuItem {
    std::string Caption; // plain text: an "&" shows as "&"
    bool Visible = true;
    bool Enabled = true;
    bool Checked = false;
    bool operator==(const MenuItem&) const = default;
};

using MenuItems = std::vector<MenuItem>;

} // namespace tambrel
