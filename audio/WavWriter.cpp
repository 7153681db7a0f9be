#include "audio/WavWriter.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "common/FileMove.h"

namespace tambrel {
namespace {

void Put(std::string& s, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xff);
}

} // namespace

void WriteWav16Stereo(const std::string& path, const std::vector<float>& frames, int rate) {
    const std::uint64_t dataBytes = frames.size() * 2;
    if (dataBytes > 0xffffffffull - 36) throw std::runtime_error("The recording is too long for a wave file");
    std::string out;
    out.reserve(44 + dataBytes);
    out += "RIFF";
    Put(out, static_cast<std::uint32_t>(36 + dataBytes), 4);
    out += "WAVEfmt ";
    Put(out, 16, 4);
    Put(out, 1, 2);                                    // PCM
    Put(out, 2, 2);                                    // stereo
    Put(out, static_cast<std::uint32_t>(rate), 4);     // frames per second
    Put(out, static_cast<std::uint32_t>(rate) * 4, 4); // bytes per second
    Put(out, 4, 2);                                    // block
    Put(out, 16, 2);
    out += "data";
    Put(out, static_cast<std::uint32_t>(dataBytes), 4);
    for (float f : frames) {
        const float c = std::fmax(-1.0f, std::fmin(1.0f, f));
        const auto v = static_cast<std::int16_t>(std::lrint(c * 32767.0f));
        Put(out, static_cast<std::uint16_t>(v), 2);
    }
    // Written beside the target and renamed over it once complete, so a
    // full disk or a killed program leaves the old file or the new one,
    // never a wave cut off in the middle.
    FileBeside file(path);
    if (std::fwrite(out.data(), 1, out.size(), file.File()) != out.size())
        throw std::runtime_error("Could not write " + path + ": " + std::strerror(errno));
    file.Finish();
    file.PutInPlace();
}

} // namespace tambrel
