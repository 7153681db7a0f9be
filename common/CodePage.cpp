#include "common/CodePage.h"

#include <cstdint>

namespace tambrel {

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 control of the
// same number, as Windows itself converts them, so that any byte string
// survives the trip to UTF-8 and back.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

char32_t ByteToCodePoint(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F) return kHighControls[b - 0x80];
    return b;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// -1 when the code page has no byte for cp.
int CodePointToByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == cp) return 0x80 + i;
    return -1;
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

} // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) AppendUtf8(out, ByteToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

// Strict decoding: overlong forms, surrogates and values past U+10FFFF are
// malformed. Each malformed sequence (a bad lead byte, or a lead byte with the
// continuation bytes that were valid so far) becomes one "?".
std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    const std::size_t n = utf8.size();
    while (i < n) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }

        std::size_t length = 0;
        char32_t cp = 0;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            cp = lead & 0x0F;
            if (lead == 0xE0) lo = 0xA0;      // overlong
            else if (lead == 0xED) hi = 0x9F; // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            cp = lead & 0x07;
            if (lead == 0xF0) lo = 0x90;      // overlong
            else if (lead == 0xF4) hi = 0x8F; // past U+10FFFF
        } else {
            out += '?';
            ++i;
            continue;
        }

        std::size_t used = 1;
        bool ok = true;
        while (used < length) {
            if (i + used >= n) {
                ok = false;
                break;
            }
            const auto b = static_cast<unsigned char>(utf8[i + used]);
            const bool inRange = used == 1 ? (b >= lo && b <= hi) : IsContinuation(b);
            if (!inRange) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (b & 0x3F);
            ++used;
        }
        i += used;
        if (!ok) {
            out += '?';
            continue;
        }
        const int byte = CodePointToByte(cp);
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

} // namespace tambrel
