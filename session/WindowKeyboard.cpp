#include "session/WindowKeyboard.h"

#include "input/KeyboardTable.h"
#include "session/Instrument.h"

namespace tambrel {

void WindowKeyboard::AfterDetection(ProgramState& st) {
    device_ = 0;
    std::int32_t listed = 0;
    for (std::int32_t d = 1; d <= st.DeviceCount(); ++d) {
        const InputDevice& dev = *st.Device(d);
        if (dev.Name != st.KeyboardName || dev.KeyCount != static_cast<std::int32_t>(kKeyboardObjects)) continue;
        if (dev.Ready) return; // the server reads it
        listed = d;
        break;
    }
    if (listed == 0) {
        InputDevice k;
        k.Name = st.KeyboardName;
        k.KeyCount = static_cast<std::int32_t>(kKeyboardObjects);
        for (const InputObject& o : KeyboardObjects()) k.KeyLabels.emplace_back(o.label);
        k.Layout.Keys.resize(kKeyboardObjects);
        st.InputDevices.push_back(std::move(k));
        listed = st.DeviceCount();
    }
    device_ = listed;
    if (!told_) {
        told_ = true;
        st.shell.Status(kWindowKeyboardText);
    }
}

bool WindowKeyboard::KeyPressed(Instrument& instrument, std::uint32_t nativeScanCode, bool autoRepeat) const {
    if (device_ == 0 || autoRepeat || nativeScanCode < 8 || nativeScanCode > 0xFFFF + 8) return false;
    const std::int32_t key = KeyboardObjectForCode(static_cast<std::uint16_t>(nativeScanCode - 8));
    if (key == 0) return false;
    instrument.KeyEvent(device_, key);
    return true;
}

} // namespace tambrel
