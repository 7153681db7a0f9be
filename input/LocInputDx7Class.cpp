#include "input/LocInputDx7Class.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace tambrel {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left);
}

// waitpid that gives up after timeoutMs; true when the child was reaped (or
// was never ours to reap).
bool WaitFor(pid_t pid, int timeoutMs, int& status) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return true;
        if (r < 0 && errno != EINTR) {
            status = -1; // reaped elsewhere (SIGCHLD ignored)
            return true;
        }
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Servers killed that had not ended yet when the bridge stopped waiting
// (a process stuck in the kernel ends only when its call returns). They are
// reaped later, without waiting, so no start or loss blocks the window on one.
std::vector<pid_t>& Stragglers() {
    static std::vector<pid_t> pids;
    return pids;
}

void ReapStragglers() {
    auto& pids = Stragglers();
    for (std::size_t i = 0; i < pids.size();) {
        int status = 0;
        const pid_t r = waitpid(pids[i], &status, WNOHANG);
        if (r == pids[i] || (r < 0 && errno != EINTR)) pids.erase(pids.begin() + static_cast<std::ptrdiff_t>(i));
        else ++i;
    }
}

// Kills pid and reaps it if it ends within a moment; otherwise later.
void KillAndReap(pid_t pid) {
    kill(pid, SIGKILL);
    int status = 0;
    if (!WaitFor(pid, 100, status)) Stragglers().push_back(pid);
}

} // namespace

std::string LocInputDx7Class::DefaultServerPath() {
    if (const char* env = std::getenv("TAMBREL_INPUT_SERVER"); env && *env) return env;
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string exe = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
    const std::size_t slash = exe.rfind('/');
    return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/TambrelOrchestraDll";
}

LocInputDx7Class::LocInputDx7Class(InputServerOptions options) : options_(std::move(options)) {
    if (options_.serverPath.empty()) options_.serverPath = DefaultServerPath();
    // The whole program can run on recordings of real devices (tests, bug
    // reports): TAMBREL_EVEMU=FILE:FILE... plays them instead of this
    // machine's devices.
    if (const char* env = std::getenv("TAMBREL_EVEMU"); env && *env) {
        const std::string files = env;
        for (std::size_t b = 0; b <= files.size();) {
            const std::size_t e = std::min(files.find(':', b), files.size());
            if (e > b) {
                options_.serverArgs.push_back("--evemu");
                options_.serverArgs.push_back(files.substr(b, e - b));
            }
            b = e + 1;
        }
    }
    // One more attempt when the first start fails.
    for (attempts_ = 1; attempts_ <= 2; ++attempts_)
        if (CreateInputServer()) return;
    attempts_ = 2;
}

LocInputDx7Class::~LocInputDx7Class() { Release(); }

bool LocInputDx7Class::CreateInputServer() {
    ReapStragglers();
    reader_ = FrameReader();
    pending_.clear();
    pingOutstanding_ = false;
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) return false;
    // The server's end becomes its descriptor 3. Moved above 3 first, since
    // duplicating a descriptor onto itself would keep close-on-exec set.
    const int childEnd = fcntl(sv[1], F_DUPFD_CLOEXEC, 10);
    close(sv[1]);
    if (childEnd < 0) {
        close(sv[0]);
        return false;
    }

    std::vector<std::string> args{options_.serverPath, "--fd", "3", "--parent", std::to_string(getpid())};
    args.insert(args.end(), options_.serverArgs.begin(), options_.serverArgs.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&fa);
    // The server starts with its channel and nothing else of ours: no
    // input, no output, and every other descriptor closed, inheritable or
    // not. Only error messages go where ours go.
    posix_spawn_file_actions_adddup2(&fa, childEnd, 3);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&fa, 4);
    posix_spawnattr_init(&attr);
    // A clean signal state, whatever the program blocks or ignores.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGHUP);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, options_.serverPath.c_str(), &fa, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    close(childEnd);
    if (rc != 0) {
        close(sv[0]);
        return false;
    }
    sock_ = sv[0];
    pid_ = pid;

    // The object exists once the server says hello in our protocol.
    Frame hello;
    std::uint32_t version = 0;
    if (!AwaitReply(FrameType::Hello, hello, options_.startTimeoutMs) || !BodyReader(hello.body).U32(version) ||
        version != kInputProtocolVersion) {
        Disconnect();
        return false;
    }
    up_ = true;
    return true;
}

