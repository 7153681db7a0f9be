#pragma once
// Unsaved changes kept when the program is ended by a signal (the desktop
// session ending, a terminal's Ctrl+C, a service manager stopping it), and
// offered again at the next start. Each copy is an Orchestra file saved as
// saving does (complete or nothing) plus a small record beside it naming the
// file the changes belong to, when they were kept, and the copy's size and
// checksum. The record is written last, so a copy without one was never
// finished; a copy that does not match its record is damaged. Neither is
// ever offered. User-interface thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/ProgramState.h"

namespace tambrel {

struct RecoveryCopy {
    std::string copyPath;   // the Orchestra file
    std::string recordPath; // the record beside it
    std::string original;   // the file the changes belong to; empty for a new Orchestra
    std::string keptAt;     // when they were kept, "04-Mar-2004 21:05:07"
    std::int64_t keptSeconds = 0;
};

// "Unsaved changes of FILE from DATE were kept. Open them?"; FILE is "New"
// for an Orchestra never saved.
std::string RecoveryQuestion(const RecoveryCopy& copy);

// $XDG_STATE_HOME/TambrelOrchestra, else ~/.local/state/TambrelOrchestra.
std::string RecoveryFolder(const std::string& stateHome, const std::string& home);

class RecoveryCopies {
public:
    explicit RecoveryCopies(std::string folder) : folder_(std::move(folder)) {}
    ~RecoveryCopies();
    RecoveryCopies(const RecoveryCopies&) = delete;
    RecoveryCopies& operator=(const RecoveryCopies&) = delete;

    const std::string& Folder() const { return folder_; }

    // Keeps st's Orchestra as a new copy (the folder is made private to this
    // user when missing). False, with the reason, when it could not be kept
    // whole; nothing of it is left then. Messages of the saver go to st's
    // shell, which must not wait for anyone at this point.
    bool Keep(ProgramState& st, std::string& error);

    // The copies to offer, newest first: each checked against its record
    // and reserved for this program (another instance never offers the same
    // one). Damaged copies are set aside (renamed, never offered again) and
    // counted in `setAside`; unfinished ones older than an hour go.
    std::vector<RecoveryCopy> Find(int* setAside = nullptr);

    // Opens the copy as the Orchestra: loaded, marked modified, under the
    // original file's name (none for a new Orchestra). False when it does
    // not load; the loader has said why.
    bool Open(ProgramState& st, const RecoveryCopy& copy);

    // Deletes the copy and its record.
    void Remove(const RecoveryCopy& copy);
    // Renames the copy's record so it is never offered again; the copy stays
    // for whoever wants to look at it.
    void SetAside(const RecoveryCopy& copy);

private:
    void Release(const std::string& recordPath);
    std::string folder_;
    std::vector<std::pair<std::string, int>> reserved_; // record path, its locked descriptor
};

} // namespace tambrel
