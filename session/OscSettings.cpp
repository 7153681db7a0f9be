#include "session/OscSettings.h"

#include <algorithm>
#include <cctype>

namespace tambrel {

namespace {
std::string Trimmed(std::string s) {
    auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), blank));
    s.erase(std::find_if_not(s.rbegin(), s.rend(), blank).base(), s.end());
    return s;
}
} // namespace

OscSetting ReadOscSetting(const Settings& settings) {
    OscSetting o;
    o.enabled = settings.ReadSwitch(kOscSection, "Enabled");
    const std::string listen = Trimmed(settings.ReadSetting(kOscSection, "Listen", o.listen));
    if (!listen.empty()) o.listen = listen;
    const std::string port = Trimmed(settings.ReadSetting(kOscSection, "Port", o.port));
    if (!port.empty()) o.port = port;
    return o;
}

std::vector<std::string> OscServerArgs(const OscSetting& osc) {
    if (!osc.enabled) return {};
    return {"--osc", osc.listen + ":" + osc.port};
}

} // namespace tambrel
