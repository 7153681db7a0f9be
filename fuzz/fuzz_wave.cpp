// Feeds arbitrary bytes to the wave-file parser through a real file, as the
// parser only reads from disk.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/Shell.h"
#include "sound/WaveData.h"
#include "sound/WaveFile.h"

namespace {

// One file per process, so parallel fuzzing jobs do not overwrite each other;
// removed when the process ends normally.
const std::string& InputPath() {
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("tambrel_fuzz_wave_" + std::to_string(::getpid()) + ".wav"))
            .string();
    // Registered after path is made, so it runs before path is destroyed.
    static const bool cleanup = std::atexit([] { std::remove(InputPath().c_str()); }) == 0;
    (void)cleanup;
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = InputPath();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
    std::fclose(f);
    if (!written) return 0;

    tambrel::SilentShell shell;
    tambrel::WaveData w;
    if (tambrel::ParseWaveFile(path, w, shell)) {
        // What a successful parse promises: consistent counts, and no more
        // sample bytes than the file holds plus the zeros of one partial frame.
        const bool consistent = w.ByteCount > 0 && w.Data.size() == static_cast<std::size_t>(w.ByteCount) &&
                                w.ByteCount == w.BitsPerSample / 8 * w.Frames * w.Channels;
        if (!consistent || w.Data.size() > size + 3) __builtin_trap();
    }
    return 0;
}
