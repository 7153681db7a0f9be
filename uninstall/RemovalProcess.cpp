#include "uninstall/RemovalProcess.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace tambrel {

SpawnedProcess::~SpawnedProcess() {
    // The uninstaller is ending while the removal runs on: let it finish on
    // its own rather than leave a zombie behind a waiting parent.
    if (pid_ > 0 && !end_) waitpid(pid_, nullptr, WNOHANG);
}

bool SpawnedProcess::Start(const std::vector<std::string>& words, std::string& error) {
    if (words.empty() || words[0].empty()) {
        error = "The removal command is empty";
        return false;
    }
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        error = "The removal program " + words[0] + " cannot be started: " + std::strerror(rc);
        return false;
    }
    pid_ = pid;
    end_.reset();
    return true;
}

std::optional<ProcessEnd> SpawnedProcess::Poll() {
    if (end_ || pid_ <= 0) return end_;
    int status = 0;
    pid_t r;
    do r = waitpid(pid_, &status, WNOHANG);
    while (r < 0 && errno == EINTR);
    if (r == 0) return std::nullopt;
    ProcessEnd e;
    if (r < 0) {
        // Someone else reaped it: its status is lost, which is no success.
        e.exited = true;
        e.status = -1;
    } else if (WIFEXITED(status)) {
        e.exited = true;
        e.status = WEXITSTATUS(status);
    } else {
        e.exited = false;
        e.status = WIFSIGNALED(status) ? WTERMSIG(status) : -1;
    }
    end_ = e;
    return end_;
}

} // namespace tambrel
