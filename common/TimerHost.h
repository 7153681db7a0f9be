#pragma once
// Millisecond timers delivered on the owning (user-interface) thread, with the
// behaviour of window timers: once started, a timer ticks every interval until
// it is stopped; starting it again restarts the countdown with the new interval.
// The app backs this with Qt timers; tests and the offline renderer use
// VirtualClock, so every timing rule runs deterministically without sleeping.

#include <cstdint>
#include <functional>

namespace tambrel {

class TimerHost {
public:
    using TimerId = int;

    virtual ~TimerHost() = default;
    // A stopped timer whose ticks call onTick.
    virtual TimerId Create(std::function<void()> onTick) = 0;
    // (Re)starts the countdown: the first tick comes intervalMs (at least 1) from now.
    virtual void Start(TimerId id, std::int64_t intervalMs) = 0;
    virtual void Stop(TimerId id) = 0;
    virtual void Destroy(TimerId id) = 0;
    // Milliseconds on a monotonic clock.
    virtual std::int64_t NowMs() const = 0;
};

} // namespace tambrel
