#pragma once
// What several tborc subcommands share about the settings file and the
// system keyboard and mouse: the --settings option (without it no settings
// file is read), the keyboard's and mouse's names as the program finds them,
// and the key labels of the input server's joined "Keyboard" and "Mouse".

#include <string>

#include "common/Settings.h"
#include "document/ProgramState.h"

namespace CLI {
class App;
}

namespace tambrel {

struct TborcSettings {
    std::string path; // empty: no settings file

    // Adds --settings FILE.ini to a subcommand.
    void AddOption(CLI::App& command);
    bool Given() const { return !path.empty(); }
    // False with error set when the file cannot be read, or, forWriting,
    // cannot be written (a missing file is fine then: the first write makes it).
    bool Check(bool forWriting, std::string& error) const;
    // The settings to read and write; without --settings one that reads
    // every default and keeps nothing.
    Settings Open() const { return Settings(path); }
};

// KeyboardName and MouseName as detection reads them: section "KeyBoard" /
// "Mouse", key "LangName", default "Keyboard" / "Mouse". Nothing is asked.
void NameSystemDevices(ProgramState& st, const Settings& settings);

// Devices given on the command line have no labels. A device named
// "Keyboard" with 128 keys, or "Mouse" with 8, gets the labels the input
// server reports for its joined keyboard or mouse (cleaned as detection
// cleans them); the others stay without.
void LabelJoinedDevices(ProgramState& st);

} // namespace tambrel
