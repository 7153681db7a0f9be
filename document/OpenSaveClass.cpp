#include "document/OpenSaveClass.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string_view>

#include "audio/WaveFile.h"
#include "common/DateText.h"
#include "common/FileKind.h"
#include "common/FileMove.h"
#include "common/Folders.h"
#include "common/NumberText.h"
#include "document/DeviceBinding.h"
#include "document/WaveBuffers.h"

namespace tambrel {
namespace {

constexpr char kHomePage[] = "https://tambrel.org";

// Splits into at most `limit` parts; the last one keeps any further separators.
std::vector<std::string> SplitLimited(const std::string& s, char sep, std::size_t limit) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (parts.size() + 1 < limit) {
        const std::size_t at = s.find(sep, start);
        if (at == std::string::npos) break;
        parts.push_back(s.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(s.substr(start));
    return parts;
}

std::string Trimmed(const std::string& s) {
    const std::size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

std::string Join(const std::vector<std::string>& items, char sep) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += sep;
        out += items[i];
    }
    return out;
}

std::string N(std::int64_t v) { return IntText(v); }

std::string KeyPosition(std::int32_t i, std::int32_t j, const std::string& k) {
    return "Pbd " + N(i) + ", " + "Sbd " + N(j) + ", " + "K " + k;
}

void PutLE32(std::uint8_t* p, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    p[0] = static_cast<std::uint8_t>(u), p[1] = static_cast<std::uint8_t>(u >> 8);
    p[2] = static_cast<std::uint8_t>(u >> 16), p[3] = static_cast<std::uint8_t>(u >> 24);
}

std::string Key1Item(const KeyAssign& k) {
    switch (k.SndSrc) {
    case kSrcNone: return "0:" + N(k.Mute);
    case kSrcWave:
        return "1:" + N(k.Mute) + "," + N(k.LoopTimes) + "," + N(k.LoopOption) + "," + N(k.AllowDup) + "," +
               N(k.PlayStyl) + "," + N(k.QueDupLoop) + "," + N(k.QueNo) + "," + N(k.SaveInFile);
    case kSrcMidi:
        return "5:" + N(k.Mute) + "," + N(k.DrumBank) + "," + N(k.Dur) + "," + N(k.Instru) + "," + N(k.DrumOn) + "," +
               N(k.MidiKeyNo) + "," + N(k.Velos);
    case kSrcAction: return "11:" + N(k.ActCmd) + "," + N(k.ActSub1);
    default: return {};
    }
}

} // namespace

OpenSaveClass::~OpenSaveClass() { CloseRead(); }

// ---------------------------------------------------------------- saving

void OpenSaveClass::WriteEntry(const std::string& section, const std::string& key, const void* bytes,
                               std::size_t count) {
    const std::string name = section + "++" + key;
    if (name.size() > 0x7fffffffu || count > 0x7fffffffu) throw std::runtime_error("Entry too large: " + name);
    std::uint8_t head[5];
    head[0] = '*';
    PutLE32(head + 1, static_cast<std::int32_t>(name.size()));
    std::uint8_t len[4];
    PutLE32(len, static_cast<std::int32_t>(count));
    const char star = '*';
    if (std::fwrite(head, 1, 5, file_) != 5 || std::fwrite(name.data(), 1, name.size(), file_) != name.size() ||
        std::fwrite(len, 1, 4, file_) != 4 || (count && std::fwrite(bytes, 1, count, file_) != count) ||
        std::fwrite(&star, 1, 1, file_) != 1)
        throw std::runtime_error(std::string("Could not write the file: ") + std::strerror(errno));
}

void OpenSaveClass::WriteText(const std::string& section, const std::string& key, const std::string& text) {
    WriteEntry(section, key, text.data(), text.size());
}

void OpenSaveClass::WriteOrchestra() {
    const Orchestra& o = st_.Orc;
    Shell& sh = st_.shell;
    const std::tm now = LocalNow();
    WriteText("TbOrc", "Mar2004",
              std::string(" ") + "Tambrel Orchestra File" + ", " + kHomePage + ", File Created " + HeaderTimeText(now) +
                  " ");
    sh.Status("Writing Header");
    WriteText("General", "Version", "Mar2004");
    WriteText("General", "File Version", "01.00");
    WriteText("General", "Time Saved", TimeSavedText(now));
    if (!Trimmed(o.OpenMsg).empty()) WriteText("General", "OpenMsg", o.OpenMsg);
    WriteText("Set", "SetNos", N(o.SetNos()));
    WriteText("Set", "CurSet", N(o.CurSet));

    std::int32_t stored = 0; // "WavBuf" entries written so far, over the whole file
    for (std::int32_t i = 1; i <= o.SetNos(); ++i) {
        const PlayBoard& pb = o.Set(i);
        const std::string set = "Set" + N(i);
        WriteText(set, "SetNam", pb.SetNam);
        WriteText(set, "BodNos", N(pb.BodNos()));
        for (std::int32_t j = 1; j <= pb.BodNos(); ++j) {
            const SubBoard& sb = pb.Bd(j);
            const std::string bd = set + "Bd" + N(j);
            WriteText(bd, "BodNam", sb.BodNam);
            WriteText(bd, "InpDev", sb.InpDev);
            WriteText(bd, "KeyNos", N(sb.KeyNos()));
            if (sb.KeyNos() <= 0) continue;
            std::vector<std::string> k1, k2, k3;
            for (std::int32_t k = 1; k <= sb.KeyNos(); ++k) {
                sh.Status("Writing " + KeyPosition(i, j, N(k)));
                const KeyAssign& key = sb.Key(k);
                k1.push_back(Key1Item(key));
                std::string item2, item3;
                if (key.SndSrc == kSrcWave) {
                    if (key.SaveInFile == 1) {
                        WaveData w;
                        // The samples go to the file straight from the buffer, without a copy.
                        if (ReadWaveBuffer(key.SndBuf, key.WavBytes, w, false)) {
                            ++stored;
                            WriteEntry("WavBuf", N(stored), key.SndBuf->Bytes(), static_cast<std::size_t>(w.ByteCount));
                            item2 = N(stored) + "|" + N(w.ByteCount) + "|" + N(w.BitsPerSample) + "|" + N(w.Channels) +
                                    "|" + N(w.SampleRate) + "|" + N(w.Frames) + "|" + key.WavFile;
                        }
                    } else {
                        item2 = key.WavFile;
                    }
                    item3 = key.MultiTimLst;
                }
                k2.push_back(std::move(item2));
                k3.push_back(std::move(item3));
            }
            WriteText(bd, "Key1", Join(k1, ';'));
            WriteText(bd, "Key2", Join(k2, '?'));
            WriteText(bd, "Key3", Join(k3, ';'));
        }
    }

    WriteText("Rec0", "RecNos", N(o.RecNos()));
    WriteText("Rec0", "CurRec", N(o.CurRec));
    for (std::int32_t i = 1; i <= o.RecNos(); ++i) {
        const Recording& r = o.Recordings[static_cast<std::size_t>(i - 1)];
        const std::string sec = "Rec" + N(i);
        WriteText(sec, "Nos", N(r.count()));
        WriteText(sec, "Name", r.Name);
        if (r.count() > 0) {
            std::vector<std::string> items;
            for (const KeyStroke& e : r.events)
                items.push_back(N(e.InpDvNo) + "," + N(e.KeyNo) + "," + SingleText(e.time));
            WriteText(sec, "Rec", Join(items, ';'));
        }
    }
    sh.Status("Writing Footer");
}

bool OpenSaveClass::SaveOrchestra(const std::string& path) {
    Shell& sh = st_.shell;
    sh.Busy(true);
    sh.Status("Creating file");
    bool ok = false;
    try {
        // The new file is made beside the old one, under a name no other
        // save can take, so that the last step is one rename: the path holds
        // the old Orchestra or the new one at every moment.
        FileBeside out(path);
        file_ = out.File();
        WriteOrchestra();
        sh.Status("Closing file");
        WriteEntry("EOF", "", nullptr, 0);
        file_ = nullptr;
        out.Finish();
        if (FileExists(path)) {
            sh.Status("Sending old file to Recycle Bin");
            CopyToTrash(path);
            SaveStep("trashed");
        }
        out.PutInPlace();
        sh.Status("Saving Complete");
        ok = true;
    } catch (const std::exception& e) {
        file_ = nullptr; // the FileBeside closed and removed it
        sh.Message(e.what(), "", MsgButtons::Ok);
        sh.Status("Error Saving");
    }
    sh.Busy(false);
    return ok;
}

// ---------------------------------------------------------------- loading

namespace {

// Bounds no Orchestra comes near, so that a damaged or hostile file is
// refused before it costs memory out of all proportion to what it holds:
// a text value (names, key lists, a recording's events), the keys of all
// Sub Boards (each costs the same, stored or not), and the recorded events.
constexpr std::uint32_t kMaxText = 16u << 20;
constexpr std::int64_t kMaxKeys = std::int64_t{1} << 20;
constexpr std::int64_t kMaxKeyStrokes = std::int64_t{1} << 23;

// How old a leftover save copy must be before opening its file removes it.
constexpr long kLeftoverAgeSeconds = 600;

// A refusal whose text is complete: it names the file itself.
class OpenRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The items of a list value, taken one at a time: a list of a million
// separators costs nothing until its items are used.
class Items {
public:
    Items(std::string_view list, char sep) : rest_(list), sep_(sep), done_(list.empty()) {}
    bool Next(std::string_view& item) {
        if (done_) return false;
        const std::size_t at = rest_.find(sep_);
        item = rest_.substr(0, at);
        if (at == std::string_view::npos) done_ = true;
        else rest_.remove_prefix(at + 1);
        return true;
    }

private:
    std::string_view rest_;
    char sep_;
    bool done_;
};

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
    Items f(fields, ',');
    std::string_view v;
    for (std::int32_t* field : order) {
        if (!f.Next(v)) break;
        *field = Number(v, where);
    }
}

} // namespace

