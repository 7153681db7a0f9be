#pragma once
// SIGTERM, SIGINT and SIGHUP (the desktop session ending) become close
// requests on the event loop: the handler only writes a byte to a pipe,
// which a socket notifier reads on the user-interface thread. Modal dialogs
// keep the event loop running, so a request gets through while one is open.

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace tambrel {

class CloseSignals : public QObject {
    Q_OBJECT
public:
    explicit CloseSignals(std::function<void()> onClose, QObject* parent = nullptr);
    ~CloseSignals() override;

    // Once the work a signal asked for is done: whatever the rest of the
    // shutdown does, the process ends with `status` after `seconds` at most.
    static void EndWithin(unsigned seconds, int status);

private:
    std::function<void()> onClose_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace tambrel
