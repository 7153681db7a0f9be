#pragma once
// The program's view of the input-device server's object: its three
// operations and the events it raises. LocInputDx7Class implements it over
// the real server process; tests may stand in for it.
// User-interface thread only.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tambrel {

// A press that waited longer than this before the program could take it (its
// window was blocked) is dropped, not played: a burst of old presses firing
// at once is worse on stage than a gap.
inline constexpr std::int64_t kLatePressMs = 250;

// Told what the server says of the attached devices, besides its events.
class DeviceChangeListener {
public:
    virtual ~DeviceChangeListener() = default;
    // A device was plugged in or out, or its permissions changed: a new
    // detection would find something else. May come from inside one of the
    // link's calls.
    virtual void InputDevicesChanged() = 0;
};

class InputServerLink {
public:
    virtual ~InputServerLink() = default;

    // Detects the attached devices and fills kbData with the detection reply
    // (see input/InputProtocol.h). False when the server could not be asked;
    // kbData is then the one-element error reply.
    virtual bool DxDetectDiDevices(std::int32_t hwndNo, std::vector<std::int32_t>& kbData) = 0;
    // Switch every device on / off. False when the server reported a failure
    // or could not be asked.
    virtual bool DxDeviceAcquire() = 0;
    virtual bool DxDeviceUnAcquire() = 0;
    // True while a server answers.
    virtual bool HasServer() const = 0;
    // A sign of life, asked about once a second while the devices are on;
    // never waits. False when the server is gone or has not answered the
    // previous one: the link has then ended it (and raised ServerLost).
    virtual bool Heartbeat() { return HasServer(); }

    // The server's PlayThisKey event: key number, device number.
    std::function<void(std::int32_t& KeyNo, std::int32_t& InpDvNo)> InputDx7_PlayThisKey;
    // A message box the server asks the program to show (text, title).
    std::function<void(std::string_view text, std::string_view title)> ServerMessage;
    // The link found its server gone by itself: it ended or broke the
    // protocol (false), or did not answer in time (true). Raised once per
    // server, possibly in the middle of one of the calls above; never by
    // releasing the link.
    std::function<void(bool stoppedAnswering)> ServerLost;
    // Raised instead of InputDx7_PlayThisKey for a press older than
    // kLatePressMs.
    std::function<void()> LatePress;
    // Devices the last detection found but this user may not open.
    std::vector<std::string> NoPermission;
    // The group their event nodes belong to, as the server read it from the
    // nodes; empty when it could not tell.
    std::string NoPermissionGroup;
    // Told when the server says the devices changed; none: not told.
    DeviceChangeListener* deviceChanges = nullptr;
};

} // namespace tambrel
