#pragma once
// A FIFO the test writes device-script lines into while the real input
// server reads them by name (the server inherits no descriptor of ours).

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "tests/TempDir.h"

namespace tambrel::test {

class ScriptPipe {
public:
    explicit ScriptPipe(const std::string& initial) : path_(dir_.File("script")) {
        if (mkfifo(path_.c_str(), 0600) != 0) throw std::runtime_error("mkfifo");
        // Read and write: opening never waits for the server, and the FIFO
        // keeps what is written before the server opens it.
        write_ = open(path_.c_str(), O_RDWR | O_CLOEXEC);
        if (write_ < 0) throw std::runtime_error("open fifo");
        Write(initial);
    }
    ~ScriptPipe() { close(write_); }
    ScriptPipe(const ScriptPipe&) = delete;
    ScriptPipe& operator=(const ScriptPipe&) = delete;

    const std::string& Path() const { return path_; }
    // One write: the server reads it whole (below the pipe's atomic size).
    void Write(const std::string& text) const {
        ASSERT_LT(text.size(), 4096u);
        ASSERT_EQ(write(write_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    int WriteFd() const { return write_; }

private:
    TempDir dir_;
    std::string path_;
    int write_ = -1;
};

} // namespace tambrel::test
