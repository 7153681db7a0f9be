#pragma once
// A TimerHost on a clock that only moves when told to. Due ticks fire in time
// order (ties in the order they were started); a tick handler may start, stop,
// create and destroy timers, including its own.

#include <map>
#include <vector>

#include "common/TimerHost.h"

namespace tambrel {

class VirtualClock : public TimerHost {
public:
    TimerId Create(std::function<void()> onTick) override;
    void Start(TimerId id, std::int64_t intervalMs) override;
    void Stop(TimerId id) override;
    void Destroy(TimerId id) override;
    std::int64_t NowMs() const override { return now_; }

    // Moves the clock to t (never backwards), firing every tick due up to and including t.
    void AdvanceTo(std::int64_t t);
    void AdvanceBy(std::int64_t ms) { AdvanceTo(now_ + ms); }
    // Time passes while the thread is busy elsewhere (a blocked window):
    // nothing fires now; ticks due meanwhile fire late, at the next AdvanceTo.
    void Stall(std::int64_t ms) { now_ += ms > 0 ? ms : 0; }
    // The time of the next due tick, or -1 when no timer runs.
    std::int64_t NextDue() const;
    // Timers created and not destroyed.
    int Count() const { return static_cast<int>(timers_.size()); }
    bool Running(TimerId id) const;

private:
    struct Timer {
        std::function<void()> onTick;
        bool running = false;
        std::int64_t interval = 0;
        std::int64_t due = 0;
        std::uint64_t order = 0; // start order, to break ties
    };
    std::map<TimerId, Timer> timers_;
    TimerId nextId_ = 1;
    std::int64_t now_ = 0;
    std::uint64_t starts_ = 0;
};

} // namespace tambrel
