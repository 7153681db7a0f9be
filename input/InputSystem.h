#pragma once
// The program's side of input: the bridge (created on first use), device
// detection into ProgramState::InputDevices, the keyboard and mouse names,
// switching the devices on and off, and the delivery of every key event to
// recording and to the play dispatcher. User-interface thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/ProgramState.h"
#include "common/InputServerLink.h"
#include "common/TimerHost.h"
#include "input/RestartBackoff.h"

namespace tambrel {

class Settings;

// What the status panel says when the input server is lost and comes back.
inline constexpr std::string_view kServerRestartedText = "The input server stopped; restarted it";
inline constexpr std::string_view kServerUnansweringRestartedText = "The input server stopped answering; restarted it";
inline constexpr std::string_view kServerStartedText = "The input server started";
// Said once while it stays away; the program adds kWindowKeysPlayText when
// its window's keys stand in meanwhile.
inline constexpr std::string_view kServerRestartingText = "The input server stopped; trying to restart it";
inline constexpr std::string_view kServerUnansweringRestartingText =
    "The input server stopped answering; trying to restart it";
inline constexpr std::string_view kServerNotStartedText = "The input server could not be started; trying again";
inline constexpr std::string_view kWindowKeysPlayText = ". Until then, keys play while this window has the focus";
// "Dropped 3 key presses made while the program was busy" (n of this run).
std::string LatePressesText(std::int64_t n);
// How often a server with its devices on is asked for a sign of life; it
// has until the next time to answer.
inline constexpr std::int64_t kHeartbeatMs = 1000;

// Where key events go while they are recorded (the keystroke recorder).
// Input knows only this, so recording can sit above it.
class KeyStrokeSink {
public:
    virtual ~KeyStrokeSink() = default;
    virtual bool IsRecording() const = 0;
    virtual void AppendKeyStroke(DeviceKey press) = 0;
};

// Plays one key.
using PlayKeyFn = std::function<void(KeyAddress key)>;

// The device-list question: shows text above the entries and returns the
// chosen entry (1-based, entry i is device i), or 0 when the user chose none.
using ChooseDeviceFn = std::function<std::int32_t(std::string_view text, const std::vector<std::string>& entries)>;

// A key's label: the server's name with every "numpad " (any letter case)
// replaced by two spaces.
std::string CleanKeyLabel(std::string_view name);

// The message box shown once when devices were found that this user may not
// read: names them and, when the server could tell the group their nodes
// belong to, how to join it. No group is suggested that the nodes lack.
std::string NoPermissionMessage(std::string_view names, std::string_view group);
// The status panel's words for the same: "Input devices cannot be read: add
// yourself to the group input (sudo usermod -aG input $USER), then log out
// and in again. The window keyboard plays meanwhile."
std::string PermissionHelpText(std::string_view group);

// "1. Keyboard (128 Keys)" for every device, in device order.
std::vector<std::string> DeviceListEntries(const ProgramState& st);

// The device-list question asked through an input box of the shell, for a
// program that has no list dialog of its own: the entries are listed in the
// prompt and the user types an entry number.
ChooseDeviceFn DeviceListByInputBox(Shell& shell);

// Plays a key event on the Play Board active now: every Sub Board bound to
// the device, lowest index first. Nothing when no Play Board is active.
void RouteKeyEvent(Orchestra& orc, DeviceKey press, const PlayKeyFn& playKey);

// What the input system asks of the program around it (the instrument, or
// the main program on top of it); user-interface thread. Only PlayKey must
// be given.
class InputClient {
public:
    virtual ~InputClient() = default;
    // The play dispatcher.
    virtual void PlayKey(KeyAddress key) = 0;
    // Receives the key events while it records; none: nothing records.
    virtual KeyStrokeSink* RecordingSink() { return nullptr; }
    // Called after detection, in device order, for every device whose
    // layout is not carried over: a device found again under the same name
    // with the same key count keeps this run's layout (the n-th device of a
    // name takes the n-th earlier one), also across a failed detection or an
    // unplugging in between.
    virtual void ReadDeviceLayout(std::int32_t /*device*/) {}
    // Asks for the keyboard or mouse when its name is not found: the chosen
    // entry as ChooseDeviceFn returns it; none: the question is not asked.
    virtual std::optional<std::int32_t> ChooseDevice(std::string_view /*text*/,
                                                     const std::vector<std::string>& /*entries*/) {
        return std::nullopt;
    }
    // The program's whole detection (the input system's DetectInputDevices
    // and what the program adds to it), run by restarts; false when there is
    // none and the input system's own is to run.
    virtual bool DetectAll() { return false; }
    // The server is lost and not back at once: every device is now listed
    // as not ready, and the program may stand in for the keyboard.
    virtual void ServerLost() {}
    // The server says the devices changed (plugged in or out, permissions
    // changed): a new detection would find something else. May come from
    // inside one of the bridge's calls.
    virtual void DevicesChanged() {}
};

class InputSystem final : private InputServerEvents {
public:
    using LinkFactory = std::function<std::unique_ptr<InputServerLink>()>;

    // factory makes the bridge on first use (a LocInputDx7Class in the app).
    InputSystem(ProgramState& st, LinkFactory factory);
    ~InputSystem() override;
    InputSystem(const InputSystem&) = delete;
    InputSystem& operator=(const InputSystem&) = delete;

    // Who plays, records, reads layouts and answers the device question;
    // none: presses go nowhere and nothing is asked.
    void SetClient(InputClient* client) { client_ = client; }

