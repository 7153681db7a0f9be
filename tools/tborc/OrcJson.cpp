#include "tools/tborc/OrcJson.h"

#include <algorithm>
#include <stdexcept>

#include "common/CodePage.h"
#include "common/Folders.h"
#include "common/NumberText.h"
#include "document/NewOrchestra.h"
#include "document/WaveBuffers.h"

namespace tambrel {
namespace {

using nlohmann::json;
using nlohmann::ordered_json;

// Every KeyAssign field but the buffer, in declaration order.
// clang-format off
#define TAMBREL_KEY_INT_FIELDS(X)                                                                                      \
    X(SndSrc) X(Mute) X(SaveInFile) X(PlayStyl) X(AllowDup) X(QueDupLoop) X(LoopOption) X(LoopTimes) X(QueNo)         \
        X(WavBytes) X(Instru) X(MidiKeyNo) X(Velos) X(Dur) X(DrumOn) X(DrumBank) X(ActCmd) X(ActSub1)
// clang-format on

ordered_json KeyToJson(const KeyAssign& k) {
    // clang-format off
    return ordered_json{
        {"SndSrc", k.SndSrc},         {"Mute", k.Mute},
        {"WavFile", Cp1252ToUtf8(k.WavFile)}, {"SaveInFile", k.SaveInFile},
        {"PlayStyl", k.PlayStyl},     {"AllowDup", k.AllowDup},
        {"QueDupLoop", k.QueDupLoop}, {"MultiTimLst", Cp1252ToUtf8(k.MultiTimLst)},
        {"LoopOption", k.LoopOption}, {"LoopTimes", k.LoopTimes},
        {"Looping", k.Looping},       {"QueNo", k.QueNo},
        {"WavBytes", k.WavBytes},     {"WaveDur", k.WaveDur},
        {"Instru", k.Instru},         {"MidiKeyNo", k.MidiKeyNo},
        {"Velos", k.Velos},           {"Dur", k.Dur},
        {"DrumOn", k.DrumOn},         {"DrumBank", k.DrumBank},
        {"ActCmd", k.ActCmd},         {"ActSub1", k.ActSub1},
    };
    // clang-format on
}

std::string Where(const std::string& path, const char* field) { return path + "." + field; }

const json* Member(const json& obj, const char* name) {
    const auto it = obj.find(name);
    return it == obj.end() || it->is_null() ? nullptr : &*it;
}

std::int32_t Int(const json& obj, const char* name, std::int32_t fallback, const std::string& path) {
    const json* v = Member(obj, name);
    if (!v) return fallback;
    if (!v->is_number()) throw std::runtime_error(Where(path, name) + " must be a number");
    return RoundHalfEven(v->get<double>());
}

std::string Text(const json& obj, const char* name, const std::string& fallback, const std::string& path) {
    const json* v = Member(obj, name);
    if (!v) return fallback;
    if (!v->is_string()) throw std::runtime_error(Where(path, name) + " must be a string");
    return Utf8ToCp1252(v->get<std::string>());
}

const json* Array(const json& obj, const char* name, const std::string& path) {
    const json* v = Member(obj, name);
    if (v && !v->is_array()) throw std::runtime_error(Where(path, name) + " must be an array");
    return v;
}

void RequireObject(const json& v, const std::string& path) {
    if (!v.is_object()) throw std::runtime_error(path + " must be an object");
}

KeyAssign KeyFromJson(const json& j, ProgramState& st, const std::string& base, const std::string& path) {
    RequireObject(j, path);
    KeyAssign k = NewKeyAssign();
#define TAMBREL_READ_INT(f) k.f = Int(j, #f, k.f, path);
    TAMBREL_KEY_INT_FIELDS(TAMBREL_READ_INT)
#undef TAMBREL_READ_INT
    k.MultiTimLst = Text(j, "MultiTimLst", k.MultiTimLst, path);
    const std::string wav = Text(j, "WavFile", "", path);
    k.WavFile = wav;
    k.WavBytes = 0; // set only by a wave that really loads
    if (k.SndSrc == kSrcWave && !wav.empty()) {
        const std::string file = wav.front() == '/' ? wav : base + wav;
        LoadWaveForKey(file, k, st.shell);
        if (!k.SndBuf) {
            k.WavFile = wav;
            if (FlagOn(k.SaveInFile)) throw std::runtime_error(path + ": cannot load the wave " + Cp1252ToUtf8(file));
        }
    }
    return k;
}

constexpr std::int32_t kMaxKeys = 100000;

// "Keys" is either a list (key 1 first) or an object whose names are key
// numbers, for boards where only a few keys are assigned.
std::vector<const json*> KeyList(const json& board, const std::string& path) {
    std::vector<const json*> keys;
    const json* v = Member(board, "Keys");
    if (!v) return keys;
    if (v->is_array()) {
        for (const json& k : *v) keys.push_back(&k);
        return keys;
    }
    if (!v->is_object()) throw std::runtime_error(path + ".Keys must be an array or an object");
    for (const auto& [name, k] : v->items()) {
        const bool digits =
            !name.empty() && name.size() <= 6 && name.find_first_not_of("0123456789") == std::string::npos;
        const int n = digits ? std::stoi(name) : 0;
        if (n < 1 || n > kMaxKeys) throw std::runtime_error(path + ".Keys has \"" + name + "\", not a key number");
        if (keys.size() < static_cast<std::size_t>(n)) keys.resize(static_cast<std::size_t>(n), nullptr);
        keys[static_cast<std::size_t>(n - 1)] = &k;
    }
    return keys;
}

} // namespace

ordered_json OrchestraToJson(const Orchestra& o) {
    ordered_json boards = ordered_json::array();
    for (const PlayBoard& pb : o.PlayBoards) {
        ordered_json bds = ordered_json::array();
        for (const SubBoard& sb : pb.Bds) {
            ordered_json keys = ordered_json::array();
            for (const KeyAssign& k : sb.Keys) keys.push_back(KeyToJson(k));
            bds.push_back(ordered_json{{"BodNam", Cp1252ToUtf8(sb.BodNam)},
                                       {"InpDev", Cp1252ToUtf8(sb.InpDev)},
                                       {"InpDevNo", sb.InpDevNo},
                                       {"KeyNos", sb.KeyNos()},
                                       {"Keys", std::move(keys)}});
        }
        boards.push_back(
            ordered_json{{"SetNam", Cp1252ToUtf8(pb.SetNam)}, {"BodNos", pb.BodNos()}, {"Bds", std::move(bds)}});
    }
    ordered_json recs = ordered_json::array();
    for (const Recording& r : o.Recordings) {
        ordered_json events = ordered_json::array();
        for (const KeyStroke& e : r.events)
            events.push_back(ordered_json{{"KeyNo", e.KeyNo}, {"InpDvNo", e.InpDvNo}, {"time", e.time}});
        recs.push_back(
            ordered_json{{"Name", Cp1252ToUtf8(r.Name)}, {"count", r.count()}, {"events", std::move(events)}});
    }
    return ordered_json{{"SetNos", o.SetNos()},
                        {"CurSet", o.CurSet},
                        {"RecNos", o.RecNos()},
                        {"CurRec", o.CurRec},
                        {"OrcFile", Cp1252ToUtf8(o.OrcFile)},
                        {"OpenMsg", Cp1252ToUtf8(o.OpenMsg)},
                        {"PlayBoards", std::move(boards)},
                        {"Recordings", std::move(recs)}};
}

void OrchestraFromJson(const json& j, ProgramState& st, const std::string& baseFolder) {
    RequireObject(j, "$");
    const Orchestra defaults = NewOrchestra(st);
    Orchestra o;
    o.OpenMsg = Text(j, "OpenMsg", defaults.OpenMsg, "$");
    o.OrcFile = Text(j, "OrcFile", "", "$");

    if (const json* boards = Array(j, "PlayBoards", "$")) {
        for (std::size_t i = 0; i < boards->size(); ++i) {
            const std::string path = "$.PlayBoards[" + std::to_string(i) + "]";
            const json& jb = (*boards)[i];
            RequireObject(jb, path);
            PlayBoard pb;
            pb.SetNam =
                Text(jb, "SetNam", i < defaults.PlayBoards.size() ? defaults.PlayBoards[i].SetNam : "No Name", path);
            if (const json* bds = Array(jb, "Bds", path)) {
                for (std::size_t b = 0; b < bds->size(); ++b) {
                    const std::string bpath = path + ".Bds[" + std::to_string(b) + "]";
                    const json& js = (*bds)[b];
                    RequireObject(js, bpath);
                    const auto d = static_cast<std::int32_t>(b + 1);
                    SubBoard sb;
                    sb.InpDev = Text(js, "InpDev", st.Device(d) ? st.Device(d)->Name : "No Name", bpath);
                    sb.BodNam = Text(js, "BodNam", sb.InpDev + "-" + IntText(d), bpath);
                    for (std::int32_t n = 1; n <= st.DeviceCount() && !sb.InpDevNo; ++n)
                        if (st.Device(n)->Name == sb.InpDev) sb.InpDevNo = n;
                    const std::vector<const json*> keys = KeyList(js, bpath);
                    const std::int32_t devKeys = sb.InpDevNo ? st.Device(sb.InpDevNo)->KeyCount : 0;
                    const auto given = static_cast<std::int32_t>(keys.size());
                    const std::int32_t keyNos = Int(js, "KeyNos", std::max(devKeys, given), bpath);
                    if (keyNos < 0 || keyNos > kMaxKeys) throw std::runtime_error(bpath + ".KeyNos is out of range");
                    for (std::int32_t k = 0; k < keyNos; ++k) {
                        const json* jk = k < given ? keys[static_cast<std::size_t>(k)] : nullptr;
                        sb.Keys.push_back(
                            jk ? KeyFromJson(*jk, st, baseFolder, bpath + ".Keys[" + std::to_string(k + 1) + "]")
                               : NewKeyAssign());
                    }
                    pb.Bds.push_back(std::move(sb));
                }
            } else {
                pb.Bds = defaults.PlayBoards.back().Bds;
            }
            if (pb.Bds.empty()) throw std::runtime_error(path + " has no Sub Boards");
            o.PlayBoards.push_back(std::move(pb));
        }
        if (o.PlayBoards.empty()) throw std::runtime_error("$.PlayBoards is empty");
    } else {
        o.PlayBoards = defaults.PlayBoards;
    }
    o.CurSet = Int(j, "CurSet", o.SetNos(), "$");
    if (!o.ValidSet(o.CurSet)) throw std::runtime_error("$.CurSet is not a Play Board");

    if (const json* recs = Array(j, "Recordings", "$")) {
        for (std::size_t i = 0; i < recs->size(); ++i) {
            const std::string path = "$.Recordings[" + std::to_string(i) + "]";
            const json& jr = (*recs)[i];
            RequireObject(jr, path);
            Recording r;
            r.Name = Text(jr, "Name", "Recording " + std::to_string(i + 1), path);
            if (const json* events = Array(jr, "events", path)) {
                for (std::size_t e = 0; e < events->size(); ++e) {
                    const std::string epath = path + ".events[" + std::to_string(e) + "]";
                    const json& je = (*events)[e];
                    RequireObject(je, epath);
                    KeyStroke ks;
                    ks.KeyNo = Int(je, "KeyNo", 0, epath);
                    ks.InpDvNo = Int(je, "InpDvNo", 0, epath);
                    const json* t = Member(je, "time");
                    if (t && !t->is_number()) throw std::runtime_error(epath + ".time must be a number");
                    ks.time = t ? t->get<float>() : 0.0f;
                    r.events.push_back(ks);
                }
            }
            o.Recordings.push_back(std::move(r));
        }
    }
    if (o.Recordings.empty()) o.Recordings = defaults.Recordings;
    o.CurRec = Int(j, "CurRec", 1, "$");
    if (o.CurRec < 1 || o.CurRec > o.RecNos()) throw std::runtime_error("$.CurRec is not a recording");
    st.Orc = std::move(o);
}

} // namespace tambrel
