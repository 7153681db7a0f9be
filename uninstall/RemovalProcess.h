#pragma once
// The removal process the uninstaller starts and waits for.

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace tambrel {

struct ProcessEnd {
    bool exited = false; // ended by itself; else killed by a signal
    int status = 0;      // its exit status, or the signal's number
    bool Succeeded() const { return exited && status == 0; }
};

class RemovalProcess {
public:
    virtual ~RemovalProcess() = default;
    // Starts words[0] with the rest as its arguments, inheriting the
    // uninstaller's descriptors and environment. False with a description
    // when it cannot be started.
    virtual bool Start(const std::vector<std::string>& words, std::string& error) = 0;
    // How it ended, or nothing while it runs. Never blocks.
    virtual std::optional<ProcessEnd> Poll() = 0;
};

// A real child process, started with posix_spawnp (the program looked up on
// $PATH when its name holds no "/").
class SpawnedProcess final : public RemovalProcess {
public:
    ~SpawnedProcess() override;
    bool Start(const std::vector<std::string>& words, std::string& error) override;
    std::optional<ProcessEnd> Poll() override;

private:
    pid_t pid_ = -1;
    std::optional<ProcessEnd> end_;
};

} // namespace tambrel
