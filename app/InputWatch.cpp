#include "app/InputWatch.h"

namespace tambrel {

InputSystem::LinkFactory WatchedInputLink(std::unique_ptr<QSocketNotifier>& slot, InputServerOptions options) {
    return [&slot, options]() -> std::unique_ptr<InputServerLink> {
        auto bridge = std::make_unique<LocInputDx7Class>(options);
        if (bridge->EventFd() < 0) return bridge;
        LocInputDx7Class* b = bridge.get();
        slot = std::make_unique<QSocketNotifier>(b->EventFd(), QSocketNotifier::Read);
        QObject::connect(slot.get(), &QSocketNotifier::activated, [b] { b->ProcessEvents(); });
        // The channel closes when its server is lost, often from inside this
        // very notifier's signal: it stops watching at once and is deleted
        // once the signal has returned.
        QSocketNotifier* mine = slot.get();
        b->ChannelClosing = [&slot, mine] {
            if (slot.get() != mine) return;
            slot->setEnabled(false);
            slot.release()->deleteLater();
        };
        return bridge;
    };
}

} // namespace tambrel
