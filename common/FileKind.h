#pragma once
// What lies at a path, told plainly, so that a folder, a named pipe or a
// device given where a file is expected gets one clear message instead of
// "File Not Found" or a library's text, and a FIFO never blocks a read.

#include <string>

namespace tambrel {

enum class PathKind { Missing, File, Folder, Fifo, Device, Socket, Other };

// Follows symbolic links, as opening the path would.
PathKind KindOfPath(const std::string& path);

// "PATH is a folder, not a file" and the like; empty for File and Missing.
std::string NotAFileText(const std::string& path, PathKind kind);

// Opens a regular file for reading. Never blocks, even when a FIFO takes the
// file's place after a check. Returns -1 with `error` set: "File Not Found",
// the NotAFileText, or the system's reason.
int OpenFileForReading(const std::string& path, std::string& error);

} // namespace tambrel
