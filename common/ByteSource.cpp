#include "common/ByteSource.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace tambrel {

FileBytes::FileBytes(int fd) : fd_(fd) {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        const int error = errno;
        ::close(fd_);
        throw std::runtime_error(std::strerror(error));
    }
    size_ = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

FileBytes::~FileBytes() { ::close(fd_); }

std::size_t FileBytes::ReadAt(std::uint64_t offset, void* out, std::size_t n) const {
    for (;;) {
        const ssize_t r = ::pread(fd_, out, n, static_cast<off_t>(offset));
        if (r >= 0) return static_cast<std::size_t>(r);
        if (errno != EINTR) throw std::runtime_error(std::strerror(errno));
    }
}

std::size_t MemoryBytes::ReadAt(std::uint64_t offset, void* out, std::size_t n) const {
    if (offset >= data_.size()) return 0;
    const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(n, data_.size() - offset));
    std::memcpy(out, data_.data() + offset, take);
    return take;
}

} // namespace tambrel