    // Where the keyboard's and mouse's names are kept; none: not kept.
    const Settings* settings = nullptr;
    // True where a keyboard under the default name is always there, fed by
    // the main window when the server reads none. The server reports every
    // keyboard under that one name, so a missing keyboard means it cannot be
    // read, not that its name differs: asking which device is the keyboard
    // would only offer the mouse or a game controller, at every start.
    bool keyboardStandsIn = false;
    // The program's timers. With them a lost server is started again by
    // itself (RestartBackoff) and a server with its devices on is asked for
    // a sign of life every kHeartbeatMs; without them only the next
    // detection starts it again.
    TimerHost* timers = nullptr;
    // Detections the program runs by itself (devices plugged in or out) ask
    // nothing while this is on: the keyboard and mouse were settled before,
    // and a question popping up mid-performance would stop the show.
    void AskNothing(bool on) { quiet_ = on; }
    // After a detection that found devices this user may not read: the group
    // their nodes belong to (empty when none, or when it is not known).
    const std::string& UnreadableGroup() const { return unreadableGroup_; }
    // The server's notes for the status panel so far, each once, in order.
    const std::vector<std::string>& ServerNotes() const { return notes_; }

    // The bridge, created on first use; nullptr only when the factory gives none.
    InputServerLink* Bridge();
    // Rebuilds the device list, reads or carries over the layouts, then binds
    // every Sub Board again to its device by name (as loading does) and, when
    // a board's device, key count or layout changed, asks for the board views
    // to be rebuilt (RebuildAllBoardViews). A server that is gone is started
    // again first; devices that were on are switched on again afterwards
    // (detection leaves them off in the server).
    void DetectInputDevices();
    // state 1 switches every device on, any other value off; failures are
    // ignored. The ON/OFF control then shows state while a server answers,
    // and off while none does; a restarted server gets the state last asked.
    void DiAcuire_Do(std::int32_t state);
    // What the ON/OFF control shows.
    std::int32_t OnOffState() const { return shown_; }
    // The server's PlayThisKey event.
    void InputDx7_PlayThisKey(DeviceKey press);
    // A press came too late to be played (kLatePressMs): counted, and the
    // status panel says how many of this run were dropped.
    void LatePressDropped();
    std::int64_t LatePresses() const { return latePresses_; }
    // At exit: devices off, then the bridge goes (and with it the server).
    void Release();

private:
    enum class Loss { None, Ended, NotAnswering, NotStarted };

    // The bridge's events.
    void PlayThisKey(std::int32_t keyNo, std::int32_t deviceNo) override;
    void ServerMessage(std::string_view text, std::string_view title) override;
    void ServerLost(bool stoppedAnswering) override;
    void LatePress() override;
    void DevicesChanged() override;
    void ServerNote(std::string_view text) override;
    // Shows the notes that came while a detection held the status panel.
    void ShowNotes();

    void KeepLayouts(std::vector<InputDevice>& devices);
    void RebindAfterDetection(const std::vector<bool>& readAnew);
    std::string FindDeviceName(std::string_view section, std::string_view fallback, std::string_view question,
                               bool standsIn);
    void Wire(InputServerLink& link);
    bool HasServer() const { return link_ && link_->HasServer(); }
    // The link found its server gone; may come from inside one of its calls.
    void OnServerLost(bool stoppedAnswering);
    // Arms the next start; its wait, or -1 when none was armed.
    std::int64_t ScheduleRestart();
    // The restart timer: a new server, detection, devices on as before.
    void Restart();
    // Replaces the bridge by a new one; true when its server answers.
    bool StartServer();
    void BackAgain(Loss was);
    void StandIn();
    // Shows on the ON/OFF control what is true now; beats while it is on.
    void ShowTruth();
    void Beat();
    void EnsureTimers();

    ProgramState& st_;
    LinkFactory factory_;
    InputClient* client_ = nullptr;
    std::unique_ptr<InputServerLink> link_;
    bool linkTried_ = false;
    std::int32_t wanted_ = 0; // the state last asked of DiAcuire_Do
    std::int32_t shown_ = 0;
    Loss loss_ = Loss::None; // why the server is away, until it is back
    bool toldAway_ = false;
    bool inRestart_ = false;
    bool quiet_ = false; // a restart's detection asks nothing
    bool released_ = false;
    bool restartPending_ = false;
    bool beating_ = false;
    TimerHost::TimerId restartTimer_ = 0, beatTimer_ = 0;
    bool timersMade_ = false;
    // Calls into the bridge and its calls back under way: a dialog shown
    // meanwhile runs the event loop, and a restart then must not replace
    // the bridge under them.
    int linkDepth_ = 0;
    struct LinkUse {
        explicit LinkUse(int& depth) : d(depth) { ++d; }
        ~LinkUse() { --d; }
        LinkUse(const LinkUse&) = delete;
        LinkUse& operator=(const LinkUse&) = delete;
        int& d;
    };
    std::int64_t lastBeatMs_ = 0;
    RestartBackoff backoff_;
    std::int64_t latePresses_ = 0, lateRun_ = 0;
    bool toldNoServer_ = false;
    bool toldNoPermission_ = false;
    std::string unreadableGroup_;
    std::vector<std::string> notes_;
    std::size_t notesShown_ = 0;
    bool detecting_ = false;
    // Devices of earlier detections not listed now, with this run's layouts.
    std::vector<InputDevice> earlier_;
};

} // namespace tambrel
