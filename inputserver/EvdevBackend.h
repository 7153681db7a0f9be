#pragma once
// Real devices through evdev (libevdev). Every keyboard is joined into one
// device "Keyboard" and every mouse, trackpoint and touchpad into one
// "Mouse"; each game controller is a device of its own. Devices are opened
// read-only and never grabbed, so the rest of the desktop keeps receiving
// every key.
//
// An event node and a recording of a real device (an evemu file) take the
// same road: each becomes a libevdev handle, Classify decides what it is,
// and one mapping turns its events into the program's objects. Recordings
// are replayed at their recorded gaps from the moment they are first
// switched on.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "inputserver/Backend.h"
#include "inputserver/Evemu.h"

struct libevdev;

namespace tambrel::server {

// What one node is to the program. A node may be both a keyboard and a mouse
// (a wireless receiver's combined interface); it then plays in both.
struct NodeClass {
    bool keyboard = false;
    bool mouse = false;    // a mouse, trackpoint, trackball or touchpad
    bool touchpad = false; // a mouse read from absolute finger positions
    bool controller = false;
    // Why a node is not a device of the program; empty when it is one.
    std::string ignored;
};

NodeClass Classify(const libevdev* dev);

// A libevdev handle with the description's name, ids, properties, codes and
// axes, and no kernel node behind it. nullptr when libevdev refuses it.
libevdev* NewDeviceFromDescription(const EvemuDevice& d);

// Microseconds on a monotonic clock; tests give their own.
using MicrosClock = std::function<std::int64_t()>;

class EvdevBackend : public Backend {
public:
    // sysRoot: where the input class lives ("/sys/class/input"); devRoot:
    // where the event nodes are ("/dev/input"), watched for devices plugged
    // in and out.
    EvdevBackend(std::string sysRoot = "/sys/class/input", std::string devRoot = "/dev/input");
    ~EvdevBackend() override;
    std::vector<std::unique_ptr<BackendDevice>> Enumerate() override;
    void WatchFds(std::vector<int>& out) const override;
    int Service() override;
    bool TakeChanged() override;

private:
    // The event nodes and whether this user may read each, to tell a real
    // change from the noise of a directory watch.
    std::string NodeSet() const;

    std::string sysRoot_, devRoot_;
    int inotify_ = -1;
    std::int64_t settleAtMs_ = -1; // when a burst of node changes is taken as over
    std::string lastSet_;
    bool changed_ = false;
};

// Devices played from recordings, in the order given. A file that cannot be
// read is an error at once (the constructor throws); Plug and Unplug change
// the set while running, as plugging a device in and out does.
class EvemuBackend : public RecordingService {
public:
    explicit EvemuBackend(const std::vector<std::string>& files, MicrosClock clock = {});
    ~EvemuBackend() override;
    std::vector<std::unique_ptr<BackendDevice>> Enumerate() override;
    bool TakeChanged() override;
    bool Plug(const std::string& file, std::string& error) override;
    bool Unplug(const std::string& file) override;

    struct Recording; // shared with the devices made from it

private:
    MicrosClock clock_;
    std::vector<std::shared_ptr<Recording>> recordings_;
    bool changed_ = false;
};

} // namespace tambrel::server
