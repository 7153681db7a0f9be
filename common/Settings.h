#pragma once
// The program's settings file next to the executable.

#include <string>
#include <string_view>
#include <utility>

namespace tambrel {

// AppPath + "/" + the executable's base name + ".ini".
std::string SettingsPath(std::string_view appPath, std::string_view exeBaseName);

class Settings {
public:
    explicit Settings(std::string path) : path_(std::move(path)) {}

    // An empty section reads "General", an empty key "END", an empty default
    // "new". Values come back cut to 99 characters.
    std::string ReadSetting(std::string_view section, std::string_view key, std::string_view fallback) const;
    // As ReadSetting, but the value comes back whole: for entries that may
    // be longer than 99 characters, such as a device layout's "RowHeight".
    std::string ReadSettingUncut(std::string_view section, std::string_view key, std::string_view fallback) const;
    // An empty section writes "General". The result of the write is ignored.
    void WriteSetting(std::string_view section, std::string_view key, std::string_view value) const;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace tambrel
