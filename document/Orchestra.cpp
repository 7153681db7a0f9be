#include "document/Orchestra.h"

namespace tambrel {

bool Orchestra::ValidKey(const KeyAddress& a) const {
    if (!ValidSet(a.playBoard)) return false;
    const PlayBoard& pb = Set(a.playBoard.value);
    const std::int32_t b = a.subBoard.value, k = a.key.value;
    if (b < 1 || b > pb.BodNos()) return false;
    return k >= 1 && k <= pb.Bd(b).KeyNos();
}

KeyAssign* Orchestra::FindKey(const KeyAddress& a) {
    return ValidKey(a) ? &Set(a.playBoard.value).Bd(a.subBoard.value).Key(a.key.value) : nullptr;
}

const KeyAssign* Orchestra::FindKey(const KeyAddress& a) const {
    return ValidKey(a) ? &Set(a.playBoard.value).Bd(a.subBoard.value).Key(a.key.value) : nullptr;
}

} // namespace tambrel
