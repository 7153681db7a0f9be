// The OSC device: which messages press which key, what a hostile sender
// cannot do to the server, and the real server listening on a real UDP
// socket, fed by liblo, by liblo's oscsend and by raw datagrams.

#include <gtest/gtest.h>

#ifdef TAMBREL_HAVE_LIBLO

#include <arpa/inet.h>
#include <lo/lo.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "input/InputProtocol.h"
#include "input/LocInputDx7Class.h"
#include "inputserver/OscService.h"
#include "tests/OscDatagrams.h"
#include "tests/RealServerRig.h"
#include "tests/ScriptPipe.h"
#include "tests/ServerPath.h"

namespace tambrel::test {
namespace {

using namespace tambrel::server;
using Clock = std::chrono::steady_clock;

// A message as liblo writes it. types: i int, f float, T true, s string.
std::string Message(const std::string& path, const std::string& types = "", double value = 0) {
    lo_message m = lo_message_new();
    for (char t : types) {
        switch (t) {
        case 'i': lo_message_add_int32(m, static_cast<std::int32_t>(value)); break;
        case 'h': lo_message_add_int64(m, static_cast<std::int64_t>(value)); break;
        case 'f': lo_message_add_float(m, static_cast<float>(value)); break;
        case 'd': lo_message_add_double(m, value); break;
        case 'T': lo_message_add_true(m); break;
        case 'F': lo_message_add_false(m); break;
        case 's': lo_message_add_string(m, "x"); break;
        default: break;
        }
    }
    std::size_t size = 0;
    void* bytes = lo_message_serialise(m, path.c_str(), nullptr, &size);
    std::string out(static_cast<const char*>(bytes), size);
    std::free(bytes);
    lo_message_free(m);
    return out;
}

std::string BigEndian(std::uint32_t v) {
    const std::uint32_t be = htonl(v);
    return std::string(reinterpret_cast<const char*>(&be), 4);
}

std::string Bundle(const std::vector<std::string>& elements) {
    std::string b("#bundle\0", 8);
    b += std::string(8, '\0'); // time tag
    for (const std::string& e : elements) b += BigEndian(static_cast<std::uint32_t>(e.size())) + e;
    return b;
}

// Whether this machine has the IPv6 loopback (a container may not).
bool Ipv6Loopback() {
    const int fd = socket(AF_INET6, SOCK_DGRAM, 0);
    if (fd < 0) return false;
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_loopback;
    const bool ok = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

TEST(OscKeys, WhichMessagesPressWhichKey) {
    struct Row {
        std::string path, types;
        double value;
        int key;
    };
    const Row rows[] = {
        {"/tambrel/key", "i", 5, 5},
        {"/tambrel/key", "i", 128, 128},
        {"/tambrel/key", "i", 1, 1},
        {"/tambrel/key", "i", 0, 0},
        {"/tambrel/key", "i", 129, 0},
        {"/tambrel/key", "i", -3, 0},
        {"/tambrel/key", "h", 7, 7},
        {"/tambrel/key", "f", 9, 9},
        {"/tambrel/key", "f", 9.5, 0},
        {"/tambrel/key", "", 0, 0},
        {"/tambrel/key", "ii", 3, 0},
        {"/tambrel/key", "s", 0, 0},
        {"/tambrel/key/12", "", 0, 12},
        {"/tambrel/key/12", "i", 1, 12},
        {"/tambrel/key/12", "f", 0.5, 12},
        {"/tambrel/key/12", "T", 0, 12},
        {"/tambrel/key/12", "i", 0, 0},
        {"/tambrel/key/12", "f", 0, 0},
        {"/tambrel/key/12", "F", 0, 0},
        {"/tambrel/key/12", "s", 0, 0},
        {"/tambrel/key/12", "ii", 1, 0},
        {"/tambrel/key/0", "", 0, 0},
        {"/tambrel/key/129", "", 0, 0},
        {"/tambrel/key/-1", "", 0, 0},
        {"/tambrel/key/+5", "", 0, 0},
        {"/tambrel/key/5x", "", 0, 0},
        {"/tambrel/key/0005", "", 0, 0},
        {"/tambrel/key/", "", 0, 0},
        {"/tambrel/keyboard", "i", 5, 0},
        {"/tambrel/key/5/6", "", 0, 0},
        {"/tambrel/Key/5", "", 0, 0},
        {"/other", "i", 5, 0},
        {"/tambrel/key/99999999999", "", 0, 0},
    };
    for (const Row& r : rows) {
        const std::string m = Message(r.path, r.types, r.value);
        EXPECT_EQ(OscKeyOfMessage(m.data(), m.size()), r.key) << r.path << " " << r.types << " " << r.value;
    }
}

// Acquires the device of s and reads everything it buffered.
struct Reader {
    std::unique_ptr<BackendDevice> device;
    explicit Reader(OscService& s) {
        auto list = s.Enumerate();
        device = std::move(list.at(0));
        std::string error;
        EXPECT_TRUE(device->Acquire(error)) << error;
    }
    std::vector<int> Keys(bool* overflow = nullptr) {
        std::vector<int> keys;
        Item items[10];
        for (;;) {
            const ReadResult r = device->Read(items, 10);
            for (int i = 0; i < r.count; ++i) keys.push_back(items[i].keyNo);
            if (r.status == ReadStatus::Overflow && overflow) *overflow = true;
            if (r.count == 0 && !device->Pending()) return keys;
        }
    }
};

TEST(OscHostile, DamagedPacketsAreCountedAndIgnoredAndGoodOnesStillPlay) {
    OscService s({"127.0.0.1", 0});
    ASSERT_TRUE(s.Listening());
    Reader reader(s);
    const std::string good = Message("/tambrel/key", "i", 7);
    // Every cut of a good message, and of a bundle around it.
    for (std::size_t n = 0; n < good.size(); ++n) s.Packet(good.data(), n);
    const std::string bundle = Bundle({good});
    for (std::size_t n = 0; n < bundle.size(); ++n) s.Packet(bundle.data(), n);
    // Random bytes, some starting like a message or a bundle.
    std::mt19937 rng(23);
    for (int i = 0; i < 3000; ++i) {
        std::string junk(rng() % 200, '\0');
        for (char& c : junk) c = static_cast<char>(rng());
        if (i % 3 == 1) junk = "/tambrel/key\0\0\0\0,i" + junk;
        if (i % 3 == 2) junk = std::string("#bundle\0", 8) + junk;
        s.Packet(junk.data(), junk.size());
    }
    // A type tag promising more arguments than the packet holds, a length
    // that runs past the end of a bundle, bundles nested beyond reason.
    const std::string lying = std::string("/tambrel/key\0\0\0\0,iiiiiiii\0\0\0", 28) + BigEndian(5);
    s.Packet(lying.data(), lying.size());
    const std::string overlong = Bundle({good}) + BigEndian(0x7FFFFFFF) + "abcd";
    s.Packet(overlong.data(), overlong.size());
    std::string deep = good;
    for (int d = 0; d < 40; ++d) deep = Bundle({deep});
    s.Packet(deep.data(), deep.size());
    EXPECT_GT(s.Ignored(), 3000);
    const std::vector<int> keys = reader.Keys();
    for (int k : keys) EXPECT_TRUE(k >= 1 && k <= kOscKeys) << k;

    // After all that, a bundle of two presses and a plain one play in order.
    const std::string two = Bundle({Message("/tambrel/key/3"), Bundle({Message("/tambrel/key", "i", 4)})});
    s.Packet(two.data(), two.size());
    s.Packet(good.data(), good.size());
    EXPECT_EQ(reader.Keys(), (std::vector<int>{3, 4, 7}));
}

TEST(OscHostile, AFloodNobodyReadsStaysWithinTheBoundAndIsToldAsAnOverflow) {
    OscService s({"127.0.0.1", 0});
    Reader reader(s);
    const std::string m = Message("/tambrel/key/9");
    for (int i = 0; i < 10000; ++i) s.Packet(m.data(), m.size());
    bool overflow = false;
    const std::vector<int> keys = reader.Keys(&overflow);
    EXPECT_EQ(keys.size(), kOscQueuedPresses);
    EXPECT_TRUE(overflow);
    // Presses while the device is off are not kept for later.
    reader.device->Unacquire();
    for (int i = 0; i < 100; ++i) s.Packet(m.data(), m.size());
    std::string error;
    ASSERT_TRUE(reader.device->Acquire(error));
    EXPECT_TRUE(reader.Keys().empty());
}

TEST(OscSocket, ListeningOnIpv6TakesItsDatagramsAndOnAnyAddressIpv4OnesToo) {
    if (!Ipv6Loopback()) GTEST_SKIP() << "this machine has no IPv6 loopback";
    // liblo as Debian builds it sends over IPv4 only: raw datagrams here.
    auto send = [](int port, const std::string& bytes) {
        const int fd = socket(AF_INET6, SOCK_DGRAM, 0);
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_port = htons(static_cast<std::uint16_t>(port));
        a.sin6_addr = in6addr_loopback;
        const ssize_t sent = sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
        close(fd);
        return sent;
    };
    OscService loop({"::1", 0});
    ASSERT_TRUE(loop.Listening());
    Reader fromLoop(loop);
    ASSERT_GT(send(loop.Port(), Message("/tambrel/key/21")), 0);
    loop.Service();
    EXPECT_EQ(fromLoop.Keys(), (std::vector<int>{21}));

    // "::" takes IPv4 senders as well, unless the machine keeps the two apart.
    OscService any({"::", 0});
    ASSERT_TRUE(any.Listening());
    Reader fromAny(any);
    ASSERT_GT(send(any.Port(), Message("/tambrel/key/5")), 0);
    any.Service();
    EXPECT_EQ(fromAny.Keys(), (std::vector<int>{5}));
    std::ifstream v6only("/proc/sys/net/ipv6/bindv6only");
    int apart = 0;
    if (v6only >> apart && apart == 0) {
        SendUdp(any.Port(), Message("/tambrel/key/6"));
        any.Service();
        EXPECT_EQ(fromAny.Keys(), (std::vector<int>{6}));
    }
}

TEST(OscSocket, APortTakenLeavesTheDeviceNotReadyAndSaysWhichPort) {
    const int taker = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(taker, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    getsockname(taker, reinterpret_cast<sockaddr*>(&a), &len);
    const int port = ntohs(a.sin_port);

    OscService s({"127.0.0.1", port});
    EXPECT_FALSE(s.Listening());
    auto devices = s.Enumerate();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0]->name, "OSC");
    EXPECT_FALSE(devices[0]->ready);
    const std::vector<std::string> notes = s.TakeNotes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("port " + std::to_string(port) + " is already in use"), std::string::npos) << notes[0];
    EXPECT_TRUE(s.TakeNotes().empty()) << "said once";
    close(taker);
}

TEST(OscSocket, WhatIsSaidAboutWhereItListens) {
    struct Row {
        std::string address;
        bool listening;
        std::string note; // "" none; "PORT" stands for the port bound
    };
    const Row rows[] = {
        {"127.0.0.1", true, ""},
        {"0.0.0.0", true, "OSC open on the network: 0.0.0.0:PORT"},
        {"localhost", false, "OSC cannot listen on localhost:0: not an IPv4 or IPv6 address and port"},
        {"300.1.1.1", false, "OSC cannot listen on 300.1.1.1:0: not an IPv4 or IPv6 address and port"},
        {"::1", true, ""},
        {"[::1]", true, ""},
        {"::ffff:127.0.0.1", true, ""},
        {"::", true, "OSC open on the network: [::]:PORT"},
        {"[::]", true, "OSC open on the network: [::]:PORT"},
        {"[::1", false, "OSC cannot listen on [::1:0: not an IPv4 or IPv6 address and port"},
        {"fe80::zz", false, "OSC cannot listen on fe80::zz:0: not an IPv4 or IPv6 address and port"},
    };
    const bool v6 = Ipv6Loopback();
    for (const Row& r : rows) {
        if (!v6 && r.listening && r.address.find(':') != std::string::npos) continue;
        OscService s({r.address, 0});
        EXPECT_EQ(s.Listening(), r.listening) << r.address;
        const std::vector<std::string> notes = s.TakeNotes();
        std::string want = r.note;
        if (const auto p = want.find("PORT"); p != std::string::npos) want.replace(p, 4, std::to_string(s.Port()));
        EXPECT_EQ(notes, want.empty() ? std::vector<std::string>{} : std::vector<std::string>{want}) << r.address;
        auto devices = s.Enumerate();
        EXPECT_EQ(devices.at(0)->keyNames.front(), "OSC 1");
        EXPECT_EQ(devices.at(0)->keyNames.back(), "OSC 128");
    }
}

// The real server with the OSC device after a scripted keyboard.
struct ServerRig : RealServerRig {
    int port;
    std::vector<std::string> notes;

