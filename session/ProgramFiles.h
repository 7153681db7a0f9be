#pragma once
// Where the program's files live. The settings file sits beside the program
// when that folder is writable (a portable install, as in a build folder);
// an installed program keeps it under the user's configuration folder so it
// never loses its settings. The sample, the style files and the help file
// lie in the program folder, else in ../share/tambrel-orchestra beside it.

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

} // namespace tambrel
