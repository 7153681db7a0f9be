#include "common/FileKind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tambrel {
namespace {

PathKind KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return PathKind::File;
    if (S_ISDIR(mode)) return PathKind::Folder;
    if (S_ISFIFO(mode)) return PathKind::Fifo;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return PathKind::Device;
    if (S_ISSOCK(mode)) return PathKind::Socket;
    return PathKind::Other;
}

} // namespace

PathKind KindOfPath(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return PathKind::Missing;
    return KindOfMode(st.st_mode);
}

std::string NotAFileText(const std::string& path, PathKind kind) {
    switch (kind) {
    case PathKind::Folder: return path + " is a folder, not a file";
    case PathKind::Fifo: return path + " is a named pipe (FIFO), not a file";
    case PathKind::Device: return path + " is a device, not a file";
    case PathKind::Socket: return path + " is a socket, not a file";
    case PathKind::Other: return path + " is not a file";
    default: return {};
    }
}

int OpenFileForReading(const std::string& path, std::string& error) {
    // Looked at before opening: opening a device can itself do something.
    const PathKind kind = KindOfPath(path);
    if (kind == PathKind::Missing) {
        error = "File Not Found";
        return -1;
    }
    if (kind != PathKind::File) {
        error = NotAFileText(path, kind);
        return -1;
    }
    // O_NONBLOCK: a FIFO swapped in since the look above must not make the
    // open wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error =
            errno == ENOENT ? std::string("File Not Found") : "Could not open " + path + ": " + std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = NotAFileText(path, S_ISREG(st.st_mode) ? PathKind::Other : KindOfMode(st.st_mode));
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace tambrel
