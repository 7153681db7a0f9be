#pragma once
// A stand-in for the input server's bridge in tests.

#include <cstdint>
#include <string>
#include <vector>

#include "common/InputServerLink.h"

namespace tambrel::test {

// Stands in for the bridge: answers detection with a prepared reply and
// records the calls it gets.
class FakeLink : public InputServerLink {
public:
    bool DxDetectDiDevices(std::int32_t, std::vector<std::int32_t>& kbData) override {
        calls.push_back("detect");
        kbData = reply;
        NoPermission = denied;
        NoPermissionGroup = deniedGroup;
        return true;
    }
    bool DxDeviceAcquire() override {
        calls.push_back("acquire");
        return switchOk;
    }
    bool DxDeviceUnAcquire() override {
        calls.push_back("unacquire");
        return switchOk;
    }
    bool HasServer() const override { return server; }
    bool Heartbeat() override {
        ++beats;
        if (server && !answering) Die(true); // as the bridge ends a server that did not answer
        return server;
    }

    // The server ends (or is found not answering), as the bridge reports it.
    void Die(bool stoppedAnswering = false) {
        if (!server) return;
        server = false;
        if (events_) events_->ServerLost(stoppedAnswering);
    }

    // Someone hears the events.
    bool Heard() const { return events_ != nullptr; }
    // A press, as the bridge delivers the server's event.
    void Press(std::int32_t keyNo, std::int32_t deviceNo) {
        if (events_) events_->PlayThisKey(keyNo, deviceNo);
    }

    std::vector<std::int32_t> reply;
    std::vector<std::string> denied;
    std::string deniedGroup; // the group of the denied devices' nodes
    std::vector<std::string> calls;
    bool server = true, switchOk = true, answering = true;
    int beats = 0;
};

} // namespace tambrel::test
