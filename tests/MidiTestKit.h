#pragma once
// A scripted MIDI service and a port that records every call, for the MIDI
// output tests.

#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "sound/MidiPorts.h"

namespace tambrel::test {

// One call on a port, as text: "program 1 5", "note 2 60 100 500",
// "segment NAME", "volume 800", "stop", "closed".
using PortLog = std::vector<std::string>;

class RecordingPort : public MidiPort {
public:
    RecordingPort(PortLog& log, std::vector<MidiSegmentRef>& segments) : log_(log), segments_(segments) {}
    ~RecordingPort() override { log_.push_back("closed"); }
    void ProgramChange(int channel, int program) override { Add("program", channel, program); }
    void Note(int channel, int note, int velocity, int durationMs) override {
        Add("note", channel, note, velocity, durationMs);
    }
    void PlaySegment(const MidiSegmentRef& segment) override {
        segments_.push_back(segment);
        log_.push_back("segment " + segment->Name);
    }
    void SetMasterVolume(int v) override { Add("volume", v); }
    void StopAll() override { log_.push_back("stop"); }

private:
    template <class... T>
    void Add(const char* what, T... v) {
        std::ostringstream o;
        o << what;
        ((o << ' ' << v), ...);
        log_.push_back(o.str());
    }
    PortLog& log_;
    std::vector<MidiSegmentRef>& segments_;
};

class FakeMidiService : public MidiService {
public:
    std::vector<MidiPortInfo> ListPorts() override {
        ++lists;
        if (failList) throw std::runtime_error("the sequencer went away");
        return ports;
    }
    std::unique_ptr<MidiPort> OpenPort(int index, std::string& error) override {
        opened.push_back(index);
        if (!openError.empty()) {
            error = openError;
            return nullptr;
        }
        return std::make_unique<RecordingPort>(log, segments);
    }

    std::vector<MidiPortInfo> ports;
    bool failList = false;
    std::string openError;
    int lists = 0;
    std::vector<int> opened; // 0-based indexes, in order
    PortLog log;
    std::vector<MidiSegmentRef> segments; // every segment played, in order
};

} // namespace tambrel::test
