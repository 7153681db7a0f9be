#include "sound/StyleFile.h"

// The style file format (text, UTF-8 or plain ASCII, "\n" or "\r\n" lines):
//
//   TambrelStyle 1                  first line that is not blank or a comment
//   # a comment                     blank lines and lines starting with '#' are skipped
//   band NAME                       starts a band; NAME is the rest of the line
//   program CHANNEL PROGRAM         a program change at the band's start
//   motif NAME                      starts a motif
//   note TIME CHANNEL NOTE VELOCITY DURATION
//                                   a note TIME ms after the motif starts,
//                                   lasting DURATION ms
//
// Bands hold only program lines, motifs only note lines; both keep the order of
// the file. CHANNEL is 0..31 (16..31 the second channel group), PROGRAM, NOTE
// and VELOCITY 0..127 (velocity at least 1), TIME 0..600000 and DURATION
// 1..600000. Names are 1..64 characters. A file holds at most 4096 bands and
// 4096 motifs, a segment at most 1024 events, the file at most 8 MiB. What the
// program requires of the names and counts of its seven files is checked where
// they are loaded (MidiOutput), not here.

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sound/MidiOutput.h"

namespace tambrel {
namespace {

constexpr std::string_view kMagic = "TambrelStyle 1";

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

class Parser {
public:
    Parser(const std::string& text, const std::string& source) : text_(text), source_(source) {}

    MidiStyle Run() {
        if (text_.size() > kStyleMaxBytes) Fail("the file is larger than 8 MiB");
        bool magic = false;
        std::size_t at = 0;
        while (at < text_.size()) {
            std::size_t end = text_.find('\n', at);
            if (end == std::string::npos) end = text_.size();
            ++line_;
            const std::string_view l = Trim(std::string_view(text_).substr(at, end - at));
            at = end + 1;
            if (l.empty() || l.front() == '#') continue;
            if (!magic) {
                if (l != kMagic) Fail("the file does not start with \"TambrelStyle 1\"");
                magic = true;
                continue;
            }
            Line(l);
        }
        if (!magic) Fail("the file does not start with \"TambrelStyle 1\"");
        Close();
        return std::move(style_);
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw StyleFileError(source_ + (line_ > 0 ? " line " + std::to_string(line_) : std::string()) + ": " + what);
    }

    void Line(std::string_view l) {
        const std::size_t sp = l.find_first_of(" \t");
        const std::string_view word = l.substr(0, sp);
        const std::string_view rest = sp == std::string_view::npos ? std::string_view() : Trim(l.substr(sp));
        if (word == "band" || word == "motif") {
            Close();
            if (rest.empty() || rest.size() > kStyleMaxName) Fail("a name must have 1 to 64 characters");
            auto& list = word == "band" ? style_.Bands : style_.Motifs;
            if (list.size() >= kStyleMaxSegments) Fail("more than 4096 " + std::string(word) + "s");
            current_ = std::make_shared<MidiSegment>();
            current_->Name = std::string(rest);
            inBand_ = word == "band";
        } else if (word == "program" || word == "note") {
            if (!current_) Fail("\"" + std::string(word) + "\" before any band or motif");
            if ((word == "program") != inBand_)
                Fail(inBand_ ? "a band holds only program lines" : "a motif holds only note lines");
            if (current_->Events.size() >= kStyleMaxEvents) Fail("more than 1024 events in \"" + current_->Name + "\"");
            int v[5] = {};
            const int n = word == "program" ? 2 : 5;
            Numbers(rest, v, n);
            MidiEvent e;
            if (word == "program") {
                e.What = MidiEvent::Kind::Program;
                e.Channel = Check(v[0], 0, 31, "channel");
                e.Data = Check(v[1], 0, 127, "program");
            } else {
                e.What = MidiEvent::Kind::Note;
                e.TimeMs = Check(v[0], 0, kStyleMaxTimeMs, "time");
                e.Channel = Check(v[1], 0, 31, "channel");
                e.Data = Check(v[2], 0, 127, "note");
                e.Velocity = Check(v[3], 1, 127, "velocity");
                e.DurMs = Check(v[4], 1, kStyleMaxTimeMs, "duration");
            }
            current_->Events.push_back(e);
        } else {
            Fail("unknown line \"" + std::string(l.substr(0, 40)) + "\"");
        }
    }

