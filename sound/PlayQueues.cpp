#include "sound/PlayQueues.h"

#include <algorithm>
#include <stdexcept>

namespace tambrel {

bool PlayQueue::Holds(KeyAddress k) const { return std::find(QueItems.begin(), QueItems.end(), k) != QueItems.end(); }

void PlayQueue::RemoveWaiting(std::int32_t i) {
    if (i >= 1 && i <= QueCount()) QueItems.erase(QueItems.begin() + i);
}

void PlayQueue::ShiftDown() {
    if (QueCount() > 0) QueItems.erase(QueItems.begin());
}

void PlayQueue::Empty() {
    QueItems.assign(1, KeyAddress{});
    QueBusy = kVbFalse;
}

PlayQueue& PlayQueues::Queue(std::int32_t q) {
    if (!Valid(q)) throw std::out_of_range("Subscript out of range");
    return queues_[static_cast<std::size_t>(q)];
}

void PlayQueues::PlayEntry(PlayQueue& Q, std::int32_t e) {
    Q.QueItems[0] = Q.QueItems[static_cast<std::size_t>(e)];
    const KeyAddress cur = Q.QueItems[0];
    actions_.PlayDupCopy(cur);
    // A key gone from the Orchestra (its Play Board deleted while it waited)
    // plays nothing and does not loop.
    const KeyAssign* k = st_.Orc.FindKey(cur);
    Q.QueLoop = k && k->QueDupLoop == kQueKeepLooping ? kVbTrue : kVbFalse;
}

void PlayQueues::ServeQueue(std::int32_t q) {
    PlayQueue& Q = Queue(q);
    // A looping entry whose key is gone, or has no wave left, has nothing to
    // replay: without this the queue would spin every millisecond for ever.
    if (Q.QueLoop) {
        const KeyAddress cur = Q.QueItems[0];
        const KeyAssign* k = st_.Orc.FindKey(cur);
        if (!k || k->WaveDur == 0.0f) Q.QueLoop = kVbFalse;
    }
    // The looping key pressed again: its own entry ends the looping.
    if (Q.QueLoop && Q.QueCount() > 0 && Q.QueItems[1] == Q.QueItems[0]) {
        Q.QueLoop = kVbFalse;
        Q.ShiftDown();
    }
    if (Q.QueLoop && Q.QueCount() == 0) {
        // Nothing waits: the looping entry plays again.
        Q.QueBusy = kVbTrue;
        const KeyAddress cur = Q.QueItems[0];
        actions_.PlayDupCopy(cur);
    } else {
        if (Q.QueCount() == 0) {
            Q.QueBusy = kVbFalse;
            Q.QueItems[0] = {};
            return;
        }
        Q.QueBusy = kVbTrue;
        PlayEntry(Q, 1);
        Q.ShiftDown();
    }

    // The next service comes when the entry now playing has had its duration;
    // a key that is gone counts as a wave of no length.
    const KeyAddress cur = Q.QueItems[0];
    const KeyAssign* k = st_.Orc.FindKey(cur);
    timers_.Schedule({}, q, kTimerServeQueue, DelayMs(k ? static_cast<double>(k->WaveDur) : 0.0));
}

} // namespace tambrel
