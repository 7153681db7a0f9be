#include "document/SoundFileNames.h"

#include <algorithm>
#include <cctype>

namespace tambrel {

namespace {

bool EndsWith(std::string_view name, std::string_view ending) {
    if (name.size() <= ending.size()) return false;
    return std::equal(ending.begin(), ending.end(), name.end() - static_cast<std::ptrdiff_t>(ending.size()),
                      [](char e, char n) { return e == std::tolower(static_cast<unsigned char>(n)); });
}

} // namespace

const std::vector<std::string>& SoundFileExtensions() {
    // What the wave reader and the decoder behind it take.
    static const std::vector<std::string> extensions = {".wav", ".flac", ".ogg", ".opus", ".mp3", ".aif", ".aiff"};
    return extensions;
}

std::string SoundFileFilter() {
    std::string patterns;
    for (const std::string& e : SoundFileExtensions()) patterns += (patterns.empty() ? "*" : " *") + e;
    return "Sound files (" + patterns + ")|" + patterns;
}

bool IsSoundFileName(std::string_view name) {
    const auto& e = SoundFileExtensions();
    return std::any_of(e.begin(), e.end(), [name](const std::string& x) { return EndsWith(name, x); });
}

bool IsOrchestraFileName(std::string_view name) { return EndsWith(name, ".tborc"); }

} // namespace tambrel
