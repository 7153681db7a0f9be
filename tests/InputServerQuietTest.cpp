// The input server keeps nothing of the program's, cannot be read by other
// processes, and never waits on a program that stops reading.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "input/InputProtocol.h"
#include "input/LocInputDx7Class.h"
#include "inputserver/InputServer.h"
#include "tests/ServerPath.h"
#include "tests/TempDir.h"

namespace tambrel::test {
namespace {

using Clock = std::chrono::steady_clock;

InputServerOptions Scripted(const std::string& script) { return {ServerPath(), {"--virtual", script}, 5000}; }

TEST(InputServerStart, InheritsNoDescriptorOfTheProgram) {
    TempDir dir;
    // Both ends inheritable, as a careless library of the program might leave them.
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    LocInputDx7Class bridge(Scripted(dir.Write("devices", "device Pad\nkeys 2 K\n")));
    ASSERT_TRUE(bridge.HasServer());
    close(p[1]);
    // The reading end sees the end of the pipe only when no process holds
    // the writing end any more: the server must not.
    pollfd pf{p[0], POLLIN, 0};
    const int ready = poll(&pf, 1, 3000);
    char c;
    EXPECT_EQ(ready, 1) << "the server still holds the program's pipe";
    if (ready == 1) {
        EXPECT_EQ(read(p[0], &c, 1), 0);
    }
    close(p[0]);

    // Its standard input and output lead nowhere.
    for (int fd : {0, 1}) {
        const std::string link = "/proc/" + std::to_string(bridge.ServerPid()) + "/fd/" + std::to_string(fd);
        char target[256] = {};
        if (readlink(link.c_str(), target, sizeof target - 1) < 0) GTEST_SKIP() << "cannot look into /proc";
        EXPECT_STREQ(target, "/dev/null") << "descriptor " << fd;
    }
}

// Run as an ordinary user (root may read any process): a dumpable server's
// /proc files belong to its user, a non-dumpable one's to root.
TEST(InputServerStart, IsNotDumpable) {
    TempDir dir;
    const std::string script = dir.Write("devices", "device Pad\nkeys 2 K\n");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0) {
            const gid_t nogroup = 65534;
            if (setgroups(1, &nogroup) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        }
        LocInputDx7Class bridge(Scripted(script));
        if (!bridge.HasServer()) _exit(4);
        struct stat st {};
        if (stat(("/proc/" + std::to_string(bridge.ServerPid()) + "/environ").c_str(), &st) != 0) _exit(5);
        _exit(st.st_uid == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 1) << "the server can be read by every process of its user";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// ------------------------------------------------ a program that stops reading

// One device whose Read hands out presses of key 1, 2, ... total.
class CountingDevice : public server::BackendDevice {
public:
    CountingDevice(int total, std::atomic<bool>& drained) : total_(total), drained_(drained) {
        name = "Counter";
        keyNames = {"K"};
        ready = true;
    }
    bool Acquire(std::string&) override { return true; }
    void Unacquire() override {}
    server::ReadResult Read(server::Item* items, int max) override {
        int n = 0;
        while (n < max && next_ <= total_) items[n++] = {next_++, 1};
        return {n, server::ReadStatus::Ok};
    }
    // Asked after each wake-up: once it finds nothing left, the last presses
    // have been queued.
    bool Pending() override {
        if (next_ > total_) drained_ = true;
        return next_ <= total_;
    }
    void WatchFds(std::vector<int>&) const override {}

private:
    int total_, next_ = 1;
    std::atomic<bool>& drained_;
};

class CountingBackend : public server::Backend {
public:
    CountingBackend(int total, std::atomic<bool>& drained) : total_(total), drained_(drained) {}
    std::vector<std::unique_ptr<server::BackendDevice>> Enumerate() override {
        std::vector<std::unique_ptr<server::BackendDevice>> v;
        v.push_back(std::make_unique<CountingDevice>(total_, drained_));
        return v;
    }

private:
    int total_;
    std::atomic<bool>& drained_;
};

// The program's end of the channel, read by hand.
struct Channel {
    int fd;
    FrameReader reader;
    bool Next(Frame& f, int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (reader.Next(f) == FrameReader::Result::GotFrame) return true;
            pollfd p{fd, POLLIN, 0};
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) != 1) return false;
            char buf[65536];
            const ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n <= 0) return false;
            reader.Append(buf, static_cast<std::size_t>(n));
        }
    }
    bool Request(FrameType type, FrameType answer) {
        const std::string frame = EncodeFrame(type, type == FrameType::Detect ? BodyWriter().I32(0).Bytes() : "");
        if (send(fd, frame.data(), frame.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(frame.size())) return false;
        Frame f;
        while (Next(f, 5000))
            if (f.type == answer) return true;
        return false;
    }
};

