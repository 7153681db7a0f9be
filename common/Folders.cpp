#include "common/Folders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/Settings.h"

namespace tambrel {

namespace {

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

} // namespace

Folders SetUpFolders(std::string_view exePath) {
    Folders folders;

    const std::size_t slash = exePath.rfind('/');
    if (slash == std::string_view::npos) {
        std::error_code ec;
        folders.AppPath = std::filesystem::current_path(ec).string();
        if (ec) folders.AppPath = ".";
    } else {
        folders.AppPath = std::string(exePath.substr(0, slash));
    }
    // "/usr/bin//prog" has its folder at "/usr/bin"; the root folder is "".
    while (!folders.AppPath.empty() && folders.AppPath.back() == '/') folders.AppPath.pop_back();

    const char* env = std::getenv("TMPDIR");
    std::string temp = env != nullptr ? env : "/tmp";
    // One trailing "/" goes, but "/" itself stays the root folder.
    if (temp.size() > 1 && temp.back() == '/') temp.pop_back();
    if (IsBlank(temp) || !FolderExists(temp)) temp = folders.AppPath;
    if (temp.empty() || temp.back() != '/') temp += '/';
    folders.TempPath = std::move(temp);
    return folders;
}

std::string ReadLastUsedPath(const Settings& settings, std::string_view appPath) {
    const std::string fallback = std::string(appPath) + "/";
    // Read whole: a folder path may well be longer than 99 characters.
    std::string path = settings.ReadSettingUncut("General", "LastUsedPath", fallback);
    if (!FolderExists(path)) return fallback;
    // File names are appended to this folder, so it must end in "/" even when
    // the file was edited by hand.
    if (path.back() != '/') path += '/';
    return path;
}

std::string FolderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return {};
    return std::string(path.substr(0, slash + 1));
}

std::string FileTitleOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

bool FolderExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

} // namespace tambrel
