#include "inputserver/AlsaMidiBackend.h"

#include <alsa/asoundlib.h>

#include <utility>

#include "inputserver/DeviceName.h"
#include "inputserver/MidiNotes.h"
#include "inputserver/PressQueue.h"

namespace tambrel::server {

namespace {
// Changes a port buffers unread; beyond this they are lost (an overflow).
constexpr std::size_t kMaxQueued = 1024;
// Sequencer events taken per turn of the server's loop.
constexpr int kEventsPerTurn = 512;

int Key(int client, int port) { return client << 8 | port; }
} // namespace

struct AlsaMidiBackend::Port {
    snd_seq_t* seq = nullptr;
    int ownPort = -1;
    int client = 0, port = 0;
    PressQueue presses{kMaxQueued};
};

namespace {

class AlsaMidiDevice : public BackendDevice {
public:
    AlsaMidiDevice(std::shared_ptr<AlsaMidiBackend::Port> p, std::string portName) : p_(std::move(p)) {
        name = std::string(kMidiDevicePrefix) + DeviceNameFromHardware(portName);
        keyNames = MidiKeyNames();
        ready = true;
    }
    ~AlsaMidiDevice() override { Unacquire(); }
    bool Acquire(std::string& error) override {
        if (p_->presses.Acquired()) return true;
        // A read subscription only: the port stays free for every other
        // program, and nothing is sent to it.
        const int rc = snd_seq_connect_from(p_->seq, p_->ownPort, p_->client, p_->port);
        if (rc < 0) {
            error = "The MIDI port " + name + " could not be read: " + snd_strerror(rc);
            return false;
        }
        p_->presses.Acquire();
        return true;
    }
    void Unacquire() override {
        if (!p_->presses.Acquired()) return;
        snd_seq_disconnect_from(p_->seq, p_->ownPort, p_->client, p_->port);
        p_->presses.Release();
    }
    ReadResult Read(Item* items, int max) override { return p_->presses.Read(items, max); }
    bool Pending() override { return p_->presses.Pending(); }
    void WatchFds(std::vector<int>&) const override {}

private:
    std::shared_ptr<AlsaMidiBackend::Port> p_;
};

} // namespace

AlsaMidiBackend::AlsaMidiBackend() {
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
        seq_ = nullptr;
        return;
    }
    snd_seq_set_client_name(seq_, "Tambrel Orchestra Input");
    // Writable by this client's own subscriptions only: no SUBS_WRITE, so
    // nobody else can connect to it.
    ownPort_ = snd_seq_create_simple_port(seq_, "Triggers", SND_SEQ_PORT_CAP_WRITE,
                                          SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (ownPort_ < 0) {
        snd_seq_close(seq_);
        seq_ = nullptr;
        return;
    }
    // Ports coming and going.
    snd_seq_connect_from(seq_, ownPort_, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
}

AlsaMidiBackend::~AlsaMidiBackend() {
    ports_.clear();
    if (seq_) snd_seq_close(seq_);
}

std::vector<std::unique_ptr<BackendDevice>> AlsaMidiBackend::Enumerate() {
    detected_ = true;
    changed_ = false;
    std::vector<std::unique_ptr<BackendDevice>> out;
    if (!seq_) return out;
    Service(); // what waits is from before this detection
    changed_ = false;
    std::map<int, std::shared_ptr<Port>> now;
    const int self = snd_seq_client_id(seq_);
    snd_seq_client_info_t* ci;
    snd_seq_port_info_t* pi;
    snd_seq_client_info_alloca(&ci);
    snd_seq_port_info_alloca(&pi);
    snd_seq_client_info_set_client(ci, -1);
    while (snd_seq_query_next_client(seq_, ci) >= 0) {
        const int client = snd_seq_client_info_get_client(ci);
        const std::string clientName = snd_seq_client_info_get_name(ci);
        if (client == self || client == SND_SEQ_CLIENT_SYSTEM) continue;
        if (clientName.rfind(kOwnSequencerClientPrefix, 0) == 0) continue;
        snd_seq_port_info_set_client(pi, client);
        snd_seq_port_info_set_port(pi, -1);
        while (snd_seq_query_next_port(seq_, pi) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(pi);
            const unsigned wanted = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
            if ((caps & wanted) != wanted || (caps & SND_SEQ_PORT_CAP_NO_EXPORT)) continue;
            // "Midi Through" hands back whatever is played into it, our own
            // MIDI output included: it would play itself.
            const std::string portName = snd_seq_port_info_get_name(pi);
            if (clientName == "Midi Through") continue;
            const int port = snd_seq_port_info_get_port(pi);
            auto p = ports_.count(Key(client, port)) ? ports_[Key(client, port)] : std::make_shared<Port>();
            p->seq = seq_;
            p->ownPort = ownPort_;
            p->client = client;
            p->port = port;
            now[Key(client, port)] = p;
            out.push_back(std::make_unique<AlsaMidiDevice>(p, portName));
        }
    }
    ports_ = std::move(now);
    return out;
}

void AlsaMidiBackend::WatchFds(std::vector<int>& out) const {
    if (!seq_) return;
    const int n = snd_seq_poll_descriptors_count(seq_, POLLIN);
    if (n <= 0 || n > 8) return;
    pollfd fds[8];
    const int got = snd_seq_poll_descriptors(seq_, fds, static_cast<unsigned>(n), POLLIN);
    for (int i = 0; i < got; ++i) out.push_back(fds[i].fd);
}

int AlsaMidiBackend::Service() {
    if (!seq_) return -1;
    for (int i = 0; i < kEventsPerTurn; ++i) {
        snd_seq_event_t* ev = nullptr;
        const int rc = snd_seq_event_input(seq_, &ev);
        if (rc == -ENOSPC) {
            // The sequencer's queue ran over: changes were lost everywhere.
            for (auto& [key, p] : ports_) p->presses.Lost();
            continue;
        }
        if (rc < 0 || !ev) return -1; // -EAGAIN: all read
        switch (ev->type) {
        case SND_SEQ_EVENT_NOTEON:
        case SND_SEQ_EVENT_NOTEOFF: {
            const auto it = ports_.find(Key(ev->source.client, ev->source.port));
            if (it == ports_.end() || !it->second->presses.Acquired()) break;
            const int note = ev->data.note.note & 0x7F;
            const int velocity = ev->type == SND_SEQ_EVENT_NOTEON ? (ev->data.note.velocity & 0x7F) : 0;
            if (velocity == 0) break; // a release: nothing is reported
            it->second->presses.Push(MidiNoteItem(note, velocity));
            break;
        }
        case SND_SEQ_EVENT_PORT_START:
        case SND_SEQ_EVENT_PORT_EXIT:
        case SND_SEQ_EVENT_PORT_CHANGE:
        case SND_SEQ_EVENT_CLIENT_START:
        case SND_SEQ_EVENT_CLIENT_EXIT: changed_ = true; break;
        default: break; // SysEx, clock, controllers: nothing to play
        }
    }
    return 0; // more may wait
}

bool AlsaMidiBackend::TakeChanged() { return std::exchange(changed_, false) && detected_; }

} // namespace tambrel::server
