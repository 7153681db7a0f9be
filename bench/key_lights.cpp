// What lighting keys costs the user-interface thread: the real main window
// with a new Orchestra (the keyboard board shown) is told of 1000 plays a
// second for five seconds, as the key player tells them (the plays
// themselves are not sounded: this measures the lights and their repaints).
// Two patterns: "steady" spreads the plays over 40 keys, which then stay
// lit; "wandering" gives 20 plays to one key after another over 100 keys, so
// some 20 keys are always lighting up or fading. Prints the user-interface
// thread's processor time as a share of one core, with lighting on and off
// (the difference is what lighting costs).
//
//   cmake --build build-bench --target key_lights
//   QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy build-bench/bench/key_lights [PRESSES_PER_SECOND]

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "boards/view/KeyLightDriver.h"
#include "tests/app/ProgramRig.h"

using namespace tambrel;

namespace {

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Result {
    double cpuShare = 0;
    long plays = 0;
    long frames = 0;
    long keyRepaints = 0;
};

Result Run(bool lightsOn, bool wandering, int perSecond, int seconds) {
    test::ProgramRig rig;
    rig.window->Lights()->SetOn(lightsOn);
    Result r;
    QObject::connect(rig.window->Lights(), &KeyLightDriver::KeysChanged, [&] {
        ++r.frames;
        r.keyRepaints += static_cast<long>(rig.window->Lights()->Changed().size());
    });
    QApplication::processEvents();
    const PlayBoardNo pb{rig.st.Orc.CurSet};
    // Plays come in bursts of one millisecond's worth every 4 ms: a timer
    // each millisecond would measure the timers more than the lights.
    const int burstMs = 4;
    const int perBurst = perSecond * burstMs / 1000;
    long next = 0;
    QTimer presses;
    presses.setTimerType(Qt::PreciseTimer);
    QElapsedTimer wall;
    QObject::connect(&presses, &QTimer::timeout, [&] {
        // Catch up with the wall clock, so a late timer still gives the rate.
        const long due = static_cast<long>(wall.elapsed()) * perSecond / 1000;
        for (int i = 0; i < perBurst * 4 && next < due; ++i, ++next) {
            const long k = wandering ? 2 + (next / 20) % 100 : 17 + next % 40;
            const KeyAddress key{pb, SubBoardNo{1}, KeyNo{static_cast<std::int32_t>(k)}};
            rig.st.views.Post(notice::KeyPlayed{key, 100});
            ++r.plays;
        }
    });
    wall.start();
    const double cpu0 = ThreadCpuSeconds();
    presses.start(burstMs);
    QTimer::singleShot(seconds * 1000, [] { QApplication::exit(0); });
    QApplication::exec();
    const double cpu = ThreadCpuSeconds() - cpu0;
    r.cpuShare = cpu / (static_cast<double>(wall.elapsed()) / 1000.0);
    return r;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int perSecond = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int seconds = 5;
    std::printf("%d plays a second for %d s, the keyboard board of a new Orchestra (%s platform)\n", perSecond, seconds,
                qPrintable(QApplication::platformName()));
    for (bool wandering : {false, true}) {
        for (bool on : {true, false}) {
            const Result r = Run(on, wandering, perSecond, seconds);
            std::printf("%-9s lights %-3s  user-interface thread %5.1f %% of a core  plays %ld  frames with changes "
                        "%ld  key repaints %ld\n",
                        wandering ? "wandering" : "steady", on ? "on" : "off", r.cpuShare * 100.0, r.plays, r.frames,
                        r.keyRepaints);
        }
    }
    return 0;
}
