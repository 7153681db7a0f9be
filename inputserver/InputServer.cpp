#include "inputserver/InputServer.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace tambrel::server {

InputServer::InputServer(int socketFd, Backend& backend) : sock_(socketFd), backend_(backend) {}

InputServer::~InputServer() {
    ReleaseDevices();
    if (epoll_ >= 0) close(epoll_);
}

bool InputServer::Send(FrameType type, const std::string& body) { return SendBytes(EncodeFrame(type, body)); }

bool InputServer::SendBytes(const std::string& frame) {
    std::size_t done = 0;
    while (done < frame.size()) {
        // Blocking on purpose: a program that reads slowly slows the server
        // down, and the kernel's own device buffers take up the slack.
        const ssize_t n = send(sock_, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            closing_ = true; // the program is gone
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool InputServer::ReadSocket() {
    char buf[4096];
    for (;;) {
        const ssize_t n = recv(sock_, buf, sizeof buf, MSG_DONTWAIT);
        if (n == 0) return false;
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            return false;
        }
        reader_.Append(buf, static_cast<std::size_t>(n));
    }
    Frame f;
    for (;;) {
        const auto r = reader_.Next(f);
        if (r == FrameReader::Result::Broken) return false;
        if (r == FrameReader::Result::NeedMore) break;
        HandleFrame(f);
        if (closing_) return false;
    }
    return true;
}

void InputServer::HandleFrame(const Frame& f) {
    // Script lines written before this request must count, even when they
    // arrived after the last look at the script.
    backend_.Service();
    switch (f.type) {
    case FrameType::Detect: Detect(); break;
    case FrameType::Acquire: Acquire(); break;
    case FrameType::Unacquire: Unacquire(); break;
    default: break; // unknown requests are ignored
    }
}

void InputServer::ReleaseDevices() {
    for (std::size_t i = 0; i < devices_.size(); ++i)
        if (acquired_[i]) devices_[i]->Unacquire();
    acquired_.assign(devices_.size(), false);
    SyncWatches(); // before the descriptors close, so none is left registered
    devices_.clear();
    acquired_.clear();
}

void InputServer::Detect() {
    ReleaseDevices();
    std::vector<std::int32_t> reply;
    try {
        devices_ = backend_.Enumerate();
        acquired_.assign(devices_.size(), false);
        std::vector<DetectedDevice> list;
        list.reserve(devices_.size());
        for (const auto& d : devices_) {
            if (d->noPermission)
                Send(FrameType::DeviceNotice,
                     BodyWriter().I32(static_cast<std::int32_t>(DeviceNoticeKind::NoPermission)).Str(d->name).Bytes());
            list.push_back({d->name, d->ready, d->keyNames});
        }
        reply = EncodeDetectionReply(list);
    } catch (const std::exception& e) {
        devices_.clear();
        acquired_.clear();
        Send(FrameType::Message, BodyWriter().Str(e.what()).Str("Error Detecting Input Devices").Bytes());
        reply = DetectionErrorReply();
    }
    Send(FrameType::DetectReply, DetectReplyBody(reply));
}

void InputServer::Acquire() {
    std::int32_t failed = 0;
    std::string error;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        // A device that could not be set up has nothing to read; it must not
        // keep the devices after it silent.
        if (!devices_[i]->ready || acquired_[i]) continue;
        if (!devices_[i]->Acquire(error)) {
            failed = static_cast<std::int32_t>(i + 1);
            break; // the devices after the failing one stay off
        }
        acquired_[i] = true;
    }
    SyncWatches();
    Send(FrameType::AcquireReply, BodyWriter().I32(failed).Str(error).Bytes());
}

void InputServer::Unacquire() {
    for (std::size_t i = 0; i < devices_.size(); ++i)
        if (acquired_[i]) {
            devices_[i]->Unacquire();
            acquired_[i] = false;
        }
    SyncWatches();
    Send(FrameType::UnacquireReply, BodyWriter().I32(0).Str("").Bytes());
}

bool InputServer::AnyPending() {
    for (std::size_t i = 0; i < devices_.size(); ++i)
        if (acquired_[i] && devices_[i]->Pending()) return true;
    return false;
}

void InputServer::Wake() {
    Item items[kBufferItems];
    // The events of one wake-up leave in one write, in order.
    std::string out;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        if (!acquired_[i]) continue;
        const ReadResult r = devices_[i]->Read(items, kBufferItems);
        // Any other failure abandons this wake-up; the next one tries again.
        if (r.status == ReadStatus::Error) break;
        // An overflow counts as a full buffer: what the read returned is
        // reported, the changes the service lost are gone. Slots the read
        // did not fill hold nothing, never an earlier device's items.
        const int n = r.count < 0 ? 0 : (r.count > kBufferItems ? kBufferItems : r.count);
        for (int k = 0; k < n; ++k)
            if (items[k].data != 0)
                out += EncodeFrame(FrameType::PlayThisKey,
                                   BodyWriter().I32(items[k].keyNo).I32(static_cast<std::int32_t>(i + 1)).Bytes());
    }
    if (!out.empty()) SendBytes(out);
}

void InputServer::SyncWatches() {
    if (epoll_ < 0) return;
    std::vector<int> want{sock_};
    backend_.WatchFds(want);
    for (std::size_t i = 0; i < devices_.size(); ++i)
        if (acquired_[i]) devices_[i]->WatchFds(want);
    const std::set<int> wanted(want.begin(), want.end());
    for (auto it = watched_.begin(); it != watched_.end();) {
        if (!wanted.count(*it)) {
            epoll_ctl(epoll_, EPOLL_CTL_DEL, *it, nullptr);
            it = watched_.erase(it);
        } else {
            ++it;
        }
    }
    for (int fd : wanted) {
        if (watched_.count(fd)) continue;
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = fd;
        if (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev) == 0) watched_.insert(fd);
    }
}

int InputServer::Run() {
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    if (epoll_ < 0) return 1;
    if (!Send(FrameType::Hello, BodyWriter().U32(kInputProtocolVersion).Bytes())) return 0;
    SyncWatches();
    for (;;) {
        backend_.Service();
        if (!ReadSocket() || closing_) return 0;
        // Again: a request may have released script lines that waited for it.
        const int serviceWait = backend_.Service();
        bool more = false;
        if (AnyPending()) {
            Wake();
            if (closing_) return 0;
            more = AnyPending();
        }
        SyncWatches();
        epoll_event events[16];
        const int n = epoll_wait(epoll_, events, 16, more ? 0 : serviceWait);
        if (n < 0 && errno != EINTR) return 1;
        // Readiness itself needs no handling here: the loop looks at the
        // script, the socket and every device each time round.
    }
}

} // namespace tambrel::server
