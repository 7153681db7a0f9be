#pragma once
// The playing instrument wired once: the mixer, MIDI output over the given
// ports, the key play dispatcher, the keystroke recorder, and input routed
// into the recorder and the dispatcher. The main program, tborc and the
// offline renderer each build one on their own seams (timers, MIDI ports,
// input link), so a press takes the same road everywhere.
//
// Construction, KeyEvent, PumpAudio and Shutdown: user-interface thread.
// RenderAudio: the audio thread only; never allocates, locks or waits.

#include <cstdint>
#include <functional>
#include <memory>

#include "audio/MasterLimiter.h"
#include "common/AudioSource.h"
#include "common/MidiService.h"
#include "common/Settings.h"
#include "common/TimerHost.h"
#include "document/ProgramState.h"
#include "input/InputSystem.h"

namespace tambrel {

class Mixer;
class KeyPlayer;
class MidiOutput;
class MidiPlayer;
class KeystrokeRecorder;

// What the program provides the instrument with.
struct InstrumentSeams {
    explicit InstrumentSeams(TimerHost& t) : timers(t) {}
    TimerHost& timers;
    int rate = 44100;                   // the output's frames per second
    MidiService* midi = nullptr;        // none: MIDI keys sound nothing
    AudioSource* synth = nullptr;       // rendered beside the mixer (the built-in synthesizer)
    const Settings* settings = nullptr; // none: nothing is read or kept
    InputSystem::LinkFactory inputLink; // none: no input server
};

// The instrument is its input's client: presses play through its dispatcher
// and are recorded by its recorder. The main program takes over as client
// to add what it does besides.
class Instrument final : public InputClient {
public:
    Instrument(ProgramState& st, InstrumentSeams seams);
    ~Instrument() override;
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    Mixer& GetMixer() { return *mixer_; }
    KeyPlayer& Player() { return *player_; }
    MidiPlayer& Midi();
    MidiOutput* GetMidiOutput() { return midiOutput_.get(); } // none without ports
    KeystrokeRecorder& Recorder() { return *recorder_; }
    InputSystem& Input() { return *input_; }

    // A key press as the input server delivers it: recorded while recording,
    // then played on every Sub Board of the active Play Board bound to device.
    void KeyEvent(DeviceKey press);
    // Plays the key at key through the dispatcher.
    void PlayKey(KeyAddress key) override;
    KeyStrokeSink* RecordingSink() override;

    // Hands on what waits for the audio thread; the offline renderer calls
    // it before each block, the program whenever the request below came.
    void PumpAudio();
    // True while PumpAudio has work left.
    bool AudioPumpPending() const;
    // Called when work for PumpAudio appears (user-interface thread).
    void SetPumpRequest(const std::function<void()>& request);
    // Audio thread: overwrites out with frames x 2 interleaved floats: the
    // mixer's voices and the synthesizer, through the master limiter, so no
    // sample leaves beyond full scale.
    void RenderAudio(float* out, int frames);

    // Closing starts here: keystroke playback, running or paused, stops (a
    // recording in progress is not stored).
    void StopPlayback();
    // The end, after the program has kept its settings, in this order: every
    // sound stops, the input devices go off and the server is released, MIDI
    // output closes. Safe to call more than once.
    void ExitProgram();

private:
    ProgramState& st_;
    AudioSource* synth_;
    Settings noSettings_{""};
    std::unique_ptr<Mixer> mixer_;
    MasterLimiter limiter_;
    std::unique_ptr<MidiOutput> midiOutput_;
    std::unique_ptr<MidiPlayer> noMidi_;
    std::unique_ptr<KeyPlayer> player_;
    std::unique_ptr<KeystrokeRecorder> recorder_;
    std::unique_ptr<InputSystem> input_;
    bool shutDown_ = false;
};

} // namespace tambrel
