#include "sound/Realtime.h"

#include <algorithm>
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
