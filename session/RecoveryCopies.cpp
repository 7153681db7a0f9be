#include "session/RecoveryCopies.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>

#include "common/DateText.h"
#include "common/FileKind.h"
#include "common/Folders.h"
#include "common/NumberText.h"
#include "common/ProfileFile.h"
#include "document/FileCommands.h"
#include "document/OpenSaveClass.h"
#include "session/ProgramFiles.h"

namespace tambrel {

namespace {

constexpr char kSection[] = "Recovery";
constexpr std::string_view kRecordEnd = ".record";
constexpr std::string_view kSetAsideEnd = ".damaged";
// What a start finds unfinished and older than this was left by a program
// killed while it kept a copy; younger ones may still be being written.
constexpr std::int64_t kUnfinishedSeconds = 3600;

bool EndsWith(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// A file name stored in the record: any byte may stand in it, so all but
// the plainest are written as %XX and the value reads back exactly.
std::string Encode(std::string_view s) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '.' ||
            c == '-' || c == '_') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::optional<std::string> Decode(std::string_view s) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return std::nullopt;
        const int hi = digit(s[i + 1]), lo = digit(s[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

// FNV-1a over the whole file, and its size; none when it cannot be read.
struct Fingerprint {
    std::uint64_t size = 0, check = 0;
};
std::optional<Fingerprint> FingerprintOf(const std::string& path) {
    std::string error;
    const int fd = OpenFileForReading(path, error);
    if (fd < 0) return std::nullopt;
    Fingerprint f;
    f.check = 1469598103934665603ull;
    std::vector<unsigned char> buf(1 << 16);
    for (;;) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        for (ssize_t i = 0; i < n; ++i) {
            f.check ^= buf[static_cast<std::size_t>(i)];
            f.check *= 1099511628211ull;
        }
        f.size += static_cast<std::uint64_t>(n);
    }
    ::close(fd);
    return f;
}

std::string Hex(std::uint64_t v) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

// The leading part of a copy's name: the original's title, plain letters only.
std::string NamePart(const std::string& original) {
    std::string title = original.empty() ? "New" : FileTitleOf(original);
    if (const std::size_t dot = title.rfind('.'); dot != std::string::npos && dot > 0) title.erase(dot);
    std::string out;
    for (unsigned char c : title)
        if (out.size() < 40 &&
            ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            out += static_cast<char>(c);
    return out.empty() ? "Orchestra" : out;
}

std::int64_t ParseInt64(const std::string& s, bool& ok) {
    ok = !s.empty() && s.find_first_not_of("0123456789") == std::string::npos && s.size() <= 18;
    return ok ? std::stoll(s) : 0;
}

// A regular file of this user, not reached through a link.
bool OwnFile(const std::string& path, struct stat* out = nullptr) {
    struct stat st {};
    const bool ok = ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
    if (out) *out = st;
    return ok;
}

} // namespace

std::string RecoveryQuestion(const RecoveryCopy& copy) {
    return "Unsaved changes of " + (copy.original.empty() ? std::string("New") : copy.original) + " from " +
           copy.keptAt + " were kept. Open them?";
}

std::string RecoveryFolder(const std::string& stateHome, const std::string& home) {
    return BaseFolder(stateHome, home, ".local/state") + "/TambrelOrchestra";
}

RecoveryCopies::~RecoveryCopies() {
    for (auto& [path, fd] : reserved_) ::close(fd);
}

bool RecoveryCopies::Keep(ProgramState& st, std::string& error) {
    if (!MakePrivateFolder(folder_, error)) return false;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string original = st.Orc.OrcFile;
    std::string base = folder_ + "/" + NamePart(original) + "-" + stamp + "-" + std::to_string(::getpid());
    // Two copies kept in the same second by the same process get two names.
    for (int n = 2; FileExists(base + ".TbOrc") || FileExists(base + ".TbOrc" + std::string(kRecordEnd)); ++n)
        base = folder_ + "/" + NamePart(original) + "-" + stamp + "-" + std::to_string(::getpid()) + "-" +
               std::to_string(n);
    const std::string copy = base + ".TbOrc";
    const std::string record = copy + std::string(kRecordEnd);

    OpenSaveClass saver(st);
    if (!saver.SaveOrchestra(copy)) {
        error = "The Orchestra could not be written to " + copy;
        return false;
    }
    // Read back: what the record vouches for is what is on the disk.
    const std::optional<Fingerprint> print = FingerprintOf(copy);
    std::string when = TimeSavedText(local);
    std::replace(when.begin(), when.end(), '/', ' ');
    ProfileWriteFailure why = ProfileWriteFailure::None;
    if (!print || !WriteProfileStrings(record, kSection,
                                       {{"File", Encode(original)},
                                        {"Kept", when},
                                        {"KeptSeconds", std::to_string(static_cast<std::int64_t>(now))},
                                        {"Size", std::to_string(print->size)},
                                        {"Check", Hex(print->check)}},
                                       &why)) {
        ::unlink(copy.c_str());
        ::unlink(record.c_str());
        error = "The recovery copy " + copy + " could not be finished";
        return false;
    }
    return true;
}

std::vector<RecoveryCopy> RecoveryCopies::Find(int* setAside) {
    if (setAside) *setAside = 0;
    std::vector<RecoveryCopy> found;
    DIR* dir = ::opendir(folder_.c_str());
    if (!dir) return found;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir))
        if (std::string_view(e->d_name) != "." && std::string_view(e->d_name) != "..") names.emplace_back(e->d_name);
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    auto has = [&](const std::string& n) { return std::binary_search(names.begin(), names.end(), n); };

    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    for (const std::string& name : names) {
        const std::string path = folder_ + "/" + name;
        struct stat st {};
        if (!OwnFile(path, &st)) continue;
        if (!EndsWith(name, kRecordEnd)) {
            // A copy whose record was never written, or a save's hidden file
            // left by a kill: unfinished, and gone once surely abandoned.
            const bool recorded = has(name + std::string(kRecordEnd)) ||
                                  has(name + std::string(kRecordEnd) + std::string(kSetAsideEnd)) ||
                                  EndsWith(name, kSetAsideEnd);
            if (!recorded && now - static_cast<std::int64_t>(st.st_mtime) > kUnfinishedSeconds) ::unlink(path.c_str());
            continue;
        }
        // Reserved while this program offers or holds it.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        RecoveryCopy c;
        c.recordPath = path;
        c.copyPath = path.substr(0, path.size() - kRecordEnd.size());
        auto value = [&](const char* key) { return GetProfileString(path, kSection, key, "", std::string::npos); };
        bool okSeconds = false, okSize = false;
        const std::optional<std::string> original = Decode(value("File"));
        c.keptAt = value("Kept");
        c.keptSeconds = ParseInt64(value("KeptSeconds"), okSeconds);
        const std::int64_t size = ParseInt64(value("Size"), okSize);
        const std::string check = value("Check");
        const std::optional<Fingerprint> print = OwnFile(c.copyPath) ? FingerprintOf(c.copyPath) : std::nullopt;
        reserved_.emplace_back(path, fd);
        if (!original || c.keptAt.empty() || !okSeconds || !okSize || !print ||
            print->size != static_cast<std::uint64_t>(size) || Hex(print->check) != check) {
            SetAside(c);
            if (setAside) ++*setAside;
            continue;
        }
        c.original = *original;
        found.push_back(std::move(c));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const RecoveryCopy& a, const RecoveryCopy& b) { return a.keptSeconds > b.keptSeconds; });
    return found;
}

