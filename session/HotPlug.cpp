#include "session/HotPlug.h"

#include <algorithm>

#include "recording/KeystrokeRecorder.h"
#include "session/Program.h"

namespace tambrel {
namespace {

std::string Joined(const std::vector<std::string>& names) {
    std::string s;
    for (const std::string& n : names) s += (s.empty() ? "" : ", ") + n;
    return s;
}

std::string Part(const char* one, const char* many, const std::vector<std::string>& names) {
    return std::string(names.size() == 1 ? one : many) + Joined(names);
}

} // namespace

std::string DevicesChangedText(const std::vector<InputDevice>& before, const std::vector<InputDevice>& after) {
    // By name, counting each: a second pad of the same name is one added.
    std::vector<std::string> was, is;
    for (const InputDevice& d : before) was.push_back(d.Name);
    for (const InputDevice& d : after) is.push_back(d.Name);
    std::vector<std::string> added, removed;
    std::vector<bool> used(was.size(), false);
    for (const std::string& n : is) {
        bool found = false;
        for (std::size_t i = 0; i < was.size() && !found; ++i)
            if (!used[i] && was[i] == n) used[i] = found = true;
        if (!found) added.push_back(n);
    }
    for (std::size_t i = 0; i < was.size(); ++i)
        if (!used[i]) removed.push_back(was[i]);
    if (added.empty() && removed.empty()) return "Input devices detected again";
    if (removed.empty()) return Part("Input device added: ", "Input devices added: ", added);
    if (added.empty()) return Part("Input device removed: ", "Input devices removed: ", removed);
    return Part("Input device added: ", "Input devices added: ", added) + "; removed: " + Joined(removed);
}

HotPlug::HotPlug(Program& program, TimerHost& timers) : program_(program), timers_(timers) {
    timer_ = timers_.Create([this] { Tick(); });
}

HotPlug::~HotPlug() { timers_.Destroy(timer_); }

void HotPlug::InputDevicesChanged() {
    if (waiting_) return; // one detection covers every change before it
    waiting_ = true;
    timers_.Start(timer_, 1);
}

bool HotPlug::WouldDisturb() const {
    if (dialogs && dialogs->DialogOpen()) return true;
    KeystrokeRecorder& rec = program_.GetInstrument().Recorder();
    return rec.IsRecording() || rec.PlayBackState() != 0;
}

void HotPlug::Tick() {
    if (!waiting_) {
        timers_.Stop(timer_);
        return;
    }
    if (WouldDisturb()) {
        timers_.Start(timer_, kHotPlugRetryMs);
        return;
    }
    timers_.Stop(timer_);
    waiting_ = false;
    ProgramState& st = program_.State();
    const std::vector<InputDevice> before = st.InputDevices;
    InputSystem& input = program_.GetInstrument().Input();
    input.AskNothing(true);
    program_.DetectInputDevices();
    input.AskNothing(false);
    st.shell.Status(DevicesChangedText(before, st.InputDevices));
}

} // namespace tambrel
