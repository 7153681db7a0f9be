#include "audio/SoundFile.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace tambrel {

namespace {

// Whether the file starts as a RIFF file does: for those the parser's own
// words about the header say more than a decoder that could not open it.
bool StartsAsRiff(const std::string& path) {
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> f(std::fopen(path.c_str(), "rb"));
    char head[4] = {};
    return f && std::fread(head, 1, sizeof head, f.get()) == sizeof head && std::memcmp(head, "RIFF", 4) == 0;
}

} // namespace

WaveProblem SoundFileProblem(const std::string& path, const DecodeResult& decode, const WaveProblem& parsed) {
    const bool openFailed = decode.sourceFormat.empty();
    const bool headerFault = decode.failure == DecodeFailure::NotSound || decode.failure == DecodeFailure::Damaged;
    if (openFailed && headerFault && StartsAsRiff(path)) return parsed;
    return WaveProblem{decode.text, "Error Loading " + path};
}

bool ReadSoundFile(const std::string& path, WaveData& w, std::optional<WaveProblem>& problem, DecodeProgress* progress,
                   DecodeResult* decoded) {
    if (ReadWaveFile(path, w, problem)) return true;
    if (!problem) return false; // no path or no such file: nothing to say
    const DecodeResult r = DecodeSoundFile(path, w, progress);
    if (decoded) *decoded = r;
    if (r.Ok()) {
        problem.reset();
        return true;
    }
    problem = SoundFileProblem(path, r, *problem);
    return false;
}

} // namespace tambrel