    void Numbers(std::string_view rest, int* v, int n) {
        int got = 0;
        while (!rest.empty()) {
            if (got == n) Fail("too many numbers");
            const std::size_t sp = rest.find_first_of(" \t");
            const std::string_view tok = rest.substr(0, sp);
            const auto r = std::from_chars(tok.data(), tok.data() + tok.size(), v[got]);
            if (r.ec != std::errc() || r.ptr != tok.data() + tok.size())
                Fail("\"" + std::string(tok.substr(0, 20)) + "\" is not a number");
            ++got;
            rest = sp == std::string_view::npos ? std::string_view() : Trim(rest.substr(sp));
        }
        if (got != n) Fail("expected " + std::to_string(n) + " numbers");
    }

    int Check(int v, int lo, int hi, const char* what) const {
        if (v < lo || v > hi)
            Fail(std::string(what) + " " + std::to_string(v) + " outside " + std::to_string(lo) + ".." +
                 std::to_string(hi));
        return v;
    }

    void Close() {
        if (!current_) return;
        (inBand_ ? style_.Bands : style_.Motifs).push_back(std::move(current_));
        current_.reset();
    }

    const std::string& text_;
    const std::string& source_;
    int line_ = 0;
    MidiStyle style_;
    std::shared_ptr<MidiSegment> current_;
    bool inBand_ = false;
};

MidiSegmentRef ByName(const std::vector<MidiSegmentRef>& list, const std::string& name) {
    for (const auto& s : list)
        if (s->Name == name) return s;
    return nullptr;
}

MidiSegmentRef Band(std::string name, std::initializer_list<std::pair<int, int>> programs) {
    auto s = std::make_shared<MidiSegment>();
    s->Name = std::move(name);
    for (auto [ch, prog] : programs) s->Events.push_back({MidiEvent::Kind::Program, 0, ch, prog, 0, 0});
    return s;
}

MidiSegmentRef Motif(std::string name, int channel, int note, int durMs) {
    auto s = std::make_shared<MidiSegment>();
    s->Name = std::move(name);
    s->Events.push_back({MidiEvent::Kind::Note, 0, channel, note, kStyleVelocity, durMs});
    return s;
}

std::string Digits(int v, int width) {
    std::string s = std::to_string(v);
    return std::string(static_cast<std::size_t>(width) - std::min(s.size(), static_cast<std::size_t>(width)), '0') + s;
}

} // namespace

MidiSegmentRef MidiStyle::BandByName(const std::string& name) const { return ByName(Bands, name); }
MidiSegmentRef MidiStyle::MotifByName(const std::string& name) const { return ByName(Motifs, name); }

MidiStyle ParseStyle(const std::string& text, const std::string& source) { return Parser(text, source).Run(); }

MidiStyle ReadStyleFile(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) throw StyleFileError(path + ": cannot be read");
    if (size > kStyleMaxBytes) throw StyleFileError(path + ": the file is larger than 8 MiB");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw StyleFileError(path + ": cannot be read");
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return ParseStyle(text, path);
}

std::string StyleText(const MidiStyle& style) {
    std::ostringstream o;
    o << kMagic << "\n";
    for (const auto& b : style.Bands) {
        o << "band " << b->Name << "\n";
        for (const MidiEvent& e : b->Events) o << "program " << e.Channel << " " << e.Data << "\n";
    }
    for (const auto& m : style.Motifs) {
        o << "motif " << m->Name << "\n";
        for (const MidiEvent& e : m->Events)
            o << "note " << e.TimeMs << " " << e.Channel << " " << e.Data << " " << e.Velocity << " " << e.DurMs
              << "\n";
    }
    return o.str();
}

void WriteStyleFile(const std::string& path, const MidiStyle& style) {
    const std::string text = StyleText(style);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw StyleFileError(path + ": cannot be written");
}

