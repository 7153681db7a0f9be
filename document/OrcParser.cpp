#include "document/OrcParser.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string_view>

#include "audio/WaveFile.h"
#include "common/NumberText.h"
#include "common/SplitText.h"
#include "document/OrcIndex.h"

namespace tambrel {
namespace {

// Bounds no Orchestra comes near, so that a damaged or hostile file is
// refused before it costs memory out of all proportion to what it holds:
// a text value (names, key lists, a recording's events), the keys of all
// Sub Boards (each costs the same, stored or not), and the recorded events.
constexpr std::uint32_t kMaxText = 16u << 20;
constexpr std::int64_t kMaxKeys = std::int64_t{1} << 20;
constexpr std::int64_t kMaxKeyStrokes = std::int64_t{1} << 23;

std::string N(std::int64_t v) { return IntText(v); }

std::string Field(const std::string& section, const std::string& key) { return "\"" + section + "\"/\"" + key + "\""; }

// A value as a message quotes it: a file's text can be anything and long.
std::string Quoted(std::string_view v) {
    constexpr std::size_t kShown = 40;
    return "\"" + std::string(v.substr(0, kShown)) + (v.size() > kShown ? "...\"" : "\"");
}

// `field` makes the field's name only when a message needs it: most
// numbers are read per key or per event.
template <class FieldName>
std::int32_t Number(std::string_view text, const FieldName& field) {
    std::int32_t v = 0;
    if (!TryParseInt(text, v)) throw OrcDamaged("Overflow in the field " + field() + " (" + Quoted(text) + ")");
    return v;
}

// Fields of a key item after "src:", in the order they are stored.
template <class FieldName>
void AssignFields(KeyAssign& k, std::string_view fields, const FieldName& where) {
    std::vector<std::int32_t*> order;
    switch (k.SndSrc) {
    case kSrcNone: order = {&k.Mute}; break;
    case kSrcWave:
        order = {&k.Mute,     &k.LoopTimes,  &k.LoopOption, &k.AllowDup,
                 &k.PlayStyl, &k.QueDupLoop, &k.QueNo,      &k.SaveInFile};
        break;
    case kSrcMidi: order = {&k.Mute, &k.DrumBank, &k.Dur, &k.Instru, &k.DrumOn, &k.MidiKeyNo, &k.Velos}; break;
    case kSrcAction: order = {&k.ActCmd, &k.ActSub1}; break;
    default: break;
    }
    // A short item leaves the fields it lacks at their defaults.
    TextItems f(fields, ',', EmptyText::NoItems);
    std::string_view v;
    for (std::int32_t* field : order) {
        if (!f.Next(v)) break;
        *field = Number(v, where);
    }
}

// One reading of one file's entries, in the order they were written, so
// that each lookup is answered at its first comparison.
class Reader {
public:
    Reader(const ByteSource& bytes, const DeviceKeyCount& keysOf)
        : index_(std::make_unique<OrcIndex>()), keysOf_(keysOf) {
        index_->Build(bytes);
    }

    OrcParse Run() {
        OrcParse out;
        const OrcIndex::Entry* version = index_->Find("General++File Version");
        const std::string text = version ? TextOf(*version, "General", "File Version") : std::string();
        const double v = ParseLenient(text);
        if (v == 1) {
            out.orc = ReadOrchestra(out);
            out.outcome = OrcParse::Outcome::Read;
            out.index = std::move(index_);
        } else if (v > 1) {
            out.outcome = OrcParse::Outcome::Newer;
        } else {
            out.outcome = OrcParse::Outcome::NotAnOrchestra;
            out.problem = version ? "its " + Field("General", "File Version") + " is " + Quoted(text)
                                  : "it has no " + Field("General", "File Version");
        }
        return out;
    }

private:
    std::unique_ptr<OrcIndex> index_;
    const DeviceKeyCount& keysOf_;

    // A text entry's value; a value longer than any text of an Orchestra
    // makes the file damaged.
    std::string ReadText(const std::string& section, const std::string& key, const std::string& fallback) {
        const OrcIndex::Entry* e = index_->Find(section + "++" + key);
        return e ? TextOf(*e, section, key) : fallback;
    }

    std::string TextOf(const OrcIndex::Entry& e, const std::string& section, const std::string& key) const {
        if (e.length > kMaxText)
            throw OrcDamaged("the field " + Field(section, key) + " is " + N(e.length) +
                             " bytes long, more than any text of an Orchestra");
        return index_->Text(e);
    }

    // A number entry, read leniently; one that does not fit in 32 bits
    // makes the file damaged, naming the field.
    std::int32_t ReadNumber(const std::string& section, const std::string& key, const std::string& fallback) {
        return Number(ReadText(section, key, fallback), [&] { return Field(section, key); });
    }

    // The entry of exactly `expectedLength` bytes by that name, or nullptr.
    const OrcIndex::Entry* FindBytes(const std::string& section, const std::string& key, std::int64_t expectedLength) {
        const OrcIndex::Entry* e = index_->Find(section + "++" + key);
        return e && static_cast<std::int64_t>(e->length) == expectedLength ? e : nullptr;
    }

