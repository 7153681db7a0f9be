#pragma once
// The built-in General MIDI synthesizer: FluidSynth rendered inside the sound
// engine's output callback (RenderAdd, after the mixer), or block by block in
// the offline renderer. 32 channels: the second channel group is real.
//
// Threads: every method but RenderAdd is for the user-interface thread and
// never blocks; commands reach the audio thread through a lock-free
// single-producer ring, and every FluidSynth call that touches the
// synthesizer's state after loading happens on the audio thread. RenderAdd
// never allocates, locks or waits. Timed events (note ends, later events of a
// motif) fall on exact frames of the rendered stream; FluidSynth realises
// them at its next 64-frame block, so at most 63 frames late.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/AudioSource.h"

namespace tambrel {

class FluidSynthEngine final : public AudioSource {
public:
    explicit FluidSynthEngine(int rate);
    // The output callback must no longer run.
    ~FluidSynthEngine() override;
    FluidSynthEngine(const FluidSynthEngine&) = delete;
    FluidSynthEngine& operator=(const FluidSynthEngine&) = delete;

    // Creates the synthesizer with this SoundFont, the first time only; later
    // calls report how the first went. False with a description on failure.
    bool Load(const std::string& soundFont, std::string& error);
    bool Loaded() const { return synth_.load(std::memory_order_acquire) != nullptr; }
    const std::string& SoundFont() const { return soundFont_; }
    int Rate() const { return rate_; }

    // A segment groups events: starting one ends the one before (its notes
    // stop, its events still to come are dropped). Segment 0 is "none".
    void StartSegment(std::uint32_t segment);
    void ProgramChange(int channel, int program, std::int64_t delayFrames = 0, std::uint32_t segment = 0);
    // A note that ends durFrames after it starts. A key struck again while it
    // sounds is held until its last note ends.
    void Note(int channel, int note, int velocity, std::int64_t durFrames, std::int64_t delayFrames = 0,
              std::uint32_t segment = 0);
    void SetGain(float gain);
    // Silences everything at once and drops every pending event.
    void StopAll();
    // Hands on commands that found the ring full.
    void Pump() override;

    void RenderAdd(float* out, int frames) override;
    bool PumpPending() const override { return !overflow_.empty(); }
    void SetPumpRequest(std::function<void()> request) override { pumpRequest_ = std::move(request); }

    // For tests and benchmarks while no output callback runs.
    int ActiveVoices() const;
    std::int64_t RenderedFrames() const { return now_; }
    // Audio thread (tests: between renders). True while the synthesizer
    // rests: no voice, nothing scheduled, and its output has been below
    // hearing for half a second, so rendering it would only add noise far
    // under the last bit. Any command wakes it before its block.
    bool Resting() const { return quietFrames_ >= rate_ / 2 && pending_.empty(); }

    static constexpr int kChannels = 32;
    static constexpr float kDefaultGain = 0.2f;

private:
    enum class Op : std::uint8_t { Program, NoteOn, NoteOff, Segment, Gain, StopAll };
    struct Command {
        Op op = Op::Program;
        std::uint8_t channel = 0, data = 0, velocity = 0;
        std::uint32_t segment = 0;
        std::int64_t delay = 0, dur = 0;
        float gain = 0.0f;
    };
    struct Pending {
        std::int64_t due;
        std::uint64_t order; // ties fire in the order they were scheduled
        Command c;
    };
    static constexpr std::size_t kRingSize = 1 << 13;
    static constexpr std::size_t kMaxPending = 1 << 14;
    static constexpr int kScratchFrames = 1024;

    void Send(const Command& c);
    bool Push(const Command& c);
    // Audio thread.
    void Drain();
    void Apply(const Command& c);
    void Fire(const Command& c);
    bool Schedule(std::int64_t due, const Command& c);
    void PopPending();
    void EndSegment(std::uint32_t keep);
    static bool Earlier(const Pending& a, const Pending& b);

    int rate_;
    std::string soundFont_, loadError_;
    bool tried_ = false;
    void* settings_ = nullptr;
    std::atomic<void*> synth_{nullptr};

    // User-interface thread.
    std::deque<Command> overflow_;
    std::function<void()> pumpRequest_;

    // Shared ring.
    std::unique_ptr<Command[]> ring_;
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};

    // Audio thread, all preallocated.
    std::vector<Pending> pending_;    // a binary heap, capacity kMaxPending
    std::vector<std::uint16_t> held_; // sounding notes per channel and key
    std::vector<float> left_, right_;
    std::uint32_t segment_ = 0;
    std::uint64_t order_ = 0;
    std::int64_t now_ = 0;
    std::int64_t quietFrames_ = 0;
};

} // namespace tambrel
