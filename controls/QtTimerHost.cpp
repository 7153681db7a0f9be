#include "controls/QtTimerHost.h"

#include <algorithm>
#include <chrono>
#include <climits>

namespace tambrel {

QtTimerHost::QtTimerHost() = default;

QtTimerHost::~QtTimerHost() {
    for (auto& [id, t] : timers_) delete t;
}

TimerHost::TimerId QtTimerHost::Create(std::function<void()> onTick) {
    auto* t = new QTimer;
    t->setTimerType(Qt::PreciseTimer);
    QObject::connect(t, &QTimer::timeout, t, std::move(onTick));
    const TimerId id = next_++;
    timers_[id] = t;
    return id;
}

void QtTimerHost::Start(TimerId id, std::int64_t intervalMs) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->start(static_cast<int>(std::clamp<std::int64_t>(intervalMs, 1, INT_MAX)));
}

void QtTimerHost::Stop(TimerId id) {
    if (auto it = timers_.find(id); it != timers_.end()) it->second->stop();
}

void QtTimerHost::Destroy(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    // A timer may be destroyed from its own tick: let the tick finish first.
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

std::int64_t QtTimerHost::NowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace tambrel
