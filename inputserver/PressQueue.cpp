#include "inputserver/PressQueue.h"

namespace tambrel::server {

void PressQueue::Acquire() {
    acquired_ = true;
    presses_.clear();
    overflowed_ = false;
}

void PressQueue::Release() {
    acquired_ = false;
    presses_.clear();
    overflowed_ = false;
}

void PressQueue::Push(Item press) {
    if (!acquired_) return;
    if (presses_.size() >= capacity_) overflowed_ = true;
    else presses_.push_back(press);
}

void PressQueue::Lost() {
    if (acquired_) overflowed_ = true;
}

ReadResult PressQueue::Read(Item* items, int max) {
    ReadResult r;
    while (r.count < max && !presses_.empty()) {
        items[r.count++] = presses_.front();
        presses_.pop_front();
    }
    if (overflowed_ && presses_.empty()) {
        overflowed_ = false;
        r.status = ReadStatus::Overflow;
    }
    return r;
}

} // namespace tambrel::server
