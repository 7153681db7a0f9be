#include "tools/tborc/TborcSettings.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "input/InputSystem.h"
#include "input/KeyboardTable.h"

namespace tambrel {

void TborcSettings::AddOption(CLI::App& command) {
    command.add_option("--settings", path, "the settings file (TambrelOrchestra.ini) to read; none when left out");
}

bool TborcSettings::Check(bool forWriting, std::string& error) const {
    if (!Given()) return true;
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status s = fs::status(path, ec);
    if (s.type() == fs::file_type::not_found) {
        if (!forWriting) {
            error = "no such settings file: " + path;
            return false;
        }
        const fs::path folder = fs::path(path).parent_path();
        if (::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0) {
            error = "cannot make the settings file " + path;
            return false;
        }
        return true;
    }
    if (ec || !fs::is_regular_file(s) || !std::ifstream(path, std::ios::binary)) {
        error = "cannot read the settings file " + path;
        return false;
    }
    if (forWriting && ::access(path.c_str(), W_OK) != 0) {
        error = "cannot write the settings file " + path;
        return false;
    }
    return true;
}

void NameSystemDevices(ProgramState& st, const Settings& settings) {
    st.KeyboardName = settings.ReadSetting("KeyBoard", "LangName", "Keyboard");
    st.MouseName = settings.ReadSetting("Mouse", "LangName", "Mouse");
}

void LabelJoinedDevices(ProgramState& st) {
    for (InputDevice& d : st.InputDevices) {
        if (!d.KeyLabels.empty()) continue;
        if (d.Name == kKeyboardDeviceName && d.KeyCount == static_cast<std::int32_t>(kKeyboardObjects))
            for (const InputObject& o : KeyboardObjects()) d.KeyLabels.push_back(CleanKeyLabel(o.label));
        else if (d.Name == kMouseDeviceName && d.KeyCount == static_cast<std::int32_t>(kMouseObjects))
            for (const MouseObject& o : MouseObjects()) d.KeyLabels.push_back(CleanKeyLabel(o.object.label));
    }
}

} // namespace tambrel
