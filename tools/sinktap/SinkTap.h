#pragma once
// A capture stream on an audio sink's monitor in the PipeWire graph, for the
// tests and the benchmarks: what reached the sink, and when. Every buffer is
// placed on CLOCK_MONOTONIC by the graph's own time of the cycle that carried
// it (pw_stream_get_time_n, read in that cycle), so sample i of a buffer
// reached the sink at now + i / rate. It also counts the graph's xruns from
// the profiler. Not part of the program.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tambrel::tap {

// One buffer that reached the sink.
struct Block {
    std::int64_t nowNs = 0; // CLOCK_MONOTONIC time of its graph cycle
    int frames = 0;
    float peak = 0.0f;  // its loudest sample
    int firstLoud = -1; // the first frame above the threshold; -1: none
};

std::int64_t MonotonicNs();

class SinkTap {
public:
    // sink: the sink's node.name; threshold: the level a sample must pass to
    // count as sound.
    SinkTap(std::string sink, float threshold);
    ~SinkTap();
    SinkTap(const SinkTap&) = delete;
    SinkTap& operator=(const SinkTap&) = delete;

    // Connects and waits until buffers flow (at most timeoutMs).
    bool Start(std::string& error, int timeoutMs = 5000);
    void Stop();
    int Rate() const { return rate_; }

    // The blocks that arrived since the last call, oldest first.
    std::vector<Block> Take();
    // The time the first sample above the threshold reached the sink at or
    // after afterNs; -1 when none came within timeoutMs. Blocks before it
    // are consumed.
    std::int64_t WaitForSound(std::int64_t afterNs, int timeoutMs);
    // Waits until a whole quietMs passed at the sink without sound.
    bool WaitForSilence(int quietMs, int timeoutMs);

    // The graph's xruns so far, as its drivers count them, and the follower
    // cycles that had not finished when the next began.
    std::int64_t DriverXruns() const { return driverXruns_.load(); }
    std::int64_t LateNodes() const { return lateNodes_.load(); }

    struct Impl;

private:
    std::string sink_;
    float threshold_;
    int rate_ = 48000;
    std::unique_ptr<Impl> impl_;
    std::atomic<std::int64_t> driverXruns_{0};
    std::atomic<std::int64_t> lateNodes_{0};
    std::vector<Block> pending_;
};

} // namespace tambrel::tap
