#pragma once

#include <string>
#include <vector>

namespace tambrel {

// Writes interleaved float stereo frames as a 16-bit stereo PCM wave file,
// clipping to full scale. The file appears complete or not at all: it is
// written beside path and renamed over it. Throws std::runtime_error when the
// file cannot be written (path then keeps what it held).
void WriteWav16Stereo(const std::string& path, const std::vector<float>& frames, int rate);

} // namespace tambrel