bool RecoveryCopies::Open(ProgramState& st, const RecoveryCopy& copy) {
    OpenSaveClass loader(st);
    if (!loader.LoadOrchestra(copy.copyPath)) return false;
    // The changes belong to the original file: saving goes there (or asks
    // for a name, for a new Orchestra), and they are not saved yet.
    st.Orc.OrcFile = copy.original;
    st.views.Post(notice::RebuildAllBoardViews{});
    st.views.Post(notice::ShowCurRecName{});
    st.FileModified = kVbTrue;
    st.shell.Caption(MainCaption(copy.original.empty() ? std::string("New") : FileTitleOf(copy.original)));
    if (!copy.original.empty() && FolderExists(FolderOf(copy.original))) st.LastUsedPath = FolderOf(copy.original);
    return true;
}

void RecoveryCopies::Remove(const RecoveryCopy& copy) {
    ::unlink(copy.copyPath.c_str());
    ::unlink(copy.recordPath.c_str());
    Release(copy.recordPath);
}

void RecoveryCopies::SetAside(const RecoveryCopy& copy) {
    ::rename(copy.recordPath.c_str(), (copy.recordPath + std::string(kSetAsideEnd)).c_str());
    Release(copy.recordPath);
}

void RecoveryCopies::Release(const std::string& recordPath) {
    for (auto it = reserved_.begin(); it != reserved_.end(); ++it)
        if (it->first == recordPath) {
            ::close(it->second);
            reserved_.erase(it);
            return;
        }
}

} // namespace tambrel
