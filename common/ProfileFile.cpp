#include "common/ProfileFile.h"

#include "common/FileMove.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

namespace tambrel {

namespace {

// A settings file is a few kilobytes. Anything far larger is not one of ours;
// it is neither read into memory nor rewritten.
constexpr std::uintmax_t kMaxFileSize = 16u * 1024u * 1024u;

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view s)
{
    const std::size_t b = s.find_first_not_of(kBlanks);
    if (b == std::string_view::npos)
        return {};
    const std::size_t e = s.find_last_not_of(kBlanks);
    return s.substr(b, e - b + 1);
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct Line {
    std::size_t begin = 0;   // offset of the line in the file
    std::string_view text;   // without "\n" (a "\r" before it stays here)
    std::size_t end = 0;     // offset after the line's "\n", or the file size
    bool terminated = false; // ends in "\n"
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed
    std::size_t valueAt = 0; // offset in text just after the key's "="
};

Line Classify(std::string_view content, std::size_t begin)
{
    Line line;
    line.begin = begin;
    const std::size_t nl = content.find('\n', begin);
    if (nl == std::string_view::npos) {
        line.text = content.substr(begin);
        line.end = content.size();
    } else {
        line.text = content.substr(begin, nl - begin);
        line.end = nl + 1;
        line.terminated = true;
    }

    std::string_view t = line.text;
    if (begin == 0 && t.substr(0, 3) == "\xEF\xBB\xBF") // a byte order mark an editor may add
        t.remove_prefix(3);
    t = Trim(t);

    if (t.empty()) {
        line.kind = LineKind::Blank;
    } else if (t.front() == ';') {
        line.kind = LineKind::Comment;
    } else if (t.front() == '[' && t.find_last_of(']') != std::string_view::npos) {
        line.kind = LineKind::Section;
        line.name = Trim(t.substr(1, t.find_last_of(']') - 1));
    }
    if (line.kind != LineKind::Other)
        return line;

    // A "[" line without "]" falls through to here, as in the classic reader.
    const std::size_t eq = line.text.find('=');
    if (eq != std::string_view::npos) {
        std::string_view key = line.text.substr(0, eq);
        if (begin == 0 && key.substr(0, 3) == "\xEF\xBB\xBF")
            key.remove_prefix(3);
        key = Trim(key);
        if (!key.empty()) {
            line.kind = LineKind::Key;
            line.name = key;
            line.value = Trim(line.text.substr(eq + 1));
            line.valueAt = eq + 1;
        }
    }
    return line;
}

// Calls visit(line) for each line until it returns false.
template <typename Visit>
void ForEachLine(std::string_view content, Visit visit)
{
    std::size_t pos = 0;
    while (pos < content.size()) {
        const Line line = Classify(content, pos);
        if (!visit(line))
            return;
        pos = line.end;
    }
}

enum class ReadResult { Ok, Missing, Failed };

// The whole file, checked against its real size before anything is allocated.
ReadResult ReadWholeFile(const std::string& path, std::string& content)
{
    content.clear();
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return ReadResult::Missing;
    if (ec || !std::filesystem::is_regular_file(status))
        return ReadResult::Failed;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxFileSize)
        return ReadResult::Failed;

    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return ReadResult::Failed;
    content.resize(static_cast<std::size_t>(size));
    const std::size_t got = std::fread(content.data(), 1, content.size(), f);
    content.resize(got); // the file may have shrunk meanwhile
    // It may also have grown; take the rest, still within the limit.
    char chunk[4096];
    bool tooBig = false;
    while (!tooBig) {
        const std::size_t more = std::fread(chunk, 1, sizeof chunk, f);
        if (more == 0)
            break;
        if (content.size() + more > kMaxFileSize)
            tooBig = true;
        else
            content.append(chunk, more);
    }
    const bool failed = std::ferror(f) != 0 || tooBig;
    std::fclose(f);
    if (failed) {
        content.clear();
        return ReadResult::Failed;
    }
    return ReadResult::Ok;
}

std::string Cut(std::string_view s, std::size_t bufferSize)
{
    if (bufferSize == 0)
        return {};
    return std::string(s.substr(0, bufferSize - 1));
}

// Writes content beside target under a name no other writer can take and
// renames it over target, so that a crash leaves either the old file or the
// new one, never half of one; the new file keeps the old one's permissions.
bool ReplaceFile(const std::string& target, std::string_view content)
{
    try {
        FileBeside out(target);
        if (std::fwrite(content.data(), 1, content.size(), out.File()) != content.size())
            return false;
        out.Finish();
        out.PutInPlace();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool HasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

std::string GetProfileString(const std::string& path, std::string_view section, std::string_view key,
                             std::string_view fallback, std::size_t bufferSize)
{
    section = Trim(section);
    key = Trim(key);
    std::string content;
    if (section.empty() || key.empty() || ReadWholeFile(path, content) != ReadResult::Ok)
        return Cut(fallback, bufferSize);

    // Only the first section of the name counts, and in it the first key.
    bool inSection = false;
    bool sectionSeen = false;
    std::optional<std::string_view> found;
    ForEachLine(content, [&](const Line& line) {
        if (line.kind == LineKind::Section) {
            if (inSection)
                return false;
            if (!sectionSeen && EqualNoCase(line.name, section))
                inSection = sectionSeen = true;
        } else if (inSection && line.kind == LineKind::Key && EqualNoCase(line.name, key)) {
            found = line.value;
            return false;
        }
        return true;
    });
    if (!found)
        return Cut(fallback, bufferSize);

    std::string_view value = *found;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return Cut(value, bufferSize);
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value)
{
    section = Trim(section);
    key = Trim(key);
    // Names and values that would not read back as the same entry, or that
    // would break the file into extra lines, are refused rather than written.
    if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[')
        return false;

    // Write through a symbolic link to the real file rather than replacing the link.
    std::string target = path;
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto real = std::filesystem::weakly_canonical(path, ec);
        if (ec)
            return false;
        target = real.string();
    }

    std::string content;
    const ReadResult read = ReadWholeFile(target, content);
    if (read == ReadResult::Failed)
        return false;
    const std::string entry = std::string(key) + "=" + std::string(value) + "\n";
    bool inSection = false;
    bool sectionSeen = false;
    bool lastLineBlank = true;
    std::size_t insertAt = 0;
    bool insertAfterTerminated = true;
    std::optional<std::string> result;

    ForEachLine(content, [&](const Line& line) {
        lastLineBlank = line.kind == LineKind::Blank;
        if (line.kind == LineKind::Section) {
            if (inSection)
                return false;
            if (!sectionSeen && EqualNoCase(line.name, section)) {
                inSection = sectionSeen = true;
                insertAt = line.end;
                insertAfterTerminated = line.terminated;
            }
            return true;
        }
        if (!inSection)
            return true;
        if (line.kind == LineKind::Key && EqualNoCase(line.name, key)) {
            // Replace the value in place; the key keeps its spelling and the
            // line its ending.
            const bool cr = !line.text.empty() && line.text.back() == '\r';
            std::string out(content, 0, line.begin + line.valueAt);
            out.append(value);
            if (cr)
                out += '\r';
            if (line.terminated)
                out += '\n';
            out.append(content, line.end, std::string::npos);
            result = std::move(out);
            return false;
        }
        if (line.kind != LineKind::Blank) {
            insertAt = line.end;
            insertAfterTerminated = line.terminated;
        }
        return true;
    });

    if (!result) {
        std::string out;
        if (sectionSeen) {
            // A new key goes after the last non-blank line of its section.
            out.assign(content, 0, insertAt);
            if (!insertAfterTerminated)
                out += '\n';
            out += entry;
            out.append(content, insertAt, std::string::npos);
        } else {
            out = content;
            if (!out.empty() && out.back() != '\n')
                out += '\n';
            if (!out.empty() && !lastLineBlank)
                out += '\n';
            out += "[";
            out.append(section);
            out += "]\n";
            out += entry;
        }
        result = std::move(out);
    }

    if (read == ReadResult::Ok && *result == content)
        return true;
    return ReplaceFile(target, *result);
}

} // namespace tambrel