TEST(InputServerQueue, APausedProgramGetsTheNewestPressesAndTheCountOfTheLostOnes) {
    constexpr int kPresses = 60000; // far more than the socket and the queue hold
    std::atomic<bool> drained{false};
    CountingBackend backend(kPresses, drained);
    int sv[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv), 0);
    std::thread server([&] { server::InputServer(sv[1], backend).Run(); });
    Channel ch{sv[0], {}};
    Frame hello;
    ASSERT_TRUE(ch.Next(hello, 5000));
    ASSERT_TRUE(ch.Request(FrameType::Detect, FrameType::DetectReply));
    ASSERT_TRUE(ch.Request(FrameType::Acquire, FrameType::AcquireReply));

    // The program reads nothing now; the server must still read its device
    // to the end.
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!drained && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(drained) << "the server stopped reading its devices while the program was not reading";

    std::vector<int> before, after;
    std::int64_t lost = 0;
    int overflowFrames = 0;
    bool overflowsApart = false; // presses between two Overflow frames
    Frame f;
    while ((before.empty() || (after.empty() ? before.back() : after.back()) != kPresses) && ch.Next(f, 5000)) {
        BodyReader r(f.body);
        std::int32_t a = 0, b = 0;
        if (f.type == FrameType::Overflow && r.I32(a)) {
            lost += a;
            overflowsApart = overflowsApart || !after.empty();
            ++overflowFrames;
        } else if (f.type == FrameType::PlayThisKey && r.I32(a) && r.I32(b)) {
            (overflowFrames ? after : before).push_back(a);
        }
    }
    close(sv[0]); // the program goes: the server ends
    server.join();

    // What the socket held when the program paused, then the count of what
    // was dropped (one frame, or more side by side when drops met a count
    // already being sent), then the newest presses the queue kept.
    ASSERT_GE(overflowFrames, 1);
    EXPECT_FALSE(overflowsApart);
    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(after.empty());
    for (std::size_t i = 0; i < before.size(); ++i) ASSERT_EQ(before[i], static_cast<int>(i) + 1);
    for (std::size_t i = 0; i < after.size(); ++i)
        ASSERT_EQ(after[i], kPresses - static_cast<int>(after.size()) + 1 + static_cast<int>(i));
    EXPECT_EQ(static_cast<std::int64_t>(before.size() + after.size()) + lost, kPresses);
    EXPECT_GE(after.size() + 1, server::kMaxQueuedPresses);
    EXPECT_LE(after.size(), server::kMaxQueuedPresses);
}

// Through the real process and bridge: however the presses were split
// between delivered and dropped, none goes missing uncounted, the newest
// arrives, and the server still answers.
TEST(InputServerQueue, TheRealServerCountsWhatItDropsAndStillAnswers) {
    TempDir dir;
    const std::string script = dir.File("script");
    ASSERT_EQ(mkfifo(script.c_str(), 0600), 0);
    const int w = open(script.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(w, 0);
    const std::string head = "device Pad\nkeys 2 K\n";
    ASSERT_EQ(write(w, head.data(), head.size()), static_cast<ssize_t>(head.size()));
    // Every press delivered however long it waited: this is about the
    // server's queue, not about presses too old to play.
    InputServerOptions options = Scripted(script);
    options.latePressMs = 0;
    LocInputDx7Class bridge(options);
    struct Keys : InputServerEvents {
        void PlayThisKey(std::int32_t k, std::int32_t) override { all.push_back(k); }
        std::vector<int> all;
    } heard;
    bridge.SetEvents(&heard);
    std::vector<int>& keys = heard.all;
    std::vector<std::int32_t> reply;
    ASSERT_TRUE(bridge.DxDetectDiDevices(0, reply));
    ASSERT_TRUE(bridge.DxDeviceAcquire());

    // 50 000 presses of key 1, then one of key 2, written while the bridge
    // reads nothing.
    constexpr int kPresses = 50000;
    std::string lines;
    for (int i = 0; i < kPresses; ++i) lines += "event 1 1 1\n";
    lines += "event 1 2 1\n";
    std::size_t done = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (done < lines.size() && Clock::now() < deadline) {
        const ssize_t n = write(w, lines.data() + done, std::min<std::size_t>(lines.size() - done, 4096));
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else {
            pollfd p{w, POLLOUT, 0};
            poll(&p, 1, 50);
        }
    }
    EXPECT_EQ(done, lines.size()) << "the server stopped reading its devices while the program was not reading";

    const auto end = Clock::now() + std::chrono::seconds(20);
    while ((keys.empty() || keys.back() != 2) && bridge.HasServer() && Clock::now() < end) bridge.WaitForEvents(100);
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.back(), 2); // the newest press is never the one dropped
    EXPECT_EQ(static_cast<std::int64_t>(keys.size()) + bridge.LostPresses(), kPresses + 1);
    // And it still answers.
    EXPECT_TRUE(bridge.DxDeviceUnAcquire());
    close(w);
}

} // namespace
} // namespace tambrel::test
