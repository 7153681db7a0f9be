#pragma once
// A scripted input service: device descriptions and timed changes are read
// line by line from a file or a pipe (the README documents the lines). Tests
// drive the real server and bridge with it on machines without /dev/input.

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "inputserver/Backend.h"
#include "inputserver/MidiNotes.h"

namespace tambrel::server {

class VirtualBackend : public Backend {
public:
    // Opens the script; throws std::runtime_error when it cannot be opened.
    // recordings: where the lines "evemu FILE" and "evemu-unplug FILE" plug
    // recordings of real devices in and out; their devices follow the
    // script's own. None: those lines are refused.
    explicit VirtualBackend(const std::string& path, RecordingService* recordings = nullptr);
    ~VirtualBackend() override;

    std::vector<std::unique_ptr<BackendDevice>> Enumerate() override;
    void WatchFds(std::vector<int>& out) const override;
    int Service() override;
    bool TakeChanged() override;

    // One described device; shared with the BackendDevice made from it.
    struct Described {
        std::string name;
        std::vector<std::string> keys;
        bool ready = true, denied = false;
        bool plugged = true;
        bool inTable = false; // in the device table of the last detection
        bool acquired = false;
        bool failAcquire = false;
        // Buffered changes; an entry with keyNo 0 marks where the service
        // lost changes (a reader stops there and reports an overflow).
        std::deque<Item> queue;
        // A MIDI port ("midi-port"): its bytes are read as a port's are.
        bool midi = false;
        MidiByteReader midiReader;
    };

private:
    int ServiceScript();
    void Line(const std::string& line);
    void Complain(const std::string& what) const;
    Described* DeviceArg(const std::string& text);

    int fd_ = -1;
    bool canWatch_ = false; // a pipe or FIFO: epoll can tell when lines arrive
    bool eof_ = false;
    std::string buffered_;
    long lineNo_ = 0;
    long long resumeAt_ = -1;   // monotonic ms at which a "wait" ends
    bool awaitAcquire_ = false; // "wait-acquire": held until a device reads
    std::string failDetect_;
    bool failDetectSet_ = false;
    RecordingService* recordings_ = nullptr;
    bool detected_ = false; // a detection ran: changes from now on are told
    bool changed_ = false;
    std::vector<std::shared_ptr<Described>> described_;
};

} // namespace tambrel::server
