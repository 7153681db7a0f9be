#include "session/InstallerClass.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/Folders.h"
#include "session/ProgramFiles.h"

namespace tambrel {

InstallerClass::InstallerClass(std::string appPath, std::string configHome, std::string home)
    : appPath_(std::move(appPath)), settingsFile_(SettingsFilePath(appPath_, configHome, home)) {}

void InstallerClass::DoAfterInstall() {}

bool InstallerClass::DoBeforeUnInstall(std::string& error) {
    std::error_code ec;
    const std::filesystem::path file(settingsFile_);
    // Only a plain file is ours to delete; a folder of that name is left alone.
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(file, ec))) return true;
    if (std::remove(settingsFile_.c_str()) != 0) {
        error = "The settings file " + settingsFile_ + " cannot be deleted: " + std::strerror(errno);
        return false;
    }
    // The settings folder under the configuration folder is the program's
    // own; the program folder is the removal program's to delete.
    const std::filesystem::path folder = file.parent_path();
    if (folder.filename() == "TambrelOrchestra" && folder != std::filesystem::path(appPath_) &&
        std::filesystem::is_empty(folder, ec))
        std::filesystem::remove(folder, ec);
    return true;
}

} // namespace tambrel
