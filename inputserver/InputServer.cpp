#include "inputserver/InputServer.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace tambrel::server {

InputServer::InputServer(int socketFd, Backend& backend) : sock_(socketFd), backend_(backend) {}

InputServer::~InputServer() {
    ReleaseDevices();
    if (epoll_ >= 0) close(epoll_);
}

void InputServer::Send(FrameType type, const std::string& body) {
    std::string frame = EncodeFrame(type, body);
    queuedAnswerBytes_ += frame.size();
    out_.push_back({Out::Kind::Answer, std::move(frame), 0});
    Flush();
}

void InputServer::QueuePress(std::string frame) {
    // A program that stops reading must not stop the server: it keeps
    // reading its devices, and the program later gets the newest presses.
    if (queuedPresses_ >= kMaxQueuedPresses) DropOldestPress();
    ++queuedPresses_;
    out_.push_back({Out::Kind::Press, std::move(frame), 0});
}

void InputServer::DropOldestPress() {
    // A frame partly sent must go out whole.
    std::size_t i = frontSent_ > 0 ? 1 : 0;
    while (i < out_.size() && out_[i].kind != Out::Kind::Press) ++i;
    if (i == out_.size()) return;
    ++dropped_;
    --queuedPresses_;
    const bool lostBefore = i > 0 && out_[i - 1].kind == Out::Kind::Lost && !(i - 1 == 0 && frontSent_ > 0);
    if (lostBefore && out_[i - 1].lost < INT32_MAX) {
        ++out_[i - 1].lost;
        out_.erase(out_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
        out_[i] = {Out::Kind::Lost, {}, 1};
    }
}

bool InputServer::Flush() {
    while (!out_.empty()) {
        // Gather the front frames into one write.
        iovec iov[64];
        int n = 0;
        for (std::size_t i = 0; i < out_.size() && n < 64; ++i) {
            Out& o = out_[i];
            if (o.kind == Out::Kind::Lost && (i > 0 || frontSent_ == 0))
                o.bytes = EncodeFrame(FrameType::Overflow, BodyWriter().I32(o.lost).Bytes());
            const std::size_t skip = i == 0 ? frontSent_ : 0;
            iov[n].iov_base = o.bytes.data() + skip;
            iov[n].iov_len = o.bytes.size() - skip;
            ++n;
        }
        msghdr msg{};
        msg.msg_iov = iov;
        msg.msg_iovlen = static_cast<std::size_t>(n);
        ssize_t sent = sendmsg(sock_, &msg, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return true; // the program is not reading now
            closing_ = true;                                          // the program is gone
            return false;
        }
        while (sent > 0) {
            Out& o = out_.front();
            const std::size_t left = o.bytes.size() - frontSent_;
            if (static_cast<std::size_t>(sent) < left) {
                frontSent_ += static_cast<std::size_t>(sent);
                break;
            }
            sent -= static_cast<ssize_t>(left);
            if (o.kind == Out::Kind::Press) --queuedPresses_;
            if (o.kind == Out::Kind::Answer) queuedAnswerBytes_ -= o.bytes.size();
            out_.pop_front();
            frontSent_ = 0;
        }
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
    case FrameType::Ping: Send(FrameType::Pong, {}); break;
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
                Send(FrameType::DeviceNotice, BodyWriter()
                                                  .I32(static_cast<std::int32_t>(DeviceNoticeKind::NoPermission))
                                                  .Str(d->name)
                                                  .Str(d->nodeGroup)
                                                  .Bytes());
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
    // Stamped when read, so the program can tell a press it could not take
    // at once (its window was blocked) from a fresh one.
    const std::uint64_t readAt = MonotonicMicros();
    // The events of one wake-up leave in one write, in order, as far as
    // the program takes them.
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
                QueuePress(EncodeFrame(FrameType::PlayThisKey,
                                       PlayThisKeyBody(items[k].keyNo, static_cast<std::int32_t>(i + 1), readAt)));
    }
    Flush();
}

void InputServer::SyncWatches() {
    if (epoll_ < 0) return;
    // The socket: requests unless too many answers wait unread, and room to
    // write while anything waits to be sent.
    std::uint32_t sockWant =
        (queuedAnswerBytes_ < kMaxQueuedAnswerBytes ? EPOLLIN : 0u) | (out_.empty() ? 0u : EPOLLOUT);
    if (sockWant != sockEvents_) {
        epoll_event ev{};
        ev.events = sockWant;
        ev.data.fd = sock_;
        if (epoll_ctl(epoll_, sockWatched_ ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, sock_, &ev) == 0) {
            sockEvents_ = sockWant;
            sockWatched_ = true;
        }
    }
    std::vector<int> want;
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
    Send(FrameType::Hello, BodyWriter().U32(kInputProtocolVersion).Bytes());
    if (closing_) return 0;
    SyncWatches();
    for (;;) {
        backend_.Service();
        // Told once per change; the program detects again when it can.
        if (backend_.TakeChanged()) Send(FrameType::DevicesChanged, {});
        for (const std::string& note : backend_.TakeNotes()) Send(FrameType::Note, BodyWriter().Str(note).Bytes());
        if (!Flush()) return 0;
        // Requests wait while too many answers lie unread (a program that
        // sends and never reads); the socket's end is seen when writing.
        if (queuedAnswerBytes_ < kMaxQueuedAnswerBytes && (!ReadSocket() || closing_)) return 0;
        // Again: a request may have released script lines that waited for it.
        const int serviceWait = backend_.Service();
        if (backend_.TakeChanged()) Send(FrameType::DevicesChanged, {});
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
