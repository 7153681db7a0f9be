#include "tools/tborc/TborcShared.h"

#include <cstdlib>

#include "common/CodePage.h"
#include "common/Folders.h"
#include "document/OpenSaveClass.h"

namespace tambrel {

MsgAnswer StderrShell::Message(std::string_view text, std::string_view title, MsgButtons buttons) {
    std::string t = Cp1252ToUtf8(text);
    std::erase(t, '\r');
    err_ << Cp1252ToUtf8(title.empty() ? kProgramTitle : title) << ": " << t << "\n";
    ++shown;
    return SilentShell::Message(text, title, buttons);
}

bool ParseDevices(const std::vector<std::string>& args, std::vector<InputDevice>& out, std::string& error) {
    std::vector<std::string> list = args.empty() ? std::vector<std::string>{"Keyboard:128", "Mouse:8"} : args;
    for (const std::string& a : list) {
        const std::size_t colon = a.rfind(':');
        const std::string count = colon == std::string::npos ? "" : a.substr(colon + 1);
        if (colon == 0 || count.empty() || count.size() > 6 ||
            count.find_first_not_of("0123456789") != std::string::npos) {
            error = "--device wants NAME:KEYS with KEYS from 0 to 100000, not '" + a + "'";
            return false;
        }
        InputDevice d;
        d.Name = Utf8ToCp1252(a.substr(0, colon));
        d.Ready = true;
        d.KeyCount = std::stoi(count);
        if (d.KeyCount > 100000) {
            error = "--device wants NAME:KEYS with KEYS from 0 to 100000, not '" + a + "'";
            return false;
        }
        out.push_back(std::move(d));
    }
    return true;
}

std::string TempFolder() {
    const char* t = std::getenv("TMPDIR");
    std::string p = t && *t ? t : "/tmp";
    if (p.back() != '/') p += '/';
    return p;
}

bool LoadOrchestraFile(const std::string& file, ProgramState& st, StderrShell& shell) {
    // The loader itself names what lies at the path when it is no file.
    if (!OpenSaveClass(st).LoadOrchestra(file)) {
        if (shell.shown == 0)
            shell.Message("This is not an Orchestra file this version can read", "Open File", MsgButtons::Ok);
        return false;
    }
    return true;
}

} // namespace tambrel
