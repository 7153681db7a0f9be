// Feeds arbitrary bytes to the sound-file decoder (libsndfile behind it, then
// the mix-down and the resampler), as a file of any kind a user may pick.

#include <cstddef>
#include <cstdint>

#include "audio/SoundDecoder.h"
#include "audio/WaveData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tambrel::WaveData w;
    // A small limit: a hostile header must be refused, not decoded into
    // more memory than the fuzzer allows.
    const tambrel::DecodeResult r = tambrel::DecodeSoundBytes(data, size, w, std::int64_t(8) << 20);
    if (r.Ok()) {
        // What a decode promises: the one form a key's wave takes.
        const bool consistent = w.BitsPerSample == 16 && w.SampleRate == tambrel::kDecodedRate &&
                                (w.Channels == 1 || w.Channels == 2) && w.Frames > 0 &&
                                w.ByteCount == w.Frames * w.Channels * 2 &&
                                w.Data.size() == static_cast<std::size_t>(w.ByteCount);
        if (!consistent) __builtin_trap();
    } else if (r.text.empty()) {
        __builtin_trap(); // every refusal says why
    }
    return 0;
}
