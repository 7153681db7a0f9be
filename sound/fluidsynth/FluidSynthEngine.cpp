#include "sound/fluidsynth/FluidSynthEngine.h"

#include <algorithm>
#include <cmath>

#include <fluidsynth.h>

namespace tambrel {
namespace {

fluid_synth_t* Synth(void* p) { return static_cast<fluid_synth_t*>(p); }

void QuietLogs() {
    // FluidSynth's notes about missing presets would go to stderr on every
    // key; errors still do.
    static const bool once = [] {
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
        return true;
    }();
    (void)once;
}

} // namespace

FluidSynthEngine::FluidSynthEngine(int rate)
    : rate_(rate > 0 ? rate : 48000), ring_(new Command[kRingSize]), held_(kChannels * 128, 0), left_(kScratchFrames),
      right_(kScratchFrames) {
    pending_.reserve(kMaxPending);
}

FluidSynthEngine::~FluidSynthEngine() {
    if (void* s = synth_.load()) delete_fluid_synth(Synth(s));
    if (settings_) delete_fluid_settings(static_cast<fluid_settings_t*>(settings_));
}

bool FluidSynthEngine::Load(const std::string& soundFont, std::string& error) {
    if (tried_) {
        error = loadError_;
        return Loaded();
    }
    tried_ = true;
    QuietLogs();
    fluid_settings_t* settings = new_fluid_settings();
    if (!settings) {
        error = loadError_ = "The built-in synthesizer cannot be set up";
        return false;
    }
    fluid_settings_setnum(settings, "synth.sample-rate", rate_);
    fluid_settings_setint(settings, "synth.midi-channels", kChannels);
    // Only the audio thread touches the synthesizer once it runs.
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);
    fluid_settings_setint(settings, "synth.polyphony", 1024);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (!synth) {
        delete_fluid_settings(settings);
        error = loadError_ = "The built-in synthesizer cannot be set up";
        return false;
    }
    if (fluid_synth_sfload(synth, soundFont.c_str(), 1) == FLUID_FAILED) {
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        error = loadError_ = "The SoundFont \"" + soundFont + "\" cannot be read by the built-in synthesizer";
        return false;
    }
    fluid_synth_set_gain(synth, kDefaultGain);
    settings_ = settings;
    soundFont_ = soundFont;
    // From here on the audio thread owns it.
    synth_.store(synth, std::memory_order_release);
    return true;
}

// ---- user-interface thread

void FluidSynthEngine::StartSegment(std::uint32_t segment) {
    Command c;
    c.op = Op::Segment;
    c.segment = segment;
    Send(c);
}

void FluidSynthEngine::ProgramChange(int channel, int program, std::int64_t delayFrames, std::uint32_t segment) {
    if (channel < 0 || channel >= kChannels || program < 0 || program > 127) return;
    Command c;
    c.op = Op::Program;
    c.channel = static_cast<std::uint8_t>(channel);
    c.data = static_cast<std::uint8_t>(program);
    c.delay = std::max<std::int64_t>(0, delayFrames);
    c.segment = segment;
    Send(c);
}

void FluidSynthEngine::Note(int channel, int note, int velocity, std::int64_t durFrames, std::int64_t delayFrames,
                            std::uint32_t segment) {
    if (channel < 0 || channel >= kChannels || note < 0 || note > 127 || velocity < 1 || velocity > 127) return;
    Command c;
    c.op = Op::NoteOn;
    c.channel = static_cast<std::uint8_t>(channel);
    c.data = static_cast<std::uint8_t>(note);
    c.velocity = static_cast<std::uint8_t>(velocity);
    c.dur = std::max<std::int64_t>(0, durFrames);
    c.delay = std::max<std::int64_t>(0, delayFrames);
    c.segment = segment;
    Send(c);
}

void FluidSynthEngine::SetGain(float gain) {
    Command c;
    c.op = Op::Gain;
    c.gain = gain;
    Send(c);
}

void FluidSynthEngine::StopAll() {
    Command c;
    c.op = Op::StopAll;
    Send(c);
}

void FluidSynthEngine::Pump() {
    while (!overflow_.empty() && Push(overflow_.front())) overflow_.pop_front();
}

void FluidSynthEngine::Send(const Command& c) {
    Pump();
    if (!overflow_.empty() || !Push(c)) {
        overflow_.push_back(c);
        if (pumpRequest_) pumpRequest_();
    }
}

bool FluidSynthEngine::Push(const Command& c) {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head - tail_.load(std::memory_order_acquire) >= kRingSize) return false;
    ring_[head & (kRingSize - 1)] = c;
    head_.store(head + 1, std::memory_order_release);
    return true;
}

int FluidSynthEngine::ActiveVoices() const {
    void* s = synth_.load(std::memory_order_acquire);
    return s ? fluid_synth_get_active_voice_count(Synth(s)) : 0;
}

// ---- audio thread

