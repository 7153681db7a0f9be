#include "tools/tborc/LayoutCommand.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

#include "boards/DeviceLayouts.h"
#include "boards/LayOutBoard.h"
#include "boards/LayoutEditSession.h"
#include "common/CodePage.h"
#include "common/Shell.h"

namespace tambrel {
namespace {

// Message boxes to standard error as "title: text"; input boxes answered
// with what the script line says the user types.
class ScriptShell : public SilentShell {
public:
    explicit ScriptShell(std::ostream& err) : err_(err) {}
    MsgAnswer Message(std::string_view text, std::string_view title, MsgButtons buttons) override {
        std::string t = Cp1252ToUtf8(text);
        std::erase(t, '\r');
        err_ << Cp1252ToUtf8(title.empty() ? kProgramTitle : title) << ": " << t << "\n";
        return SilentShell::Message(text, title, buttons);
    }
    std::string Input(std::string_view, std::string_view, std::string_view) override {
        std::string a = std::move(answer);
        answer.clear();
        return a;
    }
    std::string answer; // what the next input box is answered with

private:
    std::ostream& err_;
};

struct Step {
    enum Kind { Select, SelectRight, Move, Size, DragWidth, DragHeight, Reset, Ok, Cancel };
    int line = 0;
    Kind kind = Ok;
    std::int32_t x = 0, y = 0;
    KeyMove move = KeyMove::Up;
    KeySize size = KeySize::KeyWidth;
    LayoutType type = LayoutType::Keyboard;
    std::string answer;
};

std::vector<std::string> Words(std::string_view s) {
    std::vector<std::string> out;
    std::istringstream in{std::string(s)};
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

bool Integer(const std::string& s, std::int32_t& v) {
    const char* end = s.data() + s.size();
    const auto r = std::from_chars(s.data(), end, v);
    return !s.empty() && r.ec == std::errc() && r.ptr == end;
}

// One script line into a step; false with error set when it is not one.
bool ParseLine(std::string text, int number, Step& step, std::string& error) {
    step.line = number;
    const std::size_t space = text.find(' ');
    const std::string word = text.substr(0, space);
    // The rest after the word and one blank: an answer keeps its blanks.
    const std::string rest = space == std::string::npos ? std::string() : text.substr(space + 1);
    const std::vector<std::string> args = Words(rest);

    auto point = [&](std::size_t n) {
        if (args.size() != n || !Integer(args[0], step.x) || (n == 2 && !Integer(args[1], step.y))) {
            error = "'" + word + "' wants " + (n == 2 ? "X Y" : "a position") + " in whole pixels";
            return false;
        }
        return true;
    };
    if (word == "select" || word == "select-right") {
        step.kind = word == "select" ? Step::Select : Step::SelectRight;
        return point(2);
    }
    if (word == "drag-width" || word == "drag-height") {
        step.kind = word == "drag-width" ? Step::DragWidth : Step::DragHeight;
        if (!point(1)) return false;
        if (step.kind == Step::DragHeight) step.y = step.x;
        return true;
    }
    if (word == "move") {
        static const std::vector<std::pair<std::string, KeyMove>> moves{
            {"up", KeyMove::Up}, {"down", KeyMove::Down}, {"left", KeyMove::Left}, {"right", KeyMove::Right}};
        step.kind = Step::Move;
        for (const auto& [name, m] : moves)
            if (args.size() == 1 && args[0] == name) {
                step.move = m;
                return true;
            }
        error = "'move' wants up, down, left or right";
        return false;
    }
    static const std::vector<std::pair<std::string, KeySize>> sizes{{"width", KeySize::KeyWidth},
                                                                    {"row-height", KeySize::RowHeight},
                                                                    {"space-before", KeySize::SpaceBefore},
                                                                    {"space-above", KeySize::SpaceAbove}};
    for (const auto& [name, s] : sizes)
        if (word == name) {
            step.kind = Step::Size;
            step.size = s;
            step.answer = rest;
            return true;
        }
    if (word == "reset") {
        step.kind = Step::Reset;
        const std::size_t typeEnd = rest.find(' ');
        const std::string type = rest.substr(0, typeEnd);
        const std::string answer = typeEnd == std::string::npos ? std::string() : rest.substr(typeEnd + 1);
        if (type == "rectangle") {
            step.type = LayoutType::Rectangle;
            step.answer = answer;
            return true;
        }
        static const std::pair<const char*, LayoutType> plain[] = {{"keyboard", LayoutType::Keyboard},
                                                                   {"mouse", LayoutType::Mouse},
                                                                   {"notes", LayoutType::Notes},
                                                                   {"osc-keys", LayoutType::OscKeys}};
        for (const auto& [name, t] : plain)
            if (type == name && Words(answer).empty()) {
                step.type = t;
                return true;
            }
        error = "'reset' wants keyboard, mouse, rectangle [ANSWER], notes or osc-keys";
        return false;
    }
    if ((word == "ok" || word == "cancel") && args.empty()) {
        step.kind = word == "ok" ? Step::Ok : Step::Cancel;
        return true;
    }
    error = "unknown command '" + text + "'";
    return false;
}

bool ReadScript(const std::string& path, std::vector<Step>& steps, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the edit script " + path;
        return false;
    }
    std::string text;
    for (int n = 1; std::getline(in, text); ++n) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        const std::size_t b = text.find_first_not_of(" \t");
        if (b == std::string::npos || text[b] == '#') continue;
        Step step;
        if (!ParseLine(text.substr(b), n, step, error)) {
            error = path + ":" + std::to_string(n) + ": " + error;
            return false;
        }
        steps.push_back(std::move(step));
    }
    if (in.bad()) {
        error = "cannot read the edit script " + path;
        return false;
    }
    return true;
}

// One layout-editor opening on device, driven by the steps.
bool RunSession(ProgramState& st, ScriptShell& shell, std::int32_t device, const std::string& path,
                const std::vector<Step>& steps, std::string& error) {
    LayoutEditSession s(st);
    s.InitilizeForm(device);
    int closedAt = 0;
    for (const Step& step : steps) {
        const std::string where = path + ":" + std::to_string(step.line) + ": ";
        if (!s.IsOpen()) {
            error = where + "the editor was closed on line " + std::to_string(closedAt);
            return false;
        }
        if ((step.kind == Step::Move || step.kind == Step::Size) && s.SelectedKey() == 0) {
            error = where + "no key is selected (select one first)";
            return false;
        }
        if (step.kind == Step::Reset) {
            const std::vector<LayoutType> offered = s.ResetTypes();
            if (std::find(offered.begin(), offered.end(), step.type) == offered.end()) {
                error = where + "this device's reset list has no \"" +
                        std::string(kLayoutTypeNames[static_cast<std::size_t>(step.type)]) + "\"";
                return false;
            }
        }
        shell.answer = step.answer;
        switch (step.kind) {
        case Step::Select: s.Select(step.x, step.y, MouseButton::Left); break;
        case Step::SelectRight: s.Select(step.x, step.y, MouseButton::Right); break;
        case Step::Move: s.Move(step.move); break;
        case Step::Size: s.Size(step.size); break;
        case Step::DragWidth: s.DropWidthLine(step.x); break;
        case Step::DragHeight: s.DropHeightLine(step.y); break;
        case Step::Reset: s.Reset(step.type); break;
        case Step::Ok: s.Ok(); break;
        case Step::Cancel: s.Cancel(); break;
        }
        shell.answer.clear();
        if (!s.IsOpen()) closedAt = step.line;
    }
    // A script that ends without "ok" closes the window as its title bar does.
    s.Close();
    return true;
}

// "DEVICE:SCRIPT": the device by name (the longest name that fits) or number.
bool ResolveEdit(const ProgramState& st, const std::string& arg, std::int32_t& device, std::string& script) {
    device = 0;
    std::size_t best = 0;
    for (std::int32_t d = 1; d <= st.DeviceCount(); ++d) {
        const std::string name = Cp1252ToUtf8(st.Device(d)->Name);
        if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == ':' &&
            (device == 0 || name.size() > best)) {
            device = d;
            best = name.size();
        }
    }
    if (device == 0) {
        const std::size_t colon = arg.find(':');
        std::int32_t n = 0;
        if (colon != std::string::npos && Integer(arg.substr(0, colon), n) && st.Device(n)) {
            device = n;
            best = colon;
        }
    }
    if (device == 0) return false;
    script = arg.substr(best + 1);
    return !script.empty();
}

