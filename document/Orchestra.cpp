#include "document/Orchestra.h"

namespace tambrel {

bool Orchestra::ValidKey(std::int32_t p, std::int32_t b, std::int32_t k) const {
    if (!ValidSet(p)) return false;
    const PlayBoard& pb = Set(p);
    if (b < 1 || b > pb.BodNos()) return false;
    return k >= 1 && k <= pb.Bd(b).KeyNos();
}

KeyAssign* Orchestra::FindKey(std::int32_t p, std::int32_t b, std::int32_t k) {
    return ValidKey(p, b, k) ? &Set(p).Bd(b).Key(k) : nullptr;
}

} // namespace tambrel
