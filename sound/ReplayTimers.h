#pragma once
// Scheduled actions of the sound engine: delayed copies of a multiple-style
// key, the end of a counted loop, and the next service of a play queue. Each
// pending action rides on one TimerClass1, a window timer plus what to do when
// it fires; the objects are pooled in TimerPool and reused once free.
// User-interface thread only.

#include <cstdint>
#include <memory>
#include <vector>

#include "common/TimerHost.h"
#include "document/KeyAddress.h"
#include "document/KeyAssign.h"

namespace tambrel {

// The pending action a timer carries (ActType).
enum TimerAction : std::int32_t {
    kTimerNone = 0,
    kTimerPlayCopy = 1,   // PlayDupCopy of the owner key
    kTimerStopKey = 2,    // StopKey of the owner key: a counted loop ends
    kTimerServeQueue = 3, // ServeQueue of QueIdx
};

inline constexpr std::int32_t kMsPerSecond = 1000;
inline constexpr std::int32_t kShortestDelayMs = 1;
// Window timers take at most this in one interval; longer delays chain.
inline constexpr std::int32_t kLongestIntervalMs = 65000;
// The pool only shrinks while it holds more objects than this.
inline constexpr std::int32_t kTimerTrimThreshold = 30;

// A delay in seconds as whole milliseconds, rounded half to even. A delay that
// comes out 0 or negative (or is not a number) becomes the shortest delay, so
// it fires at once; one beyond the 32-bit range is held at its largest value.
std::int32_t DelayMs(double seconds);

// Where fired actions go; the key player implements it.
class ReplayActions {
public:
    virtual ~ReplayActions() = default;
    virtual void PlayDupCopy(KeyAddress key) = 0;
    virtual void StopKey(KeyAddress key) = 0;
    virtual void ServeQueue(std::int32_t q) = 0;
};

class TimerClass1 {
public:
    // Creates its window timer, stopped. A new object is busy until armed and
    // run (or reset), as the pool arms it at once.
    TimerClass1(TimerHost& host, ReplayActions& actions);
    ~TimerClass1();
    TimerClass1(const TimerClass1&) = delete;
    TimerClass1& operator=(const TimerClass1&) = delete;

    std::int32_t QueIdx = 0;
    VbBool IsFree = kVbFalse;
    std::int32_t RestMs = 0;
    std::int32_t ActType = kTimerNone;
    TimerHost::TimerId Timer1 = 0;

    // Cancels the pending action and frees the object.
    void ResetIt();
    // Runs the tick handler now, as if the timer had fired: with no remainder
    // left, the action is performed at once.
    void Trigger() { OnTick(); }

    // The key the pending action is for; none for a queue's service.
    const KeyAddress& Owner() const { return owner_; }
    // Sets the pending action and starts the timer; longer delays than one
    // interval can hold run as 65000 ms steps plus the remainder.
    void Arm(KeyAddress owner, std::int32_t queIdx, std::int32_t action, std::int32_t delayMs);
    bool Enabled() const { return enabled_; }
    std::int32_t Interval() const { return interval_; }

private:
    void OnTick();
    // Window-timer properties: a new interval restarts a running countdown;
    // enabling a running timer changes nothing.
    void SetInterval(std::int32_t ms);
    void SetEnabled(bool on);

    TimerHost& host_;
    ReplayActions& actions_;
    KeyAddress owner_;
    std::int32_t interval_ = 0;
    bool enabled_ = false;
};

// Timers 1..TimerNos. Objects live behind pointers: their timers' tick
// handlers hold them, and the pool grows while handlers run.
class TimerPool {
public:
    TimerPool(TimerHost& host, ReplayActions& actions) : host_(host), actions_(actions) {}

    std::int32_t TimerNos() const { return static_cast<std::int32_t>(timers_.size()); }
    TimerClass1& Timer(std::int32_t i) { return *timers_.at(static_cast<std::size_t>(i - 1)); }

    // First free object, else a new one at the end (busy from the start).
    TimerClass1& Get();
    // Get, then arm.
    TimerClass1& Schedule(KeyAddress owner, std::int32_t queIdx, std::int32_t action, std::int32_t delayMs);
    // Releases the last object when the pool holds more than 30 and that one is
    // free: at most one per call, so the pool shrinks slowly.
    void Trim();

private:
    TimerHost& host_;
    ReplayActions& actions_;
    std::vector<std::unique_ptr<TimerClass1>> timers_;
};

} // namespace tambrel
