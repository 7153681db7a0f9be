#include "common/ProfileFile.h"

#include "common/FileKind.h"
#include "common/FileMove.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

namespace tambrel {

namespace {

// A settings file is a few kilobytes. One far beyond this is not read and
// never rewritten; one below it is streamed however large it is.
constexpr std::uint64_t kMaxFileSize = 256ull * 1024u * 1024u;
// A line is classified, and a value read, from this much of it.
constexpr std::size_t kKeptLine = 64u * 1024u;
constexpr std::size_t kChunk = 64u * 1024u;

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view s) {
    const std::size_t b = s.find_first_not_of(kBlanks);
    if (b == std::string_view::npos) return {};
    const std::size_t e = s.find_last_not_of(kBlanks);
    return s.substr(b, e - b + 1);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct Line {
    std::uint64_t begin = 0;      // offset of the line in the file
    std::uint64_t end = 0;        // offset after the line's "\n", or the file size
    std::uint64_t contentEnd = 0; // offset of the line's "\r\n", "\n" or end
    std::string text;             // the line's first kKeptLine bytes, without "\n"
    bool cut = false;             // the line is longer than text
    bool terminated = false;      // ends in "\n"
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed
    std::size_t valueAt = 0; // offset in text just after the key's "="
};

void Classify(Line& line) {
    std::string_view t = line.text;
    if (line.begin == 0 && t.substr(0, 3) == "\xEF\xBB\xBF") // a byte order mark an editor may add
        t.remove_prefix(3);
    t = Trim(t);
    line.kind = LineKind::Other;
    line.name = line.value = {};
    line.valueAt = 0;

    if (t.empty()) {
        line.kind = LineKind::Blank;
    } else if (t.front() == ';') {
        line.kind = LineKind::Comment;
    } else if (t.front() == '[' && t.find_last_of(']') != std::string_view::npos) {
        line.kind = LineKind::Section;
        line.name = Trim(t.substr(1, t.find_last_of(']') - 1));
    }
    if (line.kind != LineKind::Other) return;

    // A "[" line without "]" falls through to here, as in the classic reader.
    const std::string_view text = line.text;
    const std::size_t eq = text.find('=');
    if (eq != std::string_view::npos) {
        std::string_view key = text.substr(0, eq);
        if (line.begin == 0 && key.substr(0, 3) == "\xEF\xBB\xBF") key.remove_prefix(3);
        key = Trim(key);
        if (!key.empty()) {
            line.kind = LineKind::Key;
            line.name = key;
            line.value = Trim(text.substr(eq + 1));
            line.valueAt = eq + 1;
        }
    }
}

// Reads a file line by line through a fixed buffer.
class LineReader {
public:
    // Reads from byte `start` on (a line's beginning).
    explicit LineReader(int fd, std::uint64_t start = 0) : fd_(fd), offset_(start) {
        if (::lseek(fd, static_cast<off_t>(start), SEEK_SET) < 0) failed_ = true;
    }

    // The next line, classified; false at the end of the file or on a
    // failure (Failed() tells which).
    bool Next(Line& line) {
        if (pos_ == len_ && !Fill()) return false;
        line.begin = offset_;
        line.text.clear();
        line.cut = line.terminated = false;
        char last = 0;
        for (;;) {
            if (pos_ == len_ && !Fill()) break;
            const char* from = buf_.data() + pos_;
            const auto* nl = static_cast<const char*>(std::memchr(from, '\n', len_ - pos_));
            const std::size_t n = nl ? static_cast<std::size_t>(nl - from) : len_ - pos_;
            if (n > 0) {
                const std::size_t room = kKeptLine - line.text.size();
                line.text.append(from, std::min(n, room));
                line.cut = line.cut || n > room;
                last = from[n - 1];
            }
            pos_ += n;
            offset_ += n;
            if (nl) {
                ++pos_;
                ++offset_;
                line.terminated = true;
                break;
            }
        }
        line.end = offset_;
        line.contentEnd = line.end - (line.terminated ? 1 : 0) - (last == '\r' ? 1 : 0);
        Classify(line);
        return true;
    }

    bool Failed() const { return failed_; }
    std::uint64_t Offset() const { return offset_; }

private:
    bool Fill() {
        pos_ = len_ = 0;
        if (failed_) return false;
        for (;;) {
            const ssize_t n = ::read(fd_, buf_.data(), buf_.size());
            if (n < 0 && errno == EINTR) continue;
            // A file that grew past the limit while it was read is not ours.
            if (n < 0 || offset_ + static_cast<std::uint64_t>(std::max<ssize_t>(n, 0)) > kMaxFileSize) {
                failed_ = true;
                return false;
            }
            len_ = static_cast<std::size_t>(n);
            return n > 0;
        }
    }

    int fd_;
    // On the heap: a reader may live on a thread with a small stack.
    std::vector<char> buf_ = std::vector<char>(kChunk);
    std::size_t pos_ = 0, len_ = 0;
    std::uint64_t offset_ = 0;
    bool failed_ = false;
};

// Where each section of a file starts, so that a read goes straight to its
// section instead of through everything before it: start-up reads a few
// hundred keys, and a file of tens of megabytes would otherwise be read
// through that often. Kept for the file as it is (the same file, size and
// times); any change, ours or another program's, makes it built again.
struct SectionIndex {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{}, ctime{};
    std::vector<std::pair<std::string, std::uint64_t>> sections; // first of each name: its header's offset
    std::uint64_t end = 0;                                       // where the file ends
    bool lastLineBlank = true;                                   // the kind of the file's last line
    bool endsInNewline = true;

    bool Describes(const struct stat& st) const {
        return dev == st.st_dev && ino == st.st_ino && size == st.st_size && mtime.tv_sec == st.st_mtim.tv_sec &&
               mtime.tv_nsec == st.st_mtim.tv_nsec && ctime.tv_sec == st.st_ctim.tv_sec &&
               ctime.tv_nsec == st.st_ctim.tv_nsec;
    }
    // The offset of the section's first header, or none.
    std::optional<std::uint64_t> Find(std::string_view name) const {
        for (const auto& [n, at] : sections)
            if (EqualNoCase(n, name)) return at;
        return std::nullopt;
    }
};

// A file with more sections than this is not indexed (and read through).
constexpr std::size_t kMaxIndexedSections = 4096;

std::vector<std::pair<std::string, SectionIndex>>& KeptIndexes() {
    thread_local std::vector<std::pair<std::string, SectionIndex>> kept;
    return kept;
}

// A file written here has a new identity anyway; its index goes at once,
// as the file system may give the new file the old one's number and time.
void ForgetIndex(const std::string& path) {
    std::erase_if(KeptIndexes(), [&](const auto& e) { return e.first == path; });
}

// The index of the open file fd named path: the one kept for it when the
// file is unchanged, else built by one pass. Null when it cannot be read or
// has too many sections to index.
const SectionIndex* IndexOf(const std::string& path, int fd) {
    auto& kept = KeptIndexes();
    struct stat st {};
    if (::fstat(fd, &st) != 0) return nullptr;
    for (const auto& [p, index] : kept)
        if (p == path && index.Describes(st)) return &index;

    SectionIndex index;
    index.dev = st.st_dev;
    index.ino = st.st_ino;
    index.size = st.st_size;
    index.mtime = st.st_mtim;
    index.ctime = st.st_ctim;
    LineReader reader(fd);
    Line line;
    while (reader.Next(line)) {
        index.lastLineBlank = line.kind == LineKind::Blank;
        index.endsInNewline = line.terminated;
        if (line.kind != LineKind::Section || index.Find(line.name)) continue;
        if (index.sections.size() == kMaxIndexedSections) return nullptr;
        index.sections.emplace_back(std::string(line.name), line.begin);
    }
    if (reader.Failed()) return nullptr;
    index.end = reader.Offset();
    std::erase_if(kept, [&](const auto& e) { return e.first == path; });
    if (kept.size() >= 4) kept.erase(kept.begin());
    kept.emplace_back(path, std::move(index));
    return &kept.back().second;
}

// True when a header of section starts at byte at of fd.
bool HeaderAt(int fd, std::uint64_t at, std::string_view section) {
    char buf[4096];
    Line line;
    line.begin = at;
    if (at > 0 && (::pread(fd, buf, 1, static_cast<off_t>(at - 1)) != 1 || buf[0] != '\n')) return false;
    const ssize_t n = ::pread(fd, buf, sizeof buf, static_cast<off_t>(at));
    if (n <= 0) return false;
    const auto* nl = static_cast<const char*>(std::memchr(buf, '\n', static_cast<std::size_t>(n)));
    line.text.assign(buf, nl ? static_cast<std::size_t>(nl - buf) : static_cast<std::size_t>(n));
    Classify(line);
    return line.kind == LineKind::Section && EqualNoCase(line.name, section);
}

// Where to read the file from for section: the index's word, checked
// against the file (an index that no longer fits is dropped, and the
// whole file is read). `absent` when the index knows the file has none.
struct SectionSeek {
    std::uint64_t start = 0;
    bool absent = false;
    const SectionIndex* index = nullptr;
};
SectionSeek SeekSection(const std::string& path, int fd, std::string_view section) {
    SectionSeek seek;
    seek.index = IndexOf(path, fd);
    if (!seek.index) return seek;
    const std::optional<std::uint64_t> at = seek.index->Find(section);
    if (!at) {
        seek.absent = true;
        return seek;
    }
    if (HeaderAt(fd, *at, section)) {
        seek.start = *at;
        return seek;
    }
    ForgetIndex(path);
    seek.index = nullptr;
    return seek;
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

// Opens a settings file for reading: a regular file within the size limit.
// -1 when it is missing (missing = true) or cannot be one of ours.
int OpenSettingsFile(const std::string& path, bool& missing, std::uint64_t& size) {
    missing = false;
    size = 0;
    std::string error;
    const PathKind kind = KindOfPath(path);
    if (kind == PathKind::Missing) {
        missing = true;
        return -1;
    }
    const int fd = OpenFileForReading(path, error);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) {
        ::close(fd);
        return -1;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

std::string Cut(std::string_view s, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    return std::string(s.substr(0, bufferSize - 1));
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// A key that reads back as itself, in a section that does.
bool Writable(std::string_view section, std::string_view key, std::string_view value) {
    return !section.empty() && !key.empty() && !HasLineBreak(section) && !HasLineBreak(key) && !HasLineBreak(value) &&
           key.find('=') == std::string_view::npos && key.front() != ';' && key.front() != '[';
}

// One change of the file: bytes [from, to) become text.
struct Edit {
    std::uint64_t from = 0, to = 0;
    std::string text;
};

bool WriteAll(std::FILE* f, const char* data, std::size_t n) { return n == 0 || std::fwrite(data, 1, n, f) == n; }

// Copies bytes [from, to) of fd to out; to == kToEnd: up to the end.
constexpr std::uint64_t kToEnd = ~std::uint64_t{0};
bool CopyRange(int fd, std::uint64_t from, std::uint64_t to, std::FILE* out) {
    std::vector<char> buf(kChunk);
    while (from < to) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), to - from));
        const ssize_t n = ::pread(fd, buf.data(), want, static_cast<off_t>(from));
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 && to == kToEnd) return true;
        if (n <= 0 || from > kMaxFileSize) // the file shrank, or grew beyond reason, under us
            return false;
        if (!WriteAll(out, buf.data(), static_cast<std::size_t>(n))) return false;
        from += static_cast<std::uint64_t>(n);
    }
    return true;
}