    ServerRig() : ServerRig(FreeUdpPort()) {}
    explicit ServerRig(int p) : RealServerRig("keyboard\n", {"--osc", "127.0.0.1:" + std::to_string(p)}), port(p) {}
    void ServerNote(std::string_view text) override { notes.emplace_back(text); }
};

TEST(OscServer, TheDeviceIsListedAfterTheMachinesOwnAndPlaysWhatLibloAndOscsendSend) {
    ServerRig rig;
    const auto devices = rig.Detect();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[1].name, "OSC");
    EXPECT_TRUE(devices[1].ready);
    ASSERT_EQ(devices[1].keyNames.size(), 128u);
    EXPECT_EQ(devices[1].keyNames[41], "OSC 42");
    ASSERT_TRUE(rig.bridge.DxDeviceAcquire());

    lo_address to = lo_address_new("127.0.0.1", std::to_string(rig.port).c_str());
    lo_send(to, "/tambrel/key", "i", 42);
    lo_send(to, "/tambrel/key/7", "f", 0.0f); // a button let go: nothing
    lo_send(to, "/tambrel/key/7", "");
    lo_address_free(to);
    rig.WaitFor(2);
    EXPECT_EQ(rig.presses, (std::vector<std::pair<int, int>>{{2, 42}, {2, 7}}));

