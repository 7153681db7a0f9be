#pragma once
// The text format in which the Linux input stack describes and records a
// real device (evemu-describe / evemu-record, formats 1.0 to 1.3): "N:" the
// name, "I:" the ids, "P:" the properties, "B:" the capability bits of one
// event type, "A:" an absolute axis, "E:" one recorded event. Users attach
// such files to bug reports; the server can play them as devices. The file
// is hostile input: every number is checked, every size is bounded, and a
// malformed line rejects the file rather than guessing at it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tambrel::server {

inline constexpr std::size_t kMaxEvemuBytes = 16u << 20;
inline constexpr std::size_t kMaxEvemuEvents = 500000;
// Event types and codes as the kernel numbers them (EV_MAX, KEY_MAX, ...):
// nothing beyond these is kept.
inline constexpr unsigned kEvemuTypes = 0x20;
inline constexpr unsigned kEvemuProps = 0x20;

struct EvemuAbs {
    unsigned code = 0;
    std::int32_t min = 0, max = 0, fuzz = 0, flat = 0, resolution = 0;
};

struct EvemuEvent {
    std::int64_t atUs = 0; // microseconds after the first event, never going back
    std::uint16_t type = 0, code = 0;
    std::int32_t value = 0;
};

struct EvemuDevice {
    std::string name; // as the file has it (UTF-8 from the kernel, unchecked)
    std::uint16_t bus = 0, vendor = 0, product = 0, version = 0;
    std::vector<std::uint8_t> props;
    // bits[t]: the code bitmap of event type t, low byte first; bits[0]
    // holds the event types themselves.
    std::vector<std::uint8_t> bits[kEvemuTypes];
    std::vector<EvemuAbs> abs;
    std::vector<EvemuEvent> events;

    bool HasType(unsigned type) const;
    bool Has(unsigned type, unsigned code) const;
    bool HasProp(unsigned prop) const;
    // Sets a bit (codes beyond the type's range are refused).
    bool Set(unsigned type, unsigned code);
};

// The highest code of an event type (KEY_MAX for EV_KEY, ...); 0 for types
// without codes or unknown ones.
unsigned EvemuMaxCode(unsigned type);

// Parses a description, optionally followed by its events. False with a
// reason ("line 12: ...") when the text is not one.
bool ParseEvemu(std::string_view text, EvemuDevice& out, std::string& error);
// Reads and parses a file of at most kMaxEvemuBytes.
bool ReadEvemuFile(const std::string& path, EvemuDevice& out, std::string& error);

} // namespace tambrel::server
