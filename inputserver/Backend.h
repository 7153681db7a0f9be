#pragma once
// What the server needs from an input service: enumerate the attached
// devices with their objects, switch reading on and off, and read buffered
// changes without blocking. Two services implement it: evdev for real
// devices and a scripted one for tests and demonstrations.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tambrel::server {

// One buffered change: which object (1-based key number) and its value. A
// value of 0 is a release or no movement and is never reported.
struct Item {
    std::int32_t keyNo = 0;
    std::int32_t data = 0;
};

enum class ReadStatus {
    Ok,       // count items were read
    Overflow, // the service lost changes; the count items read before the loss are valid
    Gone,     // the device was unplugged; it reads nothing from now on
    Error,    // reading failed
};

struct ReadResult {
    int count = 0;
    ReadStatus status = ReadStatus::Ok;
};

class BackendDevice {
public:
    virtual ~BackendDevice() = default;

    std::string name;
    std::vector<std::string> keyNames;
    bool ready = false;        // set up completely: can be acquired and read
    bool noPermission = false; // not ready because this user may not open it
    std::string nodeGroup;     // with noPermission: the group its nodes belong to

    // Starts buffering changes (an empty buffer first). False with a reason.
    virtual bool Acquire(std::string& error) = 0;
    virtual void Unacquire() = 0;
    // Reads at most max items without blocking.
    virtual ReadResult Read(Item* items, int max) = 0;
    // Changes wait to be read (including ones already taken from the kernel).
    virtual bool Pending() = 0;
    // Descriptors that turn readable when changes arrive, while acquired.
    virtual void WatchFds(std::vector<int>& out) const = 0;
};

// Thrown by Enumerate: detection as a whole failed.
struct DetectionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Backend {
public:
    virtual ~Backend() = default;
    // The attached devices, each set up for reading (ready) or not.
    virtual std::vector<std::unique_ptr<BackendDevice>> Enumerate() = 0;
    // Descriptors of the service itself that should wake the server.
    virtual void WatchFds(std::vector<int>&) const {}
    // Does whatever the service's own descriptors ask for; returns the
    // milliseconds until it wants to run again, or -1.
    virtual int Service() { return -1; }
    // True once after the set of attached devices changed (a device was
    // plugged in or out, or its permissions changed): the program should
    // detect again.
    virtual bool TakeChanged() { return false; }
    // Lines for the program's status panel the service has to say (a port it
    // could not open, a socket open to the network); each is taken once.
    virtual std::vector<std::string> TakeNotes() { return {}; }
};

// A service whose devices are recordings of real devices (evemu files),
// plugged in and out by file name while the server runs.
class RecordingService : public Backend {
public:
    // False with a reason when the file is no recording of a device.
    virtual bool Plug(const std::string& file, std::string& error) = 0;
    // False when no such recording is plugged in.
    virtual bool Unplug(const std::string& file) = 0;
};

} // namespace tambrel::server
