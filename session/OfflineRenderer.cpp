#include "session/OfflineRenderer.h"

#include <algorithm>
#include <cmath>

#include "common/VirtualClock.h"
#include "recording/KeystrokeRecorder.h"
#include "session/Instrument.h"
#include "sound/KeyPlayer.h"

namespace tambrel {
namespace {

// The instrument on a virtual clock, rendered block by block between ticks.
class Session {
public:
    Session(ProgramState& st, const RenderOptions& o)
        : rate_(o.rate), progress_(o.progress), instrument_(st, Seams(clock_, o)) {}

    // The length the render is expected to reach, for its progress.
    void Expect(std::int64_t ms) { expectedMs_ = std::max<std::int64_t>(ms, 1); }

    KeystrokeRecorder& Recorder() { return instrument_.Recorder(); }
    std::int64_t Now() const { return clock_.NowMs(); }
    std::int64_t NextDue() const { return clock_.NextDue(); }

    void Press(std::int32_t device, std::int32_t key) { instrument_.KeyEvent({DeviceNo{device}, KeyNo{key}}); }

    // Renders up to time t, firing every timer tick on its millisecond: audio
    // first, so what a tick starts sounds from the tick's own frame on.
    void AdvanceTo(std::int64_t t) {
        while (clock_.NowMs() < t) {
            const std::int64_t due = clock_.NextDue();
            const std::int64_t next = due > clock_.NowMs() && due < t ? due : t;
            RenderUntil(next);
            clock_.AdvanceTo(next);
        }
    }

    std::vector<float> Take() {
        instrument_.Player().StopSounds(kStopAll);
        return std::move(frames_);
    }

private:
    static InstrumentSeams Seams(TimerHost& clock, const RenderOptions& o) {
        InstrumentSeams s(clock);
        s.rate = o.rate;
        s.midi = o.midi;
        s.synth = o.source;
        return s;
    }

    void RenderUntil(std::int64_t ms) {
        const auto target = static_cast<std::size_t>(ms * rate_ / 1000);
        while (frames_.size() / 2 < target) {
            const std::size_t n = std::min<std::size_t>(target - frames_.size() / 2, 4096);
            const std::size_t at = frames_.size();
            frames_.resize(at + 2 * n);
            instrument_.PumpAudio();
            instrument_.RenderAudio(frames_.data() + at, static_cast<int>(n));
            if (progress_) {
                const double done = static_cast<double>(frames_.size() / 2) * 1000.0 / rate_;
                if (!progress_->Rendered(std::min(1.0, done / static_cast<double>(expectedMs_))))
                    throw RenderCancelled();
            }
        }
    }

    int rate_;
    RenderProgress* progress_;
    std::int64_t expectedMs_ = 1;
    VirtualClock clock_;
    Instrument instrument_;
    std::vector<float> frames_;
};

} // namespace

std::vector<float> RenderPerformance(ProgramState& st, const RenderOptions& options) {
    Session s(st, options);
    std::vector<RenderPress> presses = options.presses;
    std::stable_sort(presses.begin(), presses.end(),
                     [](const RenderPress& a, const RenderPress& b) { return a.ms < b.ms; });

    const std::int64_t tailMs = std::llround(std::max(0.0, options.tailSeconds) * 1000);
    std::int64_t lastMs = presses.empty() ? 0 : presses.back().ms;
    if (options.recording > 0 && options.recording <= st.Orc.RecNos()) {
        // Playback sounds the first event about 1 ms in, then the recorded gaps.
        const auto& events = st.Orc.Recordings[static_cast<std::size_t>(options.recording - 1)].events;
        if (!events.empty()) {
            const double span = static_cast<double>(events.back().time) - static_cast<double>(events.front().time);
            lastMs = std::max<std::int64_t>(lastMs, std::llround(std::max(0.0, span) * 1000.0) + 1);
        }
    }
    s.Expect(lastMs + tailMs);

    if (options.recording > 0) {
        st.Orc.CurRec = options.recording;
        std::int32_t play = 0;
        s.Recorder().SetLoop(false);
        s.Recorder().PlayBackControl(play);
    }
    // Presses at their times, while the recording plays on its own timer.
    for (const RenderPress& p : presses) {
        s.AdvanceTo(std::max<std::int64_t>(p.ms, s.Now()));
        s.Press(p.device, p.key);
    }
    // A recording still playing decides when the last press comes.
    while (s.Recorder().PlayBackState() != 0 && s.NextDue() >= 0) s.AdvanceTo(s.NextDue());
    s.AdvanceTo(s.Now() + tailMs);
    // The estimate may fall short of the end (a loop playing on): say done.
    if (options.progress) options.progress->Rendered(1.0);
    return s.Take();
}

} // namespace tambrel