    if (std::system("command -v oscsend >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "oscsend (Debian liblo-tools) is not installed";
    }
    const std::string cmd = "oscsend localhost " + std::to_string(rig.port) + " /tambrel/key/128";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    rig.WaitFor(3);
    ASSERT_EQ(rig.presses.size(), 3u);
    EXPECT_EQ(rig.presses[2], (std::pair<int, int>{2, 128}));
    EXPECT_TRUE(rig.notes.empty()) << "nothing to say about the loopback";
}

TEST(OscServer, HostileDatagramsAndAFloodLeaveTheServerAnsweringAndPlaying) {
    ServerRig rig;
    rig.Detect();
    ASSERT_TRUE(rig.bridge.DxDeviceAcquire());
    // Damaged, unknown, out of range, oversized.
    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) {
        std::string junk(rng() % 300, '\0');
        for (char& c : junk) c = static_cast<char>(rng());
        SendUdp(rig.port, junk);
    }
    SendUdp(rig.port, Message("/tambrel/key", "i", 0));
    SendUdp(rig.port, Message("/tambrel/key", "i", 129));
    SendUdp(rig.port, Message("/tambrel/key/1000"));
    SendUdp(rig.port, Message("/nothing/here", "i", 3));
    SendUdp(rig.port, std::string(60000, 'x'));
    SendUdp(rig.port, "/tambrel/key/5" + std::string(60000, '\0'));
    // 10 000 presses as fast as this process can send them.
    const std::string press = Message("/tambrel/key/9");
    for (int i = 0; i < 10000; ++i) SendUdp(rig.port, press);
    rig.WaitFor(10000, 1500);
    for (const auto& p : rig.presses) EXPECT_EQ(p, (std::pair<int, int>{2, 9}));
    EXPECT_GT(rig.presses.size(), 0u);
    EXPECT_LE(rig.presses.size(), 10000u);
    // Still the server it was: it answers and plays.
    EXPECT_EQ(rig.Detect().size(), 2u);
    ASSERT_TRUE(rig.bridge.DxDeviceAcquire());
    rig.presses.clear();
    SendUdp(rig.port, Message("/tambrel/key", "i", 11));
    rig.WaitFor(1);
    EXPECT_EQ(rig.presses, (std::vector<std::pair<int, int>>{{2, 11}}));
}

