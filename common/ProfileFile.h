#pragma once
// Sectioned "key=value" text files with the semantics of the classic profile
// functions: sections and keys matched without regard to letter case, reads
// through a fixed buffer, the file created by the first write, every other
// line kept as it was.
//
// Files are streamed, never held whole: memory stays the same for a settings
// file of a few lines and for one that grew to tens of megabytes. A line is
// judged by its first 64 KiB (longer lines are kept as they are, and a value
// read from one is at most that long); a file beyond 256 MiB is neither read
// nor rewritten.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tambrel {

// The value of key in section, cut to bufferSize - 1 characters; fallback when
// the file, the section or the key is absent.
std::string GetProfileString(const std::string& path, std::string_view section, std::string_view key,
                             std::string_view fallback, std::size_t bufferSize = 100);

// Why a write did not happen.
enum class ProfileWriteFailure {
    None,
    Refused,  // a section, key or value that would not read back as written
    ReadOnly, // the file is there and not writable: it is left alone
    Failed,   // the file or the folder could not be read or written
};

// Sets key in section to value, adding the section and key when missing.
// Returns false when the file cannot be written; `why` says why.
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key, std::string_view value,
                        ProfileWriteFailure* why = nullptr);

// Sets several keys of one section in one pass over the file, with the result
// of writing them one after another in this order. Entries that could not be
// written alone are left out; false when any was or the file failed.
bool WriteProfileStrings(const std::string& path, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& entries,
                         ProfileWriteFailure* why = nullptr);

// True when the file is there and read-only (for the superuser too: a file
// without any write permission is one its owner keeps as it is).
bool ProfileFileReadOnly(const std::string& path);

} // namespace tambrel
