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

std::int64_t StampAge::AgeMs(std::uint64_t stampMs, std::int64_t nowMs) {
    if (stampMs == 0) return 0;
    // In 32 bits with sign: X stamps wrap every 49.7 days, and a stamp a
    // little ahead of a coarser clock of ours reads as a small negative lag.
    const auto lag = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(nowMs) - stampMs));
    if (!known_ || lag < offset_) {
        known_ = true;
        offset_ = lag;
    }
    return static_cast<std::int64_t>(lag) - offset_;
}

bool WindowKeyboard::KeyPressed(Instrument& instrument, std::uint32_t nativeScanCode, bool autoRepeat,
                                std::uint64_t stampMs, std::int64_t nowMs) {
    // Every event calibrates, played or not.
    const std::int64_t age = age_.AgeMs(stampMs, nowMs);
    if (age > kLatePressMs && KeyOf(nativeScanCode, autoRepeat) != 0) {
        instrument.Input().LatePressDropped();
        return false;
    }
    return KeyPressed(instrument, nativeScanCode, autoRepeat);
}

bool WindowKeyboard::KeyPressed(Instrument& instrument, std::uint32_t nativeScanCode, bool autoRepeat) const {
    const std::int32_t key = KeyOf(nativeScanCode, autoRepeat);
    if (key == 0) return false;
    instrument.KeyEvent({DeviceNo{device_}, KeyNo{key}});
    return true;
}

std::int32_t WindowKeyboard::KeyOf(std::uint32_t nativeScanCode, bool autoRepeat) const {
    if (device_ == 0 || autoRepeat || nativeScanCode < 8 || nativeScanCode > 0xFFFF + 8) return 0;
    return KeyboardObjectForCode(static_cast<std::uint16_t>(nativeScanCode - 8));
}

} // namespace tambrel
