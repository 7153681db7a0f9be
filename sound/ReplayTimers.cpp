#include "sound/ReplayTimers.h"

#include <limits>

#include "common/NumberText.h"

namespace tambrel {

std::int32_t DelayMs(double seconds) {
    const double ms = seconds * kMsPerSecond;
    // Negative delays (a "-1" in a delay list) and NaN play at once: a window
    // timer refuses them, and its object would otherwise stay busy for good.
    if (!(ms > 0.0)) return kShortestDelayMs;
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    if (ms >= kMax) return std::numeric_limits<std::int32_t>::max();
    const std::int32_t d = RoundHalfEven(ms);
    return d == 0 ? kShortestDelayMs : d;
}

TimerClass1::TimerClass1(TimerHost& host, ReplayActions& actions) : host_(host), actions_(actions) {
    Timer1 = host_.Create([this] { OnTick(); });
}

TimerClass1::~TimerClass1() { host_.Destroy(Timer1); }

void TimerClass1::SetInterval(std::int32_t ms) {
    interval_ = ms;
    if (enabled_) host_.Start(Timer1, interval_);
}

void TimerClass1::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    if (on) host_.Start(Timer1, interval_);
    else host_.Stop(Timer1);
}

void TimerClass1::ResetIt() {
    IsFree = kVbTrue;
    RestMs = 0;
    ActType = kTimerNone;
    SetEnabled(false);
}

void TimerClass1::Arm(KeyAddress owner, std::int32_t queIdx, std::int32_t action, std::int32_t delayMs) {
    ActType = action;
    IsFree = kVbFalse;
    owner_ = owner;
    QueIdx = queIdx;
    if (delayMs < kShortestDelayMs) delayMs = kShortestDelayMs;
    if (delayMs <= kLongestIntervalMs) {
        RestMs = 0;
        SetInterval(delayMs);
    } else {
        SetInterval(kLongestIntervalMs);
        RestMs = delayMs - kLongestIntervalMs;
    }
    SetEnabled(true);
}

void TimerClass1::OnTick() {
    if (RestMs != 0) {
        // Another step of a long delay; the timer keeps running.
        if (ActType != kTimerNone) {
            if (RestMs <= kLongestIntervalMs) {
                SetInterval(RestMs);
                RestMs = 0;
            } else {
                RestMs -= kLongestIntervalMs;
            }
        }
        return;
    }
    SetEnabled(false);
    const std::int32_t action = ActType;
    try {
        switch (action) {
        case kTimerPlayCopy: actions_.PlayDupCopy(owner_); break;
        case kTimerStopKey: actions_.StopKey(owner_); break;
        case kTimerServeQueue: actions_.ServeQueue(QueIdx); break;
        default: break;
        }
    } catch (...) {
        // The actions trap their own errors unless trapping is off; even then
        // the object must not stay busy for ever.
        IsFree = kVbTrue;
        ActType = kTimerNone;
        throw;
    }
    IsFree = kVbTrue;
    ActType = kTimerNone;
}

TimerClass1& TimerPool::Get() {
    for (auto& t : timers_)
        if (t->IsFree) return *t;
    timers_.push_back(std::make_unique<TimerClass1>(host_, actions_));
    return *timers_.back();
}

TimerClass1& TimerPool::Schedule(KeyAddress owner, std::int32_t queIdx, std::int32_t action, std::int32_t delayMs) {
    TimerClass1& t = Get();
    t.Arm(owner, queIdx, action, delayMs);
    return t;
}

void TimerPool::Trim() {
    if (TimerNos() > kTimerTrimThreshold && timers_.back()->IsFree) timers_.pop_back();
}

} // namespace tambrel
