#include "app/CloseSignals.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tambrel {

namespace {
int g_pipe[2] = {-1, -1};

volatile sig_atomic_t g_endStatus = 0;

extern "C" void OnCloseSignal(int) {
    const char c = 1;
    // Async-signal-safe; a full pipe already holds a request.
    [[maybe_unused]] ssize_t n = write(g_pipe[1], &c, 1);
}

extern "C" void OnEndAlarm(int) { _exit(g_endStatus); }
} // namespace

void CloseSignals::EndWithin(unsigned seconds, int status) {
    g_endStatus = status;
    struct sigaction sa {};
    sa.sa_handler = OnEndAlarm;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGALRM, &sa, nullptr);
    alarm(seconds);
}

CloseSignals::CloseSignals(std::function<void()> onClose, QObject* parent)
    : QObject(parent), onClose_(std::move(onClose)) {
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char buf[64];
        while (read(g_pipe[0], buf, sizeof buf) > 0) {
        }
        if (onClose_) onClose_();
    });
    struct sigaction sa {};
    sa.sa_handler = OnCloseSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}

CloseSignals::~CloseSignals() {
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
    notifier_.reset();
    for (int& fd : g_pipe)
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
}

} // namespace tambrel
