#pragma once
// A stand-in for the input server's bridge in tests.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/InputServerLink.h"
#include "input/InputProtocol.h"
#include "input/InputSystem.h"

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

// The input system's client in tests: each part a test fills in; the rest
// as a client that gives nothing.
struct TestInputClient : InputClient {
    std::function<void(KeyAddress)> playKey;
    KeyStrokeSink* recorder = nullptr;
    std::function<void(std::int32_t)> readDeviceLayout;
    std::function<std::int32_t(std::string_view, const std::vector<std::string>&)> chooseDevice;

    void PlayKey(KeyAddress key) override {
        if (playKey) playKey(key);
    }
    KeyStrokeSink* RecordingSink() override { return recorder; }
    void ReadDeviceLayout(std::int32_t device) override {
        if (readDeviceLayout) readDeviceLayout(device);
    }
    std::optional<std::int32_t> ChooseDevice(std::string_view text, const std::vector<std::string>& entries) override {
        if (!chooseDevice) return std::nullopt;
        return chooseDevice(text, entries);
    }
};

// Bridges that answer detection with these devices (by default: an input
// server that answers and finds no device).
inline InputSystem::LinkFactory FakeLinksFinding(std::vector<DetectedDevice> devices = {}) {
    return [devices = std::move(devices)] {
        auto link = std::make_unique<FakeLink>();
        link->reply = EncodeDetectionReply(devices);
        return std::unique_ptr<InputServerLink>(std::move(link));
    };
}

} // namespace tambrel::test