    Orchestra ReadOrchestra(OrcParse& out);
    SubBoard ReadSubBoard(std::int32_t i, std::int32_t j, OrcParse& out);
    void ReadRecordings(Orchestra& o);

    // The keys of all Sub Boards so far, each board counted at its device's size.
    std::int64_t keysMade_ = 0;
};

Orchestra Reader::ReadOrchestra(OrcParse& out) {
    Orchestra o;
    o.OpenMsg = ReadText("General", "OpenMsg", " ");

    // A count below one leaves nothing to show: the file is damaged.
    auto atLeastOne = [&](const std::string& section, const std::string& key, std::int32_t value, const char* what) {
        if (value >= 1) return;
        const bool present = index_->Find(section + "++" + key) != nullptr;
        throw OrcDamaged("the field " + Field(section, key) +
                         (present ? " is " + Quoted(ReadText(section, key, "")) : std::string(" is missing")) + ": " +
                         what);
    };
    const std::int32_t setNos = ReadNumber("Set", "SetNos", "0");
    atLeastOne("Set", "SetNos", setNos, "an Orchestra has at least one Play Board");
    o.CurSet = ReadNumber("Set", "CurSet", "1");

    // Play Boards are added as they are read: each one needs its own entries,
    // so a damaged count cannot make the loader allocate what the file lacks.
    // Sub Boards of absent devices need none, so their number is bounded by
    // the entries there are (a saved board writes three).
    std::size_t subBoards = 0;
    for (std::int32_t i = 1; i <= setNos; ++i) {
        PlayBoard pb;
        const std::string set = "Set" + N(i);
        pb.SetNam = ReadText(set, "SetNam", "No Name");
        const std::int32_t bodNos = ReadNumber(set, "BodNos", "0");
        atLeastOne(set, "BodNos", bodNos, "a Play Board has at least one Sub Board");
        if (static_cast<std::uint64_t>(bodNos) > index_->size() - std::min(subBoards, index_->size()))
            throw OrcDamaged("the field " + Field(set, "BodNos") + " claims " + N(bodNos) +
                             " Sub Boards but the file holds only " + N(static_cast<std::int64_t>(index_->size())) +
                             " entries");
        subBoards += static_cast<std::size_t>(bodNos);
        pb.Bds.reserve(static_cast<std::size_t>(bodNos)); // bounded by the entries, checked above
        for (std::int32_t j = 1; j <= bodNos; ++j) pb.Bds.push_back(ReadSubBoard(i, j, out));
        o.PlayBoards.push_back(std::move(pb));
    }

    ReadRecordings(o);
    // An out-of-range Play Board would point the views at nothing.
    o.CurSet = std::clamp(o.CurSet, 1, o.SetNos());
    return o;
}

SubBoard Reader::ReadSubBoard(std::int32_t i, std::int32_t j, OrcParse& out) {
    std::int32_t& reached = out.keysReached.emplace_back(0);
    SubBoard sb;
    const std::string bd = "Set" + N(i) + "Bd" + N(j);
    sb.BodNam = ReadText(bd, "BodNam", "No Name");
    sb.InpDev = ReadText(bd, "InpDev", "No Name");
    const std::optional<std::int32_t> device = keysOf_(sb.InpDev);
    if (!device) return sb; // the device is not here: the board stays, without keys

    const std::int32_t keyNos = std::max(ReadNumber(bd, "KeyNos", "0"), 0);
    const std::int32_t devKeys = std::max(*device, 0);
    keysMade_ += devKeys;
    if (keysMade_ > kMaxKeys)
        throw OrcDamaged("its Sub Boards up to " + Field(bd, "InpDev") + " hold more than " + N(kMaxKeys) + " keys");
    const std::string text1 = ReadText(bd, "Key1", ""), text2 = ReadText(bd, "Key2", ""),
                      text3 = ReadText(bd, "Key3", "");
    TextItems list1(text1, ';', EmptyText::NoItems), list2(text2, '?', EmptyText::NoItems),
        list3(text3, ';', EmptyText::NoItems);
    // The device decides how many keys the board has: stored keys beyond its
    // count are dropped unread (their waves are never loaded).
    const std::int32_t made = std::min(keyNos, devKeys);
    sb.Keys.assign(static_cast<std::size_t>(made), NewKeyAssign());

    for (std::int32_t k = 1; k <= made; ++k) {
        reached = k;
        std::string_view item, item2, item3;
        if (!list1.Next(item)) break;
        list2.Next(item2);
        list3.Next(item3);
        KeyAssign& key = sb.Key(k);
        auto where = [&] { return Field(bd, "Key1") + ", item " + N(k); };
        const std::size_t colon = item.find(':');
        key.SndSrc = Number(item.substr(0, colon), where);
        AssignFields(key, colon == std::string_view::npos ? std::string_view() : item.substr(colon + 1), where);
        if (key.SndSrc != kSrcWave) continue;

        WaveRef ref;
        ref.set = i, ref.bd = j, ref.key = k;
        if (key.SaveInFile == 1) {
            key.WaveDur = 0;
            if (!item2.empty()) {
                // The path is last and may itself hold "|".
                std::vector<std::string_view> f = SplitText(item2, '|', 7);
                f.resize(7);
                auto where2 = [&] { return Field(bd, "Key2") + ", item " + N(k); };
                WaveData& w = ref.wave;
                w.ByteCount = Number(f[1], where2);
                w.BitsPerSample = Number(f[2], where2);
                w.Channels = Number(f[3], where2);
                w.SampleRate = Number(f[4], where2);
                w.Frames = Number(f[5], where2);
                key.WavFile = std::string(f[6]);
                // A format no wave file may have is refused here too,
                // before its samples are read.
                const std::string problem =
                    w.ByteCount > 0 ? WaveFormatProblem(w.BitsPerSample, w.Channels, w.SampleRate) : std::string();
                if (!problem.empty()) {
                    ref.kind = WaveRef::Kind::Unusable;
                    ref.entry = std::string(f[0]);
                    ref.path = key.WavFile;
                    ref.problem = problem;
                    out.waves.push_back(std::move(ref));
                } else if (const OrcIndex::Entry* samples =
                               w.ByteCount > 0 ? FindBytes("WavBuf", std::string(f[0]), w.ByteCount) : nullptr) {
                    ref.kind = WaveRef::Kind::Stored;
                    ref.samples = *samples;
                    out.waves.push_back(std::move(ref));
                }
            }
        } else {
            key.WavFile = std::string(item2);
            if (!key.WavFile.empty()) { // a key without a path has nothing to load and nothing to miss
                ref.kind = WaveRef::Kind::File;
                ref.path = key.WavFile;
                out.waves.push_back(std::move(ref));
            }
        }
        key.MultiTimLst = std::string(item3);
    }
    return sb;
}

void Reader::ReadRecordings(Orchestra& o) {
    const std::int32_t recNos = ReadNumber("Rec0", "RecNos", "0");
    if (recNos <= 0) {
        Recording first;
        first.Name = "First Recording";
        o.Recordings.push_back(std::move(first));
        o.CurRec = 1;
        return;
    }
    if (static_cast<std::uint64_t>(recNos) > index_->size())
        throw OrcDamaged("the field " + Field("Rec0", "RecNos") + " claims " + N(recNos) +
                         " recordings but the file holds only " + N(static_cast<std::int64_t>(index_->size())) +
                         " entries");
    // Kept as stored, even outside the list: the recording panel then
    // shows "Recording not found", and recording or playing corrects it.
    o.CurRec = ReadNumber("Rec0", "CurRec", "1");
    o.Recordings.reserve(static_cast<std::size_t>(recNos)); // bounded by the entries, checked above
    std::int64_t strokes = 0;
    for (std::int32_t i = 1; i <= recNos; ++i) {
        Recording r;
        const std::string sec = "Rec" + N(i);
        const std::int32_t count = ReadNumber(sec, "Nos", "0");
        r.Name = ReadText(sec, "Name", "0");
        if (count > 0) {
            const std::string list = ReadText(sec, "Rec", "0,0,0");
            // Events the list does not hold are not made up; the total is
            // checked before any is made.
            const auto listed = static_cast<std::int64_t>(std::count(list.begin(), list.end(), ';')) + 1;
            const std::int64_t n = std::min<std::int64_t>(count, listed);
            strokes += n;
            if (strokes > kMaxKeyStrokes)
                throw OrcDamaged("its recordings up to " + Field(sec, "Rec") + " hold more than " + N(kMaxKeyStrokes) +
                                 " key strokes");
            r.events.reserve(static_cast<std::size_t>(n));
            TextItems items(list, ';', EmptyText::NoItems);
            std::string_view item;
            for (std::int64_t e = 1; e <= n && items.Next(item); ++e) {
                auto where = [&] { return Field(sec, "Rec") + ", item " + N(e); };
                TextItems f(item, ',', EmptyText::NoItems);
                std::string_view v;
                KeyStroke ks;
                if (f.Next(v)) ks.InpDvNo = Number(v, where);
                if (f.Next(v)) ks.KeyNo = Number(v, where);
                if (f.Next(v)) {
                    const double t = ParseLenient(v);
                    if (!(std::fabs(t) <= std::numeric_limits<float>::max()))
                        throw OrcDamaged("Overflow in the field " + where() + " (" + Quoted(v) + ")");
                    ks.time = static_cast<float>(t);
                }
                r.events.push_back(ks);
            }
        }
        o.Recordings.push_back(std::move(r));
    }
}

} // namespace

void ReadSamples(const OrcParse& read, WaveRef& wave) { read.index->Bytes(wave.samples, wave.wave.Data); }

OrcParse ParseOrchestra(const ByteSource& bytes, const DeviceKeyCount& keysOf) {
    try {
        return Reader(bytes, keysOf).Run();
    } catch (const OrcDamaged& e) {
        OrcParse out;
        out.outcome = OrcParse::Outcome::Damaged;
        out.problem = e.what();
        return out;
    }
}

} // namespace tambrel
