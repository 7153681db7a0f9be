// The server's side of hot-plugging: when it tells the program that the
// set of devices changed, and when it keeps quiet.

#include <gtest/gtest.h>

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
