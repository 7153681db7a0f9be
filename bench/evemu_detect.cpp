// Detection on recordings of real devices: how long the input-device server
// takes to detect a machine's mix of ten recorded devices (a laptop's
// keyboard, touchpad, trackpoint, power button, video bus and lid, a
// wireless receiver, a PlayStation pad's three nodes), through the real
// server process and bridge, as the program asks; and the part of it spent
// in the server's own work (reading the files, building each libevdev
// device, classifying and joining them), measured in-process.
//
//   evemu_detect [RUNS]      (default 200)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "input/InputProtocol.h"
#include "input/LocInputDx7Class.h"
#include "inputserver/EvdevBackend.h"

using namespace tambrel;
using Clock = std::chrono::steady_clock;

namespace {

const char* const kMix[] = {"keyboard-laptop-at",
                            "touchpad-synaptics-clickpad",
                            "trackpoint-lenovo-compact",
                            "power-button",
                            "video-bus",
                            "lid-switch",
                            "receiver-logitech-k400",
                            "gamepad-ds4",
                            "gamepad-ds4-motion-sensors",
                            "gamepad-ds4-touchpad"};

void Report(const char* what, std::vector<double>& ms) {
    std::sort(ms.begin(), ms.end());
    auto at = [&](double p) { return ms[static_cast<std::size_t>(p * static_cast<double>(ms.size() - 1))]; };
    std::printf("%-46s runs %4zu  median %7.3f ms  p90 %7.3f ms  max %7.3f ms\n", what, ms.size(), at(0.5), at(0.9),
                ms.back());
}

double Since(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    std::vector<std::string> files;
    for (const char* f : kMix) files.push_back(std::string(TAMBREL_SOURCE_DIR) + "/tests/data/devices/" + f + ".evemu");

    std::vector<double> inProcess, parsed, throughServer;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = Clock::now();
        server::EvemuBackend backend(files);
        const double p = Since(t0);
        const auto t1 = Clock::now();
        const auto devices = backend.Enumerate();
        inProcess.push_back(Since(t1));
        parsed.push_back(p);
        if (devices.size() != 3) {
            std::fprintf(stderr, "evemu_detect: the mix gave %zu devices, not 3\n", devices.size());
            return 1;
        }
    }

    InputServerOptions o;
    for (const std::string& f : files) {
        o.serverArgs.push_back("--evemu");
        o.serverArgs.push_back(f);
    }
    LocInputDx7Class bridge(o);
    if (!bridge.HasServer()) {
        std::fprintf(stderr, "evemu_detect: the input server did not start (%s)\n",
                     LocInputDx7Class::DefaultServerPath().c_str());
        return 1;
    }
    for (int i = 0; i < runs; ++i) {
        std::vector<std::int32_t> reply;
        const auto t0 = Clock::now();
        if (!bridge.DxDetectDiDevices(0, reply)) return 1;
        throughServer.push_back(Since(t0));
    }
    std::printf("10 recorded devices (3 devices of the program):\n");
    Report("reading and parsing the 10 files", parsed);
    Report("detecting them in-process (build, classify)", inProcess);
    Report("detecting them through the server (Detect)", throughServer);
    return 0;
}
