// Writes the starting corpora of the fuzz targets:
//   make_seeds ORC_FOLDER WAVE_FOLDER
// Orchestra seeds are small Orchestras saved by the program's own saver, so
// they carry every kind of entry a real file has; wave seeds are canonical
// PCM files in the formats the parser accepts, and a few near misses.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/Shell.h"
#include "document/NewOrchestra.h"
#include "document/OpenSaveClass.h"

namespace {

using namespace tambrel;
namespace fs = std::filesystem;

struct State {
    SilentShell shell;
    ProgramState st{shell};

    State(const fs::path& temp, std::vector<std::pair<std::string, int>> devices) {
        for (auto& [name, keys] : devices) {
            InputDevice d;
            d.Name = name;
            d.Ready = true;
            d.KeyCount = keys;
            st.InputDevices.push_back(d);
        }
        st.TempPath = temp.string() + "/";
        st.Orc = NewOrchestra(st);
    }
};

SoundBufferRef Buffer(WaveFormat f, std::size_t bytes, std::uint8_t first) {
    std::vector<std::uint8_t> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i) data[i] = static_cast<std::uint8_t>(first + i * 37);
    return std::make_shared<SoundBuffer>(f, std::move(data));
}

void StoredWave(KeyAssign& k, WaveFormat f, std::size_t bytes, std::string name) {
    k.SndSrc = kSrcWave;
    k.SaveInFile = 1;
    k.SndBuf = Buffer(f, bytes, static_cast<std::uint8_t>(bytes));
    k.WavBytes = static_cast<std::int32_t>(bytes);
    k.WavFile = std::move(name);
}

bool Save(State& s, const fs::path& file) {
    fs::remove(file);
    if (OpenSaveClass(s.st).SaveOrchestra(file.string())) return true;
    std::cerr << "make_seeds: could not save " << file << "\n";
    return false;
}

// ------------------------------------------------------------ waves

void PutLE(std::string& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
}

std::string Wave(int channels, std::uint32_t rate, int bits, std::uint32_t dataBytes, std::uint32_t claimed,
                 const std::string& extraChunk = "") {
    std::string fmt;
    PutLE(fmt, 1, 2); // PCM
    PutLE(fmt, static_cast<std::uint32_t>(channels), 2);
    PutLE(fmt, rate, 4);
    PutLE(fmt, rate * static_cast<std::uint32_t>(channels * bits / 8), 4);
    PutLE(fmt, static_cast<std::uint32_t>(channels * bits / 8), 2);
    PutLE(fmt, static_cast<std::uint32_t>(bits), 2);
    std::string body = "WAVEfmt ";
    PutLE(body, static_cast<std::uint32_t>(fmt.size()), 4);
    body += fmt + extraChunk + "data";
    PutLE(body, claimed, 4);
    for (std::uint32_t i = 0; i < dataBytes; ++i) body += static_cast<char>(i * 29 + 3);
    std::string out = "RIFF";
    PutLE(out, static_cast<std::uint32_t>(body.size()), 4);
    return out + body;
}

void WriteFile(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_seeds ORC_FOLDER WAVE_FOLDER\n";
        return 2;
    }
    const fs::path orc = argv[1], wave = argv[2];
    fs::create_directories(orc);
    fs::create_directories(wave);
    const fs::path temp = orc / ".tmp";
    fs::create_directories(temp);
    bool ok = true;

    { // A new Orchestra as the program starts with it.
        State s(temp, {{"Keyboard", 128}, {"Mouse", 8}});
        ok &= Save(s, orc / "new.TbOrc");
    }
    { // One small board with every kind of key, stored and referenced waves, recordings.
        State s(temp, {{"Mouse", 8}});
        Orchestra& o = s.st.Orc;
        o.PlayBoards.resize(1);
        o.CurSet = 1;
        o.OpenMsg = "Welcome";
        SubBoard& sb = o.Set(1).Bd(1);
        KeyAssign& midi = sb.Key(1);
        midi.SndSrc = kSrcMidi, midi.Instru = 19, midi.MidiKeyNo = 60, midi.Velos = 100, midi.Dur = 750;
        KeyAssign& drum = sb.Key(2);
        drum.SndSrc = kSrcMidi, drum.DrumOn = 1, drum.DrumBank = 8, drum.MidiKeyNo = 38;
        StoredWave(sb.Key(3), {16, 2, 44100}, 16, "/music/a.wav");
        sb.Key(3).PlayStyl = kPlayQueue, sb.Key(3).QueNo = 2;
        StoredWave(sb.Key(4), {8, 1, 11025}, 7, "/music/b|c.wav");
        sb.Key(4).PlayStyl = kPlayLoop, sb.Key(4).LoopOption = kLoopCounted, sb.Key(4).LoopTimes = 3;
        KeyAssign& linked = sb.Key(5);
        linked.SndSrc = kSrcWave, linked.SaveInFile = 0, linked.WavFile = "/gone/linked.wav";
        linked.PlayStyl = kPlayMulti, linked.MultiTimLst = "0,0.25,1.5";
        KeyAssign& act = sb.Key(6);
        act.SndSrc = kSrcAction, act.ActCmd = kActChangeTable, act.ActSub1 = 1;
        KeyAssign& stop = sb.Key(7);
        stop.SndSrc = kSrcAction, stop.ActCmd = kActStopPlay, stop.ActSub1 = 2;
        sb.Key(8).Mute = 1;
        o.Recordings[0].events = {{3, 1, 0.0f}, {1, 1, 0.5f}, {6, 1, 1.25f}};
        o.Recordings.push_back({{{4, 1, 2.0f}}, "Second"});
        o.CurRec = 2;
        ok &= Save(s, orc / "kinds.TbOrc");
    }
    { // Two Play Boards, one Sub Board on a device this computer may lack.
        State s(temp, {{"Keyboard", 128}, {"Joystick", 12}, {"Mouse", 8}});
        Orchestra& o = s.st.Orc;
        o.PlayBoards.resize(2);
        o.CurSet = 2;
        o.Set(2).SetNam = "Drums";
        for (PlayBoard& pb : o.PlayBoards) pb.Bds.erase(pb.Bds.begin()); // drop the keyboard
        StoredWave(o.Set(1).Bd(1).Key(12), {16, 1, 22050}, 10, "/music/j.wav");
        ok &= Save(s, orc / "joystick.TbOrc");
    }

    WriteFile(wave / "stereo16.wav", Wave(2, 44100, 16, 16, 16));
    WriteFile(wave / "mono8.wav", Wave(1, 11025, 8, 9, 9));
    WriteFile(wave / "mono16-list.wav", Wave(1, 22050, 16, 12, 12, std::string("LIST\4\0\0\0INFO", 12)));
    WriteFile(wave / "claims-more.wav", Wave(2, 22050, 8, 6, 0x7fffffff));
    WriteFile(wave / "odd-tail.wav", Wave(2, 44100, 16, 7, 7));
    WriteFile(wave / "rate-48000.wav", Wave(2, 48000, 16, 8, 8));

    std::error_code ec;
    fs::remove_all(temp, ec);
    return ok ? 0 : 1;
}
