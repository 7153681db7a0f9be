#pragma once
// Whether an Ogg file's last page closes its stream. libsndfile plays a
// cut-off Ogg Vorbis or Opus file up to the cut without a word when it
// cannot tell the file's length, so the decoder looks at the pages itself.

#include <cstddef>
#include <cstdint>

namespace tambrel {

// The file's last bytes to look at: two pages of the largest size, so a
// whole page lies within them even when the last one is cut.
inline constexpr std::size_t kOggTailBytes = 2 * (27 + 255 + 255 * 255);

// True when the last whole page (its checksum right) within tail, the file's
// last `size` bytes, carries the end-of-stream flag. A file cut inside a
// page or between pages ends without it; bytes after that page (a tag) do
// not matter.
bool OggStreamEnded(const std::uint8_t* tail, std::size_t size);

} // namespace tambrel