nlohmann::ordered_json LayoutJson(const InputDevice& dev, const BoardPicture& pic) {
    const DeviceLayout& l = dev.Layout;
    const std::vector<std::int32_t> tops = RowTops(l);
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (std::size_t r = 0; r < l.Rows.size(); ++r)
        rows.push_back({{"height", l.Rows[r].Height}, {"spaceAbove", l.Rows[r].SpaceAbove}, {"top", tops[r]}});
    nlohmann::ordered_json keys = nlohmann::ordered_json::array();
    for (std::size_t k = 0; k < l.Keys.size(); ++k) {
        const LayoutKey& key = l.Keys[k];
        keys.push_back({{"label", Cp1252ToUtf8(k < dev.KeyLabels.size() ? dev.KeyLabels[k] : std::string())},
                        {"row", key.Row},
                        {"position", key.Position},
                        {"width", key.Width},
                        {"spaceBefore", key.SpaceBefore},
                        {"left", key.Left},
                        {"top", key.Top},
                        {"right", key.Right},
                        {"bottom", key.Bottom}});
    }
    return {{"name", Cp1252ToUtf8(dev.Name)},
            {"BoardWidth", l.BoardWidth},
            {"BoardHeight", l.BoardHeight},
            {"surface", {pic.Width, pic.Height}},
            {"rows", rows},
            {"keys", keys}};
}

} // namespace

