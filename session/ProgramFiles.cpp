#include "session/ProgramFiles.h"

#include <unistd.h>

#include "common/Folders.h"

namespace tambrel {

bool FolderWritable(const std::string& folder) {
    return FolderExists(folder) && access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string SettingsFilePath(const std::string& appPath, const std::string& configHome, const std::string& home) {
    if (FolderWritable(appPath)) return appPath + "/" + std::string(kSettingsFileName);
    // A relative $XDG_CONFIG_HOME is invalid and ignored, as the base
    // directory rules say.
    std::string base = !configHome.empty() && configHome.front() == '/' ? configHome : home + "/.config";
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/TambrelOrchestra/" + std::string(kSettingsFileName);
}

std::string DataFolder(const std::string& appPath) {
    if (FileExists(appPath + "/Samples/Sample1.TbOrc") || FileExists(appPath + "/TbOrch-00.sty")) return appPath;
    const std::string shared = appPath + "/../share/tambrel-orchestra";
    if (FolderExists(shared)) return shared;
    return appPath;
}

} // namespace tambrel
