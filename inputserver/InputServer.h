#pragma once
// The server's one object: the device table, its three operations
// (detect, acquire, unacquire) and the wake-up that turns buffered changes
// into PlayThisKey events. It talks to the program only through the socket
// it was given; it writes no file and no log.

#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "input/InputProtocol.h"
#include "inputserver/Backend.h"

namespace tambrel::server {

// Items one read may take from a device in one wake-up.
inline constexpr int kBufferItems = 10;
// Presses waiting for a program that does not read; beyond this the oldest
// are dropped and the program is told how many it lost.
inline constexpr std::size_t kMaxQueuedPresses = 4096;
// Answers waiting to be read; beyond this no more requests are taken.
inline constexpr std::size_t kMaxQueuedAnswerBytes = 1u << 20;

class InputServer {
public:
    InputServer(int socketFd, Backend& backend);
    ~InputServer();
    InputServer(const InputServer&) = delete;
    InputServer& operator=(const InputServer&) = delete;

    // Serves until the program closes the socket; the process exit status.
    int Run();

private:
    void HandleFrame(const Frame& f);
    void Detect();
    void Acquire();
    void Unacquire();
    void ReleaseDevices();
    // One wake-up: read every acquired device once, in device order.
    void Wake();
    bool AnyPending();
    void SyncWatches();
    // Queues a frame and sends what the socket takes now; never waits.
    void Send(FrameType type, const std::string& body);
    void QueuePress(std::string frame);
    void DropOldestPress();
    // Sends from the front of the queue until the socket would block;
    // false (and closing_) when the program is gone.
    bool Flush();
    // Reads what the socket holds; false when it closed.
    bool ReadSocket();

    int sock_;
    Backend& backend_;
    int epoll_ = -1;
    std::set<int> watched_;
    FrameReader reader_;
    std::vector<std::unique_ptr<BackendDevice>> devices_;
    std::vector<bool> acquired_;
    bool closing_ = false;

    // What waits to be sent, in order. A Lost item stands where presses were
    // dropped and is sent as one Overflow frame with their number.
    struct Out {
        enum class Kind { Press, Answer, Lost } kind;
        std::string bytes;
        std::int32_t lost = 0;
    };
    std::deque<Out> out_;
    std::size_t frontSent_ = 0; // bytes of out_.front() already sent
    std::size_t queuedPresses_ = 0;
    std::size_t queuedAnswerBytes_ = 0;
    std::uint32_t sockEvents_ = 0; // what the socket is watched for now
    bool sockWatched_ = false;

public:
    // Presses dropped so far because the program did not read them.
    std::int64_t Dropped() const { return dropped_; }

private:
    std::int64_t dropped_ = 0;
};

} // namespace tambrel::server
