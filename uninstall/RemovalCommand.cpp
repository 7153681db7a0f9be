#include "uninstall/RemovalCommand.h"

#include <algorithm>
#include <cctype>

namespace tambrel {

RemovalCommand MakeRemovalCommand(const std::vector<std::string>& args,
                                  const std::function<bool(const std::string&)>& isFile) {
    RemovalCommand c;
    for (std::size_t i = 0; i < args.size(); ++i) c.commandLine += (i ? " " : "") + args[i];
    if (args.size() == 1 && !isFile(args[0])) c.words = SplitWords(args[0]);
    else c.words = args;
    return c;
}

std::vector<std::string> SplitWords(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\\' && i + 1 < text.size()) {
            word += text[++i];
            inWord = true;
        } else if (ch == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (ch == ' ' || ch == '\t')) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += ch;
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

bool NamesRemovalProgram(std::string_view commandLine) {
    auto lower = [](char ch) { return static_cast<char>(std::tolower(static_cast<unsigned char>(ch))); };
    return std::search(commandLine.begin(), commandLine.end(), kRemovalProgramName.begin(), kRemovalProgramName.end(),
                       [&](char a, char b) { return lower(a) == lower(b); }) != commandLine.end();
}

} // namespace tambrel
