#pragma once
// The removal command the uninstaller is given and runs: kept as received,
// and started as a list of words, never through a shell.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tambrel {

inline constexpr std::string_view kRemovalProgramName = "tambrel-remove";

struct RemovalCommand {
    std::string commandLine;        // the arguments joined by blanks, as received
    std::vector<std::string> words; // program, then its arguments
};

// args: the uninstaller's arguments after its own name. Several arguments
// are the words already (a desktop launcher splits the command). A single
// argument that names a file is one word, even with blanks in it; any other
// single argument is split with SplitWords.
RemovalCommand MakeRemovalCommand(const std::vector<std::string>& args,
                                  const std::function<bool(const std::string&)>& isFile);

// Splits at blanks and tabs; double quotes group, a backslash takes the next
// character literally. Nothing else is special: no variables, no globs.
std::vector<std::string> SplitWords(std::string_view text);

// True when the command line names the removal program, letter case ignored:
// the uninstaller was started by the desktop's uninstall action.
bool NamesRemovalProgram(std::string_view commandLine);

} // namespace tambrel