// Writes the file with its edits applied beside target and renames it over
// target, so that a crash leaves either the old file or the new one, never
// half of one; the new file keeps the old one's permissions.
bool ReplaceFile(const std::string& target, int fd, const std::vector<Edit>& edits) {
    ForgetIndex(target);
    try {
        FileBeside out(target);
        std::uint64_t at = 0;
        for (const Edit& e : edits) {
            if (fd >= 0 && !CopyRange(fd, at, e.from, out.File())) return false;
            if (!WriteAll(out.File(), e.text.data(), e.text.size())) return false;
            at = e.to;
        }
        if (fd >= 0 && !CopyRange(fd, at, kToEnd, out.File())) return false;
        out.Finish();
        out.PutInPlace();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void Say(ProfileWriteFailure* why, ProfileWriteFailure what) {
    if (why) *why = what;
}

} // namespace

bool ProfileFileReadOnly(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0);
}

std::string GetProfileString(const std::string& path, std::string_view section, std::string_view key,
                             std::string_view fallback, std::size_t bufferSize) {
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || key.empty()) return Cut(fallback, bufferSize);
    bool missing = false;
    std::uint64_t size = 0;
    Fd fd(OpenSettingsFile(path, missing, size));
    if (fd.fd < 0) return Cut(fallback, bufferSize);

    // Only the first section of the name counts, and in it the first key.
    const SectionSeek seek = SeekSection(path, fd.fd, section);
    if (seek.absent) return Cut(fallback, bufferSize);
    LineReader reader(fd.fd, seek.start);
    Line line;
    bool inSection = false;
    bool sectionSeen = false;
    while (reader.Next(line)) {
        if (line.kind == LineKind::Section) {
            if (inSection) break;
            if (!sectionSeen && EqualNoCase(line.name, section)) inSection = sectionSeen = true;
        } else if (inSection && line.kind == LineKind::Key && EqualNoCase(line.name, key)) {
            std::string_view value = line.value;
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            return Cut(value, bufferSize);
        }
    }
    return Cut(fallback, bufferSize);
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key, std::string_view value,
                        ProfileWriteFailure* why) {
    return WriteProfileStrings(path, section, {{std::string(key), std::string(value)}}, why);
}

