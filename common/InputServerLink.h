#pragma once
// The program's view of the input-device server's object: its three
// operations and the events it raises. LocInputDx7Class implements it over
// the real server process; tests may stand in for it.
// User-interface thread only.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tambrel {

// A press that waited longer than this before the program could take it (its
// window was blocked) is dropped, not played: a burst of old presses firing
// at once is worse on stage than a gap.
inline constexpr std::int64_t kLatePressMs = 250;

// What the link raises, on the user-interface thread, to the one object that
// listens (the input system; a test's recorder). Events nobody needs may be
// left as they are.
class InputServerEvents {
public:
    virtual ~InputServerEvents() = default;
    // The server's PlayThisKey event, in its order: key number, device number.
    virtual void PlayThisKey(std::int32_t keyNo, std::int32_t deviceNo) = 0;
    // A message box the server asks the program to show.
    virtual void ServerMessage(std::string_view /*text*/, std::string_view /*title*/) {}
    // The link found its server gone by itself: it ended or broke the
    // protocol (false), or did not answer in time (true). Raised once per
    // server, possibly in the middle of one of the link's calls; never by
    // releasing the link.
    virtual void ServerLost(bool /*stoppedAnswering*/) {}
    // Raised instead of PlayThisKey for a press older than kLatePressMs.
    virtual void LatePress() {}
    // A device was plugged in or out, or its permissions changed: a new
    // detection would find something else. May come from inside one of the
    // link's calls.
    virtual void DevicesChanged() {}
    // A line the server has for the status panel (an OSC port taken, a
    // socket open to the network). A restarted server says it again.
    virtual void ServerNote(std::string_view /*text*/) {}
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

    // Who hears the link's events; nullptr: nobody.
    void SetEvents(InputServerEvents* events) { events_ = events; }
    InputServerEvents* Events() const { return events_; }

    // Devices the last detection found but this user may not open.
    std::vector<std::string> NoPermission;
    // The group their event nodes belong to, as the server read it from the
    // nodes; empty when it could not tell.
    std::string NoPermissionGroup;

protected:
    InputServerEvents* events_ = nullptr;
};

} // namespace tambrel
