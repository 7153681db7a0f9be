#pragma once
// The narrow window the core talks to the program through: texts, questions,
// dialogs, the busy pointer. The Qt main window implements it; tests use a
// scripted fake that records every text. What changed in the Orchestra
// reaches the windows as typed notices instead (document/Notices.h). All
// texts are in the core's 8-bit code page (Windows-1252); the implementation
// converts at the user-interface boundary. User-interface thread only.

#include <string>
#include <string_view>

namespace tambrel {

inline constexpr std::string_view kProgramTitle = "Tambrel Orchestra";

enum class MsgButtons { Ok, YesNo, YesNoCancel };

// What a file dialog is asked to show.
struct FileDialogRequest {
    bool save = false; // a save dialog (no overwrite question) or an open dialog
    std::string title;
    std::string filter;   // "description|pattern"
    std::string fileName; // proposed name
    std::string initialFolder;
    std::string defaultExtension;
};
enum class MsgAnswer { Ok, Yes, No, Cancel };

class Shell {
public:
    virtual ~Shell() = default;

    // A message box. An empty title means the program's title.
    virtual MsgAnswer Message(std::string_view text, std::string_view title, MsgButtons buttons = MsgButtons::Ok) = 0;
    // An input box; returns what was typed, empty when cancelled.
    virtual std::string Input(std::string_view prompt, std::string_view title, std::string_view proposed) = 0;
    // Second panel of the status bar: progress and state texts.
    virtual void Status(std::string_view text) = 0;
    // The hourglass pointer on or off.
    virtual void Busy(bool on) = 0;
    // The main window's caption.
    virtual void Caption(std::string_view text) = 0;
    // A modal file dialog; the chosen full name, or empty when cancelled.
    virtual std::string ChooseFile(const FileDialogRequest& request) = 0;
};

// A shell that shows nothing and answers every question with its default;
// serves command-line tools that have no windows.
class SilentShell : public Shell {
public:
    MsgAnswer Message(std::string_view, std::string_view, MsgButtons buttons) override {
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
    std::string Input(std::string_view, std::string_view, std::string_view) override { return {}; }
    void Status(std::string_view) override {}
    void Busy(bool) override {}
    void Caption(std::string_view) override {}
    std::string ChooseFile(const FileDialogRequest&) override { return {}; }
};

} // namespace tambrel
