#include "document/OpenSaveClass.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
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

// How old a leftover save copy must be before opening its file removes it.
constexpr long kLeftoverAgeSeconds = 600;

// A refusal whose text is complete: it names the file itself.
class OpenRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace

std::unique_ptr<ByteSource> OpenSaveClass::OpenToRead(const std::string& path) {
    // A folder, a pipe or a device is named for what it is, not reported
    // missing, and is never opened: a FIFO would block the program.
    if (const PathKind kind = KindOfPath(path); kind != PathKind::File) {
        st_.shell.Message(kind == PathKind::Missing ? "File Not Found" : NotAFileText(path, kind), "Open File",
                          MsgButtons::Ok);
        return nullptr;
    }
    // What killed saves of this file left beside it goes now, rather than
    // only when the file is saved again.
    RemoveSaveLeftovers(path, kLeftoverAgeSeconds);
    std::string error;
    const int fd = OpenFileForReading(path, error);
    if (fd < 0) throw OpenRefused(error == "File Not Found" ? "The file " + path + " was not found" : error);
    auto file = std::make_unique<FileBytes>(fd);
    if (file->Size() == 0) throw OpenRefused("The file " + path + " is empty");
    return file;
}

Orchestra OpenSaveClass::BindOrchestra(OrcParse&& read) {
    Shell& sh = st_.shell;
    Orchestra o = std::move(read.orc);
    sh.Status("Getting the Header");
    std::vector<std::string> missing, unusable;
    auto wave = read.waves.begin();
    auto reached = read.keysReached.begin();
    for (std::int32_t i = 1; i <= o.SetNos(); ++i) {
        for (std::int32_t j = 1; j <= o.Set(i).BodNos(); ++j) {
            SubBoard& sb = o.Set(i).Bd(j);
            const std::int32_t keys = *reached++;
            BindSubBoardToDevice(st_, sb);
            if (sb.InpDevNo == 0) continue; // the device is not here: the board stays, without keys
            sh.Status("Reading " + KeyPosition(i, j, "*"));
            for (std::int32_t k = 1; k <= keys; ++k) {
                sh.Status("Reading " + KeyPosition(i, j, N(k)));
                for (; wave != read.waves.end() && wave->set == i && wave->bd == j && wave->key == k; ++wave)
                    BindWave(read, *wave, sb.Key(k), missing, unusable);
            }
            // Keys the device gained since the file was saved are all zero.
            sb.Keys.resize(static_cast<std::size_t>(std::max(st_.Device(sb.InpDevNo)->KeyCount, 0)));
        }
    }

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
    return o;
}

void OpenSaveClass::BindWave(const OrcParse& read, WaveRef& wave, KeyAssign& key, std::vector<std::string>& missing,
                             std::vector<std::string>& unusable) {
    switch (wave.kind) {
    case WaveRef::Kind::File:
        if (!FileExists(wave.path)) missing.push_back(wave.path);
        else LoadWaveForKey(wave.path, key, st_.shell, &unusable);
        key.WavFile = wave.path;
        break;
    case WaveRef::Kind::Stored:
        ReadSamples(read, wave);
        if (CreateWaveBuffer(wave.wave, key.SndBuf)) {
            key.WavBytes = wave.wave.ByteCount;
            CalcWaveDur(key);
        }
        break;
    case WaveRef::Kind::Unusable:
        unusable.push_back("Stored wave " + wave.entry + " (" + KeyPosition(wave.set, wave.bd, N(wave.key)) +
                           (wave.path.empty() ? "" : ", " + wave.path) + "): " + wave.problem);
        break;
    }
}

bool OpenSaveClass::LoadOrchestra(const std::string& path) {
    Shell& sh = st_.shell;
    sh.Busy(true);
    sh.Status("Scanning file to open");
    bool loaded = false;
    std::string failure;
    try {
        if (const std::unique_ptr<ByteSource> file = OpenToRead(path)) {
            // The parser learns how many keys each Sub Board will have here,
            // so that it reads no more of a board than its device can hold.
            const DeviceKeyCount keysOf = [this](const std::string& storedName) -> std::optional<std::int32_t> {
                SubBoard probe;
                probe.InpDev = storedName;
                BindSubBoardToDevice(st_, probe);
                if (probe.InpDevNo == 0) return std::nullopt;
                return st_.Device(probe.InpDevNo)->KeyCount;
            };
            OrcParse read = ParseOrchestra(*file, keysOf);
            switch (read.outcome) {
            case OrcParse::Outcome::Read:
                st_.Orc = BindOrchestra(std::move(read));
                sh.Status("Open File Done");
                loaded = true;
                break;
            case OrcParse::Outcome::Newer:
                sh.Message("This file was made by a newer version software.\r\n"
                           "Please download the newer version software to use this file",
                           "", MsgButtons::Ok);
                sh.Status(" ");
                break;
            case OrcParse::Outcome::NotAnOrchestra:
                // Another kind of file: said, not silently ignored.
                failure = "The file " + path + " is not a Tambrel Orchestra file: " + read.problem;
                break;
            case OrcParse::Outcome::Damaged: failure = "The file " + path + " is damaged: " + read.problem; break;
            }
        }
    } catch (const OpenRefused& e) {
        failure = e.what();
    } catch (const std::bad_alloc&) {
        failure = "Not enough memory to open " + path;
    } catch (const std::exception& e) {
        failure = "Could not read " + path + ": " + e.what();
    }
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
