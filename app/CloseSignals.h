#pragma once
// SIGTERM, SIGINT and SIGHUP (the desktop session ending) become close
// requests on the event loop: the handler only writes a byte to a pipe,
// which a socket notifier reads on the user-interface thread.

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

private:
    std::function<void()> onClose_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace tambrel
