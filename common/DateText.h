#pragma once
// The two save-time formats of the Orchestra file.

#include <ctime>
#include <string>

namespace tambrel {

// "h:m:s, mmm d yyyy" without leading zeros, e.g. "9:5:7, Mar 4 2004".
std::string HeaderTimeText(const std::tm& t);

// "DD-mmm-yyyy/hh:MM:ss", e.g. "04-Mar-2004/21:05:07".
std::string TimeSavedText(const std::tm& t);

// The current local time.
std::tm LocalNow();

} // namespace tambrel
