#include "session/Program.h"

#include "boards/DeviceLayouts.h"
#include "boards/LayoutEditSession.h"
#include "common/Folders.h"
#include "document/FileCommands.h"
#include "document/NewOrchestra.h"
#include "recording/KeystrokeRecorder.h"
#include "sound/KeyPlayer.h"
#include "sound/SoundService.h"

namespace tambrel {

namespace {
// Commands that found the mixer's ring full wait for the next pump, and
// released voices are freed then. The pump ticks only while such work
// waits, so it can tick often without costing anything while idle.
constexpr std::int64_t kPumpIntervalMs = 10;
} // namespace

Program::Program(ProgramState& st, const Settings& settings, InstrumentSeams seams, AudioOutput& output)
    : st_(st), settings_(settings), output_(output), timers_(seams.timers), instrument_(st,
                                                                                        [&] {
                                                                                            seams.settings = &settings;
                                                                                            return std::move(seams);
                                                                                        }()),
      editor_(st, instrument_.Player()),
      buttons_(st, instrument_.Player(), instrument_.Input(), [this] { DetectInputDevices(); }) {
    editor_.input = &instrument_.Input();
    // The pump runs only while it has work: an idle program sleeps.
    pumpTimer_ = timers_.Create([this] {
        instrument_.PumpAudio();
        if (!instrument_.AudioPumpPending()) {
            timers_.Stop(pumpTimer_);
            pumping_ = false;
        }
    });
    instrument_.Input().SetClient(this);
    // The window keyboard stands in for a keyboard the server cannot read.
    instrument_.Input().keyboardStandsIn = true;
    hotPlug_ = std::make_unique<HotPlug>(*this, timers_);
}

void Program::PlayKey(KeyAddress key) { instrument_.PlayKey(key); }

KeyStrokeSink* Program::RecordingSink() { return instrument_.RecordingSink(); }

void Program::ReadDeviceLayout(std::int32_t device) { tambrel::ReadDeviceLayout(st_, settings_, device); }

std::optional<std::int32_t> Program::ChooseDevice(std::string_view text, const std::vector<std::string>& entries) {
    if (!chooseDevice_) return std::nullopt;
    return chooseDevice_(text, entries);
}

// A restarted server is detected as the detect button does.
bool Program::DetectAll() {
    DetectInputDevices();
    return true;
}

// While no server runs, the window's keys play.
void Program::ServerLost() { FeedWindowKeyboard(); }

void Program::DevicesChanged() { hotPlug_->InputDevicesChanged(); }

Program::~Program() {
    // The instrument outlives this body: its input goes back to it.
    instrument_.Input().SetClient(&instrument_);
    output_.Stop();
    // Voices released while the instrument goes must not start a timer
    // that is gone.
    instrument_.SetPumpRequest(nullptr);
    timers_.Destroy(pumpTimer_);
}

void Program::DetectInputDevices() {
    instrument_.Input().DetectInputDevices();
    FeedWindowKeyboard();
}

void Program::FeedWindowKeyboard() {
    const std::int32_t before = st_.DeviceCount();
    windowKeyboard_.AfterDetection(st_);
    // The nodes are there but this user may not read them: say how to join
    // the group they belong to on this machine.
    if (windowKeyboard_.Device() != 0 && !instrument_.Input().UnreadableGroup().empty())
        st_.shell.Status(PermissionHelpText(instrument_.Input().UnreadableGroup()));
    // A keyboard the window feeds has a layout like any other.
    for (std::int32_t d = before + 1; d <= st_.DeviceCount(); ++d) tambrel::ReadDeviceLayout(st_, settings_, d);
    st_.views.Post(notice::UpdateDeviceMenus{});
}

bool Program::Start(const std::string& commandLine) {
    DetectInputDevices();

    st_.Orc = NewOrchestra(st_);
    st_.LastUsedPath = ReadLastUsedPath(settings_, st_.AppPath);

    st_.views.Post(notice::RebuildAllBoardViews{});
    instrument_.Recorder().ShowCurRecName();
    st_.shell.Caption(MainCaption("New"));
    st_.FileModified = kVbFalse;

    // The stored device and buffer, or what stands in for them; the status
    // panel says what plays once the start is through.
    const StoredAudioChoice stored = ReadAudioChoice(settings_);
    const AudioOpening sound = OpenAudioOutput(
        output_, stored, stored.choice.device.empty() ? std::vector<std::string>{} : output_.Devices(), Render());
    if (!sound.ok) {
        ShowSoundStartFailure(st_, sound.error);
        ExitProgram();
        return false;
    }
    audio_ = sound.opened;
    instrument_.SetPumpRequest([this] {
        if (pumping_) return;
        pumping_ = true;
        timers_.Start(pumpTimer_, kPumpIntervalMs);
    });
    if (instrument_.AudioPumpPending()) {
        pumping_ = true;
        timers_.Start(pumpTimer_, kPumpIntervalMs);
    }

    if (MidiOutput* midi = instrument_.GetMidiOutput()) {
        midi->LoadMidiBand();
        midi->UpdateMidiPortMnu(portMenu_);
        st_.views.Post(notice::UpdateMidiPortMenu{});
    }

    OpenStartupFile(st_, commandLine);
    OfferRecoveryCopies();
    // A signal may have ended the program while a question was open.
    if (ended_) return true;

    std::int32_t on = 1;
    instrument_.Input().DiAcuire_Do(on);
    // What the input server noted at the start (an OSC socket open to the
    // network, a port taken) stays readable beside what plays.
    std::string status = sound.status;
    for (const std::string& note : instrument_.Input().ServerNotes()) status += "  " + note;
    st_.shell.Status(status);
    return true;
}

AudioOutput::RenderFn Program::Render() {
    return [this](float* out, int frames) { instrument_.RenderAudio(out, frames); };
}

MenuItems Program::AudioOutputMenu() {
    audioDevices_ = output_.Devices();
    return AudioDeviceMenu(audioDevices_, audio_.device);
}

MenuItems Program::BufferMenu() const { return tambrel::BufferMenu(output_.BufferFrames(), output_.Rate()); }

void Program::ChooseAudioOutput(int i) {
    if (i < 0 || i > static_cast<int>(audioDevices_.size())) return;
    AudioChoice choice = audio_;
    choice.device = i == 0 ? std::string() : audioDevices_[static_cast<std::size_t>(i - 1)];
    ReopenAudio(choice);
}

void Program::ChooseBufferFrames(int i) {
    if (i < 0 || i >= static_cast<int>(kBufferFrameChoices.size())) return;
    AudioChoice choice = audio_;
    choice.bufferFrames = kBufferFrameChoices[static_cast<std::size_t>(i)];
    ReopenAudio(choice);
}

void Program::ReopenAudio(const AudioChoice& choice) {
    if (ended_) return;
    // Nothing may sound on across the switch: what was playing stops as
    // Stop All stops it, and the new output starts from silence.
    instrument_.Player().StopSounds(kStopAll);
    output_.Stop();
    const AudioOpening sound = OpenAudioOutput(
        output_, {choice, {}}, choice.device.empty() ? std::vector<std::string>{} : output_.Devices(), Render());
    if (!sound.ok) {
        // Mid-performance the program goes on: the user can choose again.
        st_.shell.Status(sound.status + " Choose another output in the \"Audio Output\" menu.");
        return;
    }
    audio_ = sound.opened;
    // Only a choice that opened is kept: a refused one would fail again at
    // the next start.
    if (sound.opened == choice) WriteAudioChoice(settings_, choice);
    st_.shell.Status(sound.status);
}

void Program::ChooseMidiPort(int i) {
    if (MidiOutput* midi = instrument_.GetMidiOutput()) {
        midi->ChoosePort(portMenu_, i);
        st_.views.Post(notice::UpdateMidiPortMenu{});
    }
}

bool Program::Close(const WindowPlacement& placement) {
    instrument_.StopPlayback();
    // A take still being recorded is kept, and counts as a change, so the
    // question below covers it.
    instrument_.Recorder().StopRecording();
    if (st_.FileModified) {
        switch (st_.shell.Message(kModifiedOnCloseText, "", MsgButtons::YesNoCancel)) {
        case MsgAnswer::Yes:
            // Only a successful save may end the program: a failed or
            // cancelled one would otherwise lose the Orchestra.
            if (!FileSave(st_, false)) return false;
            break;
        case MsgAnswer::No: break;
        default: return false;
        }
    }
    // The changes of a recovered copy are saved now, or were let go.
    if (recoveryInUse_ && recovery_) recovery_->Remove(*recoveryInUse_);
    recoveryInUse_.reset();
    WriteSettingsAndExit(placement);
    return true;
}

void Program::WriteSettingsAndExit(const WindowPlacement& placement) {
    // A layout still in the editor was never accepted: it is not kept.
    if (layoutEditor_) layoutEditor_->Cancel();
    settings_.WriteSetting("General", "LastUsedPath", st_.LastUsedPath);
    for (std::int32_t d = 1; d <= st_.DeviceCount(); ++d) WriteDeviceLayout(st_, settings_, d);
    settings_.WriteSetting("General", "WindowSizPos", WindowPlacementText(placement));
    ExitProgram();
}

void Program::SetRecoveryFolder(const std::string& folder) {
    recovery_ = folder.empty() ? nullptr : std::make_unique<RecoveryCopies>(folder);
}

void Program::OfferRecoveryCopies() {
    if (!recovery_) return;
    int setAside = 0;
    const std::vector<RecoveryCopy> copies = recovery_->Find(&setAside);
    if (setAside > 0) st_.shell.Status("A damaged recovery copy was set aside in " + recovery_->Folder());
    for (const RecoveryCopy& copy : copies) {
        if (ended_) return;
        switch (st_.shell.Message(RecoveryQuestion(copy), "", MsgButtons::YesNo)) {
        case MsgAnswer::Yes:
            if (recovery_->Open(st_, copy)) {
                recoveryInUse_ = copy;
                return;
            }
            // The loader said why; a copy that does not load is not offered again.
            recovery_->SetAside(copy);
            break;
        case MsgAnswer::No: recovery_->Remove(copy); break;
        default: return; // not answered (the program is ending): asked again next time
        }
    }
}

bool Program::CloseBySignal(const WindowPlacement& placement, std::string& error) {
    instrument_.StopPlayback();
    // A take being recorded is kept, as closing keeps it.
    instrument_.Recorder().StopRecording();
    bool kept = true;
    if (st_.FileModified) {
        kept = recovery_ != nullptr && recovery_->Keep(st_, error);
        if (!recovery_) error = "There is no folder to keep the unsaved changes in";
    }
    // The new copy holds the changes of the one opened at the start; when it
    // could not be made, that one stays.
    if (kept && recoveryInUse_ && recovery_) recovery_->Remove(*recoveryInUse_);
    if (kept) recoveryInUse_.reset();
    WriteSettingsAndExit(placement);
    return kept;
}

void Program::ExitProgram() {
    ended_ = true;
    instrument_.SetPumpRequest(nullptr);
    timers_.Stop(pumpTimer_);
    pumping_ = false;
    instrument_.ExitProgram();
}

} // namespace tambrel
