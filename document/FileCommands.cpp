#include "document/FileCommands.h"

#include <cctype>

#include "common/FileKind.h"
#include "common/Folders.h"
#include "document/NewOrchestra.h"
#include "document/OpenSaveClass.h"

namespace tambrel {
namespace {

constexpr char kFilter[] = "Tambrel Orchestra file (*.TbOrc)|*.TbOrc";

bool RefuseWhileRecording(ProgramState& st) {
    if (!st.RecordingInProgress) return false;
    st.shell.Message("Recording in progress.\r\nStop the recording first.", "", MsgButtons::Ok);
    return true;
}

// Offers to save a modified Orchestra before it is replaced. False stops the
// command: Cancel, and also a save that did not happen, since going on would
// throw the unsaved work away.
bool SaveFirst(ProgramState& st, const char* secondLine) {
    if (!st.FileModified) return true;
    switch (
        st.shell.Message(std::string("The current file is modified\r\n") + secondLine, "", MsgButtons::YesNoCancel)) {
    case MsgAnswer::Yes: return FileSave(st, false);
    case MsgAnswer::No: return true;
    default: return false;
    }
}

void CompleteTbo(std::string& name) {
    if (name.size() < 4) return;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (tail == ".tbo") name += "rc";
}

void StopSounds(ProgramState& st) {
    if (st.soundEngine) st.soundEngine->StopAllSounds();
}

// Loads name and, only when that worked, makes it the open file.
bool LoadAndShow(ProgramState& st, const std::string& name, bool editMessage) {
    OpenSaveClass loader(st);
    if (!loader.LoadOrchestra(name)) return false;
    st.Orc.OrcFile = name;
    st.views.Post(notice::RebuildAllBoardViews{});
    st.views.Post(notice::ShowCurRecName{});
    st.views.Post(notice::ShowOpenMessage{editMessage});
    st.FileModified = kVbFalse;
    st.shell.Caption(MainCaption(FileTitleOf(name)));
    return true;
}

} // namespace

std::string MainCaption(const std::string& title) { return std::string(kProgramTitle) + " - [" + title + "]"; }

bool FileNew(ProgramState& st) {
    if (RefuseWhileRecording(st)) return false;
    StopSounds(st);
    if (!SaveFirst(st, "Do you want to save it before creating a new?")) return false;
    st.Orc = NewOrchestra(st);
    st.views.Post(notice::RebuildAllBoardViews{});
    st.views.Post(notice::ShowCurRecName{});
    st.shell.Caption(MainCaption("New"));
    st.FileModified = kVbFalse;
    return true;
}

bool FileOpen(ProgramState& st) {
    if (RefuseWhileRecording(st)) return false;
    StopSounds(st);
    if (!SaveFirst(st, "Do you want to save it before opening another?")) return false;
    FileDialogRequest req;
    req.title = "Choose a Orchestra file to open";
    req.filter = kFilter;
    req.fileName = st.Orc.OrcFile.empty() ? st.LastOpenedFile : st.Orc.OrcFile;
    req.initialFolder = st.LastUsedPath;
    const std::string name = st.shell.ChooseFile(req);
    if (name.empty()) return false; // cancelled: nothing happens
    return OpenChosenFile(st, name);
}

bool OpenDroppedFile(ProgramState& st, const std::string& name) {
    if (RefuseWhileRecording(st)) return false;
    StopSounds(st);
    if (!SaveFirst(st, "Do you want to save it before opening another?")) return false;
    return OpenChosenFile(st, name);
}

bool OpenChosenFile(ProgramState& st, std::string name) {
    st.LastUsedPath = FolderOf(name);
    CompleteTbo(name);
    const PathKind kind = KindOfPath(name);
    if (kind == PathKind::Missing) return false;
    if (kind != PathKind::File) { // typed into the dialog: say what it is
        st.shell.Message(NotAFileText(name, kind), "Open File", MsgButtons::Ok);
        return false;
    }
    st.LastOpenedFile = name;
    return LoadAndShow(st, name, false);
}

bool FileSave(ProgramState& st, bool saveAs) {
    if (RefuseWhileRecording(st)) return false;
    std::string name;
    if (!saveAs && !st.Orc.OrcFile.empty()) {
        name = st.Orc.OrcFile;
    } else {
        FileDialogRequest req;
        req.save = true;
        req.title = "Choose a name to save Orchestra file";
        req.filter = kFilter;
        req.fileName = st.Orc.OrcFile.empty() ? "New.TbOrc" : st.Orc.OrcFile;
        req.initialFolder = st.LastUsedPath;
        req.defaultExtension = "TbOrc";
        name = st.shell.ChooseFile(req);
        if (name.empty()) return false;
        st.LastUsedPath = FolderOf(name);
        if (FileTitleOf(name).find('.') == std::string::npos) name += ".TbOrc";
        CompleteTbo(name);
    }
    OpenSaveClass saver(st);
    // A failed save keeps the old name and the modified flag, so the work is
    // still offered for saving at exit.
    if (!saver.SaveOrchestra(name)) return false;
    st.Orc.OrcFile = name;
    st.FileModified = kVbFalse;
    st.shell.Caption(MainCaption(FileTitleOf(name)));
    return true;
}

void OpenStartupFile(ProgramState& st, const std::string& commandLine) {
    std::string name = commandLine;
    const std::size_t a = name.find_first_not_of(' ');
    name = a == std::string::npos ? std::string() : name.substr(a, name.find_last_not_of(' ') - a + 1);
    if (!name.empty() && name.front() == '"') name.erase(0, 1);
    if (!name.empty() && name.back() == '"') name.pop_back();

    auto openAtStart = [&](const std::string& path) {
        if (!LoadAndShow(st, path, false)) return false;
        st.LastUsedPath = FolderOf(path);
        return true;
    };
    if (!name.empty()) {
        const PathKind kind = KindOfPath(name);
        if (kind == PathKind::File) {
            if (openAtStart(name)) return;
        } else if (kind != PathKind::Missing) {
            st.shell.Message(NotAFileText(name, kind), "Open File", MsgButtons::Ok);
        } else {
            st.shell.Message("The file\n" + name + "\nDoes not exist", "", MsgButtons::Ok);
        }
    }
    const std::string sample = st.AppPath + "/Samples/Sample1.TbOrc";
    if (FileExists(sample)) openAtStart(sample);
}

} // namespace tambrel
