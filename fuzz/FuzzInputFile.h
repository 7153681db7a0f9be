#pragma once
// The fuzzed parsers read files, so each input is written to a file first:
// one per process (parallel fuzzing jobs must not overwrite each other),
// removed when the process ends normally.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace tambrel::fuzz {

// The process's input file; the first call names it.
inline const std::string& InputPath(const char* stem, const char* extension) {
    static const std::string path =
        (std::filesystem::temp_directory_path() / (std::string(stem) + std::to_string(::getpid()) + extension))
            .string();
    // Registered after path is made, so it runs before path is destroyed.
    static const bool cleanup = std::atexit([] { std::remove(path.c_str()); }) == 0;
    (void)cleanup;
    return path;
}

// Writes the input to its file; false when that failed (the input is skipped).
inline bool WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

} // namespace tambrel::fuzz
