#pragma once
// The main program's installer hooks, run by the start routine for the
// switches "-AfterInstall" and "-BeforeUnInstall" before anything else is
// touched.

#include <string>

namespace tambrel {

class InstallerClass {
public:
    // appPath: the program folder; configHome: $XDG_CONFIG_HOME (may be
    // empty); home: $HOME. Together they say where the settings file lives.
    InstallerClass(std::string appPath, std::string configHome, std::string home);

    // The media-service check has already run; nothing is left to do.
    void DoAfterInstall();
    // Deletes the settings file when there is one, and the settings folder
    // under the configuration folder when that leaves it empty. False, with
    // a description, when the file is there and cannot be deleted.
    bool DoBeforeUnInstall(std::string& error);

    const std::string& SettingsFile() const { return settingsFile_; }

private:
    std::string appPath_, settingsFile_;
};

} // namespace tambrel
