#include "document/DeviceBinding.h"

namespace tambrel {

void BindSubBoardToDevice(const ProgramState& st, SubBoard& sb) {
    if (sb.InpDev == "Keyboard") sb.InpDev = st.KeyboardName;
    else if (sb.InpDev == "Mouse") sb.InpDev = st.MouseName;
    sb.InpDevNo = 0;
    for (std::int32_t d = 1; d <= st.DeviceCount() && !sb.InpDevNo; ++d)
        if (st.Device(d)->Name == sb.InpDev) sb.InpDevNo = d;
}

bool RebindSubBoards(ProgramState& st) {
    bool changed = false;
    for (PlayBoard& pb : st.Orc.PlayBoards) {
        for (SubBoard& sb : pb.Bds) {
            const std::int32_t before = sb.InpDevNo;
            BindSubBoardToDevice(st, sb);
            changed = changed || sb.InpDevNo != before;
            const InputDevice* dev = st.Device(sb.InpDevNo);
            if (dev && dev->KeyCount > sb.KeyNos()) {
                sb.Keys.resize(static_cast<std::size_t>(dev->KeyCount));
                changed = true;
            }
        }
    }
    return changed;
}

} // namespace tambrel
