#include "inputserver/Evemu.h"

#include <linux/input-event-codes.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>

namespace tambrel::server {
namespace {

constexpr std::size_t kMaxLine = 4096;
constexpr std::size_t kMaxName = 1024;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Fields(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size() && out.size() < 64) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        const std::size_t b = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
        if (i > b) out.push_back(s.substr(b, i - b));
    }
    return out;
}

template <typename T>
bool Num(std::string_view s, T& v, int base = 10) {
    if (s.empty()) return false;
    const char* b = s.data();
    const char* e = b + s.size();
    // evemu pads values with zeros after the sign ("-001"); from_chars takes
    // the sign only for signed types, which is what a value is.
    const auto [p, ec] = std::from_chars(b, e, v, base);
    return ec == std::errc() && p == e;
}

bool Hex(std::string_view s, unsigned& v) { return s.size() <= 8 && Num(s, v, 16); }

// Microseconds of "SECONDS.MICROS" (evemu writes six digits after the point).
bool Stamp(std::string_view s, std::int64_t& us) {
    const std::size_t dot = s.find('.');
    std::int64_t sec = 0, frac = 0;
    if (dot == std::string_view::npos || dot == 0 || s.size() - dot - 1 == 0 || s.size() - dot - 1 > 6) return false;
    if (!Num(s.substr(0, dot), sec) || sec < 0 || sec > 100000000000LL) return false;
    if (!Num(s.substr(dot + 1), frac) || frac < 0) return false;
    for (std::size_t d = s.size() - dot - 1; d < 6; ++d) frac *= 10;
    us = sec * 1000000 + frac;
    return true;
}

} // namespace

unsigned EvemuMaxCode(unsigned type) {
    switch (type) {
    case 0: return EV_MAX; // bits[0]: the types
    case EV_KEY: return KEY_MAX;
    case EV_REL: return REL_MAX;
    case EV_ABS: return ABS_MAX;
    case EV_MSC: return MSC_MAX;
    case EV_SW: return SW_MAX;
    case EV_LED: return LED_MAX;
    case EV_SND: return SND_MAX;
    case EV_REP: return REP_MAX;
    case EV_FF: return 0x7f; // FF_MAX, kept in linux/input.h
    default: return 0;
    }
}

bool EvemuDevice::HasType(unsigned type) const { return Has(0, type); }

bool EvemuDevice::Has(unsigned type, unsigned code) const {
    if (type >= kEvemuTypes) return false;
    const auto& b = bits[type];
    return code / 8 < b.size() && ((b[code / 8] >> (code % 8)) & 1u);
}

bool EvemuDevice::HasProp(unsigned prop) const {
    return prop / 8 < props.size() && ((props[prop / 8] >> (prop % 8)) & 1u);
}

bool EvemuDevice::Set(unsigned type, unsigned code) {
    if (type >= kEvemuTypes || (type != 0 && code > EvemuMaxCode(type)) || (type == 0 && code > EV_MAX)) return false;
    auto& b = bits[type];
    if (b.size() <= code / 8) b.resize(code / 8 + 1);
    b[code / 8] = static_cast<std::uint8_t>(b[code / 8] | (1u << (code % 8)));
    return true;
}

