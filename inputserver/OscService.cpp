#include "inputserver/OscService.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <lo/lo.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

#include "inputserver/PressQueue.h"

namespace tambrel::server {

struct OscService::State {
    bool ready = false;
    PressQueue presses{kOscQueuedPresses};
};

namespace {

constexpr std::string_view kKeyAddress = "/tambrel/key";
// Bundles inside bundles deeper than this are taken as an attack.
constexpr int kMaxBundleDepth = 8;

// A key number from text: decimal digits only, 1..128.
int KeyFromText(std::string_view t) {
    if (t.empty() || t.size() > 3) return 0;
    int v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return 0;
        v = v * 10 + (c - '0');
    }
    return v >= 1 && v <= kOscKeys ? v : 0;
}

// The number an argument carries; false when it is no number. Booleans
// count as 1 and 0, as button surfaces send them.
bool Number(char type, const lo_arg* a, double& out) {
    switch (type) {
    case LO_INT32: out = a->i; return true;
    case LO_INT64: out = static_cast<double>(a->h); return true;
    case LO_FLOAT: out = a->f; return true;
    case LO_DOUBLE: out = a->d; return true;
    case LO_TRUE: out = 1; return true;
    case LO_FALSE: out = 0; return true;
    default: return false;
    }
}

class OscDevice : public BackendDevice {
public:
    explicit OscDevice(std::shared_ptr<OscService::State> s) : s_(std::move(s)) {
        name = std::string(kOscDeviceName);
        for (int k = 1; k <= kOscKeys; ++k) keyNames.push_back("OSC " + std::to_string(k));
        ready = s_->ready;
    }
    ~OscDevice() override { Unacquire(); }
    bool Acquire(std::string& error) override {
        if (!s_->ready) {
            error = "The OSC device is not listening";
            return false;
        }
        s_->presses.Acquire();
        return true;
    }
    void Unacquire() override { s_->presses.Release(); }
    ReadResult Read(Item* items, int max) override { return s_->presses.Read(items, max); }
    bool Pending() override { return s_->presses.Pending(); }
    void WatchFds(std::vector<int>&) const override {}

private:
    std::shared_ptr<OscService::State> s_;
};

} // namespace

int OscKeyOfMessage(const char* data, std::size_t size) {
    // The address is the packet's first string; liblo checks the rest.
    const void* nul = std::memchr(data, '\0', size);
    if (!nul) return 0;
    const std::string_view path(data, static_cast<std::size_t>(static_cast<const char*>(nul) - data));
    if (path.substr(0, kKeyAddress.size()) != kKeyAddress) return 0;
    const std::string_view tail = path.substr(kKeyAddress.size());
    if (!tail.empty() && tail.front() != '/') return 0; // "/tambrel/keyboard"

    int result = 0;
    // liblo wants a writable buffer; it copies what it keeps.
    std::string copy(data, size);
    lo_message m = lo_message_deserialise(copy.data(), copy.size(), &result);
    if (!m) return 0;
    const int argc = lo_message_get_argc(m);
    const char* types = lo_message_get_types(m);
    lo_arg** argv = lo_message_get_argv(m);
    int key = 0;
    double v = 0;
    if (tail.empty()) {
        // One integral number: the key.
        if (argc == 1 && types && Number(types[0], argv[0], v) && std::isfinite(v) && v == std::floor(v) && v >= 1 &&
            v <= kOscKeys)
            key = static_cast<int>(v);
    } else {
        key = KeyFromText(tail.substr(1));
        // A button's release (0) presses nothing; anything but one number
        // or none is not ours.
        if (argc > 1 || (argc == 1 && (!types || !Number(types[0], argv[0], v) || v == 0 || std::isnan(v)))) key = 0;
    }
    lo_message_free(m);
    return key;
}

