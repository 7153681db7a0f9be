#include "session/Instrument.h"

#include "audio/Mixer.h"
#include "recording/KeystrokeRecorder.h"
#include "sound/KeyPlayer.h"
#include "sound/MidiOutput.h"
#include "sound/MidiPlayer.h"

namespace tambrel {

Instrument::Instrument(ProgramState& st, InstrumentSeams seams)
    : st_(st), synth_(seams.synth), mixer_(std::make_unique<Mixer>(seams.rate)), limiter_(mixer_->DeviceRate()) {
    const Settings& settings = seams.settings ? *seams.settings : noSettings_;
    if (seams.midi) midiOutput_ = std::make_unique<MidiOutput>(st, settings, *seams.midi);
    else noMidi_ = std::make_unique<NullMidiPlayer>();
    player_ = std::make_unique<KeyPlayer>(st, *mixer_, seams.timers, Midi());
    // Playback feeds the dispatcher directly: played-back presses are not
    // recorded again.
    recorder_ = std::make_unique<KeystrokeRecorder>(st, seams.timers, [this](KeyAddress key) { PlayKey(key); });
    input_ = std::make_unique<InputSystem>(st, std::move(seams.inputLink));
    input_->settings = seams.settings;
    input_->timers = &seams.timers;
    input_->SetClient(this);
}

// Members go in reverse order: input first, so no press arrives at a
// dispatcher or recorder that is gone.
Instrument::~Instrument() = default;

MidiPlayer& Instrument::Midi() {
    if (midiOutput_) return *midiOutput_;
    return *noMidi_;
}

void Instrument::KeyEvent(DeviceKey press) { input_->InputDx7_PlayThisKey(press); }

void Instrument::PlayKey(KeyAddress key) { player_->PlayKey(key); }

KeyStrokeSink* Instrument::RecordingSink() { return recorder_.get(); }

void Instrument::PumpAudio() {
    mixer_->Pump();
    if (synth_) synth_->Pump();
}

bool Instrument::AudioPumpPending() const { return mixer_->PumpPending() || (synth_ && synth_->PumpPending()); }

void Instrument::SetPumpRequest(const std::function<void()>& request) {
    mixer_->SetPumpRequest(request);
    if (synth_) synth_->SetPumpRequest(request);
}

void Instrument::RenderAudio(float* out, int frames) {
    mixer_->Render(out, frames);
    if (synth_) synth_->RenderAdd(out, frames);
    limiter_.Process(out, frames);
}

void Instrument::StopPlayback() {
    if (recorder_->PlayBackState() != 0) recorder_->PlayBackControl(2);
}

void Instrument::ExitProgram() {
    if (shutDown_) return;
    shutDown_ = true;
    player_->StopSounds(kStopAll);
    input_->Release();
    if (midiOutput_) midiOutput_->UnloadMidiBand();
}

} // namespace tambrel
