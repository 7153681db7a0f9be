#pragma once
// MIDI controllers through the ALSA sequencer: every port others can read
// from (hardware controllers, software sources) is a device "MIDI: " + the
// port's name with one key per note. The server subscribes to a port only
// while the devices are on, read-only, through a port of its own that
// nobody else may connect to; it never takes a port exclusively. Ports that
// come and go are told as devices plugged in and out. Without a sequencer
// (no /dev/snd/seq) there are simply no MIDI devices.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "inputserver/Backend.h"

typedef struct _snd_seq snd_seq_t;

namespace tambrel::server {

// The client name of this program's own sequencer clients (its MIDI output
// and this input): their ports are never listed, or the program would play
// what it plays.
inline constexpr std::string_view kOwnSequencerClientPrefix = "Tambrel Orchestra";

class AlsaMidiBackend : public Backend {
public:
    AlsaMidiBackend();
    ~AlsaMidiBackend() override;
    AlsaMidiBackend(const AlsaMidiBackend&) = delete;
    AlsaMidiBackend& operator=(const AlsaMidiBackend&) = delete;

    // Whether the sequencer could be opened.
    bool Open() const { return seq_ != nullptr; }
    std::vector<std::unique_ptr<BackendDevice>> Enumerate() override;
    void WatchFds(std::vector<int>& out) const override;
    int Service() override;
    bool TakeChanged() override;

    struct Port; // shared with the device made from it

private:
    snd_seq_t* seq_ = nullptr;
    int ownPort_ = -1;
    bool detected_ = false;
    bool changed_ = false;
    std::map<int, std::shared_ptr<Port>> ports_; // by client << 8 | port
};

} // namespace tambrel::server
