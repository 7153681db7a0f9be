#include "session/ProgramFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/Folders.h"

namespace tambrel {

bool FolderWritable(const std::string& folder) {
    return FolderExists(folder) && access(folder.c_str(), W_OK | X_OK) == 0;
}

bool IsSystemFolder(const std::string& folder) {
    std::error_code ec;
    std::string real = std::filesystem::weakly_canonical(folder, ec).string();
    if (ec || real.empty()) real = folder;
    while (real.size() > 1 && real.back() == '/') real.pop_back();
    if (real == "/") return true;
    static constexpr std::array<std::string_view, 19> kSystem{
        "/usr",  "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32", "/etc", "/var", "/opt",
        "/boot", "/srv", "/snap", "/run", "/proc",  "/sys",   "/dev",    "/nix", "/gnu"};
    for (std::string_view s : kSystem)
        if (real.compare(0, s.size(), s) == 0 && (real.size() == s.size() || real[s.size()] == '/')) return true;
    return false;
}

bool ProgramFolderHoldsSettings(const std::string& appPath) {
    struct stat st {};
    return ::stat(appPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           FolderWritable(appPath) && !IsSystemFolder(appPath);
}

std::string BaseFolder(const std::string& value, const std::string& home, std::string_view fallback) {
    // A relative base-directory variable is invalid and ignored, as the base
    // directory rules say.
    std::string base = !value.empty() && value.front() == '/' ? value : home + "/" + std::string(fallback);
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base;
}

std::string SettingsFilePath(const std::string& appPath, const std::string& configHome, const std::string& home) {
    if (ProgramFolderHoldsSettings(appPath)) return appPath + "/" + std::string(kSettingsFileName);
    return BaseFolder(configHome, home, ".config") + "/TambrelOrchestra/" + std::string(kSettingsFileName);
}

std::string DataFolder(const std::string& appPath) {
    if (FileExists(appPath + "/Samples/Sample1.TbOrc") || FileExists(appPath + "/TbOrch-00.sty")) return appPath;
    const std::string shared = appPath + "/../share/tambrel-orchestra";
    if (FolderExists(shared)) return shared;
    return appPath;
}

bool MakePrivateFolder(const std::string& folder, std::string& error) {
    if (folder.empty() || folder.front() != '/') {
        error = "No folder for the program's private files";
        return false;
    }
    // Each missing level is made for this user only; levels that exist are
    // left as they are.
    for (std::size_t i = 1; i <= folder.size(); ++i) {
        if (i != folder.size() && folder[i] != '/') continue;
        const std::string part = folder.substr(0, i);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "Could not create " + part + ": " + std::strerror(errno);
            return false;
        }
    }
    // The last level must be ours: a real folder (no link to elsewhere) owned
    // by this user, that nobody else may enter.
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        error = "Could not use " + folder + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        error = folder + " is not a folder of this user";
        return false;
    }
    if ((st.st_mode & 0077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        error = "Could not make " + folder + " private: " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace tambrel