TEST(OscServer, APortTakenIsToldAndEveryOtherDeviceStillPlays) {
    ServerRig first;
    first.Detect();
    // A second server told the same port as the first one's.
    ScriptPipe pipe("keyboard\nwait-acquire\nevent 1 30 1\n");
    struct Told : InputServerEvents {
        std::vector<std::pair<int, int>> presses;
        std::vector<std::string> notes;
        void PlayThisKey(std::int32_t k, std::int32_t d) override { presses.emplace_back(d, k); }
        void ServerNote(std::string_view text) override { notes.emplace_back(text); }
    } told;
    LocInputDx7Class bridge(InputServerOptions{
        ServerPath(), {"--virtual", pipe.Path(), "--osc", "127.0.0.1:" + std::to_string(first.port)}, 5000, 5000, 0});
    bridge.SetEvents(&told);
    std::vector<std::int32_t> reply;
    ASSERT_TRUE(bridge.DxDetectDiDevices(0, reply));
    std::vector<DetectedDevice> devices;
    ASSERT_TRUE(DecodeDetectionReply(reply, devices));
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[1].name, "OSC");
    EXPECT_FALSE(devices[1].ready);
    EXPECT_TRUE(bridge.DxDeviceAcquire()) << "a device not ready keeps no other off";
    for (int i = 0; i < 100 && told.presses.empty(); ++i) bridge.WaitForEvents(20);
    EXPECT_EQ(told.presses, (std::vector<std::pair<int, int>>{{1, 30}}));
    ASSERT_EQ(told.notes.size(), 1u);
    EXPECT_NE(told.notes[0].find("port " + std::to_string(first.port)), std::string::npos) << told.notes[0];
}

} // namespace
} // namespace tambrel::test

#endif // TAMBREL_HAVE_LIBLO
