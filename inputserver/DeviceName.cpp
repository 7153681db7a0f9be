#include "inputserver/DeviceName.h"

#include "common/CodePage.h"

namespace tambrel::server {

std::string DeviceNameFromHardware(std::string_view raw) {
    // Only as much as can survive the cut, with room for multi-byte characters.
    raw = raw.substr(0, kMaxDeviceNameChars * 4 + 4);
    std::string utf8;
    utf8.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto c = static_cast<unsigned char>(raw[i]);
        // Tabs, line breaks and the other controls read as one blank.
        if (c < 0x20 || c == 0x7f) {
            utf8 += ' ';
            continue;
        }
        // The C1 controls U+0080..U+009F.
        if (c == 0xc2 && i + 1 < raw.size() && static_cast<unsigned char>(raw[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(raw[i + 1]) <= 0x9f) {
            utf8 += ' ';
            ++i;
            continue;
        }
        utf8 += static_cast<char>(c);
    }
    const std::string cp = Utf8ToCp1252(utf8);
    std::string out;
    for (char ch : cp) {
        const auto c = static_cast<unsigned char>(ch);
        // Bytes Windows-1252 leaves undefined show as nothing.
        if (c == 0x81 || c == 0x8d || c == 0x8f || c == 0x90 || c == 0x9d) continue;
        if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
        if (out.size() == kMaxDeviceNameChars) break;
        out += ch;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out.empty() ? std::string(kUnnamedDevice) : out;
}

} // namespace tambrel::server
