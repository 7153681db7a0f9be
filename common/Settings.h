#pragma once
// The program's settings file next to the executable.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/ProfileFile.h"

namespace tambrel {

// AppPath + "/" + the executable's base name + ".ini".
std::string SettingsPath(std::string_view appPath, std::string_view exeBaseName);

class Settings {
public:
    explicit Settings(std::string path) : path_(std::move(path)) {}

    // An empty section reads "General", an empty key "END", an empty default
    // "new". Values come back cut to 99 characters.
    std::string ReadSetting(std::string_view section, std::string_view key, std::string_view fallback) const;
    // A switch that is on unless its entry says 0, false, no or off (in any
    // case, blanks around ignored); a missing entry is on.
    bool ReadSwitch(std::string_view section, std::string_view key) const;
    // As ReadSetting, but the value comes back whole: for entries that may
    // be longer than 99 characters, such as a device layout's "RowHeight".
    std::string ReadSettingUncut(std::string_view section, std::string_view key, std::string_view fallback) const;
    // An empty section writes "General". The result of the write is ignored,
    // but a file that refuses writes is reported once (onWriteRefused).
    void WriteSetting(std::string_view section, std::string_view key, std::string_view value) const;
    // Several keys of one section at once, as if written one after another:
    // one pass over the file instead of one per key.
    void WriteSettings(std::string_view section, const std::vector<std::pair<std::string, std::string>>& entries) const;

    // Told, the first time only, that the file is read-only or cannot be
    // written, with a sentence saying so; the program goes on without it.
    std::function<void(const std::string&)> onWriteRefused;
    // Says it now (once, as above) when the file is there and read-only.
    void SayIfReadOnly() const;

    const std::string& Path() const { return path_; }

private:
    void Refused(ProfileWriteFailure why) const;
    std::string path_;
    mutable bool refusalSaid_ = false;
};

} // namespace tambrel
