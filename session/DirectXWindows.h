#pragma once
// What the two media-service windows show: the after-install check window
// (CheckDx7Frm) and the window shown when the audio system cannot start
// (DxDnLoadFrm). The windows render these descriptions as plain text.

#include <string>
#include <string_view>
#include <vector>

#include "session/MediaServices.h"

namespace tambrel {

// The help file and the topic both windows point to.
inline constexpr std::string_view kHelpFileName = "TambrelOrchestra.html";
inline constexpr std::string_view kSoundTroubleshootingTopic = "troubleshooting-sound";

struct HelpLink {
    std::string file;   // the help file's full path
    std::string anchor; // the topic's anchor name
    std::string text;   // what the link shows
};
// The troubleshooting topic of the help file in dataFolder.
HelpLink SoundTroubleshootingLink(std::string_view dataFolder);

struct CheckDx7View {
    bool NeedToShow = false;
    std::string title;
    std::string message;              // the message label
    std::string links;                // the text box: its heading, then one package a line
    std::vector<std::string> missing; // under it: what is missing here and its package
    HelpLink help;
};

// Loading the check window: decides NeedToShow from the version and fills
// the texts. The message keeps its first text when nothing needs showing.
CheckDx7View LoadCheckDx7(const MediaCheck& check, std::string_view dataFolder);

struct DxDnLoadView {
    std::string title;
    std::string errorLine; // replaced by the caller
    std::string explanation;
    std::vector<std::string> links; // three addresses, each opened when clicked
    std::string note;
    std::string close;
    std::vector<std::string> missing;
    HelpLink help;
};

// The error line is DirectXErrorLine (sound/SoundService.h) when the audio
// system cannot be started.
DxDnLoadView DxDnLoadDescription(std::string_view dataFolder);

} // namespace tambrel
