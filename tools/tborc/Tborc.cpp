#include "tools/tborc/Tborc.h"

#include <CLI/CLI.hpp>

#include <fstream>
#include <string>
#include <vector>

#include "common/CodePage.h"
#include "common/Folders.h"
#include "common/NumberText.h"
#include "document/NewOrchestra.h"
#include "document/OpenSaveClass.h"
#include "sound/WaveBuffers.h"
#include "sound/WaveFile.h"
#include "tools/tborc/OrcJson.h"

namespace tambrel {
namespace {

// Shows what the loader and saver would show as "title: text" lines.
class StderrShell : public SilentShell {
public:
    explicit StderrShell(std::ostream& err) : err_(err) {}
    MsgAnswer Message(std::string_view text, std::string_view title, MsgButtons buttons) override {
        std::string t = Cp1252ToUtf8(text);
        std::erase(t, '\r');
        err_ << Cp1252ToUtf8(title.empty() ? kProgramTitle : title) << ": " << t << "\n";
        ++shown;
        return SilentShell::Message(text, title, buttons);
    }
    int shown = 0;

private:
    std::ostream& err_;
};

struct DeviceArg {
    std::string name;
    std::int32_t keys;
};

bool ParseDevices(const std::vector<std::string>& args, std::vector<InputDevice>& out, std::string& error) {
    std::vector<std::string> list = args.empty() ? std::vector<std::string>{"Keyboard:128", "Mouse:8"} : args;
    for (const std::string& a : list) {
        const std::size_t colon = a.rfind(':');
        const std::string count = colon == std::string::npos ? "" : a.substr(colon + 1);
        if (colon == 0 || count.empty() || count.size() > 6 ||
            count.find_first_not_of("0123456789") != std::string::npos) {
            error = "--device wants NAME:KEYS with KEYS from 0 to 100000, not '" + a + "'";
            return false;
        }
        InputDevice d;
        d.Name = Utf8ToCp1252(a.substr(0, colon));
        d.Ready = true;
        d.KeyCount = std::stoi(count);
        if (d.KeyCount > 100000) {
            error = "--device wants NAME:KEYS with KEYS from 0 to 100000, not '" + a + "'";
            return false;
        }
        out.push_back(std::move(d));
    }
    return true;
}

std::string TempFolder() {
    const char* t = std::getenv("TMPDIR");
    std::string p = t && *t ? t : "/tmp";
    if (p.back() != '/') p += '/';
    return p;
}

int Dump(const std::string& file, ProgramState& st, StderrShell& shell, std::ostream& out) {
    if (!FileExists(file)) {
        shell.Message("File Not Found", "Open File", MsgButtons::Ok);
        return 1;
    }
    if (!OpenSaveClass(st).LoadOrchestra(file)) {
        if (shell.shown == 0) shell.Message("This is not an Orchestra file this version can read", "Open File", MsgButtons::Ok);
        return 1;
    }
    out << OrchestraToJson(st.Orc).dump(2) << "\n";
    return 0;
}

int Build(const std::string& source, const std::string& output, ProgramState& st, std::ostream& err) {
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        err << "tborc: cannot read " << source << "\n";
        return 1;
    }
    nlohmann::json j;
    try {
        j = nlohmann::json::parse(in);
        OrchestraFromJson(j, st, FolderOf(source));
    } catch (const std::exception& e) {
        err << "tborc: " << source << ": " << e.what() << "\n";
        return 1;
    }
    return OpenSaveClass(st).SaveOrchestra(output) ? 0 : 1;
}

int WavInfo(const std::string& file, StderrShell& shell, std::ostream& out, std::ostream& err) {
    if (!FileExists(file)) {
        err << "tborc: no such file: " << file << "\n";
        return 1;
    }
    WaveData w;
    if (!ParseWaveFile(file, w, shell)) return 1;
    nlohmann::ordered_json j{{"BitsPerSample", w.BitsPerSample}, {"Channels", w.Channels},
                             {"SampleRate", w.SampleRate},       {"Frames", w.Frames},
                             {"ByteCount", w.ByteCount}};
    KeyAssign k = NewKeyAssign();
    k.SndSrc = kSrcWave;
    if (!CreateWaveBuffer(w, k.SndBuf)) {
        err << "tborc: " << file << ": the wave cannot be made into a sound buffer\n";
        return 1;
    }
    CalcWaveDur(k);
    j["WaveDur"] = k.WaveDur;
    out << j.dump(2) << "\n";
    return 0;
}

} // namespace

int RunTborc(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"tborc: read, write and inspect Tambrel Orchestra files", "tborc"};
    app.require_subcommand(1);
    std::vector<std::string> devices;
    std::string file, output;

    CLI::App* dump = app.add_subcommand("dump", "print an Orchestra file as JSON");
    dump->add_option("FILE", file, "the .TbOrc file")->required();
    dump->add_option("--device", devices, "an input device NAME:KEYS (default Keyboard:128 Mouse:8)");

    CLI::App* build = app.add_subcommand("build", "write an Orchestra file from JSON");
    build->add_option("FILE", file, "the JSON source")->required();
    build->add_option("-o", output, "the .TbOrc file to write")->required();
    build->add_option("--device", devices, "an input device NAME:KEYS (default Keyboard:128 Mouse:8)");

    CLI::App* wav = app.add_subcommand("wav-info", "print what a wave file holds");
    wav->add_option("FILE", file, "the .wav file")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            out << app.help();
            return 0;
        }
        err << "tborc: " << e.what() << " (see tborc --help)\n";
        return 2;
    }

    StderrShell shell(err);
    ProgramState st(shell);
    st.TempPath = TempFolder();
    std::string error;
    if (!ParseDevices(devices, st.InputDevices, error)) {
        err << "tborc: " << error << "\n";
        return 2;
    }
    st.Orc = NewOrchestra(st);
    try {
        if (*dump) return Dump(file, st, shell, out);
        if (*build) return Build(file, output, st, err);
        return WavInfo(file, shell, out, err);
    } catch (const std::exception& e) {
        err << "tborc: " << e.what() << "\n";
        return 1;
    }
}

} // namespace tambrel
