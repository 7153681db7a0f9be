#pragma once
// Drives the key lights of every board view: takes the core's play notices
// as they come, and once a display frame (only while some key is lit or
// fading) names the keys whose brightness changed, for the views to repaint
// just those keys. The views read the brightness from Lights(). Turned off,
// it drops the notices and every key is dark. User-interface thread.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <vector>

#include "boards/KeyLights.h"

namespace tambrel {

class KeyLightDriver : public QObject {
    Q_OBJECT
public:
    explicit KeyLightDriver(QObject* parent = nullptr);

    const KeyLights& Lights() const { return lights_; }
    bool On() const { return on_; }
    void SetOn(bool on);
    void Played(KeyAddress key, std::int32_t ms);
    void Stopped(KeyAddress key);
    // Every key dark now (another Orchestra was opened).
    void Clear();
    // One frame now, as the frame timer runs it.
    void Frame();
    // The keys of the last KeysChanged.
    const std::vector<KeyAddress>& Changed() const { return changed_; }
    bool Running() const { return timer_.isActive(); }

signals:
    // The keys in Changed() are to be painted again.
    void KeysChanged();

private:
    void Start();
    std::int64_t Now() const { return clock_.elapsed(); }
    KeyLights lights_;
    std::vector<KeyAddress> changed_;
    QTimer timer_;
    QElapsedTimer clock_;
    bool on_ = true;
};

} // namespace tambrel
