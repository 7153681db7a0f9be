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
#include "fuzz/FuzzInputFile.h"
#include "audio/WaveData.h"
#include "audio/WaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = tambrel::fuzz::InputPath("tambrel_fuzz_wave_", ".wav");
    if (!tambrel::fuzz::WriteInput(path, data, size)) return 0;

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