bool ParseEvemu(std::string_view text, EvemuDevice& out, std::string& error) {
    out = EvemuDevice{};
    if (text.size() > kMaxEvemuBytes) {
        error = "the file is larger than " + std::to_string(kMaxEvemuBytes >> 20) + " MB";
        return false;
    }
    bool named = false, described = false;
    std::size_t propBytes = 0;
    std::size_t typeBytes[kEvemuTypes] = {};
    std::int64_t firstUs = -1, lastAt = 0;
    std::size_t lineNo = 0, pos = 0;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNo) + ": " + why;
        out = EvemuDevice{};
        return false;
    };
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) nl = text.size();
        std::string_view line = text.substr(pos, nl - pos);
        pos = nl + 1;
        ++lineNo;
        if (line.size() > kMaxLine) return fail("the line is too long");
        // evemu 1.3 explains each event after a "#".
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos && line.substr(0, 2) != "N:")
            line = line.substr(0, hash);
        line = Trim(line);
        if (line.empty()) continue;
        if (line.size() < 2 || line[1] != ':') return fail("not a line of a device description");
        const char kind = line[0];
        const std::string_view rest = Trim(line.substr(2));
        const std::vector<std::string_view> f = Fields(rest);
        switch (kind) {
        case 'N':
            if (named) return fail("a second device name");
            if (rest.size() > kMaxName) return fail("the device name is too long");
            out.name = std::string(rest);
            named = true;
            break;
        case 'I': {
            unsigned v[4];
            if (f.size() != 4) return fail("the ids want four numbers");
            for (int i = 0; i < 4; ++i)
                if (!Hex(f[static_cast<std::size_t>(i)], v[i]) || v[i] > 0xffff) return fail("an id is not a number");
            out.bus = static_cast<std::uint16_t>(v[0]);
            out.vendor = static_cast<std::uint16_t>(v[1]);
            out.product = static_cast<std::uint16_t>(v[2]);
            out.version = static_cast<std::uint16_t>(v[3]);
            break;
        }
        case 'P':
            for (std::string_view b : f) {
                unsigned v = 0;
                if (!Hex(b, v) || v > 0xff) return fail("a property byte is not a number");
                if (propBytes < kEvemuProps / 8) {
                    out.props.resize(propBytes + 1);
                    out.props[propBytes] = static_cast<std::uint8_t>(v);
                }
                ++propBytes;
            }
            break;
        case 'B': {
            unsigned type = 0;
            if (f.empty() || !Hex(f[0], type) || type >= kEvemuTypes) return fail("an unknown event type");
            const std::size_t limit = (type == 0 ? EV_MAX : EvemuMaxCode(type)) / 8 + 1;
            for (std::size_t i = 1; i < f.size(); ++i) {
                unsigned v = 0;
                if (!Hex(f[i], v) || v > 0xff) return fail("a capability byte is not a number");
                // Bytes past the type's range hold nothing (evemu pads the last line).
                if (typeBytes[type] < limit && (type == 0 || EvemuMaxCode(type) > 0)) {
                    auto& b = out.bits[type];
                    b.resize(typeBytes[type] + 1);
                    b[typeBytes[type]] = static_cast<std::uint8_t>(v);
                }
                ++typeBytes[type];
            }
            described = described || type == 0;
            break;
        }
        case 'A': {
            unsigned code = 0;
            EvemuAbs a;
            // Formats before 1.2 have no resolution.
            if (f.size() != 5 && f.size() != 6) return fail("an axis wants a code and four or five numbers");
            if (!Hex(f[0], code) || code > ABS_MAX) return fail("an unknown axis");
            if (!Num(f[1], a.min) || !Num(f[2], a.max) || !Num(f[3], a.fuzz) || !Num(f[4], a.flat) ||
                (f.size() == 6 && !Num(f[5], a.resolution)))
                return fail("an axis number is not a 32-bit number");
            a.code = code;
            for (const EvemuAbs& b : out.abs)
                if (b.code == code) return fail("the axis is described twice");
            out.abs.push_back(a);
            break;
        }
        case 'E': {
            std::int64_t us = 0;
            unsigned type = 0, code = 0;
            std::int32_t value = 0;
            if (f.size() != 4) return fail("an event wants a time, a type, a code and a value");
            if (!Stamp(f[0], us)) return fail("an event's time is not SECONDS.MICROSECONDS");
            if (!Hex(f[1], type) || type >= kEvemuTypes || !Hex(f[2], code) || code > 0xffff)
                return fail("an event's type or code is not a number");
            if (!Num(f[3], value)) return fail("an event's value is not a 32-bit number");
            if (out.events.size() >= kMaxEvemuEvents)
                return fail("more than " + std::to_string(kMaxEvemuEvents) + " events");
            if (firstUs < 0) firstUs = us;
            // Gaps are what is replayed; a clock that went back plays at once.
            lastAt = std::max(lastAt, us - firstUs);
            out.events.push_back({lastAt, static_cast<std::uint16_t>(type), static_cast<std::uint16_t>(code), value});
            break;
        }
        default: break; // lines of later formats that carry nothing we use
        }
    }
    if (!named || !described) {
        lineNo = 0;
        error = "the file holds no device description (its N: and B: 00 lines)";
        out = EvemuDevice{};
        return false;
    }
    return true;
}

bool ReadEvemuFile(const std::string& path, EvemuDevice& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot be opened";
        return false;
    }
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxEvemuBytes) {
            error = "the file is larger than " + std::to_string(kMaxEvemuBytes >> 20) + " MB";
            return false;
        }
    }
    if (in.bad()) {
        error = "cannot be read";
        return false;
    }
    return ParseEvemu(text, out, error);
}

} // namespace tambrel::server
