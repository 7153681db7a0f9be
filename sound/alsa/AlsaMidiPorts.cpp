#include "sound/alsa/AlsaMidiPorts.h"

#include <RtMidi.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace tambrel {
namespace {

constexpr const char* kClientName = "Tambrel Orchestra";

int PortChannel(int channel) { return channel & 15; }

class AlsaPort final : public MidiPort {
public:
    explicit AlsaPort(std::unique_ptr<RtMidiOut> out) : out_(std::move(out)), timer_([this] { Run(); }) {}
    ~AlsaPort() override {
        StopAll();
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        timer_.join();
    }

    void ProgramChange(int channel, int program) override {
        if (program < 0 || program > 127) return;
        std::lock_guard lock(mutex_);
        Send({static_cast<unsigned char>(0xC0 | PortChannel(channel)), static_cast<unsigned char>(program)});
    }
    void Note(int channel, int note, int velocity, int durationMs) override {
        std::lock_guard lock(mutex_);
        NoteOn(channel, note, velocity, Clock::now() + std::chrono::milliseconds(std::max(0, durationMs)), 0);
    }
    void PlaySegment(const MidiSegmentRef& segment) override {
        std::lock_guard lock(mutex_);
        ++segment_;
        EndSegmentNotes();
        const auto start = Clock::now();
        for (const MidiEvent& e : segment->Events) {
            Event ev{e.What == MidiEvent::Kind::Program ? Kind::Program : Kind::NoteOn,
                     e.Channel,
                     e.Data,
                     e.Velocity,
                     e.DurMs,
                     segment_};
            if (e.TimeMs <= 0) Fire(ev, start);
            else events_.emplace(start + std::chrono::milliseconds(e.TimeMs), ev);
        }
        wake_.notify_one();
    }
    // General MIDI has no louder than full; the port plays as it is set.
    void SetMasterVolume(int) override {}
    void StopAll() override {
        std::lock_guard lock(mutex_);
        events_.clear();
        held_.fill(0);
        for (int c = 0; c < 16; ++c) {
            Send({static_cast<unsigned char>(0xB0 | c), 120, 0}); // all sound off
            Send({static_cast<unsigned char>(0xB0 | c), 123, 0}); // all notes off
        }
    }

private:
    using Clock = std::chrono::steady_clock;
    enum class Kind { Program, NoteOn, NoteOff };
    struct Event {
        Kind kind;
        int channel, data, velocity, durMs;
        unsigned segment;
    };

    void Send(std::vector<unsigned char> m) {
        try {
            out_->sendMessage(&m);
        } catch (const RtMidiError&) {
            // A port that went away plays nothing; the next load finds out.
        }
    }
    void NoteOn(int channel, int note, int velocity, Clock::time_point end, unsigned segment) {
        if (note < 0 || note > 127 || velocity < 1 || velocity > 127) return;
        const int ch = PortChannel(channel);
        ++held_[static_cast<std::size_t>(ch * 128 + note)];
        Send({static_cast<unsigned char>(0x90 | ch), static_cast<unsigned char>(note),
              static_cast<unsigned char>(velocity)});
        events_.emplace(end, Event{Kind::NoteOff, ch, note, 0, 0, segment});
        wake_.notify_one();
    }
    void Fire(const Event& e, Clock::time_point now) {
        switch (e.kind) {
        case Kind::Program:
            Send({static_cast<unsigned char>(0xC0 | PortChannel(e.channel)), static_cast<unsigned char>(e.data)});
            break;
        case Kind::NoteOn:
            NoteOn(e.channel, e.data, e.velocity, now + std::chrono::milliseconds(e.durMs), e.segment);
            break;
        case Kind::NoteOff: {
            int& held = held_[static_cast<std::size_t>(e.channel * 128 + e.data)];
            if (held > 0 && --held == 0)
                Send({static_cast<unsigned char>(0x80 | e.channel), static_cast<unsigned char>(e.data), 0});
            break;
        }
        }
    }
    // The segment playing before ends: its notes stop, its events are dropped.
    void EndSegmentNotes() {
        const auto now = Clock::now();
        for (auto it = events_.begin(); it != events_.end();) {
            if (it->second.segment == 0 || it->second.segment == segment_) {
                ++it;
                continue;
            }
            if (it->second.kind == Kind::NoteOff) Fire(it->second, now);
            it = events_.erase(it);
        }
    }
    void Run() {
        std::unique_lock lock(mutex_);
        while (!quit_) {
            if (events_.empty()) {
                wake_.wait(lock);
                continue;
            }
            const auto due = events_.begin()->first;
            if (Clock::now() < due) {
                wake_.wait_until(lock, due);
                continue;
            }
            const Event e = events_.begin()->second;
            events_.erase(events_.begin());
            Fire(e, due);
        }
    }

    std::unique_ptr<RtMidiOut> out_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::multimap<Clock::time_point, Event> events_;
    std::array<int, 16 * 128> held_{};
    unsigned segment_ = 0;
    bool quit_ = false;
    std::thread timer_; // last: starts once everything above exists
};

} // namespace

bool AlsaMidiService::SequencerPresent() const {
    // Checked first so that a machine without a sequencer lists no port and
    // neither ALSA nor RtMidi writes an error to the terminal.
    return access(device_.c_str(), R_OK | W_OK) == 0;
}

std::vector<MidiPortInfo> AlsaMidiService::ListPorts() {
    std::vector<MidiPortInfo> ports;
    if (!SequencerPresent()) return ports;
    try {
        RtMidiOut out(RtMidi::LINUX_ALSA, kClientName);
        const unsigned count = out.getPortCount();
        for (unsigned i = 0; i < count; ++i) ports.push_back({out.getPortName(i), false});
    } catch (const RtMidiError&) {
        ports.clear();
    }
    return ports;
}

std::unique_ptr<MidiPort> AlsaMidiService::OpenPort(int index, std::string& error) {
    if (!SequencerPresent() || index < 0) {
        error = "The MIDI port is no longer present";
        return nullptr;
    }
    try {
        auto out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kClientName);
        if (static_cast<unsigned>(index) >= out->getPortCount()) {
            error = "The MIDI port is no longer present";
            return nullptr;
        }
        out->openPort(static_cast<unsigned>(index), "Output");
        return std::make_unique<AlsaPort>(std::move(out));
    } catch (const RtMidiError& e) {
        error = e.getMessage();
        return nullptr;
    }
}

} // namespace tambrel
