#include "recording/OfflineRenderer.h"

#include <algorithm>
#include <cmath>

#include "common/VirtualClock.h"
#include "input/InputSystem.h"
#include "recording/KeystrokeRecorder.h"
#include "audio/AudioSource.h"
#include "sound/KeyPlayer.h"
#include "sound/MidiPlayer.h"
#include "audio/Mixer.h"

namespace tambrel {
namespace {

class Session {
public:
    Session(ProgramState& st, int rate, MidiPlayer& midi, AudioSource* source)
        : st_(st), rate_(rate), source_(source), mixer_(rate), player_(st, mixer_, clock_, midi),
          recorder_(st, clock_, [this](std::int32_t k, std::int32_t b, std::int32_t p) { player_.PlayKey(k, b, p); }) {}

    KeystrokeRecorder& Recorder() { return recorder_; }
    std::int64_t Now() const { return clock_.NowMs(); }
    std::int64_t NextDue() const { return clock_.NextDue(); }

    void Press(std::int32_t device, std::int32_t key) {
        RouteKeyEvent(st_.Orc, key, device, [this](std::int32_t k, std::int32_t b, std::int32_t p) { player_.PlayKey(k, b, p); });
    }

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
        player_.StopSounds(kStopAll);
        return std::move(frames_);
    }

private:
    void RenderUntil(std::int64_t ms) {
        const auto target = static_cast<std::size_t>(ms * rate_ / 1000);
        while (frames_.size() / 2 < target) {
            const std::size_t n = std::min<std::size_t>(target - frames_.size() / 2, 4096);
            const std::size_t at = frames_.size();
            frames_.resize(at + 2 * n);
            mixer_.Pump();
            mixer_.Render(frames_.data() + at, static_cast<int>(n));
            if (source_) {
                source_->Pump();
                source_->RenderAdd(frames_.data() + at, static_cast<int>(n));
            }
        }
    }

    ProgramState& st_;
    int rate_;
    AudioSource* source_;
    VirtualClock clock_;
    Mixer mixer_;
    KeyPlayer player_;
    KeystrokeRecorder recorder_;
    std::vector<float> frames_;
};

} // namespace

std::vector<float> RenderPerformance(ProgramState& st, const RenderOptions& options, MidiPlayer* midi) {
    NullMidiPlayer noMidi;
    Session s(st, options.rate, midi ? *midi : noMidi, options.source);

    std::vector<RenderPress> presses = options.presses;
    std::stable_sort(presses.begin(), presses.end(), [](const RenderPress& a, const RenderPress& b) { return a.ms < b.ms; });

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
    s.AdvanceTo(s.Now() + static_cast<std::int64_t>(std::llround(std::max(0.0, options.tailSeconds) * 1000)));
    return s.Take();
}

} // namespace tambrel
