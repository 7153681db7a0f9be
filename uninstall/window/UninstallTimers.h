#pragma once
// The uninstaller's timers on Qt's event loop (it waits for the removal with
// them). Kept apart from the main program's so TbUninst stands on its own.

#include <QTimer>

#include <map>

#include "common/TimerHost.h"

namespace tambrel {

class UninstallTimers final : public TimerHost {
public:
    ~UninstallTimers() override;
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
