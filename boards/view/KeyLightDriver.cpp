#include "boards/view/KeyLightDriver.h"

namespace tambrel {

KeyLightDriver::KeyLightDriver(QObject* parent) : QObject(parent) {
    clock_.start();
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kLightFrameMs);
    connect(&timer_, &QTimer::timeout, this, &KeyLightDriver::Frame);
}

void KeyLightDriver::SetOn(bool on) {
    if (on == on_) return;
    on_ = on;
    if (!on_) Clear();
}

void KeyLightDriver::Start() {
    // The first frame comes at once, so a press shows without waiting a frame.
    if (!timer_.isActive()) {
        timer_.start();
        QTimer::singleShot(0, this, &KeyLightDriver::Frame);
    }
}

void KeyLightDriver::Played(KeyAddress key, std::int32_t ms) {
    if (!on_) return;
    lights_.Played(key, Now(), ms);
    Start();
}

void KeyLightDriver::Stopped(KeyAddress key) {
    if (!on_) return;
    lights_.Stopped(key, Now());
}

void KeyLightDriver::Clear() {
    changed_.clear();
    lights_.Clear(changed_);
    timer_.stop();
    if (!changed_.empty()) emit KeysChanged();
}

void KeyLightDriver::Frame() {
    changed_.clear();
    lights_.Frame(Now(), changed_);
    if (lights_.Idle()) timer_.stop();
    if (!changed_.empty()) emit KeysChanged();
}

} // namespace tambrel
