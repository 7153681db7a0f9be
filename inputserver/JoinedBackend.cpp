#include "inputserver/JoinedBackend.h"

#include <algorithm>

namespace tambrel::server {

std::vector<std::unique_ptr<BackendDevice>> JoinedBackend::Enumerate() {
    std::vector<std::unique_ptr<BackendDevice>> out;
    // A failing service fails the detection as a whole, as it would alone;
    // the others are still asked, so their "changed" flags are taken.
    std::string failure;
    bool failed = false;
    for (Backend* b : parts_) {
        try {
            for (auto& d : b->Enumerate()) out.push_back(std::move(d));
        } catch (const DetectionError& e) {
            if (!failed) failure = e.what();
            failed = true;
        }
    }
    if (failed) throw DetectionError(failure);
    return out;
}

void JoinedBackend::WatchFds(std::vector<int>& out) const {
    for (const Backend* b : parts_) b->WatchFds(out);
}

int JoinedBackend::Service() {
    int wait = -1;
    for (Backend* b : parts_) {
        const int w = b->Service();
        if (w >= 0) wait = wait < 0 ? w : std::min(wait, w);
    }
    return wait;
}

bool JoinedBackend::TakeChanged() {
    bool any = false;
    for (Backend* b : parts_) any = b->TakeChanged() || any; // each one's flag is taken
    return any;
}

std::vector<std::string> JoinedBackend::TakeNotes() {
    std::vector<std::string> out;
    for (Backend* b : parts_)
        for (std::string& n : b->TakeNotes()) out.push_back(std::move(n));
    return out;
}

} // namespace tambrel::server
