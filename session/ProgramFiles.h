#pragma once
// Where the program's files live. The settings file sits beside the program
// only when that folder is the user's own (a portable copy, as a build
// folder is); an installed program, and any program run from a system folder
// (also by the superuser), keeps it under the user's configuration folder,
// where a package's removal never leaves it behind. The sample, the style
// files and the help file lie in the program folder, else in
// ../share/tambrel-orchestra beside it.

#include <string>
#include <string_view>

namespace tambrel {

inline constexpr std::string_view kSettingsFileName = "TambrelOrchestra.ini";

// appPath: the program folder; configHome: $XDG_CONFIG_HOME (may be empty);
// home: $HOME. Does not create anything.
std::string SettingsFilePath(const std::string& appPath, const std::string& configHome, const std::string& home);

// The folder that holds the program's data: appPath when the sample or the
// style files are there, else appPath/../share/tambrel-orchestra when it
// exists, else appPath.
std::string DataFolder(const std::string& appPath);

// True when a file could be created in folder by this user.
bool FolderWritable(const std::string& folder);

// True for the operating system's own folders (/usr, /opt, /etc, /var and
// the like, and "/" itself), after following symbolic links.
bool IsSystemFolder(const std::string& folder);

// The program folder may hold the settings: it belongs to the user running
// the program, who can write in it, and it is no system folder.
bool ProgramFolderHoldsSettings(const std::string& appPath);

// Makes folder (and the folders above it that are missing) for this user
// alone, mode 0700, and checks that what stands there is a real folder owned
// by this user (its mode is narrowed to 0700 when it was wider). Returns
// false, with a sentence in `error`, when it cannot be made or is not ours:
// such a folder is never used.
bool MakePrivateFolder(const std::string& folder, std::string& error);

// Where a base-directory variable points: value when it is an absolute path,
// else home + "/" + fallback (".config", ".local/state", ...); no trailing "/".
std::string BaseFolder(const std::string& value, const std::string& home, std::string_view fallback);

} // namespace tambrel
