#pragma once
// Several input services seen as one: the devices of each, in the order
// the services were given (the machine's devices first, then MIDI ports,
// then OSC), so a device keeps its number while the others come and go.

#include <vector>

#include "inputserver/Backend.h"

namespace tambrel::server {

class JoinedBackend : public Backend {
public:
    // The services are not owned and must outlive this one.
    explicit JoinedBackend(std::vector<Backend*> parts) : parts_(std::move(parts)) {}

    std::vector<std::unique_ptr<BackendDevice>> Enumerate() override;
    void WatchFds(std::vector<int>& out) const override;
    int Service() override;
    bool TakeChanged() override;
    std::vector<std::string> TakeNotes() override;

private:
    std::vector<Backend*> parts_;
};

} // namespace tambrel::server