namespace {
// An IPv4 or IPv6 address (the latter bare or in brackets) as a socket
// address; false for anything else, names included: the server resolves
// nothing, so a setting never waits on a name server.
bool SocketAddress(const std::string& text, int port, sockaddr_storage& out, socklen_t& len, bool& loopback) {
    out = {};
    if (port < 0 || port > 65535) return false;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&out);
    if (inet_pton(AF_INET, text.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
        len = sizeof *v4;
        loopback = (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
        return true;
    }
    std::string bare = text;
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']') bare = bare.substr(1, bare.size() - 2);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&out);
    if (inet_pton(AF_INET6, bare.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        len = sizeof *v6;
        const in6_addr& a = v6->sin6_addr;
        loopback = IN6_IS_ADDR_LOOPBACK(&a) || (IN6_IS_ADDR_V4MAPPED(&a) && a.s6_addr[12] == 127);
        return true;
    }
    return false;
}

int BoundPort(int fd) {
    sockaddr_storage bound{};
    socklen_t len = sizeof bound;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len) != 0) return -1;
    if (bound.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
}
} // namespace

OscService::OscService(OscConfig config) : state_(std::make_shared<State>()) {
    const std::string where = config.port < 0 ? config.address : config.address + ":" + std::to_string(config.port);
    sockaddr_storage addr{};
    socklen_t addrLen = 0;
    bool loopback = false;
    if (!SocketAddress(config.address, config.port, addr, addrLen, loopback)) {
        notes_.push_back("OSC cannot listen on " + where + ": not an IPv4 or IPv6 address and port");
        return;
    }
    const int fd = socket(addr.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        notes_.push_back("OSC cannot listen on " + where + ": " + std::strerror(errno));
        return;
    }
    if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), addrLen) != 0) {
        const int e = errno;
        close(fd);
        if (e == EADDRINUSE)
            notes_.push_back("OSC port " + std::to_string(config.port) +
                             " is already in use by another program: the OSC device is not ready");
        else notes_.push_back("OSC cannot listen on " + where + ": " + std::strerror(e));
        return;
    }
    boundPort_ = BoundPort(fd);
    fd_ = fd;
    state_->ready = true;
    // Anyone who can reach this machine can play it then.
    if (!loopback) {
        const bool v6 = addr.ss_family == AF_INET6 && config.address.front() != '[';
        notes_.push_back("OSC open on the network: " + (v6 ? "[" + config.address + "]" : config.address) + ":" +
                         std::to_string(boundPort_));
    }
}

OscService::~OscService() {
    if (fd_ >= 0) close(fd_);
}

std::vector<std::unique_ptr<BackendDevice>> OscService::Enumerate() {
    std::vector<std::unique_ptr<BackendDevice>> out;
    out.push_back(std::make_unique<OscDevice>(state_));
    return out;
}

void OscService::WatchFds(std::vector<int>& out) const {
    if (fd_ >= 0) out.push_back(fd_);
}

std::vector<std::string> OscService::TakeNotes() { return std::exchange(notes_, {}); }

int OscService::Service() {
    if (fd_ < 0) return -1;
    // The largest datagram UDP carries; anything longer is cut by the kernel
    // and then fails to decode.
    static char buf[65536];
    for (int i = 0; i < kOscPacketsPerTurn; ++i) {
        const ssize_t n = recv(fd_, buf, sizeof buf, MSG_DONTWAIT | MSG_TRUNC);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1; // EAGAIN: all read
        }
        if (static_cast<std::size_t>(n) > sizeof buf) {
            ++ignored_;
            continue;
        }
        Packet(buf, static_cast<std::size_t>(n));
    }
    return 0; // more may wait: come back at once
}

void OscService::Packet(const char* data, std::size_t size) {
    if (size >= 8 && std::memcmp(data, "#bundle", 8) == 0) return Bundle(data, size, 0);
    const int key = OscKeyOfMessage(data, size);
    if (key == 0) {
        ++ignored_;
        return;
    }
    state_->presses.Push({key, 1});
}

void OscService::Bundle(const char* data, std::size_t size, int depth) {
    // "#bundle", a time tag, then elements of a big-endian size and that
    // many bytes. Time tags are ignored: a press is played when it arrives.
    if (depth >= kMaxBundleDepth || size < 16) {
        ++ignored_;
        return;
    }
    std::size_t pos = 16;
    while (pos + 4 <= size) {
        std::uint32_t len = 0;
        std::memcpy(&len, data + pos, 4);
        len = ntohl(len);
        pos += 4;
        if (len == 0 || len > size - pos) {
            ++ignored_;
            return;
        }
        const char* element = data + pos;
        if (len >= 8 && std::memcmp(element, "#bundle", 8) == 0) Bundle(element, len, depth + 1);
        else Packet(element, len);
        pos += len;
    }
}

} // namespace tambrel::server
