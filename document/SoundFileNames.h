#pragma once
// Which files a key takes a sound from, and which are Orchestras, by name:
// the one list that a drop on a key checks and Select File offers.

#include <string>
#include <string_view>
#include <vector>

namespace tambrel {

// Lower case, with the dot.
const std::vector<std::string>& SoundFileExtensions();
// Select File's filter over them:
// "Sound files (*.wav *.flac …)|*.wav *.flac …".
std::string SoundFileFilter();
// Whether the name ends in one of them (letter case aside).
bool IsSoundFileName(std::string_view name);
// Whether the name is an Orchestra file's (".TbOrc", letter case aside).
bool IsOrchestraFileName(std::string_view name);

} // namespace tambrel
