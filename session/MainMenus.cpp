#include "session/MainMenus.h"

#include "document/BoardOps.h"

namespace tambrel {

namespace {

// "None" first, then one item per caption; the template shows disabled in
// an empty list when emptyDisables, else it stays an enabled, shown "None".
MenuItems WithTemplate(const std::vector<std::string>& captions, bool emptyDisables) {
    MenuItems items{MenuItem{kNoneItem}};
    for (const std::string& c : captions) items.push_back({c});
    if (items.size() > 1) items[0].Visible = false;
    else if (emptyDisables) items[0].Enabled = false;
    return items;
}

} // namespace

MenuItems SetActiveMenu(const Orchestra& orc) { return WithTemplate(SetActiveMenuItems(orc), false); }

MenuItems BoardMenu(const Orchestra& orc) { return WithTemplate(BoardMenuItems(orc), true); }

MenuItems DeviceMenu(const ProgramState& st) {
    std::vector<std::string> names;
    for (const InputDevice& d : st.InputDevices) names.push_back(d.Name);
    return WithTemplate(names, true);
}

} // namespace tambrel
