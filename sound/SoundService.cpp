#include "sound/SoundService.h"

#include "common/Folders.h"
#include "sound/KeyPlayer.h"
#include "document/SoundFileNames.h"
#include "document/WaveBuffers.h"

namespace tambrel {

bool CreateDirectX(ProgramState& st, bool servicesPresent, const std::string& error) {
    if (servicesPresent) return true;
    st.shell.Message(DirectXErrorLine(error), "", MsgButtons::Ok);
    return false;
}

std::string DirectXErrorLine(std::string_view error) {
    return "Could Not Initilize DirectX7.\r\n(Error: " + std::string(error) +
           ")\r\nIf this problem persists in Win95/98 you need to reinstall directX7 or higher.";
}

bool InitSound(ProgramState& st, AudioOutput& output, AudioOutput::RenderFn render) {
    std::string error;
    if (output.Start(std::move(render), error)) return true;
    ShowSoundStartFailure(st, error);
    return false;
}

void ShowSoundStartFailure(ProgramState& st, const std::string& error) {
    st.shell.Message("Could Not Initilize DirectX Sound Driver.\r\n(Error: " + error +
                         ")\r\n\r\nCheck whether another application is using sound driver exclusively.\r\n"
                         "If yes, put that off and and try again.\r\n\r\n"
                         "Other wise, if this problem persists you may need to reinstall directX7\r\n"
                         "or higher or your Sound Card's Driver.\r\n\r\n"
                         "In the ReadMe.txt file you can find many links to download DirectX7.",
                     "", MsgButtons::Ok);
}

void SelectWaveFile(ProgramState& st, KeyPlayer& player) {
    KeyAssign* key = st.EditKeyValid ? st.Orc.FindKey(st.EditAddress()) : nullptr;
    if (!key) {
        st.views.Post(notice::HidePlayAssignment{});
        return;
    }
    FileDialogRequest req;
    req.title = "Choose a wave file to use";
    req.filter = SoundFileFilter();
    req.fileName = key->WavFile.empty() ? st.LastChosenWave : key->WavFile;
    req.initialFolder = st.LastUsedPath;
    const std::string name = st.shell.ChooseFile(req);
    if (name.empty()) return; // cancelled: the key keeps its wave and nothing is modified
    st.LastChosenWave = name;
    player.StopKey(st.EditAddress());
    player.StopDupCopies(st.EditAddress());
    LoadWaveForKey(name, *key, st.shell);
    st.SetModified();
    st.views.Post(notice::ShowPlayAssignment{});
    // The key's face names its wave.
    st.views.Post(notice::ShowKeyIcon{st.EditAddress()});
}

} // namespace tambrel
