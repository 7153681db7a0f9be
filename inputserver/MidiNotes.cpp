#include "inputserver/MidiNotes.h"

namespace tambrel::server {

std::string MidiNoteName(int note) {
    static constexpr const char* kNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    if (note < 0 || note >= kMidiNotes) return {};
    return std::string(kNames[note % 12]) + std::to_string(note / 12 - 1);
}

std::vector<std::string> MidiKeyNames() {
    std::vector<std::string> names;
    names.reserve(kMidiNotes);
    for (int n = 0; n < kMidiNotes; ++n) names.push_back(MidiNoteName(n));
    return names;
}

namespace {
// Data bytes that follow a channel status (0x80..0xEF).
int DataBytes(std::uint8_t status) {
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}
} // namespace

std::optional<Item> MidiByteReader::Feed(std::uint8_t b) {
    if (b >= 0xF8) return std::nullopt; // real-time: may come between any two bytes, changes nothing
    if (b >= 0x80) {
        sysex_ = false;
        skip_ = 0;
        have_ = 0;
        if (b < 0xF0) {
            status_ = b;
            return std::nullopt;
        }
        // System messages end running status.
        status_ = 0;
        switch (b) {
        case 0xF0: sysex_ = true; break;
        case 0xF1:
        case 0xF3: skip_ = 1; break;
        case 0xF2: skip_ = 2; break;
        default: break; // 0xF4..0xF7: nothing follows
        }
        return std::nullopt;
    }
    // A data byte.
    if (sysex_) return std::nullopt;
    if (skip_ > 0) {
        --skip_;
        return std::nullopt;
    }
    if (status_ == 0) return std::nullopt; // no status to belong to
    data_[have_++] = b;
    if (have_ < DataBytes(status_)) return std::nullopt;
    have_ = 0; // running status: the next data bytes repeat the message
    const std::uint8_t kind = status_ & 0xF0;
    if (kind == 0x90) return MidiNoteItem(data_[0], data_[1]);
    if (kind == 0x80) return MidiNoteItem(data_[0], 0);
    return std::nullopt;
}

} // namespace tambrel::server
