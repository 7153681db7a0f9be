#include "input/RestartBackoff.h"

#include <algorithm>

namespace tambrel {

std::int64_t RestartBackoff::NextWaitMs(std::int64_t nowMs) {
    if (upSince_ >= 0 && nowMs - upSince_ >= kSettledMs) tries_ = 0;
    upSince_ = -1;
    const auto i = static_cast<std::size_t>(std::min<int>(tries_, static_cast<int>(kWaitsMs.size()) - 1));
    ++tries_;
    return kWaitsMs[i];
}

} // namespace tambrel
