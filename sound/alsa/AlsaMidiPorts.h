#pragma once
// The ALSA sequencer's output ports (hardware synthesizers, external software
// synthesizers) through RtMidi, named as ALSA names them. None, without an
// error, when the sequencer is missing. The ports have 16 channels: channel
// 16 (the second channel group) is sent on channel 0, which the rotation of
// notes never uses otherwise. User-interface thread only; each open port ends
// its notes from a timer thread of its own.

#include <string>

#include "sound/MidiPorts.h"

namespace tambrel {

class AlsaMidiService final : public MidiService {
public:
    explicit AlsaMidiService(std::string sequencerDevice = "/dev/snd/seq") : device_(std::move(sequencerDevice)) {}
    std::vector<MidiPortInfo> ListPorts() override;
    std::unique_ptr<MidiPort> OpenPort(int index, std::string& error) override;

private:
    bool SequencerPresent() const;
    std::string device_;
};

} // namespace tambrel
