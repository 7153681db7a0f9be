#include "common/Settings.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "common/ProfileFile.h"

namespace tambrel {

std::string SettingsPath(std::string_view appPath, std::string_view exeBaseName) {
    std::string path(appPath);
    path += '/';
    path += exeBaseName;
    path += ".ini";
    return path;
}

namespace {

// Empty arguments stand for these before the file is looked at.
std::string ReadWithDefaults(const std::string& path, std::string_view section, std::string_view key,
                             std::string_view fallback, std::size_t buffer) {
    if (section.empty()) section = "General";
    if (key.empty()) key = "END";
    if (fallback.empty()) fallback = "new";
    return GetProfileString(path, section, key, fallback, buffer);
}

} // namespace

std::string Settings::ReadSetting(std::string_view section, std::string_view key, std::string_view fallback) const {
    return ReadWithDefaults(path_, section, key, fallback, 100);
}

bool Settings::ReadSwitch(std::string_view section, std::string_view key) const {
    const std::string raw = ReadSetting(section, key, "1");
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    const auto b = std::find_if_not(raw.begin(), raw.end(), blank);
    const auto e = std::find_if_not(raw.rbegin(), std::make_reverse_iterator(b), blank).base();
    std::string v(b, e);
    for (char& c : v) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return !(v == "0" || v == "false" || v == "no" || v == "off");
}

std::string Settings::ReadSettingUncut(std::string_view section, std::string_view key,
                                       std::string_view fallback) const {
    return ReadWithDefaults(path_, section, key, fallback, std::string::npos);
}

void Settings::WriteSetting(std::string_view section, std::string_view key, std::string_view value) const {
    WriteSettings(section, {{std::string(key), std::string(value)}});
}

void Settings::WriteSettings(std::string_view section,
                             const std::vector<std::pair<std::string, std::string>>& entries) const {
    if (section.empty()) section = "General";
    ProfileWriteFailure why = ProfileWriteFailure::None;
    if (!WriteProfileStrings(path_, section, entries, &why)) Refused(why);
}

void Settings::SayIfReadOnly() const {
    if (ProfileFileReadOnly(path_)) Refused(ProfileWriteFailure::ReadOnly);
}

void Settings::Refused(ProfileWriteFailure why) const {
    // A key that cannot be stored is the caller's matter, not the file's.
    if (why != ProfileWriteFailure::ReadOnly && why != ProfileWriteFailure::Failed) return;
    if (refusalSaid_ || !onWriteRefused) return;
    refusalSaid_ = true;
    onWriteRefused(why == ProfileWriteFailure::ReadOnly
                       ? "The settings file " + path_ + " is read-only: settings are not saved"
                       : "The settings could not be written to " + path_);
}

} // namespace tambrel
