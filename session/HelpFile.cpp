#include "session/HelpFile.h"

#include <array>
#include <utility>

#include "common/Folders.h"

namespace tambrel {

namespace {

constexpr std::array<std::pair<std::int32_t, std::string_view>, 18> kAnchors{{
    {kTopicContents, "contents"},
    {kTopicGettingStarted, "getting-started"},
    {kTopicPlaying, "playing"},
    {kTopicMainWindow, "main-window"},
    {kTopicBoardViews, "board-views"},
    {kTopicKeyAssignment, "key-assignment"},
    {kTopicRecordingPanel, "recording-panel"},
    {kTopicLayoutEditor, "layout-editor"},
    {kTopicOpenMessage, "open-message"},
    {kTopicDeviceList, "device-list"},
    {kTopicAbout, "about"},
    {kTopicPlayStyles, "play-styles"},
    {kTopicMidiPorts, "midi-ports"},
    {kTopicRecording, "recording"},
    {kTopicLayouts, "layouts"},
    {kTopicInputPermissions, "input-permissions"},
    {kTopicFilesAndSettings, "files-and-settings"},
    {kTopicTroubleshootingSound, "troubleshooting-sound"},
}};

} // namespace

std::string_view HelpAnchor(std::int32_t topic) {
    for (const auto& [number, anchor] : kAnchors)
        if (number == topic) return anchor;
    return kAnchors.front().second;
}

std::string HelpFilePath(const std::string& appPath) { return appPath + "/" + std::string(kHelpFileName); }

std::string HelpFileMissingText(const std::string& path) { return path + "\r\n" + std::string(kHelpFileMissing); }

bool SetHelpFile(ProgramState& st) {
    const std::string path = HelpFilePath(st.AppPath);
    if (FileExists(path)) return true;
    st.shell.Message(HelpFileMissingText(path), "", MsgButtons::Ok);
    return false;
}

} // namespace tambrel