bool FluidSynthEngine::Earlier(const Pending& a, const Pending& b) {
    // std heaps keep the greatest first: "greater" is the later event.
    return a.due != b.due ? a.due > b.due : a.order > b.order;
}

bool FluidSynthEngine::Schedule(std::int64_t due, const Command& c) {
    if (pending_.size() >= kMaxPending) return false;
    pending_.push_back({due, order_++, c});
    std::push_heap(pending_.begin(), pending_.end(), Earlier);
    return true;
}

void FluidSynthEngine::PopPending() {
    std::pop_heap(pending_.begin(), pending_.end(), Earlier);
    pending_.pop_back();
}

void FluidSynthEngine::Drain() {
    const std::size_t head = head_.load(std::memory_order_acquire);
    std::size_t tail = tail_.load(std::memory_order_relaxed);
    for (; tail != head; ++tail) Apply(ring_[tail & (kRingSize - 1)]);
    tail_.store(tail, std::memory_order_release);
}

void FluidSynthEngine::Apply(const Command& c) {
    quietFrames_ = 0;
    switch (c.op) {
    case Op::Segment:
        EndSegment(c.segment);
        segment_ = c.segment;
        return;
    case Op::Gain: fluid_synth_set_gain(Synth(synth_.load(std::memory_order_relaxed)), c.gain); return;
    case Op::StopAll:
        fluid_synth_all_sounds_off(Synth(synth_.load(std::memory_order_relaxed)), -1);
        pending_.clear();
        std::fill(held_.begin(), held_.end(), std::uint16_t{0});
        return;
    default: break;
    }
    // Events of a segment that has been replaced meanwhile never start.
    if (c.segment != 0 && c.segment != segment_) return;
    if (c.delay > 0) {
        Command later = c;
        later.delay = 0;
        Schedule(now_ + c.delay, later);
        return;
    }
    Fire(c);
}

void FluidSynthEngine::Fire(const Command& c) {
    fluid_synth_t* synth = Synth(synth_.load(std::memory_order_relaxed));
    std::uint16_t& held = held_[static_cast<std::size_t>(c.channel) * 128 + c.data];
    switch (c.op) {
    case Op::Program: fluid_synth_program_change(synth, c.channel, c.data); break;
    case Op::NoteOn: {
        Command off = c;
        off.op = Op::NoteOff;
        // A note whose end cannot be scheduled is not started: no note hangs.
        if (held == 0xffff || !Schedule(now_ + c.dur, off)) break;
        ++held;
        fluid_synth_noteon(synth, c.channel, c.data, c.velocity);
        break;
    }
    case Op::NoteOff:
        if (held > 0 && --held == 0) fluid_synth_noteoff(synth, c.channel, c.data);
        break;
    default: break;
    }
}

void FluidSynthEngine::EndSegment(std::uint32_t keep) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        const Pending& p = pending_[i];
        if (p.c.segment == 0 || p.c.segment == keep) {
            pending_[kept++] = p;
        } else if (p.c.op == Op::NoteOff) {
            Fire(p.c); // the note ends now
        }
    }
    pending_.resize(kept);
    std::make_heap(pending_.begin(), pending_.end(), Earlier);
}

void FluidSynthEngine::RenderAdd(float* out, int frames) {
    void* synth = synth_.load(std::memory_order_acquire);
    if (!synth) {
        // Not loaded yet, so no port exists to send commands: the ring is
        // left alone, in case the load has just finished and its first
        // commands are on their way.
        now_ += frames;
        return;
    }
    Drain();
    if (Resting()) {
        // Reverb and chorus tails have died away: a rest costs nothing,
        // which keeps an idle program idle.
        now_ += frames;
        return;
    }
    float peak = 0.0f;
    for (int done = 0; done < frames;) {
        while (!pending_.empty() && pending_.front().due <= now_) {
            const Command c = pending_.front().c;
            PopPending();
            Fire(c);
        }
        std::int64_t n = std::min<std::int64_t>(frames - done, kScratchFrames);
        if (!pending_.empty()) n = std::min(n, pending_.front().due - now_);
        const int len = static_cast<int>(n);
        fluid_synth_write_float(Synth(synth), len, left_.data(), 0, 1, right_.data(), 0, 1);
        float* o = out + 2 * static_cast<std::size_t>(done);
        for (int k = 0; k < len; ++k) {
            o[2 * k] += left_[static_cast<std::size_t>(k)];
            o[2 * k + 1] += right_[static_cast<std::size_t>(k)];
            peak = std::max(
                {peak, std::fabs(left_[static_cast<std::size_t>(k)]), std::fabs(right_[static_cast<std::size_t>(k)])});
        }
        done += len;
        now_ += n;
    }
    // About -120 dB: far below a 16-bit output's last bit.
    constexpr float kInaudible = 1e-6f;
    if (peak < kInaudible && fluid_synth_get_active_voice_count(Synth(synth)) == 0) quietFrames_ += frames;
    else quietFrames_ = 0;
}

} // namespace tambrel
