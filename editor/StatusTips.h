#pragma once
// The one-line tips of the main window's first status panel, by control
// name. Indexed controls are written "Name(index)"; the section and panel
// headings, which share a control name, are told apart by a word in the
// brackets. Anything not listed (plain labels, panels, frames) has the empty
// tip, which clears the panel.

#include <string_view>
#include <utility>
#include <vector>

namespace tambrel {

// Names used for the headings and the one unnamed button:
inline constexpr std::string_view kTipSourceHeading = "SupLbl(Source)";
inline constexpr std::string_view kTipWaveStyleHeading = "SupLbl(WaveStyle)";
inline constexpr std::string_view kTipMidiStyleHeading = "SupLbl(MidiStyle)";
inline constexpr std::string_view kTipStopHeading = "FrameHeadLbl(Stop)";
inline constexpr std::string_view kTipAssignmentHeading = "FrameHeadLbl(Assignment)";
inline constexpr std::string_view kTipActiveBoardHeading = "FrameHeadLbl(ActivePlayBoard)";
inline constexpr std::string_view kTipInputHeading = "FrameHeadLbl(InputDevices)";
inline constexpr std::string_view kTipSelectFile = "SelectFileBtn";

// The tip of a control; "" when it has none.
std::string_view StatusTip(std::string_view control);

// Every (control, tip) pair, in the order of the table.
const std::vector<std::pair<std::string_view, std::string_view>>& StatusTips();

} // namespace tambrel
