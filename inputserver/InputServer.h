#pragma once
// The server's one object: the device table, its three operations
// (detect, acquire, unacquire) and the wake-up that turns buffered changes
// into PlayThisKey events. It talks to the program only through the socket
// it was given; it writes no file and no log.

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "input/InputProtocol.h"
#include "inputserver/Backend.h"

namespace tambrel::server {

// Items one read may take from a device in one wake-up.
inline constexpr int kBufferItems = 10;

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
    bool Send(FrameType type, const std::string& body);
    bool SendBytes(const std::string& bytes);
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
};

} // namespace tambrel::server