LayoutCommand::LayoutCommand(CLI::App& app) {
    command_ = app.add_subcommand("layout", "print the devices' key layouts as JSON, edit and write them");
    command_->add_option("--device", devices_, "an input device NAME:KEYS (default Keyboard:128 Mouse:8)");
    settings_.AddOption(*command_);
    command_->add_flag("--write", write_, "write every layout back into the --settings file, as shutdown does");
    command_->add_option("--edit", edits_, "run a layout-editor session on DEVICE (name or number) from SCRIPT")
        ->type_name("DEVICE:SCRIPT");
}

bool LayoutCommand::Chosen() const { return command_ && command_->parsed(); }

int LayoutCommand::Run(const DeviceParser& parseDevices, std::ostream& out, std::ostream& err) const {
    ScriptShell shell(err);
    ProgramState st(shell);
    std::string error;
    if (!parseDevices(devices_, st.InputDevices, error)) {
        err << "tborc: " << error << "\n";
        return 2;
    }
    if (write_ && !settings_.Given()) {
        err << "tborc: --write needs --settings FILE.ini\n";
        return 2;
    }
    struct Edit {
        std::int32_t device;
        std::string script;
        std::vector<Step> steps;
    };
    std::vector<Edit> edits;
    for (const std::string& e : edits_) {
        Edit edit;
        if (!ResolveEdit(st, e, edit.device, edit.script)) {
            err << "tborc: --edit wants DEVICE:SCRIPT with a device of this run (by name or number), not '" << e
                << "'\n";
            return 2;
        }
        edits.push_back(std::move(edit));
    }
    if (!settings_.Check(write_, error)) {
        err << "tborc: " << error << "\n";
        return 1;
    }
    for (Edit& e : edits) {
        if (!ReadScript(e.script, e.steps, error)) {
            err << "tborc: " << error << "\n";
            return 1;
        }
    }

    const Settings settings = settings_.Open();
    LabelJoinedDevices(st);
    NameSystemDevices(st, settings);
    for (std::int32_t d = 1; d <= st.DeviceCount(); ++d) ReadDeviceLayout(st, settings, d);
    for (const Edit& e : edits) {
        if (!RunSession(st, shell, e.device, e.script, e.steps, error)) {
            err << "tborc: " << error << "\n";
            return 1;
        }
    }

    std::vector<BoardPicture> pictures;
    for (InputDevice& d : st.InputDevices) pictures.push_back(LayOutBoard(d.Layout, d.KeyLabels, 0));
    if (write_)
        for (std::int32_t d = 1; d <= st.DeviceCount(); ++d) WriteDeviceLayout(st, settings, d);

    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (std::size_t d = 0; d < st.InputDevices.size(); ++d)
        list.push_back(LayoutJson(st.InputDevices[d], pictures[d]));
    out << list.dump(2) << "\n";
    return 0;
}

} // namespace tambrel
