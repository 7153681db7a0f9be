#pragma once
// The folders the program works with.

#include <string>
#include <string_view>

namespace tambrel {

class Settings;

struct Folders {
    std::string AppPath;  // the executable's folder, no trailing "/"
    std::string TempPath; // always ends in "/"
};

// AppPath from the executable's path; TempPath from $TMPDIR (else /tmp), or
// AppPath when that is blank, missing, or a plain file.
Folders SetUpFolders(std::string_view exePath);

// "LastUsedPath" from the settings, or AppPath + "/" when that folder is gone.
std::string ReadLastUsedPath(const Settings& settings, std::string_view appPath);

// The folder part of a path including its last "/", empty when there is none.
std::string FolderOf(std::string_view path);
// The part after the last "/".
std::string FileTitleOf(std::string_view path);

bool FileExists(const std::string& path);   // a regular file
bool FolderExists(const std::string& path); // a directory

} // namespace tambrel
