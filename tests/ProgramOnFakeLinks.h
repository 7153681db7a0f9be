#pragma once
// The whole program (session/Program) on a virtual clock, with no input
// server: every bridge it makes is a FakeLink that answers detection with
// the devices listed at that moment.

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/AudioOutput.h"
#include "common/Settings.h"
#include "common/VirtualClock.h"
#include "input/InputProtocol.h"
#include "session/Program.h"
#include "tests/FakeInputLink.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {

// A ready device with keys "K1" … "Kn".
inline DetectedDevice Dev(const std::string& name, int keys) {
    DetectedDevice d{name, true, {}};
    for (int k = 1; k <= keys; ++k) d.keyNames.push_back("K" + std::to_string(k));
    return d;
}

struct ProgramOnFakeLinks {
    using MakeLink = std::function<std::unique_ptr<FakeLink>()>;

    TestState t{{}};
    TempDir dir;
    Settings settings{dir.File("TambrelOrchestra.ini")};
    VirtualClock clock;
    MemoryAudioOutput output;
    std::vector<DetectedDevice> devices;
    FakeLink* link = nullptr; // the bridge alive now
    int made = 0;             // bridges made so far
    std::unique_ptr<Program> program;

    // makeLink makes each bridge (a plain FakeLink when none); it is called
    // only once the program first asks for one, which is after Start.
    explicit ProgramOnFakeLinks(std::vector<DetectedDevice> listed, MakeLink makeLink = nullptr)
        : devices(std::move(listed)) {
        t.st.AppPath = dir.Path();
        InstrumentSeams seams(clock);
        seams.inputLink = [this, makeLink = std::move(makeLink)] {
            std::unique_ptr<FakeLink> l = makeLink ? makeLink() : std::make_unique<FakeLink>();
            l->reply = EncodeDetectionReply(devices);
            link = l.get();
            ++made;
            return std::unique_ptr<InputServerLink>(std::move(l));
        };
        program = std::make_unique<Program>(t.st, settings, std::move(seams), output);
    }
};

} // namespace tambrel::test
