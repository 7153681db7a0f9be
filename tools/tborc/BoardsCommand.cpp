#include "tools/tborc/BoardsCommand.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "boards/BoardView.h"
#include "boards/DeviceLayouts.h"
#include "boards/RefreshBoardViews.h"
#include "common/CodePage.h"
#include "common/Settings.h"
#include "common/SplitText.h"
#include "tools/tborc/TborcShared.h"

namespace tambrel {

namespace {

struct Press {
    std::int32_t surface = 0, x = 0, y = 0;
    MouseButton button = MouseButton::Left;
};

// A whole number of at most `digits` digits, optionally negative.
bool ParseWhole(const std::string& s, bool allowNegative, std::size_t digits, std::int32_t& value) {
    const std::size_t start = allowNegative && !s.empty() && s[0] == '-' ? 1 : 0;
    const std::string d = s.substr(start);
    if (d.empty() || d.size() > digits || d.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoi(s);
    return true;
}

bool ParsePress(const std::string& text, Press& p, std::string& error) {
    error = "--press wants SURFACE:X:Y or SURFACE:X:Y:right, not '" + text + "'";
    std::vector<std::string> f;
    for (const std::string_view piece : SplitText(text, ':')) f.emplace_back(piece);
    if (f.size() != 3 && f.size() != 4) return false;
    if (f.size() == 4) {
        if (f[3] != "right") return false;
        p.button = MouseButton::Right;
    }
    return ParseWhole(f[0], false, 6, p.surface) && p.surface >= 1 && ParseWhole(f[1], true, 9, p.x) &&
           ParseWhole(f[2], true, 9, p.y);
}

nlohmann::ordered_json SurfaceJson(const BoardSurface& s) {
    nlohmann::ordered_json keys = nlohmann::ordered_json::array();
    for (const BoardKey& k : s.Keys)
        keys.push_back({{"rect", {k.Left, k.Top, k.Right, k.Bottom}},
                        {"icon", k.Icon},
                        {"muted", k.Muted},
                        {"highlighted", k.Highlighted}});
    return {{"position", {s.Left, s.Top}},
            {"size", {s.Width, s.Height}},
            {"caption", Cp1252ToUtf8(s.Caption)},
            {"keys", std::move(keys)}};
}

} // namespace

CLI::App* AddBoardsCommand(CLI::App& app, BoardsArgs& args) {
    CLI::App* c = app.add_subcommand("boards", "print the board view of a Play Board as JSON, after clicks on it");
    c->add_option("FILE", args.file, "the .TbOrc file")->required();
    c->add_option("--device", args.devices, "an input device NAME:KEYS (default Keyboard:128 Mouse:8)");
    args.settings.AddOption(*c);
    c->add_option("--play-board", args.playBoard, "the Play Board to show (default: the active one)");
    c->add_option("--press", args.presses,
                  "press a mouse button on SURFACE:X:Y in surface pixels, the right one with SURFACE:X:Y:right");
    return c;
}

int RunBoards(const BoardsArgs& args, std::ostream& out, std::ostream& err) {
    StderrShell shell(err);
    ProgramState st(shell);
    st.TempPath = TempFolder();
    std::string error;
    if (!ParseDevices(args.devices, st.InputDevices, error)) {
        err << "tborc: " << error << "\n";
        return 2;
    }
    std::vector<Press> presses;
    for (const std::string& text : args.presses) {
        Press p;
        if (!ParsePress(text, p, error)) {
            err << "tborc: " << error << "\n";
            return 2;
        }
        presses.push_back(p);
    }
    std::int32_t wanted = 0;
    if (!args.playBoard.empty() && (!ParseWhole(args.playBoard, false, 6, wanted) || wanted < 1)) {
        err << "tborc: --play-board wants a Play Board number from 1, not '" << args.playBoard << "'\n";
        return 2;
    }
    if (!args.settings.Check(false, error)) {
        err << "tborc: " << error << "\n";
        return 1;
    }

    // As start-up does: the system keyboard and mouse named, then every
    // device's layout read, before the file binds its boards to them.
    const Settings settings = args.settings.Open();
    LabelJoinedDevices(st);
    NameSystemDevices(st, settings);
    for (std::int32_t d = 1; d <= st.DeviceCount(); ++d) ReadDeviceLayout(st, settings, d);
    if (!LoadOrchestraFile(args.file, st, shell)) return 1;
    // As opening a file does: every view built, the active one activated.
    RefreshBoardViews(st, 0);
    const std::int32_t p = args.playBoard.empty() ? st.Orc.CurSet : wanted;
    if (!st.Orc.ValidSet(p)) {
        err << "tborc: the Orchestra has no Play Board " << p << " (it has " << st.Orc.SetNos() << ")\n";
        return 2;
    }
    BoardView view(st, p);
    view.DrawBoardsAll(); // the keys get their rectangles
    const std::int32_t boards = st.Orc.Set(p).BodNos();
    for (const Press& press : presses) {
        if (press.surface > boards) {
            err << "tborc: --press names surface " << press.surface << ", but Play Board " << p << " has " << boards
                << " Sub Board" << (boards == 1 ? "" : "s") << "\n";
            return 2;
        }
        view.MousePressed(press.surface, press.x, press.y, press.button);
    }

    const BoardViewPicture picture = view.DrawBoardsAll();
    nlohmann::ordered_json surfaces = nlohmann::ordered_json::array();
    for (const BoardSurface& s : picture.Surfaces) surfaces.push_back(SurfaceJson(s));
    const nlohmann::ordered_json j{{"CurSet", st.Orc.CurSet},
                                   {"EditSet", st.EditSet},
                                   {"EditBd", st.EditBd},
                                   {"EditKey", st.EditKey},
                                   {"EditKeyValid", st.EditKeyValid != kVbFalse},
                                   {"surfaces", std::move(surfaces)}};
    out << j.dump(2) << "\n";
    return 0;
}

} // namespace tambrel
