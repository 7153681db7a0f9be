#pragma once
// Style files: the bands and motifs that MIDI output plays on a
// software-synthesizer port. A plain text format of our own (see StyleFile.cpp
// and the README); the build writes the program's seven files with
// MakeStandardStyles.

#include <stdexcept>
#include <string>
#include <vector>

#include "sound/MidiPorts.h"

namespace tambrel {

struct MidiStyle {
    std::vector<MidiSegmentRef> Bands;
    std::vector<MidiSegmentRef> Motifs;

    // The first band (motif) of that name, or null.
    MidiSegmentRef BandByName(const std::string& name) const;
    MidiSegmentRef MotifByName(const std::string& name) const;
};

// A style file that cannot be read or breaks the format; what() names the
// file and the line.
class StyleFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Limits a reader enforces before it stores anything.
inline constexpr std::size_t kStyleMaxBytes = 8u << 20;
inline constexpr std::size_t kStyleMaxSegments = 4096;
inline constexpr std::size_t kStyleMaxEvents = 1024; // per segment
inline constexpr std::size_t kStyleMaxName = 64;
inline constexpr int kStyleMaxTimeMs = 600000;

MidiStyle ParseStyle(const std::string& text, const std::string& source);
MidiStyle ReadStyleFile(const std::string& path);
std::string StyleText(const MidiStyle& style);
// Throws StyleFileError when the file cannot be written.
void WriteStyleFile(const std::string& path, const MidiStyle& style);

// The channels the standard styles play on: instruments on 0 (which the
// rotation of directly sent notes never uses), drums on 9.
inline constexpr int kStyleInstrumentChannel = 0;
inline constexpr int kStyleDrumChannel = 9;
inline constexpr int kStyleVelocity = 100;

// Writes TbOrch-00.sty, TbOrch-05/10/15/20/30.sty and TbOrch-Drm.sty into folder.
void MakeStandardStyles(const std::string& folder);

// The 128 General MIDI program names.
const std::vector<std::string>& GmProgramNames();

} // namespace tambrel
