#pragma once

#include <string>
#include <vector>

namespace tambrel {

// Writes interleaved float stereo frames as a 16-bit stereo PCM wave file,
// clipping to full scale. Throws std::runtime_error when the file cannot be written.
void WriteWav16Stereo(const std::string& path, const std::vector<float>& frames, int rate);

} // namespace tambrel
