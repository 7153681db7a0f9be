// Input latency: from a change entering the input-device server to its
// PlayThisKey handler in the program, through the real server process on
// its scripted device service and the real bridge.
//
//   input_latency [EVENTS]      (default 10000; the server is looked for
//                                beside this program or in $TAMBREL_INPUT_SERVER)
//
// Each change is stamped when it is written into the script pipe the server
// reads; the handler stamps its arrival. Three runs: one change at a time,
// bursts of ten on one device (the most one wake-up reads), and bursts of
// ten on each of two devices. Prints percentiles and how many were lost.
// A fourth run presses the OSC device: each press is stamped just before its
// UDP datagram is sent to the server's socket on the loopback.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <vector>

#include "input/LocInputDx7Class.h"
#include "tests/OscDatagrams.h"

using namespace tambrel;
using tambrel::test::FreeUdpPort;
using tambrel::test::LoopbackPort;
using tambrel::test::OscAddressOnly;
using Clock = std::chrono::steady_clock;

namespace {

// A FIFO the server opens by name: it inherits no descriptor of ours.
struct Pipe {
    std::string path;
    int write = -1;
    Pipe() {
        const char* t = std::getenv("TMPDIR");
        std::string dir = std::string(t && *t ? t : "/tmp") + "/tambrel-latency-XXXXXX";
        if (!mkdtemp(dir.data())) std::exit(1);
        path = dir + "/script";
        // Read and write, so opening waits for nobody and keeps what is written early.
        if (mkfifo(path.c_str(), 0600) != 0 || (write = open(path.c_str(), O_RDWR | O_CLOEXEC)) < 0) std::exit(1);
    }
    ~Pipe() {
        close(write);
        unlink(path.c_str());
        rmdir(path.substr(0, path.rfind('/')).c_str());
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void Put(const std::string& s) const {
        if (::write(write, s.data(), s.size()) != static_cast<ssize_t>(s.size())) std::exit(1);
    }
};

struct Result {
    std::vector<double> us;
    long sent = 0, received = 0;
};

// Every press the server sends: its time since sentAt into r, and counted.
struct Arrivals : InputServerEvents {
    Result& r;
    Clock::time_point& sentAt;
    long& arrived;
    Arrivals(Result& result, Clock::time_point& sent, long& count) : r(result), sentAt(sent), arrived(count) {}
    void PlayThisKey(std::int32_t, std::int32_t) override {
        r.us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - sentAt).count());
        ++arrived;
    }
};

void Report(const char* name, Result& r) {
    std::sort(r.us.begin(), r.us.end());
    auto pct = [&](double p) {
        if (r.us.empty()) return 0.0;
        const std::size_t i = std::min(r.us.size() - 1, static_cast<std::size_t>(p * static_cast<double>(r.us.size())));
        return r.us[i];
    };
    std::printf("%-28s sent %6ld  received %6ld  lost %ld   p50 %7.1f us  p99 %7.1f us  p99.9 %7.1f us  max %8.1f us\n",
                name, r.sent, r.received, r.sent - r.received, pct(0.5), pct(0.99), pct(0.999),
                r.us.empty() ? 0.0 : r.us.back());
}

// Sends `events` changes in groups of `burst` per device over `devices`
// devices, waiting for each group to arrive before the next.
Result RunCase(int events, int burst, int devices) {
    Pipe pipe;
    std::string script;
    for (int d = 1; d <= devices; ++d) script += "device Pad " + std::to_string(d) + "\nkeys 16 B\n";
    pipe.Put(script);
    LocInputDx7Class bridge(InputServerOptions{{}, {"--virtual", pipe.path}, 5000});
    if (!bridge.HasServer()) {
        std::fprintf(stderr, "input_latency: the input-device server could not be started\n");
        std::exit(1);
    }
    std::vector<std::int32_t> reply;
    bridge.DxDetectDiDevices(0, reply);
    bridge.DxDeviceAcquire();

    Result r;
    Clock::time_point sentAt;
    long arrived = 0;
    Arrivals arrivals(r, sentAt, arrived);
    bridge.SetEvents(&arrivals);
    const int group = burst * devices;
    for (int sent = 0; sent < events; sent += group) {
        std::string lines;
        for (int d = 1; d <= devices; ++d)
            for (int i = 0; i < burst; ++i)
                lines += "event " + std::to_string(d) + " " + std::to_string(1 + (sent + i) % 16) + " 1\n";
        arrived = 0;
        sentAt = Clock::now();
        pipe.Put(lines);
        r.sent += group;
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (arrived < group && Clock::now() < deadline) bridge.WaitForEvents(100);
        r.received += arrived;
    }
    return r;
}

// OSC press to handler: "/tambrel/key/N" datagrams, one at a time.
Result RunOsc(int events) {
    Pipe pipe; // no scripted device: the OSC device is the only one
    const int port = FreeUdpPort();
    LocInputDx7Class bridge(
        InputServerOptions{{}, {"--virtual", pipe.path, "--osc", "127.0.0.1:" + std::to_string(port)}, 5000});
    std::vector<std::int32_t> reply;
    if (!bridge.HasServer() || !bridge.DxDetectDiDevices(0, reply) || reply.size() < 2 || reply[1] != 1 ||
        !bridge.DxDeviceAcquire()) {
        std::fprintf(stderr, "input_latency: the server offers no OSC device listening on port %d\n", port);
        std::exit(1);
    }
    Result r;
    Clock::time_point sentAt;
    long arrived = 0;
    Arrivals arrivals(r, sentAt, arrived);
    bridge.SetEvents(&arrivals);
    // One socket for the whole run, so that only the datagram is timed.
    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in to = LoopbackPort(port);
    std::vector<std::string> messages;
    for (int k = 1; k <= 16; ++k) messages.push_back(OscAddressOnly("/tambrel/key/" + std::to_string(k)));
    for (int i = 0; i < events; ++i) {
        const std::string& m = messages[static_cast<std::size_t>(i % 16)];
        arrived = 0;
        sentAt = Clock::now();
        sendto(sock, m.data(), m.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        ++r.sent;
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (arrived < 1 && Clock::now() < deadline) bridge.WaitForEvents(100);
        r.received += arrived;
    }
    close(sock);
    return r;
}

} // namespace

int main(int argc, char** argv) {
    const int events = argc > 1 ? std::max(10, std::atoi(argv[1])) : 10000;
    std::printf("input_latency: %d changes per run, server %s\n", events,
                LocInputDx7Class::DefaultServerPath().c_str());
    Result one = RunCase(events, 1, 1);
    Report("one at a time", one);
    Result ten = RunCase(events, 10, 1);
    Report("bursts of 10, one device", ten);
    Result twenty = RunCase(events, 10, 2);
    Report("bursts of 10 on 2 devices", twenty);
    Result osc = RunOsc(events);
    Report("OSC press, one at a time", osc);
    return 0;
}
