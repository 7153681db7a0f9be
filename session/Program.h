#pragma once
// The main program without its windows: the start routine from the point
// where the main window is shown, and the orderly close. The window layer
// runs the steps before (installer switches, second instance, folders,
// loading the main window) and calls these; every rule with a text or a
// number lives here, so it is tested headless. User-interface thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/AudioOutput.h"
#include "common/Settings.h"
#include "editor/EditorButtons.h"
#include "editor/KeyEditor.h"
#include "document/ProgramState.h"
#include "session/HotPlug.h"
#include "session/Instrument.h"
#include "session/RecoveryCopies.h"
#include "session/WindowKeyboard.h"
#include "session/WindowPlacement.h"
#include "sound/AudioChoice.h"
#include "sound/MidiOutput.h"

namespace tambrel {

class LayoutEditSession;

class Program final : private InputClient {
public:
    Program(ProgramState& st, const Settings& settings, InstrumentSeams seams, AudioOutput& output);
    ~Program() override;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Instrument& GetInstrument() { return instrument_; }
    const MidiPortMenu& PortMenu() const { return portMenu_; }
    const WindowKeyboard& GetWindowKeyboard() const { return windowKeyboard_; }
    WindowKeyboard& GetWindowKeyboard() { return windowKeyboard_; }
    // The key assignment editor and the buttons beside it, wired to this
    // program's player, input and MIDI output.
    KeyEditor& Editor() { return editor_; }
    EditorButtons& Buttons() { return buttons_; }
    // Detects the devices again (start-up and "Detect Again").
    void DetectInputDevices();
    // Detects again by itself when devices are plugged in or out.
    HotPlug& GetHotPlug() { return *hotPlug_; }
    ProgramState& State() { return st_; }
    // The device-list question for a keyboard or mouse not found by name
    // (the main window's list dialog); none: not asked.
    void SetDeviceChooser(ChooseDeviceFn choose) { chooseDevice_ = std::move(choose); }
    // The "Midi Port" menu's item i (1-based) was chosen.
    void ChooseMidiPort(int i);

    // The "Audio Output" menu as it stands now: "Default", then every
    // output device the audio system lists, the one playing checked.
    MenuItems AudioOutputMenu();
    // Its "Buffer" menu: the offered sizes with their milliseconds.
    MenuItems BufferMenu() const;
    // Item i of the "Audio Output" menu last built (0: "Default"), or of
    // the "Buffer" menu (0: the smallest size), was chosen: every sound
    // stops as with Stop All, the output opens again with the choice (the
    // built-in synthesizer plays on through it), the status panel says what
    // plays now, and a choice that opened is kept in the settings.
    void ChooseAudioOutput(int i);
    void ChooseBufferFrames(int i);
    // What the output plays with now.
    const AudioChoice& Audio() const { return audio_; }

    // Detects the devices, builds a new Orchestra, reads LastUsedPath, shows
    // the boards, starts the sound service (false when it cannot: the
    // program has then been ended and must quit), starts MIDI, opens the file
    // named on the command line or the sample, and switches input on.
    bool Start(const std::string& commandLine);

    // The main window is asked to close. Keystroke playback stops, a
    // recording in progress is kept, a modified Orchestra is offered for
    // saving; false when the user cancels or the save did not succeed (the
    // program runs on unchanged). Otherwise the settings are written (with
    // placement, the window's state and normal bounds; a layout still open
    // in the layout editor is dropped first), a recovery copy opened at the
    // start is deleted, and ExitProgram runs.
    bool Close(const WindowPlacement& placement);

    // Stops every sound, switches input off and releases the server, shuts
    // MIDI down. Safe to call more than once.
    void ExitProgram();
    // True once ExitProgram ran: the start routine goes no further.
    bool Ended() const { return ended_; }

    // Where unsaved changes are kept when a signal ends the program, and
    // looked for at the start (after the start-up file opened: each copy is
    // offered with RecoveryQuestion, Yes opens it, No deletes it). Empty:
    // neither. Set before Start.
    void SetRecoveryFolder(const std::string& folder);
    // A signal (the session ending, Ctrl+C) ends the program: nothing is
    // asked. Playback and recording stop as closing stops them, unsaved
    // changes are kept as a recovery copy, the settings are written and
    // ExitProgram runs. False, with the reason, when the changes could not
    // be kept (the program has ended all the same).
    bool CloseBySignal(const WindowPlacement& placement, std::string& error);
    // The layout editor while it is open (null when it closes): closing the
    // program drops its unaccepted change before the layouts are written.
    void SetOpenLayoutEditor(LayoutEditSession* session) { layoutEditor_ = session; }

private:
    // The input's client: the instrument's part, and what the program adds.
    void PlayKey(KeyAddress key) override;
    KeyStrokeSink* RecordingSink() override;
    void ReadDeviceLayout(std::int32_t device) override;
    std::optional<std::int32_t> ChooseDevice(std::string_view text, const std::vector<std::string>& entries) override;
    bool DetectAll() override;
    void ServerLost() override;
    void DevicesChanged() override;

    // The window's keys stand in for a keyboard the server does not read.
    void FeedWindowKeyboard();
    AudioOutput::RenderFn Render();
    void ReopenAudio(const AudioChoice& choice);

    ProgramState& st_;
    ChooseDeviceFn chooseDevice_;
    const Settings& settings_;
    AudioOutput& output_;
    TimerHost& timers_;
    // Before the instrument: the bridge it owns points at it until it goes.
    std::unique_ptr<HotPlug> hotPlug_;
    Instrument instrument_;
    MidiPortMenu portMenu_;
    WindowKeyboard windowKeyboard_;
    KeyEditor editor_;
    EditorButtons buttons_;
    void OfferRecoveryCopies();
    // Writes LastUsedPath, every device's layout and the window's place,
    // then ExitProgram.
    void WriteSettingsAndExit(const WindowPlacement& placement);

    AudioChoice audio_;
    // The devices the "Audio Output" menu showed last, in its order.
    std::vector<std::string> audioDevices_;
    int pumpTimer_ = -1;
    bool pumping_ = false;
    bool ended_ = false;
    LayoutEditSession* layoutEditor_ = nullptr;
    std::unique_ptr<RecoveryCopies> recovery_;
    // The copy opened at the start: its changes live on in the Orchestra
    // until the program closes, then it goes.
    std::optional<RecoveryCopy> recoveryInUse_;
};

// "The current file is modified" + CR LF + "Do you want to save it?"
inline constexpr std::string_view kModifiedOnCloseText = "The current file is modified\r\nDo you want to save it?";

} // namespace tambrel
