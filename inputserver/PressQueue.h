#pragma once
// The presses a service receives for one of its devices, held until the
// server reads them: only while the device is acquired, and at most a
// fixed number; what is lost past that is told once, as an overflow.
// The server's thread only.

#include <cstddef>
#include <deque>

#include "inputserver/Backend.h"

namespace tambrel::server {

class PressQueue {
public:
    explicit PressQueue(std::size_t capacity) : capacity_(capacity) {}

    bool Acquired() const { return acquired_; }
    // Acquiring starts buffering afresh; releasing drops what was held.
    void Acquire();
    void Release();

    // Kept only while acquired; past the capacity the press is lost.
    void Push(Item press);
    // The service itself lost changes (its own queue ran over).
    void Lost();

    // The BackendDevice reading: oldest first, then the overflow once the
    // held presses are out.
    ReadResult Read(Item* items, int max);
    bool Pending() const { return acquired_ && (!presses_.empty() || overflowed_); }

private:
    std::size_t capacity_;
    bool acquired_ = false;
    bool overflowed_ = false;
    std::deque<Item> presses_;
};

} // namespace tambrel::server
