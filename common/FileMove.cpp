#include "common/FileMove.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>

#include "common/Folders.h"

namespace tambrel {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(err));
}

// Copies from -> to (created, must not exist), flushed to disk.
void CopyDurably(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) Fail("Could not read", from, errno);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        Fail("Could not create", to, e);
    }
    static constexpr std::size_t kChunk = 1 << 20;
    std::string buf(kChunk, '\0');
    for (;;) {
        const ssize_t n = ::read(in, buf.data(), kChunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int e = errno;
            ::close(in), ::close(out), ::unlink(to.c_str());
            Fail("Could not read", from, e);
        }
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buf.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) {
                const int e = errno;
                ::close(in), ::close(out), ::unlink(to.c_str());
                Fail("Could not write", to, e);
            }
            done += w;
        }
    }
    ::close(in);
    if (::fsync(out) != 0 || ::close(out) != 0) {
        const int e = errno;
        ::unlink(to.c_str());
        Fail("Could not write", to, e);
    }
}

// rename(), or a durable copy and unlink when the two lie on different file systems.
void MoveAcross(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return;
    if (errno != EXDEV) Fail("Could not move", from, errno);
    CopyDurably(from, to);
    ::unlink(from.c_str());
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[4096];
    if (!::getcwd(cwd, sizeof cwd)) return path;
    return std::string(cwd) + "/" + path;
}

std::string UrlEncodePath(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '-' ||
            c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

void MakeFolder(const std::string& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) Fail("Could not create the Trash folder", dir, errno);
}

} // namespace

void FlushToDisk(std::FILE* f, const std::string& path) {
    if (std::fflush(f) != 0 || ::fsync(::fileno(f)) != 0) Fail("Could not write", path, errno);
}

void MoveToTrash(const std::string& path) {
    std::string trash;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/') {
        trash = std::string(x) + "/Trash";
    } else if (const char* h = std::getenv("HOME"); h && *h) {
        trash = std::string(h) + "/.local/share/Trash";
    } else {
        throw std::runtime_error("No Trash folder for " + path + ": HOME is not set");
    }
    const std::string dataHome = FolderOf(trash);
    for (std::string dir : {dataHome.substr(0, dataHome.size() - 1), trash, trash + "/files", trash + "/info"}) {
        // ~/.local/share may be missing on a fresh account; make each level.
        for (std::size_t i = 1; i <= dir.size(); ++i)
            if (i == dir.size() || dir[i] == '/') {
                const std::string part = dir.substr(0, i);
                if (!FolderExists(part)) MakeFolder(part);
            }
    }

    const std::string abs = AbsolutePath(path);
    const std::string title = FileTitleOf(abs);
    std::time_t now = std::time(nullptr);
    std::tm t{};
    ::localtime_r(&now, &t);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &t);
    const std::string info = "[Trash Info]\nPath=" + UrlEncodePath(abs) + "\nDeletionDate=" + date + "\n";

    // The .trashinfo file is created exclusively first: it reserves the name.
    for (int n = 1; n < 10000; ++n) {
        const std::string name = n == 1 ? title : title + "." + std::to_string(n);
        const std::string infoPath = trash + "/info/" + name + ".trashinfo";
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            Fail("Could not write", infoPath, errno);
        }
        const bool written = ::write(fd, info.data(), info.size()) == static_cast<ssize_t>(info.size());
        ::close(fd);
        try {
            if (!written) Fail("Could not write", infoPath, errno);
            MoveAcross(abs, trash + "/files/" + name);
        } catch (...) {
            ::unlink(infoPath.c_str());
            throw;
        }
        return;
    }
    throw std::runtime_error("Could not find a free name in the Trash for " + path);
}

void ReplaceViaTrash(const std::string& from, const std::string& to) {
    struct stat src{}, dst{};
    if (::stat(from.c_str(), &src) != 0) Fail("Could not read", from, errno);
    std::string folder = FolderOf(to);
    if (folder.empty()) folder = "./";
    if (::stat(folder.c_str(), &dst) != 0) Fail("Could not reach the folder", folder, errno);

    // The new file must lie on the target's file system before the old one
    // leaves, so that the last step is a rename that cannot half-happen.
    std::string staged = from;
    if (src.st_dev != dst.st_dev) {
        for (int n = 1;; ++n) {
            staged = folder + "." + FileTitleOf(to) + ".saving" + std::to_string(n);
            struct stat probe{};
            if (::lstat(staged.c_str(), &probe) != 0) break;
            if (n > 1000) throw std::runtime_error("Could not find a temporary name beside " + to);
        }
        CopyDurably(from, staged);
    }
    try {
        if (FileExists(to)) MoveToTrash(to);
        if (std::rename(staged.c_str(), to.c_str()) != 0) Fail("Could not move the new file to", to, errno);
    } catch (...) {
        if (staged != from) ::unlink(staged.c_str());
        throw;
    }
    if (staged != from) ::unlink(from.c_str());
}

} // namespace tambrel
