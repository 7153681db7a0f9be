#include "input/InputSystem.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <utility>

#include "common/NumberText.h"
#include "common/Settings.h"
#include "document/DeviceBinding.h"
#include "input/InputProtocol.h"

namespace tambrel {
namespace {

const std::string kCrLf = "\r\n";
// A restart due while the bridge is in use waits this long again.
constexpr std::int64_t kBusyRetryMs = 100;

bool NameIn(const std::vector<InputDevice>& list, const std::string& name) {
    for (const InputDevice& d : list)
        if (d.Name == name) return true;
    return false;
}

// A layout that was read for a device of this key count.
bool LayoutFits(const InputDevice& d) {
    return d.KeyCount >= 0 && d.Layout.Keys.size() == static_cast<std::size_t>(d.KeyCount);
}

} // namespace

std::string CleanKeyLabel(std::string_view name) {
    static constexpr std::string_view word = "numpad ";
    std::string out;
    out.reserve(name.size());
    std::size_t i = 0;
    while (i < name.size()) {
        bool match = name.size() - i >= word.size();
        for (std::size_t j = 0; match && j < word.size(); ++j)
            match = std::tolower(static_cast<unsigned char>(name[i + j])) == word[j];
        if (match) {
            out += "  ";
            i += word.size();
        } else {
            out += name[i++];
        }
    }
    return out;
}

std::vector<std::string> DeviceListEntries(const ProgramState& st) {
    std::vector<std::string> out;
    for (std::int32_t d = 1; d <= st.DeviceCount(); ++d) {
        const InputDevice& dev = *st.Device(d);
        out.push_back(IntText(d) + ". " + dev.Name + " (" + IntText(dev.KeyCount) + " Keys)");
    }
    return out;
}

ChooseDeviceFn DeviceListByInputBox(Shell& shell) {
    return [&shell](std::string_view text, const std::vector<std::string>& entries) -> std::int32_t {
        std::string prompt(text);
        for (const std::string& e : entries) prompt += kCrLf + e;
        const std::string answer = shell.Input(prompt, "Input devices found:", "");
        const std::size_t b = answer.find_first_not_of(' ');
        if (b == std::string::npos) return 0;
        const std::size_t e = answer.find_last_not_of(' ');
        const std::string digits = answer.substr(b, e - b + 1);
        if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            return 0;
        const long n = std::stol(digits);
        return n >= 1 && n <= static_cast<long>(entries.size()) ? static_cast<std::int32_t>(n) : 0;
    };
}

void RouteKeyEvent(Orchestra& orc, DeviceKey press, const PlayKeyFn& playKey) {
    if (!playKey) return;
    // The Play Board is taken once; the count of its Sub Boards is looked at
    // again each time, since a played action may change the Orchestra.
    const std::int32_t p = orc.CurSet;
    for (std::int32_t b = 1; orc.ValidSet(p) && b <= orc.Set(p).BodNos(); ++b)
        if (orc.Set(p).Bd(b).InpDevNo == press.device.value) playKey({PlayBoardNo{p}, SubBoardNo{b}, press.key});
}

std::string LatePressesText(std::int64_t n) {
    return "Dropped " + IntText(static_cast<std::int32_t>(n > INT32_MAX ? INT32_MAX : n)) +
           (n == 1 ? " key press" : " key presses") + " made while the program was busy";
}

InputSystem::InputSystem(ProgramState& st, LinkFactory factory) : st_(st), factory_(std::move(factory)) {}

InputSystem::~InputSystem() {
    released_ = true;
    // The bridge first: its server must not be reported lost to a system
    // half gone.
    link_.reset();
    if (timersMade_) {
        timers->Destroy(restartTimer_);
        timers->Destroy(beatTimer_);
    }
}

void InputSystem::Wire(InputServerLink& link) { link.SetEvents(this); }

void InputSystem::PlayThisKey(std::int32_t keyNo, std::int32_t deviceNo) {
    const LinkUse use(linkDepth_);
    InputDx7_PlayThisKey({DeviceNo{deviceNo}, KeyNo{keyNo}});
}

void InputSystem::ServerMessage(std::string_view text, std::string_view title) {
    const LinkUse use(linkDepth_);
    st_.shell.Message(text, title, MsgButtons::Ok);
}

void InputSystem::ServerLost(bool stoppedAnswering) { OnServerLost(stoppedAnswering); }

void InputSystem::LatePress() { LatePressDropped(); }

void InputSystem::DevicesChanged() {
    if (client_) client_->DevicesChanged();
}

void InputSystem::ServerNote(std::string_view text) {
    // A server started again says the same again: once is enough.
    for (const std::string& n : notes_)
        if (n == text) return;
    if (notes_.size() >= 16) return; // a broken server cannot fill the panel
    notes_.emplace_back(text);
    if (!detecting_) ShowNotes();
}

void InputSystem::ShowNotes() {
    for (; notesShown_ < notes_.size(); ++notesShown_) st_.shell.Status(notes_[notesShown_]);
}

InputServerLink* InputSystem::Bridge() {
    if (!link_ && !linkTried_) {
        linkTried_ = true;
        link_ = factory_ ? factory_() : nullptr;
        if (link_) {
            Wire(*link_);
            // Tried again like one that was lost, in case what stopped it passes.
            if (!link_->HasServer()) {
                loss_ = Loss::NotStarted;
                ScheduleRestart();
            }
        }
    }
    return link_.get();
}

void InputSystem::EnsureTimers() {
    if (timersMade_ || !timers) return;
    timersMade_ = true;
    restartTimer_ = timers->Create([this] { Restart(); });
    beatTimer_ = timers->Create([this] { Beat(); });
}

void InputSystem::OnServerLost(bool stoppedAnswering) {
    if (released_) return;
    if (loss_ == Loss::None) loss_ = stoppedAnswering ? Loss::NotAnswering : Loss::Ended;
    ShowTruth();
    // A restart in progress decides itself what comes next.
    if (inRestart_) return;
    // Unless it comes back at once, the window's keys stand in meanwhile.
    if (ScheduleRestart() > 0) StandIn();
}

std::int64_t InputSystem::ScheduleRestart() {
    if (!timers || !factory_ || released_ || restartPending_) return -1;
    EnsureTimers();
    restartPending_ = true;
    const std::int64_t wait = backoff_.NextWaitMs(timers->NowMs());
    timers->Start(restartTimer_, std::max<std::int64_t>(1, wait));
    return wait;
}

bool InputSystem::StartServer() {
    // The old bridge goes first: its server is gone, and the new one's
    // channel must not meet a watcher of the old.
    link_.reset();
    link_ = factory_ ? factory_() : nullptr;
    if (link_) Wire(*link_);
    return HasServer();
}

void InputSystem::Restart() {
    if (linkDepth_ > 0) {
        timers->Start(restartTimer_, kBusyRetryMs);
        return;
    }
    timers->Stop(restartTimer_);
    restartPending_ = false;
    if (released_ || HasServer()) return;
    inRestart_ = true;
    if (StartServer()) {
        // Detection as the program runs it, but without questions: the
        // keyboard and mouse were settled before. It switches the devices on
        // again when they were on.
        quiet_ = true;
        if (!client_ || !client_->DetectAll()) DetectInputDevices();
        quiet_ = false;
    }
    inRestart_ = false;
    if (HasServer()) {
        BackAgain(loss_);
        return;
    }
    StandIn();
    ShowTruth();
    ScheduleRestart();
}

void InputSystem::BackAgain(Loss was) {
    if (restartPending_) {
        timers->Stop(restartTimer_);
        restartPending_ = false;
    }
    if (timers) backoff_.Up(timers->NowMs());
    loss_ = Loss::None;
    toldAway_ = false;
    switch (was) {
    case Loss::Ended: st_.shell.Status(kServerRestartedText); break;
    case Loss::NotAnswering: st_.shell.Status(kServerUnansweringRestartedText); break;
    case Loss::NotStarted: st_.shell.Status(kServerStartedText); break;
    case Loss::None: break;
    }
    ShowTruth();
}

void InputSystem::StandIn() {
    // Listed as before, so Sub Boards keep their devices; read by nobody.
    for (InputDevice& d : st_.InputDevices) d.Ready = false;
    if (client_) client_->ServerLost();
    if (toldAway_) return;
    toldAway_ = true;
    std::string text(loss_ == Loss::NotAnswering ? kServerUnansweringRestartingText
                     : loss_ == Loss::NotStarted ? kServerNotStartedText
                                                 : kServerRestartingText);
    if (keyboardStandsIn) text += kWindowKeysPlayText;
    st_.shell.Status(text);
}

void InputSystem::ShowTruth() {
    const std::int32_t shown = HasServer() ? wanted_ : 0;
    if (shown != shown_) {
        shown_ = shown;
        st_.views.Post(notice::ShowInputOnOff{shown == 1});
    }
    if (!timers || released_) return;
    const bool beat = shown_ == 1;
    if (beat == beating_) return;
    EnsureTimers();
    beating_ = beat;
    if (beat) {
        lastBeatMs_ = timers->NowMs();
        timers->Start(beatTimer_, kHeartbeatMs);
    } else {
        timers->Stop(beatTimer_);
    }
}

void InputSystem::Beat() {
    const std::int64_t now = timers->NowMs();
    // A tick that comes late means the window was blocked: the answer may
    // be on its way still, so this one judges nothing.
    const bool late = now - lastBeatMs_ > kHeartbeatMs + kHeartbeatMs / 2;
    lastBeatMs_ = now;
    if (late || !link_) return;
    const LinkUse use(linkDepth_);
    // A server that did not answer has been ended and reported lost.
    link_->Heartbeat();
}

void InputSystem::LatePressDropped() {
    ++latePresses_;
    ++lateRun_;
    st_.shell.Status(LatePressesText(lateRun_));
}

std::string InputSystem::FindDeviceName(std::string_view section, std::string_view fallback, std::string_view question,
                                        bool standsIn) {
    std::string name = settings ? settings->ReadSetting(section, "LangName", fallback) : std::string(fallback);
    for (const InputDevice& d : st_.InputDevices)
        if (d.Name == name) return name;
    if (standsIn) return name;
    // With no device at all there is nothing to choose from; a restarted
    // server finds what the user settled before.
    if (!client_ || st_.InputDevices.empty() || quiet_) return name;
    const std::optional<std::int32_t> chosen = client_->ChooseDevice(question, DeviceListEntries(st_));
    if (!chosen) return name;
    if (const InputDevice* d = st_.Device(*chosen)) {
        name = d->Name;
        if (settings) settings->WriteSetting(section, "LangName", name);
    }
    return name;
}

void InputSystem::DetectInputDevices() {
    const LinkUse use(linkDepth_);
    // The detection's own texts would hide a note arriving meanwhile.
    const bool wasDetecting = std::exchange(detecting_, true);
    struct Done {
        InputSystem& s;
        bool was;
        ~Done() {
            s.detecting_ = was;
            if (!was) s.ShowNotes();
        }
    } done{*this, wasDetecting};
    st_.shell.Status("Detecting Input Devices");
    std::vector<std::int32_t> reply = DetectionErrorReply();
    const bool hadBridge = linkTried_;
    InputServerLink* link = Bridge();
    // Asked to detect while the server is gone: start it again now rather
    // than at the next try.
    if (hadBridge && !inRestart_ && link_ && !link->HasServer() && factory_) {
        const Loss was = loss_;
        if (StartServer()) BackAgain(was);
        link = link_.get();
    }
    if (link && link->HasServer()) {
        link->DxDetectDiDevices(0, reply);
    } else if (!toldNoServer_) {
        toldNoServer_ = true;
        st_.shell.Message("The input-device server TambrelOrchestraDll could not be started or has stopped." + kCrLf +
                              "The program runs on, but no keyboard, mouse or game controller can play.",
                          "Input devices", MsgButtons::Ok);
    }
    // This run's layouts: the devices listed until now, then those of
    // earlier detections that are not listed now (unplugged meanwhile, or a
    // detection failed). A device found again keeps its layout.
    std::vector<InputDevice> known = std::move(st_.InputDevices);
    for (InputDevice& d : earlier_)
        if (!NameIn(known, d.Name)) known.push_back(std::move(d));
    earlier_.clear();
    st_.InputDevices.clear();

    std::vector<DetectedDevice> found;
    // A reply that is cut short or inconsistent is a failed detection too.
    if (reply.size() < 2 || !DecodeDetectionReply(reply, found)) {
        KeepLayouts(known);
        st_.shell.Status("Error Detecting Input Devices");
        RebindAfterDetection({});
        return;
    }
    for (const DetectedDevice& f : found) {
        InputDevice d;
        d.Name = f.name;
        d.Ready = f.ready;
        d.KeyCount = static_cast<std::int32_t>(f.keyNames.size());
        for (const std::string& k : f.keyNames) d.KeyLabels.push_back(CleanKeyLabel(k));
        st_.InputDevices.push_back(std::move(d));
    }

    st_.KeyboardName = FindDeviceName("KeyBoard", "Keyboard",
                                      "Due to language difference \"Keyboard\" could not be located. Please choose "
                                      "the keyboard from this list of input devices.",
                                      keyboardStandsIn);
    st_.MouseName = FindDeviceName("Mouse", "Mouse",
                                   "Due to language difference \"Mouse\" could not be located. Please choose the "
                                   "mouse from this list of input devices.",
                                   false);

    // Carried over by name (the n-th device of a name takes the n-th known
    // one) when the key count is the same; every other layout is read.
    std::vector<bool> used(known.size(), false), readAnew(st_.InputDevices.size(), true);
    for (std::size_t d = 0; d < st_.InputDevices.size(); ++d) {
        InputDevice& dev = st_.InputDevices[d];
        for (std::size_t k = 0; k < known.size(); ++k) {
            if (used[k] || known[k].Name != dev.Name || known[k].KeyCount != dev.KeyCount || !LayoutFits(known[k]))
                continue;
            used[k] = true;
            dev.Layout = std::move(known[k].Layout);
            readAnew[d] = false;
            break;
        }
    }
    std::vector<InputDevice> unused;
    for (std::size_t k = 0; k < known.size(); ++k)
        if (!used[k]) unused.push_back(std::move(known[k]));
    KeepLayouts(unused);
    if (client_)
        for (std::int32_t d = 1; d <= st_.DeviceCount(); ++d)
            if (readAnew[static_cast<std::size_t>(d - 1)]) client_->ReadDeviceLayout(d);
    st_.shell.Status(" ");
    RebindAfterDetection(readAnew);
    // Detection leaves every device off in the server; those that were on
    // are switched on again, or the ON/OFF control would show a lie.
    if (wanted_ == 1 && link && link->HasServer()) link->DxDeviceAcquire();

    unreadableGroup_ = link && !link->NoPermission.empty() ? link->NoPermissionGroup : std::string();
    if (link && !link->NoPermission.empty() && !toldNoPermission_) {
        toldNoPermission_ = true;
        std::string names;
        for (const std::string& n : link->NoPermission) names += (names.empty() ? "" : ", ") + n;
        st_.shell.Message(NoPermissionMessage(names, link->NoPermissionGroup), "Input devices", MsgButtons::Ok);
    }
}

std::string NoPermissionMessage(std::string_view names, std::string_view group) {
    std::string text = "These input devices were found but may not be read by your user: " + std::string(names) + ".";
    // Only the group the nodes really belong to is worth joining.
    if (!group.empty())
        text += std::string(kCrLf) + kCrLf + "To play them, add your user to the group " + std::string(group) + ":" +
                kCrLf + "    sudo usermod -aG " + std::string(group) + " $USER" + kCrLf +
                "then log out and log in again, and press the detect button.";
    return text;
}

std::string PermissionHelpText(std::string_view group) {
    if (group.empty()) return "Input devices cannot be read by your user. The window keyboard plays meanwhile.";
    const std::string g(group);
    return "Input devices cannot be read: add yourself to the group " + g + " (sudo usermod -aG " + g +
           " $USER), then log out and in again. The window keyboard plays meanwhile.";
}

void InputSystem::KeepLayouts(std::vector<InputDevice>& devices) {
    for (InputDevice& d : devices)
        if (LayoutFits(d) && !NameIn(st_.InputDevices, d.Name) && !NameIn(earlier_, d.Name))
            earlier_.push_back(std::move(d));
}

void InputSystem::RebindAfterDetection(const std::vector<bool>& readAnew) {
    bool changed = RebindSubBoards(st_);
    for (const PlayBoard& pb : st_.Orc.PlayBoards)
        for (const SubBoard& sb : pb.Bds)
            if (sb.InpDevNo >= 1 && static_cast<std::size_t>(sb.InpDevNo) <= readAnew.size() &&
                readAnew[static_cast<std::size_t>(sb.InpDevNo - 1)])
                changed = true;
    if (changed) st_.views.Post(notice::RebuildAllBoardViews{});
}

void InputSystem::DiAcuire_Do(std::int32_t state) {
    const LinkUse use(linkDepth_);
    wanted_ = state;
    if (InputServerLink* link = Bridge(); link && link->HasServer()) {
        if (state == 1) link->DxDeviceAcquire();
        else link->DxDeviceUnAcquire();
    }
    ShowTruth();
}

void InputSystem::InputDx7_PlayThisKey(DeviceKey press) {
    lateRun_ = 0;
    if (!client_) return;
    if (KeyStrokeSink* recorder = client_->RecordingSink(); recorder && recorder->IsRecording())
        recorder->AppendKeyStroke(press);
    RouteKeyEvent(st_.Orc, press, [this](KeyAddress key) { client_->PlayKey(key); });
}

void InputSystem::Release() {
    released_ = true;
    if (timersMade_) {
        timers->Stop(restartTimer_);
        timers->Stop(beatTimer_);
    }
    restartPending_ = beating_ = false;
    if (link_ && link_->HasServer()) link_->DxDeviceUnAcquire();
    link_.reset();
}

} // namespace tambrel