void LocInputDx7Class::CloseChannel() {
    if (sock_ < 0) return;
    if (ChannelClosing) ChannelClosing();
    close(sock_);
    sock_ = -1;
}

void LocInputDx7Class::Disconnect(bool unanswered) {
    CloseChannel();
    // Whether it ended, broke the protocol or hangs, it is of no use: a
    // hanging one might never read the end of its socket.
    if (pid_ > 0) KillAndReap(pid_);
    pid_ = -1;
    pingOutstanding_ = false;
    if (up_) {
        up_ = false;
        if (events_) events_->ServerLost(unanswered);
    }
}

int LocInputDx7Class::Release() {
    up_ = false; // ending it on purpose is no loss
    CloseChannel();
    int status = -1;
    // A working server ends as soon as it reads the end of its socket.
    if (pid_ > 0 && !WaitFor(pid_, 1000, status)) {
        kill(pid_, SIGKILL);
        if (!WaitFor(pid_, 1000, status)) Stragglers().push_back(pid_);
    }
    pid_ = -1;
    pending_.clear();
    ReapStragglers();
    return status;
}

bool LocInputDx7Class::Send(FrameType type, const std::string& body) {
    if (sock_ < 0) return false;
    const std::string frame = EncodeFrame(type, body);
    std::size_t done = 0;
    while (done < frame.size()) {
        const ssize_t n = send(sock_, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            Disconnect();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool LocInputDx7Class::Receive(int timeoutMs) {
    if (sock_ < 0) return false;
    pollfd p{sock_, POLLIN, 0};
    int r;
    do r = poll(&p, 1, timeoutMs);
    while (r < 0 && errno == EINTR);
    if (r <= 0) return r == 0;
    char buf[65536];
    for (;;) {
        const ssize_t n = recv(sock_, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) {
            reader_.Append(buf, static_cast<std::size_t>(n));
            if (static_cast<std::size_t>(n) < sizeof buf) return true;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        Disconnect(); // the server ended or the socket broke
        return false;
    }
}

bool LocInputDx7Class::AwaitReply(FrameType want, Frame& reply, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Frame f;
        FrameReader::Result r;
        while ((r = reader_.Next(f)) == FrameReader::Result::GotFrame) {
            if (f.type == want) {
                reply = std::move(f);
                return true;
            }
            pending_.push_back(std::move(f));
        }
        if (r == FrameReader::Result::Broken) {
            Disconnect();
            return false;
        }
        const int left = MsLeft(deadline);
        if (sock_ < 0) return false;
        if (left == 0) {
            // An answer that comes later would be taken for the answer to
            // the next request: a server this late is not used again.
            Disconnect(true);
            return false;
        }
        if (!Receive(left) && sock_ < 0) {
            // Gone; whatever it sent before ending may still hold the answer.
            while (reader_.Next(f) == FrameReader::Result::GotFrame) {
                if (f.type == want) {
                    reply = std::move(f);
                    return true;
                }
                pending_.push_back(std::move(f));
            }
            return false;
        }
    }
}

bool LocInputDx7Class::Handle(const Frame& f) {
    BodyReader r(f.body);
    switch (f.type) {
    case FrameType::PlayThisKey: {
        std::int32_t key = 0, device = 0;
        std::uint64_t readAt = 0;
        if (!ParsePlayThisKeyBody(f.body, key, device, readAt)) return false;
        // Its age from when the server read it: presses that waited while
        // the window was blocked would otherwise all fire at once.
        const std::uint64_t now = MonotonicMicros();
        if (options_.latePressMs > 0 && now > readAt &&
            now - readAt > static_cast<std::uint64_t>(options_.latePressMs) * 1000u) {
            ++late_;
            if (events_) events_->LatePress();
            return true;
        }
        if (events_) events_->PlayThisKey(key, device);
        return true;
    }
    case FrameType::Pong: pingOutstanding_ = false; return false;
    case FrameType::Message: {
        std::string text, title;
        if (r.Str(text) && r.Str(title) && events_) events_->ServerMessage(text, title);
        return false;
    }
    case FrameType::Overflow: {
        std::int32_t count = 0;
        if (r.I32(count) && count > 0) lost_ += count;
        return false;
    }
    case FrameType::DeviceNotice: {
        std::int32_t kind = 0;
        std::string name, group;
        if (r.I32(kind) && r.Str(name) && kind == static_cast<std::int32_t>(DeviceNoticeKind::NoPermission)) {
            NoPermission.push_back(name);
            if (r.Str(group) && !group.empty() && NoPermissionGroup.empty()) NoPermissionGroup = group;
        }
        return false;
    }
    case FrameType::DevicesChanged:
        if (events_) events_->DevicesChanged();
        return false;
    case FrameType::Note: {
        std::string text;
        if (r.Str(text) && events_) events_->ServerNote(text);
        return false;
    }
    default: return false; // stray answers and unknown frames carry nothing to do
    }
}

int LocInputDx7Class::DeliverPending() {
    if (inCall_) return 0; // a handler's own request: its caller delivers afterwards
    int events = 0;
    while (!pending_.empty()) {
        const Frame f = std::move(pending_.front());
        pending_.pop_front();
        if (Handle(f)) ++events;
    }
    Frame f;
    FrameReader::Result r;
    while ((r = reader_.Next(f)) == FrameReader::Result::GotFrame)
        if (Handle(f)) ++events;
    if (r == FrameReader::Result::Broken) Disconnect();
    return events;
}

bool LocInputDx7Class::Call(FrameType request, const std::string& body, FrameType answer, Frame& reply) {
    if (sock_ < 0 || inCall_) return false;
    inCall_ = true;
    const bool ok = Send(request, body) && AwaitReply(answer, reply, options_.replyTimeoutMs);
    inCall_ = false;
    DeliverPending();
    return ok;
}

bool LocInputDx7Class::DxDetectDiDevices(std::int32_t hwndNo, std::vector<std::int32_t>& kbData) {
    NoPermission.clear();
    NoPermissionGroup.clear();
    kbData = DetectionErrorReply();
    Frame reply;
    if (!Call(FrameType::Detect, BodyWriter().I32(hwndNo).Bytes(), FrameType::DetectReply, reply)) return false;
    if (!ParseDetectReplyBody(reply.body, kbData)) {
        kbData = DetectionErrorReply();
        return false;
    }
    return true;
}

bool LocInputDx7Class::DxDeviceAcquire() {
    Frame reply;
    std::int32_t failed = -1;
    return Call(FrameType::Acquire, {}, FrameType::AcquireReply, reply) && BodyReader(reply.body).I32(failed) &&
           failed == 0;
}

bool LocInputDx7Class::DxDeviceUnAcquire() {
    Frame reply;
    std::int32_t failed = -1;
    return Call(FrameType::Unacquire, {}, FrameType::UnacquireReply, reply) && BodyReader(reply.body).I32(failed) &&
           failed == 0;
}

bool LocInputDx7Class::Heartbeat() {
    if (sock_ < 0) return false;
    // A request waits for its answer under its own time limit.
    if (inCall_) return true;
    // The answer may lie unread: the window may just have been blocked.
    ProcessEvents();
    if (sock_ < 0) return false;
    if (pingOutstanding_) {
        Disconnect(true);
        return false;
    }
    if (!Send(FrameType::Ping, {})) return false;
    pingOutstanding_ = true;
    return true;
}

void LocInputDx7Class::ProcessEvents() {
    if (sock_ >= 0) Receive(0);
    DeliverPending();
}

int LocInputDx7Class::WaitForEvents(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int events = DeliverPending();
    while (events == 0 && sock_ >= 0) {
        const int left = MsLeft(deadline);
        if (!Receive(left)) break;
        events += DeliverPending();
        if (left == 0) break;
    }
    if (events == 0) events = DeliverPending(); // what came with the end of the server
    return events;
}

} // namespace tambrel
