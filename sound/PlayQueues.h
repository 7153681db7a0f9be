#pragma once
// The five play queues. A queue-style key press appends the key to its queue;
// the queue plays its entries one after another, each as an overlapping copy,
// the next one when the previous one's wave duration has passed. A keep-looping
// entry replays every wave duration until something else joins the queue.
// User-interface thread only.

#include <array>
#include <cstdint>
#include <vector>

#include "document/ProgramState.h"
#include "sound/ReplayTimers.h"

namespace tambrel {

inline constexpr std::int32_t kQueueCount = 5;

struct PlayQueue {
    // Entry 0 is the one playing (zeros while idle); 1..QueCount() wait in
    // arrival order.
    std::vector<KeyAddress> QueItems = std::vector<KeyAddress>(1);
    VbBool QueBusy = kVbFalse;
    // The entry playing keeps looping (its key's QueDupLoop was 2).
    VbBool QueLoop = kVbFalse;

    std::int32_t QueCount() const { return static_cast<std::int32_t>(QueItems.size()) - 1; }
    bool Holds(KeyAddress k) const;
    // Removes entry i (1..QueCount()), later entries moving up.
    void RemoveWaiting(std::int32_t i);
    // Every entry one place toward the front: entry 1 becomes the current one.
    void ShiftDown();
    // No waiting entries, not busy, entry 0 zero. QueLoop stays; the next
    // service overwrites it.
    void Empty();
};

class PlayQueues {
public:
    PlayQueues(ProgramState& st, TimerPool& timers, ReplayActions& actions)
        : st_(st), timers_(timers), actions_(actions) {}

    static bool Valid(std::int32_t q) { return q >= 0 && q < kQueueCount; }
    // Queue q; std::out_of_range when q is not 0..4.
    PlayQueue& Queue(std::int32_t q);

    // Plays the next waiting entry (or replays the looping one) and schedules
    // the following service after its wave duration; idles the queue when
    // nothing is left to play.
    void ServeQueue(std::int32_t q);

private:
    void PlayEntry(PlayQueue& Q, std::int32_t e);

    ProgramState& st_;
    TimerPool& timers_;
    ReplayActions& actions_;
    std::array<PlayQueue, kQueueCount> queues_{};
};

} // namespace tambrel
