#include "session/Program.h"

#include "boards/DeviceLayouts.h"
#include "common/Folders.h"
#include "document/FileCommands.h"
#include "document/NewOrchestra.h"
#include "recording/KeystrokeRecorder.h"
#include "sound/SoundService.h"

namespace tambrel {

namespace {
// Commands that found the mixer's ring full wait for the next pump, and
// released voices are freed then: often enough to keep up with fast
// playing, rare enough to cost nothing while idle.
constexpr std::int64_t kPumpIntervalMs = 50;
} // namespace

Program::Program(ProgramState& st, const Settings& settings, InstrumentSeams seams, AudioOutput& output)
    : st_(st), settings_(settings), output_(output), timers_(seams.timers), instrument_(st, [&] {
          seams.settings = &settings;
          return std::move(seams);
      }()),
      editor_(st, instrument_.Player()),
      buttons_(st, instrument_.Player(), instrument_.Input(), [this] { DetectInputDevices(); }) {
    editor_.input = &instrument_.Input();
    editor_.midiOutput = instrument_.GetMidiOutput();
    pumpTimer_ = timers_.Create([this] { instrument_.PumpAudio(); });
    instrument_.Input().readDeviceLayout = [this](std::int32_t d) { ReadDeviceLayout(st_, settings_, d); };
}

Program::~Program() {
    output_.Stop();
    timers_.Destroy(pumpTimer_);
}

void Program::DetectInputDevices() {
    instrument_.Input().DetectInputDevices();
    const std::int32_t before = st_.DeviceCount();
    windowKeyboard_.AfterDetection(st_);
    // A keyboard the window feeds has a layout like any other.
    for (std::int32_t d = before + 1; d <= st_.DeviceCount(); ++d) ReadDeviceLayout(st_, settings_, d);
    st_.shell.Notify(ShellEvent::UpdateDeviceMenus);
}

bool Program::Start(const std::string& commandLine) {
    DetectInputDevices();

    st_.Orc = NewOrchestra(st_);
    st_.LastUsedPath = ReadLastUsedPath(settings_, st_.AppPath);

    st_.shell.Notify(ShellEvent::RebuildAllBoardViews);
    instrument_.Recorder().ShowCurRecName();
    st_.shell.Caption(MainCaption("New"));
    st_.FileModified = kVbFalse;

    if (!InitSound(st_, output_, [this](float* out, int frames) { instrument_.RenderAudio(out, frames); })) {
        ExitProgram();
        return false;
    }
    timers_.Start(pumpTimer_, kPumpIntervalMs);

    if (MidiOutput* midi = instrument_.GetMidiOutput()) {
        midi->LoadMidiBand();
        midi->UpdateMidiPortMnu(portMenu_);
        st_.shell.Notify(ShellEvent::UpdateMidiPortMenu);
    }

    OpenStartupFile(st_, commandLine);

    std::int32_t on = 1;
    instrument_.Input().DiAcuire_Do(on);
    return true;
}

void Program::ChooseMidiPort(int i) {
    if (MidiOutput* midi = instrument_.GetMidiOutput()) {
        midi->ChoosePort(portMenu_, i);
        st_.shell.Notify(ShellEvent::UpdateMidiPortMenu);
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
    settings_.WriteSetting("General", "LastUsedPath", st_.LastUsedPath);
    for (std::int32_t d = 1; d <= st_.DeviceCount(); ++d) WriteDeviceLayout(st_, settings_, d);
    settings_.WriteSetting("General", "WindowSizPos", WindowPlacementText(placement));
    ExitProgram();
    return true;
}

void Program::ExitProgram() {
    timers_.Stop(pumpTimer_);
    instrument_.ExitProgram();
}

} // namespace tambrel