bool WriteProfileStrings(const std::string& path, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& entries, ProfileWriteFailure* why) {
    Say(why, ProfileWriteFailure::None);
    section = Trim(section);
    // Names and values that would not read back as the same entry, or that
    // would break the file into extra lines, are refused rather than written.
    // A key given twice keeps its place and takes its last value.
    struct Wanted {
        std::string key, value;
        std::optional<Edit> found; // where its value stands now
        bool same = false;         // and already reads as wanted
    };
    std::vector<Wanted> wanted;
    bool refused = false;
    for (const auto& [k, v] : entries) {
        const std::string_view key = Trim(k);
        if (!Writable(section, key, v)) {
            refused = true;
            continue;
        }
        auto it = std::find_if(wanted.begin(), wanted.end(), [&](const Wanted& w) { return EqualNoCase(w.key, key); });
        if (it != wanted.end()) it->value = v;
        else wanted.push_back({std::string(key), v, std::nullopt, false});
    }
    if (refused) Say(why, ProfileWriteFailure::Refused);
    if (wanted.empty()) return !refused;

    // Write through a symbolic link to the real file rather than replacing the link.
    std::string target = path;
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto real = std::filesystem::weakly_canonical(path, ec);
        if (ec) {
            Say(why, ProfileWriteFailure::Failed);
            return false;
        }
        target = real.string();
    }

    bool missing = false;
    std::uint64_t size = 0; // where the file ends, once it has been read through
    Fd fd(OpenSettingsFile(target, missing, size));
    if (fd.fd < 0 && !missing) {
        Say(why, ProfileWriteFailure::Failed);
        return false;
    }
    // A file made read-only is the user's way of keeping it as it is; the
    // superuser, whom the permission does not stop, respects it too.
    if (fd.fd >= 0 && ProfileFileReadOnly(target)) {
        Say(why, ProfileWriteFailure::ReadOnly);
        return false;
    }

    // One pass finds where each value stands, or where a new key goes: after
    // the last non-blank line of the section's first occurrence.
    bool inSection = false;
    bool sectionSeen = false;
    bool lastLineBlank = true;
    bool endsInNewline = true;
    std::uint64_t insertAt = 0;
    bool insertAfterTerminated = true;
    if (fd.fd >= 0) {
        // Straight to the section; when there is none, the index knows how
        // the file ends, which is all a new section needs.
        const SectionSeek seek = SeekSection(target, fd.fd, section);
        std::uint64_t start = seek.start;
        if (seek.absent) {
            start = seek.index->end;
            lastLineBlank = seek.index->lastLineBlank;
            endsInNewline = seek.index->endsInNewline;
        }
        LineReader reader(fd.fd, start);
        Line line;
        while (reader.Next(line)) {
            lastLineBlank = line.kind == LineKind::Blank;
            endsInNewline = line.terminated;
            if (line.kind == LineKind::Section) {
                if (inSection) break;
                if (!sectionSeen && EqualNoCase(line.name, section)) {
                    inSection = sectionSeen = true;
                    insertAt = line.end;
                    insertAfterTerminated = line.terminated;
                }
                continue;
            }
            if (!inSection) continue;
            if (line.kind == LineKind::Key) {
                for (Wanted& w : wanted) {
                    if (w.found || !EqualNoCase(line.name, w.key)) continue;
                    // The value is replaced in place; the key keeps its
                    // spelling and the line its ending.
                    w.found = Edit{line.begin + line.valueAt, line.contentEnd, w.value};
                    const std::size_t len = static_cast<std::size_t>(line.contentEnd - line.begin) - line.valueAt;
                    w.same = !line.cut && std::string_view(line.text).substr(line.valueAt, len) == w.value;
                    break;
                }
            }
            if (line.kind != LineKind::Blank) {
                insertAt = line.end;
                insertAfterTerminated = line.terminated;
            }
        }
        if (reader.Failed()) {
            Say(why, ProfileWriteFailure::Failed);
            return false;
        }
        if (!sectionSeen) size = reader.Offset();
    }

    std::vector<Edit> edits;
    std::string added;
    for (const Wanted& w : wanted) {
        if (w.found && !w.same) edits.push_back(*w.found);
        else if (!w.found) added += w.key + "=" + w.value + "\n";
    }
    if (!added.empty()) {
        if (sectionSeen) {
            edits.push_back({insertAt, insertAt, (insertAfterTerminated ? "" : "\n") + added});
        } else {
            std::string text;
            if (size > 0 && !endsInNewline) text += '\n';
            if (size > 0 && !lastLineBlank) text += '\n';
            text += "[" + std::string(section) + "]\n" + added;
            edits.push_back({size, size, std::move(text)});
        }
    }
    if (edits.empty()) return !refused;
    // Replacements stand before an insertion at the same place.
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.from < b.from; });
    if (!ReplaceFile(target, fd.fd, edits)) {
        Say(why, ProfileWriteFailure::Failed);
        return false;
    }
    return !refused;
}

} // namespace tambrel
