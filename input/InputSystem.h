#pragma once
// The program's side of input: the bridge (created on first use), device
// detection into ProgramState::InputDevices, the keyboard and mouse names,
// switching the devices on and off, and the delivery of every key event to
// recording and to the play dispatcher. User-interface thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/ProgramState.h"
#include "common/InputServerLink.h"

namespace tambrel {

class Settings;

// Where key events go while they are recorded (the keystroke recorder).
// Input knows only this, so recording can sit above it.
class KeyStrokeSink {
public:
    virtual ~KeyStrokeSink() = default;
    virtual bool IsRecording() const = 0;
    virtual void AppendKeyStroke(std::int32_t KeyNo, std::int32_t InpDvNo) = 0;
};

// Plays key keyNo of Sub Board board on Play Board playBoard.
using PlayKeyFn = std::function<void(std::int32_t key, std::int32_t board, std::int32_t playBoard)>;

// The device-list question: shows text above the entries and returns the
// chosen entry (1-based, entry i is device i), or 0 when the user chose none.
using ChooseDeviceFn = std::function<std::int32_t(std::string_view text, const std::vector<std::string>& entries)>;

// A key's label: the server's name with every "numpad " (any letter case)
// replaced by two spaces.
std::string CleanKeyLabel(std::string_view name);

// "1. Keyboard (128 Keys)" for every device, in device order.
std::vector<std::string> DeviceListEntries(const ProgramState& st);

// The device-list question asked through an input box of the shell, for a
// program that has no list dialog of its own: the entries are listed in the
// prompt and the user types an entry number.
ChooseDeviceFn DeviceListByInputBox(Shell& shell);

// Plays a key event on the Play Board active now: every Sub Board bound to
// the device, lowest index first. Nothing when no Play Board is active.
void RouteKeyEvent(Orchestra& orc, std::int32_t keyNo, std::int32_t inpDvNo, const PlayKeyFn& playKey);

class InputSystem {
public:
    using LinkFactory = std::function<std::unique_ptr<InputServerLink>()>;

    // factory makes the bridge on first use (a LocInputDx7Class in the app).
    InputSystem(ProgramState& st, LinkFactory factory);
    ~InputSystem();
    InputSystem(const InputSystem&) = delete;
    InputSystem& operator=(const InputSystem&) = delete;

    // Where the keyboard's and mouse's names are kept; none: not kept.
    const Settings* settings = nullptr;
    // Asks for the keyboard or mouse when its name is not found; none: not asked.
    ChooseDeviceFn chooseDevice;
    // True where a keyboard under the default name is always there, fed by
    // the main window when the server reads none. The server reports every
    // keyboard under that one name, so a missing keyboard means it cannot be
    // read, not that its name differs: asking which device is the keyboard
    // would only offer the mouse or a game controller, at every start.
    bool keyboardStandsIn = false;
    // Called after detection, in device order, for every device whose
    // layout is not carried over: a device found again under the same name
    // with the same key count keeps this run's layout (the n-th device of a
    // name takes the n-th earlier one), also across a failed detection or an
    // unplugging in between.
    std::function<void(std::int32_t device)> readDeviceLayout;
    // The play dispatcher.
    PlayKeyFn playKey;
    // Receives the key events while it records.
    KeyStrokeSink* recorder = nullptr;

    // The bridge, created on first use; nullptr only when the factory gives none.
    InputServerLink* Bridge();
    // Rebuilds the device list, reads or carries over the layouts, then binds
    // every Sub Board again to its device by name (as loading does) and, when
    // a board's device, key count or layout changed, asks for the board views
    // to be rebuilt (RebuildAllBoardViews).
    void DetectInputDevices();
    // state 1 switches every device on, any other value off; failures are
    // ignored. The ON/OFF control then shows state.
    void DiAcuire_Do(std::int32_t& state);
    std::int32_t OnOffState() const { return onOff_; }
    // The server's PlayThisKey event.
    void InputDx7_PlayThisKey(std::int32_t& KeyNo, std::int32_t& InpDvNo);
    // At exit: devices off, then the bridge goes (and with it the server).
    void Release();

private:
    void KeepLayouts(std::vector<InputDevice>& devices);
    void RebindAfterDetection(const std::vector<bool>& readAnew);
    std::string FindDeviceName(std::string_view section, std::string_view fallback, std::string_view question,
                               bool standsIn);

    ProgramState& st_;
    LinkFactory factory_;
    std::unique_ptr<InputServerLink> link_;
    bool linkTried_ = false;
    std::int32_t onOff_ = 0;
    bool toldNoServer_ = false;
    bool toldNoPermission_ = false;
    // Devices of earlier detections not listed now, with this run's layouts.
    std::vector<InputDevice> earlier_;
};

} // namespace tambrel
