#pragma once
// The core's millisecond timers on Qt's event loop: precise timers whose
// ticks arrive on the user-interface thread between other events.

#include <QObject>
#include <QTimer>

#include <map>
#include <memory>

#include "common/TimerHost.h"

namespace tambrel {

class QtTimerHost final : public TimerHost {
public:
    QtTimerHost();
    ~QtTimerHost() override;

    TimerId Create(std::function<void()> onTick) override;
    void Start(TimerId id, std::int64_t intervalMs) override;
    void Stop(TimerId id) override;
    void Destroy(TimerId id) override;
    std::int64_t NowMs() const override;

private:
    std::map<TimerId, QTimer*> timers_;
    TimerId next_ = 1;
};

} // namespace tambrel