void OpenSaveClass::CloseRead() {
    if (readFd_ >= 0) ::close(readFd_);
    readFd_ = -1;
    index_.Clear();
}

bool OpenSaveClass::OpenAndIndex(const std::string& path) {
    // A folder, a pipe or a device is named for what it is, not reported
    // missing, and is never opened: a FIFO would block the program.
    if (const PathKind kind = KindOfPath(path); kind != PathKind::File) {
        st_.shell.Message(kind == PathKind::Missing ? "File Not Found" : NotAFileText(path, kind), "Open File",
                          MsgButtons::Ok);
        return false;
    }
    // What killed saves of this file left beside it goes now, rather than
    // only when the file is saved again.
    RemoveSaveLeftovers(path, kLeftoverAgeSeconds);
    std::string error;
    readFd_ = OpenFileForReading(path, error);
    if (readFd_ < 0) throw OpenRefused(error == "File Not Found" ? "The file " + path + " was not found" : error);
    struct stat info {};
    if (::fstat(readFd_, &info) != 0) throw std::runtime_error(std::strerror(errno));
    if (info.st_size == 0) throw OpenRefused("The file " + path + " is empty");
    index_.Build(readFd_, static_cast<std::uint64_t>(info.st_size));
    return true;
}

std::string OpenSaveClass::ReadText(const std::string& section, const std::string& key, const std::string& fallback) {
    const OrcIndex::Entry* e = index_.Find(section + "++" + key);
    return e ? TextOf(*e, section, key) : fallback;
}

