// Preloaded into the program by the main_program benchmark. SDL's disk audio
// driver writes each buffer with stdio, which holds two 2 KB buffers in one
// 4 KB stdio buffer before anything reaches the file; the benchmark would
// then see every other buffer a period late. This makes the stream of the
// file named by SDL_DISKAUDIOFILE unbuffered, so each buffer reaches the
// FIFO the moment SDL hands it on. Nothing else is touched.

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using OpenFn = FILE* (*)(const char*, const char*);

FILE* Unbuffered(FILE* f, const char* path) {
    const char* audio = std::getenv("SDL_DISKAUDIOFILE");
    if (f && audio && path && std::strcmp(path, audio) == 0) std::setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

} // namespace

extern "C" {

FILE* fopen(const char* path, const char* mode) {
    static const auto real = reinterpret_cast<OpenFn>(dlsym(RTLD_NEXT, "fopen"));
    return Unbuffered(real(path, mode), path);
}

FILE* fopen64(const char* path, const char* mode) {
    static const auto real = reinterpret_cast<OpenFn>(dlsym(RTLD_NEXT, "fopen64"));
    return Unbuffered(real(path, mode), path);
}

} // extern "C"
