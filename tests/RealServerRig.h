#pragma once
// The real input server on a device script, seen through the program's
// bridge: its presses as (device, key), its detection decoded.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "input/InputProtocol.h"
#include "input/LocInputDx7Class.h"
#include "tests/ScriptPipe.h"
#include "tests/ServerPath.h"

namespace tambrel::test {

struct RealServerRig : InputServerEvents {
    ScriptPipe pipe;
    LocInputDx7Class bridge;
    std::vector<std::pair<int, int>> presses; // device, key

    // script: the first lines of the device script; more: further server options.
    explicit RealServerRig(const std::string& script, std::vector<std::string> more = {})
        : pipe(script), bridge(InputServerOptions{ServerPath(), Args(pipe, std::move(more)), 5000, 5000, 0}) {
        bridge.SetEvents(this);
    }
    void PlayThisKey(std::int32_t k, std::int32_t d) override { presses.emplace_back(d, k); }
    std::vector<DetectedDevice> Detect() {
        std::vector<std::int32_t> reply;
        EXPECT_TRUE(bridge.DxDetectDiDevices(0, reply));
        std::vector<DetectedDevice> devices;
        EXPECT_TRUE(DecodeDetectionReply(reply, devices));
        return devices;
    }
    // Waits until at least n presses have arrived, or ms have passed.
    void WaitFor(std::size_t n, int ms = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (presses.size() < n && std::chrono::steady_clock::now() < deadline) bridge.WaitForEvents(20);
    }

private:
    static std::vector<std::string> Args(const ScriptPipe& p, std::vector<std::string> more) {
        more.insert(more.begin(), {"--virtual", p.Path()});
        return more;
    }
};

} // namespace tambrel::test
