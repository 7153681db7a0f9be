#pragma once
// A parsed wave: its format fields and the sample bytes as they lie in the file.

#include <cstdint>
#include <vector>

namespace tambrel {

struct WaveData {
    std::int32_t BitsPerSample = 0;
    std::int32_t Channels = 0;
    std::int32_t SampleRate = 0;
    std::int32_t Frames = 0;
    std::int32_t ByteCount = 0; // BitsPerSample / 8 * Frames * Channels
    std::vector<std::uint8_t> Data;
};

} // namespace tambrel
