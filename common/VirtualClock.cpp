#include "common/VirtualClock.h"

#include <algorithm>

namespace tambrel {

TimerHost::TimerId VirtualClock::Create(std::function<void()> onTick) {
    const TimerId id = nextId_++;
    timers_[id].onTick = std::move(onTick);
    return id;
}

void VirtualClock::Start(TimerId id, std::int64_t intervalMs) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    Timer& t = it->second;
    t.running = true;
    t.interval = std::max<std::int64_t>(intervalMs, 1);
    t.due = now_ + t.interval;
    t.order = ++starts_;
}

void VirtualClock::Stop(TimerId id) {
    if (auto it = timers_.find(id); it != timers_.end()) it->second.running = false;
}

void VirtualClock::Destroy(TimerId id) { timers_.erase(id); }

bool VirtualClock::Running(TimerId id) const {
    auto it = timers_.find(id);
    return it != timers_.end() && it->second.running;
}

std::int64_t VirtualClock::NextDue() const {
    std::int64_t best = -1;
    for (const auto& [id, t] : timers_)
        if (t.running && (best < 0 || t.due < best)) best = t.due;
    return best;
}

void VirtualClock::AdvanceTo(std::int64_t target) {
    for (;;) {
        TimerId next = 0;
        const Timer* best = nullptr;
        for (const auto& [id, t] : timers_)
            if (t.running && t.due <= target &&
                (!best || t.due < best->due || (t.due == best->due && t.order < best->order)))
                best = &t, next = id;
        if (!best) break;
        now_ = std::max(now_, best->due);
        Timer& t = timers_[next];
        // Re-armed before the handler runs, as a periodic timer is; a handler
        // that starts or stops the timer overrides this.
        t.due = now_ + t.interval;
        t.order = ++starts_;
        auto onTick = t.onTick; // the handler may destroy its own timer
        onTick();
    }
    now_ = std::max(now_, target);
}

} // namespace tambrel
