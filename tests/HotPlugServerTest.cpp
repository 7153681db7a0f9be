// The server's side of hot-plugging: when it tells the program that the
// set of devices changed, and when it keeps quiet.

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "inputserver/VirtualBackend.h"
#include "tests/ScriptPipe.h"
#include "tests/TempDir.h"
#ifdef TAMBREL_HAVE_EVDEV
#include "inputserver/EvdevBackend.h"
#endif

namespace tambrel::test {
namespace {

using namespace tambrel::server;

TEST(HotPlugServer, ScriptedDevicesPluggedInAndOutAreToldOnceAfterADetection) {
    ScriptPipe pipe("keyboard\nmouse\n");
    VirtualBackend b(pipe.Path());
    b.Service();
    EXPECT_FALSE(b.TakeChanged()) << "before the program's first detection there is nothing to tell";
    EXPECT_EQ(b.Enumerate().size(), 2u);
    EXPECT_FALSE(b.TakeChanged());
    struct Step {
        const char* line;
        bool told;
    };
    const Step steps[] = {
        {"device Pad\n", true}, {"unplug 3\n", true},  {"unplug 3\n", false},    {"replug 3\n", true},
        {"replug 3\n", false},  {"key Fire\n", false}, {"event 1 1 1\n", false},
    };
    for (const Step& s : steps) {
        pipe.Write(s.line);
        b.Service();
        EXPECT_EQ(b.TakeChanged(), s.told) << s.line;
        EXPECT_FALSE(b.TakeChanged()) << s.line << ": told once";
    }
    EXPECT_EQ(b.Enumerate().size(), 3u);
}

#ifdef TAMBREL_HAVE_EVDEV

std::string Fixture(const std::string& name) {
    return std::string(TAMBREL_SOURCE_DIR) + "/tests/data/devices/" + name + ".evemu";
}

TEST(HotPlugServer, AScriptPlugsRecordingsInAndOutWhileRunning) {
    EvemuBackend recordings({Fixture("keyboard-laptop-at")});
    ScriptPipe pipe("mouse\n");
    VirtualBackend b(pipe.Path(), &recordings);
    b.Service();
    auto devices = b.Enumerate();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0]->name, "Mouse");
    EXPECT_EQ(devices[1]->name, "Keyboard") << "recordings follow the script's devices";
    pipe.Write("evemu " + Fixture("gamepad-ds4") + "\n");
    b.Service();
    EXPECT_TRUE(b.TakeChanged());
    EXPECT_EQ(b.Enumerate().size(), 3u);
    pipe.Write("evemu-unplug " + Fixture("keyboard-laptop-at") + "\n");
    b.Service();
    EXPECT_TRUE(b.TakeChanged());
    devices = b.Enumerate();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[1]->name, "Sony Interactive Entertainment Wireless Controller");
    // Lines that name no recording change nothing.
    pipe.Write("evemu-unplug " + Fixture("keyboard-laptop-at") + "\nevemu /nonexistent.evemu\n");
    b.Service();
    EXPECT_FALSE(b.TakeChanged());
}

// A node folder that changes while the server watches it: told once the
// changes have settled, and only when the set of nodes really changed.
class NodeFolder {
public:
    NodeFolder() {
        std::filesystem::create_directories(dir.File("dev"));
        std::filesystem::create_directories(dir.File("sys"));
    }
    std::string Dev() const { return dir.File("dev"); }
    std::string Sys() const { return dir.File("sys"); }
    void Add(const std::string& leaf) const { std::ofstream(dir.File("dev/" + leaf)) << ""; }
    void Remove(const std::string& leaf) const { std::filesystem::remove(dir.File("dev/" + leaf)); }

private:
    TempDir dir;
};

// Services the backend until it tells a change or 2 s pass.
bool ToldWithin(EvdevBackend& b) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end) {
        const int wait = b.Service();
        if (b.TakeChanged()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(wait < 0 ? 20 : std::min(wait, 50)));
    }
    return false;
}

TEST(HotPlugServer, EventNodesPluggedInAndOutAreToldAfterTheySettle) {
    NodeFolder f;
    f.Add("event0");
    EvdevBackend b(f.Sys(), f.Dev());
    std::vector<int> fds;
    b.WatchFds(fds);
    EXPECT_EQ(fds.size(), 1u) << "the node folder is watched";
    f.Add("event3");
    EXPECT_GT(b.Service(), 0) << "a new node waits for udev to finish with it";
    EXPECT_FALSE(b.TakeChanged());
    EXPECT_TRUE(ToldWithin(b));
    f.Remove("event3");
    EXPECT_TRUE(ToldWithin(b));
    // Other files, and a node gone again before it settled, are no change.
    f.Add("mouse0");
    f.Add("event9");
    f.Remove("event9");
    EXPECT_FALSE(ToldWithin(b));
}

// A keyboard node this user may not read: listed, not ready, and named with
// the group its node belongs to. Run in a child that is not root (root reads
// every node), with a node owned by a group of this machine.
TEST(HotPlugServer, AnUnreadableNodeIsListedWithTheGroupItBelongsTo) {
    const group* g = getgrnam("audio");
    if (!g) g = getgrnam("disk");
    if (!g) GTEST_SKIP() << "no group to own the node";
    const std::string groupName = g->gr_name;
    const gid_t gid = g->gr_gid;
    NodeFolder f;
    f.Add("event4");
    const std::string node = f.Dev() + "/event4";
    ASSERT_EQ(chmod(node.c_str(), 0640), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(node.c_str(), 0, gid), 0);
    }
    const std::filesystem::path dev = std::filesystem::path(f.Sys()) / "event4" / "device";
    std::filesystem::create_directories(dev / "capabilities");
    std::filesystem::create_directories(dev / "id");
    std::ofstream(dev / "name") << "AT Translated Set 2 keyboard\n";
    std::ofstream(dev / "capabilities" / "ev") << "120013\n";
    std::ofstream(dev / "capabilities" / "key") << "402000000 3803078f800d001 feffffdfffefffff fffffffffffffffe\n";
    std::ofstream(dev / "id" / "vendor") << "0001\n";
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(node.c_str(), 0), 0);
    }

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        EvdevBackend b(f.Sys(), f.Dev());
        const auto devices = b.Enumerate();
        std::string out;
        for (const auto& d : devices)
            out += d->name + "|" + std::to_string(d->ready) + "|" + std::to_string(d->noPermission) + "|" +
                   d->nodeGroup + "|" + std::to_string(d->keyNames.size()) + "\n";
        if (write(fds[1], out.data(), out.size()) != static_cast<ssize_t>(out.size())) _exit(4);
        _exit(0);
    }
    close(fds[1]);
    std::string got;
    char buf[512];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) got.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(got,
              "Keyboard|0|1|" + (geteuid() == 0 ? groupName : std::string(getgrgid(getegid())->gr_name)) + "|128\n");
}

TEST(HotPlugServer, WithoutANodeFolderNothingIsWatched) {
    TempDir dir;
    EvdevBackend b(dir.File("sys"), dir.File("no-such-folder"));
    std::vector<int> fds;
    b.WatchFds(fds);
    EXPECT_TRUE(fds.empty());
    EXPECT_EQ(b.Service(), -1);
    EXPECT_TRUE(b.Enumerate().empty());
}

#endif

} // namespace
} // namespace tambrel::test