std::string OpenSaveClass::TextOf(const OrcIndex::Entry& e, const std::string& section, const std::string& key) const {
    if (e.length > kMaxText)
        throw OrcDamaged("the field " + Field(section, key) + " is " + N(e.length) +
                         " bytes long, more than any text of an Orchestra");
    return index_.Text(e);
}

std::int32_t OpenSaveClass::ReadNumber(const std::string& section, const std::string& key,
                                       const std::string& fallback) {
    return Number(ReadText(section, key, fallback), [&] { return Field(section, key); });
}

bool OpenSaveClass::ReadBytes(const std::string& section, const std::string& key, std::vector<std::uint8_t>& out,
                              std::int64_t expectedLength) {
    const OrcIndex::Entry* e = index_.Find(section + "++" + key);
    if (!e || static_cast<std::int64_t>(e->length) != expectedLength) return false;
    index_.Bytes(*e, out);
    return true;
}

Orchestra OpenSaveClass::ReadOrchestra() {
    Shell& sh = st_.shell;
    Orchestra o;
    sh.Status("Getting the Header");
    o.OpenMsg = ReadText("General", "OpenMsg", " ");

    // A count below one leaves nothing to show: the file is damaged.
    auto atLeastOne = [&](const std::string& section, const std::string& key, std::int32_t value, const char* what) {
        if (value >= 1) return;
        const bool present = index_.Find(section + "++" + key) != nullptr;
        throw OrcDamaged("the field " + Field(section, key) +
                         (present ? " is " + Quoted(ReadText(section, key, "")) : std::string(" is missing")) + ": " +
                         what);
    };
    const std::int32_t setNos = ReadNumber("Set", "SetNos", "0");
    atLeastOne("Set", "SetNos", setNos, "an Orchestra has at least one Play Board");
    o.CurSet = ReadNumber("Set", "CurSet", "1");
    std::vector<std::string> missing, unusable;

    // Play Boards are added as they are read: each one needs its own entries,
    // so a damaged count cannot make the loader allocate what the file lacks.
    // Sub Boards of absent devices need none, so their number is bounded by
    // the entries there are (a saved board writes three).
    std::size_t subBoards = 0;
    std::int64_t keysMade = 0;
    for (std::int32_t i = 1; i <= setNos; ++i) {
        PlayBoard pb;
        const std::string set = "Set" + N(i);
        pb.SetNam = ReadText(set, "SetNam", "No Name");
        const std::int32_t bodNos = ReadNumber(set, "BodNos", "0");
        atLeastOne(set, "BodNos", bodNos, "a Play Board has at least one Sub Board");
        if (static_cast<std::uint64_t>(bodNos) > index_.size() - std::min(subBoards, index_.size()))
            throw OrcDamaged("the field " + Field(set, "BodNos") + " claims " + N(bodNos) +
                             " Sub Boards but the file holds only " + N(static_cast<std::int64_t>(index_.size())) +
                             " entries");
        subBoards += static_cast<std::size_t>(bodNos);
        pb.Bds.reserve(static_cast<std::size_t>(bodNos)); // bounded by the entries, checked above
        for (std::int32_t j = 1; j <= bodNos; ++j) {
            SubBoard sb;
            const std::string bd = set + "Bd" + N(j);
            sb.BodNam = ReadText(bd, "BodNam", "No Name");
            sb.InpDev = ReadText(bd, "InpDev", "No Name");
            BindSubBoardToDevice(st_, sb);
            if (sb.InpDevNo == 0) { // the device is not here: the board stays, without keys
                pb.Bds.push_back(std::move(sb));
                continue;
            }

            const std::int32_t keyNos = std::max(ReadNumber(bd, "KeyNos", "0"), 0);
            const std::int32_t devKeys = std::max(st_.Device(sb.InpDevNo)->KeyCount, 0);
            keysMade += devKeys;
            if (keysMade > kMaxKeys)
                throw OrcDamaged("its Sub Boards up to " + Field(bd, "InpDev") + " hold more than " + N(kMaxKeys) +
                                 " keys");
            sh.Status("Reading " + KeyPosition(i, j, "*"));
            const std::string text1 = ReadText(bd, "Key1", ""), text2 = ReadText(bd, "Key2", ""),
                              text3 = ReadText(bd, "Key3", "");
            Items list1(text1, ';'), list2(text2, '?'), list3(text3, ';');
            // The device decides how many keys the board has: keys it gained
            // since the file was saved are all zero, and stored keys beyond
            // its count are dropped unread (their waves are never loaded).
            const std::int32_t made = std::min(keyNos, devKeys);
            sb.Keys.assign(static_cast<std::size_t>(made), NewKeyAssign());

            for (std::int32_t k = 1; k <= made; ++k) {
                sh.Status("Reading " + KeyPosition(i, j, N(k)));
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

                if (key.SaveInFile == 1) {
                    key.WaveDur = 0;
                    if (!item2.empty()) {
                        // The path is last and may itself hold "|".
                        std::vector<std::string> f = SplitLimited(std::string(item2), '|', 7);
                        f.resize(7);
                        auto where2 = [&] { return Field(bd, "Key2") + ", item " + N(k); };
                        WaveData w;
                        w.ByteCount = Number(f[1], where2);
                        w.BitsPerSample = Number(f[2], where2);
                        w.Channels = Number(f[3], where2);
                        w.SampleRate = Number(f[4], where2);
                        w.Frames = Number(f[5], where2);
                        key.WavFile = f[6];
                        // A format no wave file may have is refused here too,
                        // before its samples are read.
                        const std::string problem = w.ByteCount > 0
                                                        ? WaveFormatProblem(w.BitsPerSample, w.Channels, w.SampleRate)
                                                        : std::string();
                        if (!problem.empty()) {
                            unusable.push_back("Stored wave " + f[0] + " (" + KeyPosition(i, j, N(k)) +
                                               (key.WavFile.empty() ? "" : ", " + key.WavFile) + "): " + problem);
                        } else if (w.ByteCount > 0 && ReadBytes("WavBuf", f[0], w.Data, w.ByteCount) &&
                                   CreateWaveBuffer(w, key.SndBuf)) {
                            key.WavBytes = w.ByteCount;
                            CalcWaveDur(key);
                        }
                    }
                } else {
                    const std::string path(item2);
                    if (!FileExists(path)) {
                        if (!path.empty()) missing.push_back(path);
                    } else {
                        LoadWaveForKey(path, key, sh, &unusable);
                    }
                    key.WavFile = path;
                }
                key.MultiTimLst = std::string(item3);
            }
            sb.Keys.resize(static_cast<std::size_t>(devKeys));
            pb.Bds.push_back(std::move(sb));
        }
        o.PlayBoards.push_back(std::move(pb));
    }

    const std::int32_t recNos = ReadNumber("Rec0", "RecNos", "0");
    if (recNos <= 0) {
        Recording first;
        first.Name = "First Recording";
        o.Recordings.push_back(std::move(first));
        o.CurRec = 1;
    } else {
        if (static_cast<std::uint64_t>(recNos) > index_.size())
            throw OrcDamaged("the field " + Field("Rec0", "RecNos") + " claims " + N(recNos) +
                             " recordings but the file holds only " + N(static_cast<std::int64_t>(index_.size())) +
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
                    throw OrcDamaged("its recordings up to " + Field(sec, "Rec") + " hold more than " +
                                     N(kMaxKeyStrokes) + " key strokes");
                r.events.reserve(static_cast<std::size_t>(n));
                Items items(list, ';');
                std::string_view item;
                for (std::int64_t e = 1; e <= n && items.Next(item); ++e) {
                    auto where = [&] { return Field(sec, "Rec") + ", item " + N(e); };
                    Items f(item, ',');
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
    // An out-of-range Play Board would point the views at nothing.
    o.CurSet = std::clamp(o.CurSet, 1, o.SetNos());

    if (!missing.empty()) {
        std::string text = "File/s not found to load sound:\n";
        for (const std::string& m : missing) text += "\n" + m;
        sh.Message(text, "", MsgButtons::Ok);
    }
    // Every sound that could not be used, in one box rather than one each.
    if (!unusable.empty()) {
        std::string text = "File/s could not be loaded as sound:\n";
        for (const std::string& u : unusable) text += "\n" + u;
        sh.Message(text, "", MsgButtons::Ok);
    }
    sh.Status("Closing file");
    CloseRead();
    sh.Status("Open File Done");
    return o;
}

bool OpenSaveClass::LoadOrchestra(const std::string& path) {
    Shell& sh = st_.shell;
    sh.Busy(true);
    sh.Status("Scanning file to open");
    bool loaded = false;
    std::string failure;
    try {
        if (OpenAndIndex(path)) {
            const OrcIndex::Entry* version = index_.Find("General++File Version");
            const std::string text = version ? TextOf(*version, "General", "File Version") : std::string();
            const double v = ParseLenient(text);
            if (v == 1) {
                st_.Orc = ReadOrchestra();
                loaded = true;
            } else if (v > 1) {
                sh.Message("This file was made by a newer version software.\r\n"
                           "Please download the newer version software to use this file",
                           "", MsgButtons::Ok);
                sh.Status(" ");
            } else {
                // Another kind of file: said, not silently ignored.
                failure = "The file " + path + " is not a Tambrel Orchestra file: " +
                          (version ? "its " + Field("General", "File Version") + " is " + Quoted(text)
                                   : "it has no " + Field("General", "File Version"));
            }
        }
    } catch (const OpenRefused& e) {
        failure = e.what();
    } catch (const OrcDamaged& e) {
        failure = "The file " + path + " is damaged: " + e.what();
    } catch (const std::bad_alloc&) {
        failure = "Not enough memory to open " + path;
    } catch (const std::exception& e) {
        failure = "Could not read " + path + ": " + e.what();
    }
    CloseRead();
    if (!failure.empty()) {
        // One box naming the file and the reason; the Orchestra open before
        // stays as it was, and the status no longer speaks of the attempt.
        sh.Status("Open File Failed");
        sh.Message(failure, "Open File Error", MsgButtons::Ok);
        sh.Status(" ");
    }
    sh.Busy(false);
    return loaded;
}

} // namespace tambrel
