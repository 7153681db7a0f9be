#include "sound/Realtime.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/NumberText.h"

namespace tambrel {

std::vector<std::string> RealtimeGroups(std::string_view limitsText) {
    std::vector<std::string> groups;
    std::istringstream in{std::string(limitsText)};
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream fields(line);
        std::string domain, type, item, value;
        if (!(fields >> domain >> type >> item >> value)) continue;
        // "@group soft|hard|- rtprio N" with N above 0 lets the group's
        // members ask for real-time priority themselves.
        if (domain.size() < 2 || domain[0] != '@' || item != "rtprio") continue;
        if (type != "-" && type != "soft" && type != "hard") continue;
        if (value != "unlimited" && ParseLenient(value) < 1) continue;
        const std::string group = domain.substr(1);
        if (std::find(groups.begin(), groups.end(), group) == groups.end()) groups.push_back(group);
    }
    return groups;
}

std::vector<std::string> SystemRealtimeGroups(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files{fs::path(folder) / "limits.conf"};
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(folder) / "limits.d", ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".conf") files.push_back(it->path());
    std::sort(files.begin() + 1, files.end());
    std::string text;
    for (const fs::path& f : files) {
        // Only the head of a file that is not what it should be.
        std::ifstream in(f, std::ios::binary);
        std::string part(64 * 1024, '\0');
        in.read(part.data(), static_cast<std::streamsize>(part.size()));
        part.resize(static_cast<std::size_t>(in.gcount()));
        text += part + "\n";
    }
    return RealtimeGroups(text);
}

std::string RealtimeLine(const RealtimeGrant& grant, const std::vector<std::string>& groups) {
    if (!grant.checked) return "Real-time priority for the sound: not checked, as no sound device could be opened.";
    if (grant.granted) {
        std::string s = "Real-time priority for the sound: granted (priority " + IntText(grant.priority);
        if (!grant.how.empty()) s += ", by " + grant.how;
        return s + ").";
    }
    std::string s = "Real-time priority for the sound: not granted";
    if (!grant.refusal.empty()) s += " (" + grant.refusal + ")";
    s += ", so on a busy computer the sound may crackle or come late. To grant it, ";
    // The group Debian's packages give real-time limits: "audio" where JACK
    // set it up, "pipewire" with PipeWire.
    std::string group;
    for (const char* preferred : {"audio", "pipewire"})
        if (group.empty() && std::find(groups.begin(), groups.end(), preferred) != groups.end()) group = preferred;
    if (group.empty() && !groups.empty()) group = groups.front();
    if (!group.empty()) {
        s += "add your user to the \"" + group + "\" group (sudo usermod -aG " + group +
             " $USER) and log in again, or install RTKit (sudo apt install rtkit).";
    } else {
        s += "install RTKit (sudo apt install rtkit), or give the \"audio\" group real-time limits in "
             "/etc/security/limits.d/ and add your user to it.";
    }
    return s;
}

} // namespace tambrel
