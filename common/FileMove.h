#pragma once
// Moving finished files into place without ever leaving a partial one behind.
// Failures throw std::runtime_error with a description fit for a message box.

#include <cstdio>
#include <string>

namespace tambrel {

// Moves path into the user's freedesktop.org Trash ($XDG_DATA_HOME/Trash, else
// ~/.local/share/Trash), with the .trashinfo record file managers restore from.
void MoveToTrash(const std::string& path);

// Puts the finished file `from` at `to`. When `to` already exists it goes to
// the Trash first, but only once the new file is safely beside it: across file
// systems `from` is copied next to `to` under a temporary name and flushed to
// disk before the old file is touched. `from` is gone afterwards.
void ReplaceViaTrash(const std::string& from, const std::string& to);

// Flushes an open file's data to disk (fflush + fsync); throws on failure.
void FlushToDisk(std::FILE* f, const std::string& path);

} // namespace tambrel
