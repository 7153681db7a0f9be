#pragma once
// The program's help: one HTML file beside the program, read in the
// program's own help window. Controls carry a topic number; F1 opens the
// help at the topic of the control that has the focus (or of the nearest
// window around it that has one), "Help Content" at topic 100.
// User-interface thread.

#include <cstdint>
#include <string>
#include <string_view>

#include "document/ProgramState.h"

namespace tambrel {

inline constexpr std::string_view kHelpFileName = "TambrelOrchestra.html";
inline constexpr std::string_view kHelpFileMissing = "Help file not found";
inline constexpr std::string_view kHelpWindowTitle = "Tambrel Orchestra Help";

// Topic numbers; 0 means "no topic of its own".
enum HelpTopic : std::int32_t {
    kTopicNone = 0,
    kTopicContents = 100,
    kTopicGettingStarted = 101,
    kTopicPlaying = 102,
    kTopicMainWindow = 110,
    kTopicBoardViews = 111,
    kTopicKeyAssignment = 112,
    kTopicRecordingPanel = 113,
    kTopicLayoutEditor = 114,
    kTopicOpenMessage = 115,
    kTopicDeviceList = 116,
    kTopicAbout = 117,
    kTopicPlayStyles = 120,
    kTopicMidiPorts = 121,
    kTopicRecording = 122,
    kTopicLayouts = 123,
    kTopicInputPermissions = 124,
    kTopicFilesAndSettings = 125,
    kTopicTroubleshootingSound = 130,
};

// The anchor (the name after "#") of a topic; an unknown topic opens the
// contents, so F1 never lands on nothing.
std::string_view HelpAnchor(std::int32_t topic);

// Where the help file is: the program's data folder + "/TambrelOrchestra.html".
std::string HelpFilePath(const std::string& appPath);
// The message when it is not there: the path, a line break, "Help file not found".
std::string HelpFileMissingText(const std::string& path);

// SetHelpFile: true when the help file exists; otherwise says so in a
// message box (OK only) and returns false.
bool SetHelpFile(ProgramState& st);

} // namespace tambrel
