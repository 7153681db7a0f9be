#pragma once
// Replacing a finished file without ever leaving its path empty, half
// written, or holding another save's file. Failures throw std::runtime_error
// with a description fit for a message box.

#include <cstdio>
#include <string>

namespace tambrel {

// Puts a copy (a hard link where the file system allows one) of the file at
// path into the user's freedesktop.org Trash ($XDG_DATA_HOME/Trash, else
// ~/.local/share/Trash), with the .trashinfo record file managers restore
// from. The file itself stays where it is.
void CopyToTrash(const std::string& path);

// A new version of `target`, written under a hidden name beside it:
// ".TITLE.tbsave-XXXXXX", created exclusively (never an existing name, never
// through a link) and locked for as long as this object lives, so that no
// other save can take, write or remove it. Creating one first removes the
// unlocked files of that pattern: what saves of the same target left behind
// when they were killed. Destroying one that was not put in place removes it.
class FileBeside {
public:
    explicit FileBeside(const std::string& target);
    ~FileBeside();
    FileBeside(const FileBeside&) = delete;
    FileBeside& operator=(const FileBeside&) = delete;

    // Where to write; buffered. Valid until Finish.
    std::FILE* File() const { return file_; }
    const std::string& TempName() const { return tempPath_; }
    // Flushes the written file to disk and closes the stream (the lock stays).
    void Finish();
    // Renames the finished file over the target in one step, then flushes
    // the folder so the rename itself lasts.
    void PutInPlace();

private:
    std::string target_, folder_, tempName_, tempPath_;
    int dirFd_ = -1;
    int lockFd_ = -1;
    std::FILE* file_ = nullptr;
    bool placed_ = false;
};

// Removes, beside `target`, the copies that saves of it left when they were
// killed: files of FileBeside's names, ours, that no save holds locked and
// that have not changed for `minAgeSeconds`, so that a save still running,
// in this program or in another one on a folder whose locks it cannot see,
// keeps its file. Failures are ignored: the copies are only clutter.
void RemoveSaveLeftovers(const std::string& target, long minAgeSeconds);

// True for the name of a file FileBeside(target) makes (of this version or
// the ".TITLE.savingN" copies older ones made); `title` is target's last part.
bool IsLeftoverName(const std::string& name, const std::string& title);

// A test seam: called with the name of each step of a save that has an
// effect on disk ("written": the new file is complete beside the target;
// "trashed": the old file's copy is in the Trash), so tests can end the
// process exactly there. Null (the default) does nothing.
using SaveStepHook = void (*)(const char* step);
void SetSaveStepHook(SaveStepHook hook);
void SaveStep(const char* step);

} // namespace tambrel
