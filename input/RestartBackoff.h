#pragma once
// When to start the input server again after it was lost: at once, then
// after growing waits, then three times a minute at most, so a server that
// keeps dying costs neither the processor nor the status panel anything. A
// server that stayed up a minute earns a quick restart again. The caller
// brings the clock.

#include <array>
#include <cstdint>

namespace tambrel {

class RestartBackoff {
public:
    // Waits before the first, second, ... start of a run; the last repeats.
    static constexpr std::array<std::int64_t, 4> kWaitsMs{0, 1000, 5000, 20000};
    // Up this long, a server that is lost starts a new run.
    static constexpr std::int64_t kSettledMs = 60000;

    // The wait before the next start, which it counts as made.
    std::int64_t NextWaitMs(std::int64_t nowMs);
    // A started server answers, from nowMs on.
    void Up(std::int64_t nowMs) { upSince_ = nowMs; }
    // Starts counted in this run.
    int Tries() const { return tries_; }

private:
    int tries_ = 0;
    std::int64_t upSince_ = -1;
};

} // namespace tambrel
