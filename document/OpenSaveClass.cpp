#include "document/OpenSaveClass.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

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

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    if (s.empty()) return parts; // an empty list has no items
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = s.find(sep, start);
        parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

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

// Fields of a key item after "src:", in the order they are stored.
void AssignFields(KeyAssign& k, const std::vector<std::string>& f) {
    std::vector<std::int32_t*> order;
    switch (k.SndSrc) {
    case kSrcNone: order = {&k.Mute}; break;
    case kSrcWave:
        order = {&k.Mute, &k.LoopTimes, &k.LoopOption, &k.AllowDup, &k.PlayStyl, &k.QueDupLoop, &k.QueNo,
                 &k.SaveInFile};
        break;
    case kSrcMidi: order = {&k.Mute, &k.DrumBank, &k.Dur, &k.Instru, &k.DrumOn, &k.MidiKeyNo, &k.Velos}; break;
    case kSrcAction: order = {&k.ActCmd, &k.ActSub1}; break;
    default: break;
    }
    // A short item leaves the fields it lacks at their defaults.
    for (std::size_t i = 0; i < order.size() && i < f.size(); ++i) *order[i] = ParseInt(f[i]);
}

std::string Key1Item(const KeyAssign& k) {
    switch (k.SndSrc) {
    case kSrcNone: return "0:" + N(k.Mute);
    case kSrcWave:
        return "1:" + N(k.Mute) + "," + N(k.LoopTimes) + "," + N(k.LoopOption) + "," + N(k.AllowDup) + "," +
               N(k.PlayStyl) + "," + N(k.QueDupLoop) + "," + N(k.QueNo) + "," + N(k.SaveInFile);
    case kSrcMidi:
        return "5:" + N(k.Mute) + "," + N(k.DrumBank) + "," + N(k.Dur) + "," + N(k.Instru) + "," + N(k.DrumOn) +
               "," + N(k.MidiKeyNo) + "," + N(k.Velos);
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
                            item2 = N(stored) + "|" + N(w.ByteCount) + "|" + N(w.BitsPerSample) + "|" +
                                    N(w.Channels) + "|" + N(w.SampleRate) + "|" + N(w.Frames) + "|" + key.WavFile;
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
    std::string error;
    readFd_ = OpenFileForReading(path, error);
    if (readFd_ < 0) throw std::runtime_error(error);
    struct stat info{};
    if (::fstat(readFd_, &info) != 0) throw std::runtime_error("Could not read " + path + ": " + std::strerror(errno));
    index_.Build(readFd_, static_cast<std::uint64_t>(info.st_size));
    return true;
}

std::string OpenSaveClass::ReadText(const std::string& section, const std::string& key, const std::string& fallback) {
    const OrcIndex::Entry* e = index_.Find(section + "++" + key);
    return e ? index_.Text(*e) : fallback;
}

bool OpenSaveClass::ReadBytes(const std::string& section, const std::string& key, std::vector<std::uint8_t>& out,
                              std::int64_t expectedLength) {
    const OrcIndex::Entry* e = index_.Find(section + "++" + key);
    if (!e || static_cast<std::int64_t>(e->length) != expectedLength) return false;
    index_.Bytes(*e, out);
    return true;
}

Orchestra OpenSaveClass::ReadOrchestra(bool& ok) {
    Shell& sh = st_.shell;
    ok = false;
    Orchestra o;
    sh.Status("Getting the Header");
    o.OpenMsg = ReadText("General", "OpenMsg", " ");

    const std::int32_t setNos = ParseInt(ReadText("Set", "SetNos", "0"));
    if (setNos < 1) {
        sh.Status("Open File Failed");
        return o;
    }
    o.CurSet = ParseInt(ReadText("Set", "CurSet", "1"));
    std::vector<std::string> missing;

    // Play Boards are added as they are read: each one needs its own entries,
    // so a damaged count cannot make the loader allocate what the file lacks.
    // Sub Boards of absent devices need none, so their number is bounded by
    // the entries there are (a saved board writes three).
    std::size_t subBoards = 0;
    for (std::int32_t i = 1; i <= setNos; ++i) {
        PlayBoard pb;
        const std::string set = "Set" + N(i);
        pb.SetNam = ReadText(set, "SetNam", "No Name");
        const std::int32_t bodNos = ParseInt(ReadText(set, "BodNos", "0"));
        if (bodNos < 1) {
            sh.Status("Open File Failed");
            return o;
        }
        if (static_cast<std::uint64_t>(bodNos) > index_.size() - std::min(subBoards, index_.size()))
            throw std::runtime_error("The file is damaged: Play Board " + N(i) + " claims " + N(bodNos) +
                                     " Sub Boards but the file holds only " +
                                     N(static_cast<std::int64_t>(index_.size())) + " entries");
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

            const std::int32_t keyNos = std::max(ParseInt(ReadText(bd, "KeyNos", "0")), 0);
            sh.Status("Reading " + KeyPosition(i, j, "*"));
            const std::vector<std::string> list1 = Split(ReadText(bd, "Key1", ""), ';');
            const std::vector<std::string> list2 = Split(ReadText(bd, "Key2", ""), '?');
            const std::vector<std::string> list3 = Split(ReadText(bd, "Key3", ""), ';');
            const std::int32_t devKeys = std::max(st_.Device(sb.InpDevNo)->KeyCount, 0);
            // Keys past both the stored items and the device's count would be
            // defaults that are dropped again below; they are never made.
            const std::int32_t made =
                std::min<std::int64_t>(keyNos, std::max<std::int64_t>(devKeys, static_cast<std::int64_t>(list1.size())));
            sb.Keys.assign(static_cast<std::size_t>(made), NewKeyAssign());

            for (std::int32_t k = 1; k <= made; ++k) {
                sh.Status("Reading " + KeyPosition(i, j, N(k)));
                if (static_cast<std::size_t>(k) > list1.size()) break;
                KeyAssign& key = sb.Key(k);
                const std::string& item = list1[static_cast<std::size_t>(k - 1)];
                const std::size_t colon = item.find(':');
                key.SndSrc = ParseInt(item.substr(0, colon));
                AssignFields(key, Split(colon == std::string::npos ? std::string() : item.substr(colon + 1), ','));
                if (key.SndSrc != kSrcWave) continue;

                const std::string item2 = static_cast<std::size_t>(k) <= list2.size() ? list2[k - 1] : std::string();
                if (key.SaveInFile == 1) {
                    key.WaveDur = 0;
                    if (!item2.empty()) {
                        // The path is last and may itself hold "|".
                        std::vector<std::string> f = SplitLimited(item2, '|', 7);
                        f.resize(7);
                        WaveData w;
                        w.ByteCount = ParseInt(f[1]);
                        w.BitsPerSample = ParseInt(f[2]);
                        w.Channels = ParseInt(f[3]);
                        w.SampleRate = ParseInt(f[4]);
                        w.Frames = ParseInt(f[5]);
                        key.WavFile = f[6];
                        if (w.ByteCount > 0 && ReadBytes("WavBuf", f[0], w.Data, w.ByteCount) &&
                            CreateWaveBuffer(w, key.SndBuf)) {
                            key.WavBytes = w.ByteCount;
                            CalcWaveDur(key);
                        }
                    }
                } else {
                    if (!FileExists(item2)) {
                        if (!item2.empty()) missing.push_back(item2);
                    } else {
                        LoadWaveForKey(item2, key, sh);
                    }
                    key.WavFile = item2;
                }
                if (static_cast<std::size_t>(k) <= list3.size()) key.MultiTimLst = list3[static_cast<std::size_t>(k - 1)];
            }
            // The device decides how many keys the board has now; keys it
            // gained since the file was saved are all zero.
            sb.Keys.resize(static_cast<std::size_t>(devKeys));
            pb.Bds.push_back(std::move(sb));
        }
        o.PlayBoards.push_back(std::move(pb));
    }

    const std::int32_t recNos = ParseInt(ReadText("Rec0", "RecNos", "0"));
    if (recNos <= 0) {
        Recording first;
        first.Name = "First Recording";
        o.Recordings.push_back(std::move(first));
        o.CurRec = 1;
    } else {
        if (static_cast<std::uint64_t>(recNos) > index_.size())
            throw std::runtime_error("The file is damaged: it claims " + N(recNos) + " recordings but holds only " +
                                     N(static_cast<std::int64_t>(index_.size())) + " entries");
        o.CurRec = ParseInt(ReadText("Rec0", "CurRec", "1"));
        o.Recordings.reserve(static_cast<std::size_t>(recNos)); // bounded by the entries, checked above
        for (std::int32_t i = 1; i <= recNos; ++i) {
            Recording r;
            const std::string sec = "Rec" + N(i);
            const std::int32_t count = ParseInt(ReadText(sec, "Nos", "0"));
            r.Name = ReadText(sec, "Name", "0");
            const std::string list = ReadText(sec, "Rec", "0,0,0");
            const std::vector<std::string> items = count > 0 ? Split(list, ';') : std::vector<std::string>{};
            // Events the list does not hold are not made up.
            const std::size_t n = std::min<std::size_t>(count > 0 ? static_cast<std::size_t>(count) : 0, items.size());
            for (std::size_t e = 0; e < n; ++e) {
                const std::vector<std::string> f = Split(items[e], ',');
                KeyStroke ks;
                if (f.size() > 0) ks.InpDvNo = ParseInt(f[0]);
                if (f.size() > 1) ks.KeyNo = ParseInt(f[1]);
                if (f.size() > 2) ks.time = static_cast<float>(ParseLenient(f[2]));
                r.events.push_back(ks);
            }
            o.Recordings.push_back(std::move(r));
        }
    }
    // Out-of-range cursors would point the views at nothing.
    o.CurSet = std::clamp(o.CurSet, 1, o.SetNos());
    o.CurRec = std::clamp(o.CurRec, 1, o.RecNos());

    if (!missing.empty()) {
        std::string text = "File/s not found to load sound:\n";
        for (const std::string& m : missing) text += "\n" + m;
        sh.Message(text, "", MsgButtons::Ok);
    }
    sh.Status("Closing file");
    CloseRead();
    sh.Status("Open File Done");
    ok = true;
    return o;
}

bool OpenSaveClass::LoadOrchestra(const std::string& path) {
    Shell& sh = st_.shell;
    sh.Busy(true);
    sh.Status("Scanning file to open");
    bool loaded = false;
    try {
        if (OpenAndIndex(path)) {
            const double v = ParseLenient(ReadText("General", "File Version", "0"));
            if (v == 1) {
                bool ok = false;
                Orchestra o = ReadOrchestra(ok);
                if (ok) {
                    st_.Orc = std::move(o);
                    loaded = true;
                }
            } else if (v > 1) {
                sh.Message("This file was made by a newer version software.\r\n"
                           "Please download the newer version software to use this file",
                           "", MsgButtons::Ok);
            }
        }
    } catch (const std::exception& e) {
        sh.Message(e.what(), "Open File Error", MsgButtons::Ok);
    }
    CloseRead();
    sh.Busy(false);
    return loaded;
}

} // namespace tambrel