void MakeStandardStyles(const std::string& folder) {
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    MidiStyle instr;
    for (int p = 0; p < 128; ++p)
        instr.Bands.push_back(
            Band(Digits(p, 3) + " " + GmProgramNames()[static_cast<std::size_t>(p)], {{kStyleInstrumentChannel, p}}));
    WriteStyleFile(base + "TbOrch-00.sty", instr);

    static const char* const kNoteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    for (int durMs : kDefaultNoteDurations) {
        MidiStyle dur;
        for (int n = 0; n < 128; ++n)
            dur.Motifs.push_back(Motif(Digits(n, 3) + " " + kNoteNames[n % 12] + std::to_string(n / 12 - 1),
                                       kStyleInstrumentChannel, n, durMs));
        WriteStyleFile(base + "TbOrch-" + Digits(durMs / 50, 2) + ".sty", dur);
    }

    MidiStyle drums;
    // clang-format off
    static const std::pair<int, const char*> kKits[] = {{0, "Standard"}, {8, "Room"},    {16, "Power"},
                                                        {24, "Electronic"}, {25, "TR-808"}, {32, "Jazz"},
                                                        {40, "Brush"},   {48, "Orchestra"}, {56, "SFX"}};
    // clang-format on
    for (auto [kit, name] : kKits) drums.Bands.push_back(Band(Digits(kit, 2) + " " + name, {{kStyleDrumChannel, kit}}));
    // Drum notes last as long as the sound; the shortest duration style is enough.
    for (int n = kFirstDrumNote; n <= kLastDrumNote; ++n)
        drums.Motifs.push_back(Motif(Digits(n, 2) + " " + DrumNames()[static_cast<std::size_t>(n)], kStyleDrumChannel,
                                     n, kDefaultNoteDurations[0]));
    WriteStyleFile(base + "TbOrch-Drm.sty", drums);
}

const std::vector<std::string>& GmProgramNames() {
    // clang-format off
    static const std::vector<std::string> names = {
        "Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Grand Piano", "Honky-tonk Piano",
        "Electric Piano 1", "Electric Piano 2", "Harpsichord", "Clavinet",
        "Celesta", "Glockenspiel", "Music Box", "Vibraphone",
        "Marimba", "Xylophone", "Tubular Bells", "Dulcimer",
        "Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ",
        "Reed Organ", "Accordion", "Harmonica", "Tango Accordion",
        "Acoustic Guitar (nylon)", "Acoustic Guitar (steel)", "Electric Guitar (jazz)", "Electric Guitar (clean)",
        "Electric Guitar (muted)", "Overdriven Guitar", "Distortion Guitar", "Guitar Harmonics",
        "Acoustic Bass", "Electric Bass (finger)", "Electric Bass (pick)", "Fretless Bass",
        "Slap Bass 1", "Slap Bass 2", "Synth Bass 1", "Synth Bass 2",
        "Violin", "Viola", "Cello", "Contrabass",
        "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani",
        "String Ensemble 1", "String Ensemble 2", "Synth Strings 1", "Synth Strings 2",
        "Choir Aahs", "Voice Oohs", "Synth Voice", "Orchestra Hit",
        "Trumpet", "Trombone", "Tuba", "Muted Trumpet",
        "French Horn", "Brass Section", "Synth Brass 1", "Synth Brass 2",
        "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax",
        "Oboe", "English Horn", "Bassoon", "Clarinet",
        "Piccolo", "Flute", "Recorder", "Pan Flute",
        "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina",
        "Lead 1 (square)", "Lead 2 (sawtooth)", "Lead 3 (calliope)", "Lead 4 (chiff)",
        "Lead 5 (charang)", "Lead 6 (voice)", "Lead 7 (fifths)", "Lead 8 (bass + lead)",
        "Pad 1 (new age)", "Pad 2 (warm)", "Pad 3 (polysynth)", "Pad 4 (choir)",
        "Pad 5 (bowed)", "Pad 6 (metallic)", "Pad 7 (halo)", "Pad 8 (sweep)",
        "FX 1 (rain)", "FX 2 (soundtrack)", "FX 3 (crystal)", "FX 4 (atmosphere)",
        "FX 5 (brightness)", "FX 6 (goblin)", "FX 7 (echoes)", "FX 8 (sci-fi)",
        "Sitar", "Banjo", "Shamisen", "Koto",
        "Kalimba", "Bagpipe", "Fiddle", "Shanai",
        "Tinkle Bell", "Agogo", "Steel Drums", "Woodblock",
        "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
        "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet",
        "Telephone Ring", "Helicopter", "Applause", "Gunshot"};
    // clang-format on
    return names;
}

} // namespace tambrel
