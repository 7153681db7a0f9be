#include "document/NewOrchestra.h"

#include "common/NumberText.h"

namespace tambrel {

SubBoard NewSubBoard(const ProgramState& st, std::int32_t d, std::string name) {
    const InputDevice& dev = *st.Device(d);
    SubBoard sb;
    sb.BodNam = std::move(name);
    sb.InpDev = dev.Name;
    sb.InpDevNo = d;
    sb.Keys.assign(static_cast<std::size_t>(dev.KeyCount > 0 ? dev.KeyCount : 0), NewKeyAssign());
    return sb;
}

Orchestra NewOrchestra(const ProgramState& st) {
    Orchestra o;
    for (const char* name : {"Mike", "Jim", "Joe"}) {
        PlayBoard pb;
        pb.SetNam = name;
        for (std::int32_t d = 1; d <= st.DeviceCount(); ++d)
            pb.Bds.push_back(NewSubBoard(st, d, st.Device(d)->Name + "-" + IntText(d)));
        o.PlayBoards.push_back(std::move(pb));
    }
    o.CurSet = 3;
    Recording first;
    first.Name = "First Recording";
    o.Recordings.push_back(std::move(first));
    o.CurRec = 1;
    o.OpenMsg = " ";
    return o;
}

} // namespace tambrel
