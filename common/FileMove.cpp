#include "common/FileMove.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <stdexcept>
#include <vector>

#include "common/FileKind.h"
#include "common/Folders.h"

namespace tambrel {
namespace {

constexpr char kTempMarker[] = ".tbsave-";
constexpr std::size_t kRandomChars = 6;
constexpr std::size_t kMaxName = 255; // NAME_MAX of the usual file systems

SaveStepHook g_hook = nullptr;

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(err));
}

// Closes a descriptor when it leaves scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t w = ::write(fd, data, size);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return false;
        data += w;
        size -= static_cast<std::size_t>(w);
    }
    return true;
}

// Copies the open file `in` to `to` (created, must not exist), flushed to disk.
void CopyDurably(int in, const std::string& from, const std::string& to) {
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) Fail("Could not create", to, errno);
    static constexpr std::size_t kChunk = 1 << 20;
    std::string buf(kChunk, '\0');
    auto fail = [&](const char* what, const std::string& path, int e) {
        ::close(out), ::unlink(to.c_str());
        Fail(what, path, e);
    };
    for (;;) {
        const ssize_t n = ::read(in, buf.data(), kChunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail("Could not read", from, errno);
        if (n == 0) break;
        if (!WriteAll(out, buf.data(), static_cast<std::size_t>(n))) fail("Could not write", to, errno);
    }
    if (::fsync(out) != 0) fail("Could not write", to, errno);
    if (::close(out) != 0) {
        const int e = errno;
        ::unlink(to.c_str());
        Fail("Could not write", to, e);
    }
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

std::string TrashFolder(const std::string& forPath) {
    std::string trash;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/') {
        trash = std::string(x) + "/Trash";
    } else if (const char* h = std::getenv("HOME"); h && *h) {
        trash = std::string(h) + "/.local/share/Trash";
    } else {
        throw std::runtime_error("No Trash folder for " + forPath + ": HOME is not set");
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
    return trash;
}

// The first part of every temporary name for a target titled `title`, cut
// so that the whole name stays within the file system's limit.
std::string TempPrefix(const std::string& title) {
    const std::size_t room = kMaxName - 1 - (sizeof kTempMarker - 1) - kRandomChars;
    return "." + title.substr(0, room) + kTempMarker;
}

std::string RandomChars() {
    static const char set[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 gen{std::random_device{}()};
    std::string s(kRandomChars, 'x');
    for (char& c : s) c = set[gen() % (sizeof set - 1)];
    return s;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The name in dirFd still names the file open as fd.
bool StillNamed(int dirFd, const std::string& name, int fd) {
    struct stat byName {
    }, open{};
    return ::fstatat(dirFd, name.c_str(), &byName, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &open) == 0 &&
           SameFile(byName, open);
}

// Removes what killed saves of `title` left in the folder. A live save holds
// the lock on its file, so only files nobody holds are taken; the lock is
// kept while the name is checked and removed. Files changed at or after
// `changedBefore` (when not 0) stay.
void RemoveLeftovers(int dirFd, const std::string& title, std::time_t changedBefore = 0) {
    const int scanFd = ::dup(dirFd);
    if (scanFd < 0) return;
    DIR* dir = ::fdopendir(scanFd);
    if (!dir) {
        ::close(scanFd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir))
        if (IsLeftoverName(e->d_name, title)) names.emplace_back(e->d_name);
    ::closedir(dir);
    for (const std::string& name : names) {
        // Only our own regular files: nothing else is even opened.
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        Fd fd(::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (fd.fd < 0 || ::fstat(fd.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (::flock(fd.fd, LOCK_EX | LOCK_NB) != 0) continue; // a save in progress
        if (changedBefore != 0 && (::fstat(fd.fd, &st) != 0 || st.st_mtime >= changedBefore)) continue;
        if (StillNamed(dirFd, name, fd.fd)) ::unlinkat(dirFd, name.c_str(), 0);
    }
}

} // namespace

bool IsLeftoverName(const std::string& name, const std::string& title) {
    const std::string prefix = TempPrefix(title);
    if (name.size() == prefix.size() + kRandomChars && name.compare(0, prefix.size(), prefix) == 0) {
        for (std::size_t i = prefix.size(); i < name.size(); ++i)
            if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
        return true;
    }
    // Older versions staged copies across file systems as ".TITLE.savingN".
    const std::string old = "." + title + ".saving";
    return name.size() > old.size() && name.compare(0, old.size(), old) == 0 &&
           name.find_first_not_of("0123456789", old.size()) == std::string::npos;
}

void RemoveSaveLeftovers(const std::string& target, long minAgeSeconds) {
    const std::string title = FileTitleOf(target);
    if (title.empty()) return;
    const std::string folder = FolderOf(target);
    Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd < 0) return;
    RemoveLeftovers(dir.fd, title, std::time(nullptr) - std::max(minAgeSeconds, 1L));
}

void SetSaveStepHook(SaveStepHook hook) { g_hook = hook; }

void SaveStep(const char* step) {
    if (g_hook) g_hook(step);
}

void CopyToTrash(const std::string& path) {
    const std::string trash = TrashFolder(path);
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
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            Fail("Could not write", infoPath, errno);
        }
        const bool written = WriteAll(fd, info.data(), info.size());
        const int writeErr = errno;
        ::close(fd);
        const std::string filesPath = trash + "/files/" + name;
        // A file of that name without its record: take the next name.
        struct stat taken {};
        if (::lstat(filesPath.c_str(), &taken) == 0) {
            ::unlink(infoPath.c_str());
            continue;
        }
        try {
            if (!written) Fail("Could not write", infoPath, writeErr);
            // A hard link costs nothing and keeps the old file exactly; a
            // copy serves where the Trash lies on another file system or
            // links are refused.
            if (::link(abs.c_str(), filesPath.c_str()) != 0) {
                Fd in(::open(abs.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
                if (in.fd < 0) Fail("Could not read", abs, errno);
                CopyDurably(in.fd, abs, filesPath);
            }
        } catch (...) {
            ::unlink(infoPath.c_str());
            throw;
        }
        return;
    }
    throw std::runtime_error("Could not find a free name in the Trash for " + path);
}

FileBeside::FileBeside(const std::string& target) : target_(target) {
    folder_ = FolderOf(target);
    const std::string title = FileTitleOf(target);
    if (title.empty()) throw std::runtime_error("No file name in " + target);
    const PathKind kind = KindOfPath(target);
    if (kind != PathKind::File && kind != PathKind::Missing) throw std::runtime_error(NotAFileText(target, kind));

    // Every step works relative to the folder opened once, so the folder
    // cannot be swapped for another between them.
    dirFd_ = ::open(folder_.empty() ? "." : folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd_ < 0) Fail("Could not reach the folder", folder_.empty() ? "." : folder_, errno);
    RemoveLeftovers(dirFd_, title);

    struct stat old {};
    const bool hadOld = ::fstatat(dirFd_, title.c_str(), &old, 0) == 0 && S_ISREG(old.st_mode);
    const std::string prefix = TempPrefix(title);
    for (int attempt = 0; attempt < 100 && lockFd_ < 0; ++attempt) {
        tempName_ = prefix + RandomChars();
        // 0666 lets the umask decide, as for any newly made file.
        const int fd = ::openat(dirFd_, tempName_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            const int e = errno;
            ::close(dirFd_);
            Fail("Could not create a file in", folder_.empty() ? "." : folder_, e);
        }
        // Another save's clean-up may have taken the name in the moment
        // before the lock: then try another.
        if (::flock(fd, LOCK_EX) != 0 || !StillNamed(dirFd_, tempName_, fd)) {
            ::close(fd);
            continue;
        }
        lockFd_ = fd;
    }
    tempPath_ = folder_ + tempName_;
    if (lockFd_ < 0) {
        ::close(dirFd_);
        throw std::runtime_error("Could not find a free temporary name beside " + target);
    }
    // The new version keeps the old one's permissions.
    if (hadOld) ::fchmod(lockFd_, old.st_mode & 07777);
    // The stream gets its own descriptor: closing it keeps the lock.
    const int writeFd = ::dup(lockFd_);
    file_ = writeFd < 0 ? nullptr : ::fdopen(writeFd, "wb");
    if (!file_) {
        const int e = errno;
        if (writeFd >= 0) ::close(writeFd);
        ::unlinkat(dirFd_, tempName_.c_str(), 0);
        ::close(lockFd_), ::close(dirFd_);
        Fail("Could not write", tempPath_, e);
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
}

FileBeside::~FileBeside() {
    if (file_) std::fclose(file_);
    if (!placed_ && dirFd_ >= 0 && lockFd_ >= 0 && StillNamed(dirFd_, tempName_, lockFd_))
        ::unlinkat(dirFd_, tempName_.c_str(), 0);
    if (lockFd_ >= 0) ::close(lockFd_);
    if (dirFd_ >= 0) ::close(dirFd_);
}

void FileBeside::Finish() {
    if (!file_) throw std::runtime_error("Could not write " + tempPath_);
    const bool flushed = std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
    const int e = errno;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed) Fail("Could not write", tempPath_, flushed ? errno : e);
    SaveStep("written");
}

void FileBeside::PutInPlace() {
    if (::renameat(dirFd_, tempName_.c_str(), dirFd_, FileTitleOf(target_).c_str()) != 0)
        Fail("Could not move the new file to", target_, errno);
    placed_ = true;
    // The new file is in place; a failure to flush the folder loses nothing now.
    ::fsync(dirFd_);
}

} // namespace tambrel
