#pragma once
// The OSC device: a UDP socket bound where the settings say (127.0.0.1:9000
// unless told otherwise) whose messages press the keys of one device "OSC"
// with 128 keys. The socket is the server's own and is read in the server's
// loop, a bounded number of datagrams per turn: a flood delays nothing else
// and grows nothing. Messages are decoded by liblo; bundles are opened here
// and their time tags ignored, so nothing waits in a queue of liblo's.
//
//   /tambrel/key    i        presses key i
//   /tambrel/key/N           presses key N
//   /tambrel/key/N  number   presses key N when the number is not zero
//
// Anything else (other addresses, keys outside 1..128, damaged packets) is
// counted and ignored.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "inputserver/Backend.h"

namespace tambrel::server {

inline constexpr int kOscKeys = 128;
inline constexpr std::string_view kOscDeviceName = "OSC";
inline constexpr int kOscDefaultPort = 9000;
inline constexpr std::string_view kOscDefaultAddress = "127.0.0.1";
// Changes an OSC device buffers while the program does not read them;
// beyond this the rest are lost, as a device's full buffer loses them.
inline constexpr std::size_t kOscQueuedPresses = 1024;
// Datagrams read per turn of the server's loop.
inline constexpr int kOscPacketsPerTurn = 256;

struct OscConfig {
    std::string address{kOscDefaultAddress}; // an IPv4 or IPv6 address (brackets allowed)
    int port = kOscDefaultPort;              // below 0: the address holds text that named no port
};

// The key a message presses, 1..128; 0 when it presses nothing. data/size
// is one OSC packet's message (not a bundle).
int OscKeyOfMessage(const char* data, std::size_t size);

class OscService : public Backend {
public:
    // Never throws: a socket that cannot be opened leaves the device listed
    // and not ready, and a note for the status panel says why.
    explicit OscService(OscConfig config);
    ~OscService() override;
    OscService(const OscService&) = delete;
    OscService& operator=(const OscService&) = delete;

    std::vector<std::unique_ptr<BackendDevice>> Enumerate() override;
    void WatchFds(std::vector<int>& out) const override;
    int Service() override;
    std::vector<std::string> TakeNotes() override;

    // Handles one datagram as if it had arrived (tests, the benchmark).
    void Packet(const char* data, std::size_t size);
    bool Listening() const { return fd_ >= 0; }
    // The port bound (the one asked for, or the one chosen for port 0).
    int Port() const { return boundPort_; }
    std::int64_t Ignored() const { return ignored_; }

    struct State; // shared with the device made from it

private:
    void Bundle(const char* data, std::size_t size, int depth);

    int fd_ = -1;
    int boundPort_ = 0;
    std::int64_t ignored_ = 0;
    std::vector<std::string> notes_;
    std::shared_ptr<State> state_;
};

} // namespace tambrel::server
