#include "sound/fluidsynth/FluidSynthPorts.h"

#include <cmath>

namespace tambrel {

class FluidSynthPort final : public MidiPort {
public:
    explicit FluidSynthPort(FluidSynthService& service) : service_(service), engine_(service.engine_) {
        engine_.SetGain(FluidSynthEngine::kDefaultGain);
    }
    // Closing the port silences it, as closing a performance does.
    ~FluidSynthPort() override { engine_.StopAll(); }

    void ProgramChange(int channel, int program) override { engine_.ProgramChange(channel, program); }
    void Note(int channel, int note, int velocity, int durationMs) override {
        engine_.Note(channel, note, velocity, Frames(durationMs));
    }
    void PlaySegment(const MidiSegmentRef& segment) override {
        // 0 means "no segment" to the engine.
        if (++service_.segments_ == 0) ++service_.segments_;
        const std::uint32_t id = service_.segments_;
        engine_.StartSegment(id);
        for (const MidiEvent& e : segment->Events) {
            if (e.What == MidiEvent::Kind::Program) engine_.ProgramChange(e.Channel, e.Data, Frames(e.TimeMs), id);
            else engine_.Note(e.Channel, e.Data, e.Velocity, Frames(e.DurMs), Frames(e.TimeMs), id);
        }
    }
    void SetMasterVolume(int hundredthsDb) override {
        engine_.SetGain(FluidSynthEngine::kDefaultGain * static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0)));
    }
    void StopAll() override { engine_.StopAll(); }

private:
    std::int64_t Frames(int ms) const {
        return ms <= 0 ? 0 : (static_cast<std::int64_t>(ms) * engine_.Rate() + 500) / 1000;
    }
    FluidSynthService& service_;
    FluidSynthEngine& engine_;
};

std::vector<MidiPortInfo> FluidSynthService::ListPorts() {
    return {{std::string(kGmSynthPortName), false}, {std::string(kStyleSynthPortName), true}};
}

std::unique_ptr<MidiPort> FluidSynthService::OpenPort(int index, std::string& error) {
    if (index < 0 || index > 1) {
        error = "The MIDI port is no longer present";
        return nullptr;
    }
    if (!engine_.Loaded()) {
        const std::string sf = FindSoundFont(appPath_, candidates_);
        if (sf.empty()) {
            error = std::string(kNoSoundFontText);
            return nullptr;
        }
        if (!engine_.Load(sf, error)) return nullptr;
    }
    return std::make_unique<FluidSynthPort>(*this);
}

} // namespace tambrel
