#pragma once
// Devices plugged in and out while the program runs. When the server says
// the set of devices changed, the program runs its "Detect Again" by
// itself, keeping every Sub Board on its device as that does, as soon as
// nothing would be disturbed by it: no dialog is open, nothing is recorded
// or played back (otherwise it waits until that ends). The status panel
// then says what was added or removed. An unplugged device never stops the
// others: the server goes on reading them meanwhile. User-interface thread.

#include <cstdint>
#include <string>
#include <vector>

#include "common/InputServerLink.h"
#include "common/TimerHost.h"
#include "document/InputDevice.h"

namespace tambrel {

class Program;

// Whether the window layer shows a modal dialog (or a menu) now.
class DialogWatch {
public:
    virtual ~DialogWatch() = default;
    virtual bool DialogOpen() const = 0;
};

// How often a detection held back by a dialog, a recording or a playback
// looks again whether it may run.
inline constexpr std::int64_t kHotPlugRetryMs = 250;

// "Input device added: Pad", "Input devices removed: Keyboard, Pad",
// "Input device added: Pad; removed: Mouse", or, when the list kept its
// names, "Input devices detected again".
std::string DevicesChangedText(const std::vector<InputDevice>& before, const std::vector<InputDevice>& after);

class HotPlug {
public:
    HotPlug(Program& program, TimerHost& timers);
    ~HotPlug();
    HotPlug(const HotPlug&) = delete;
    HotPlug& operator=(const HotPlug&) = delete;

    // Set by the window layer; none: no dialog is ever taken as open.
    const DialogWatch* dialogs = nullptr;

    // Never detects at once: this may come from inside a call to the server.
    void InputDevicesChanged();
    // A change waits to be detected.
    bool Waiting() const { return waiting_; }

private:
    bool WouldDisturb() const;
    void Tick();

    Program& program_;
    TimerHost& timers_;
    TimerHost::TimerId timer_ = 0;
    bool waiting_ = false;
};

} // namespace tambrel
