#pragma once
// Real-time scheduling of the sound's thread: what was granted, and what the
// media-service check says about it. A thread without it is preempted by
// everything else on a busy machine, and the sound then crackles or comes
// late. Plain rules; the adapter asks the system (sound/sdl/).

#include <string>
#include <string_view>
#include <vector>

namespace tambrel {

// The priority asked for: below the audio server's own threads (PipeWire
// runs its graph at 88), above everything else of the program.
inline constexpr int kRealtimePriority = 80;

struct RealtimeGrant {
    bool checked = false; // the sound played and its thread was looked at
    bool granted = false;
    int priority = 0;    // the real-time priority the thread runs at
    std::string how;     // who granted it: "the audio system", "the system's limits", "RTKit"
    std::string refusal; // why not, in the system's words
};

// The groups whose members the system's limits files grant real-time
// priority ("@audio - rtprio 95"), from the text of those files. Lines that
// are not such grants are passed over.
std::vector<std::string> RealtimeGroups(std::string_view limitsText);

// RealtimeGroups of limits.conf and limits.d/*.conf in folder.
std::vector<std::string> SystemRealtimeGroups(const std::string& folder = "/etc/security");

// One line in plain words: granted, or not and what to do about it. groups:
// RealtimeGroups of this system's limits files.
std::string RealtimeLine(const RealtimeGrant& grant, const std::vector<std::string>& groups);

} // namespace tambrel
