#include "session/MainMenus.h"

namespace tambrel {

MenuItems SetActiveMenu(const Orchestra& orc) {
    MenuItems items{MenuItem{kNoneItem}};
    for (const PlayBoard& pb : orc.PlayBoards) items.push_back({pb.SetNam});
    if (orc.SetNos() >= 1) items[0].Visible = false;
    return items;
}

MenuItems BoardMenu(const Orchestra& orc) {
    MenuItems items{MenuItem{kNoneItem}};
    if (orc.ValidSet(orc.CurSet)) {
        const PlayBoard& pb = orc.Set(orc.CurSet);
        for (const SubBoard& sb : pb.Bds) items.push_back({pb.SetNam + ": " + sb.BodNam});
    }
    if (items.size() == 1) items[0].Enabled = false;
    else items[0].Visible = false;
    return items;
}

MenuItems DeviceMenu(const ProgramState& st) {
    MenuItems items{MenuItem{kNoneItem}};
    for (const InputDevice& d : st.InputDevices) items.push_back({d.Name});
    if (items.size() == 1) items[0].Enabled = false;
    else items[0].Visible = false;
    return items;
}

} // namespace tambrel
