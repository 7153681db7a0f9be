#include "session/RecordingExport.h"

#include <map>
#include <memory>
#include <stdexcept>
#include <utility>

#include "audio/WavWriter.h"
#include "common/Folders.h"
#include "common/SanitizeName.h"
#include "common/FileMove.h"
#include "common/Shell.h"
#include "recording/KeystrokeRecorder.h"

namespace tambrel {

namespace {

// The live Orchestra for rendering apart: keys that shared a buffer (clones
// of a Play Board) share its duplicate, and no key is looping yet.
void DetachBuffers(Orchestra& orc) {
    std::map<const SoundBuffer*, SoundBufferRef> copies;
    for (PlayBoard& pb : orc.PlayBoards) {
        for (SubBoard& bd : pb.Bds) {
            for (KeyAssign& k : bd.Keys) {
                k.Looping = kVbFalse;
                if (!k.SndBuf) continue;
                auto [it, made] = copies.try_emplace(k.SndBuf.get());
                if (made) it->second = k.SndBuf->Duplicate();
                k.SndBuf = it->second;
            }
        }
    }
}

std::string RecordingTitle(const ProgramState& st, std::int32_t recording) {
    const std::string& name = st.Orc.Recordings[static_cast<std::size_t>(recording - 1)].Name;
    std::string title = FileTitleOf(st.Orc.OrcFile);
    const auto dot = title.rfind('.');
    if (dot != std::string::npos && dot > 0) title.erase(dot);
    if (title.empty()) title = "Orchestra";
    std::string proposed = title + " " + (name.empty() ? "Recording " + std::to_string(recording) : name);
    // A recording's name may hold "/" or other characters no file name may.
    SanitizeName(proposed);
    return proposed + ".wav";
}

} // namespace

ExportOutcome ExportRecording(const ProgramState& st, std::int32_t recording, const std::string& path, int rate,
                              RenderProgress* progress, MidiService* midi, AudioSource* synth) {
    ExportOutcome out;
    if (recording < 1 || recording > st.Orc.RecNos() ||
        st.Orc.Recordings[static_cast<std::size_t>(recording - 1)].count() == 0) {
        out.kind = ExportOutcome::Kind::Refused;
        out.text = kExportNoRecording;
        return out;
    }
    SilentShell quiet;
    ProgramState copy(quiet);
    copy.Orc = st.Orc;
    DetachBuffers(copy.Orc);
    copy.InputDevices = st.InputDevices;
    copy.KeyboardName = st.KeyboardName;
    copy.MouseName = st.MouseName;
    copy.AppPath = st.AppPath;
    copy.TempPath = st.TempPath;

    RenderOptions opt;
    opt.rate = rate;
    opt.recording = recording;
    opt.progress = progress;
    opt.midi = midi;
    opt.source = synth;
    try {
        std::vector<float> frames = RenderPerformance(copy, opt);
        if (FileExists(path)) CopyToTrash(path);
        WriteWav16Stereo(path, frames, rate);
        out.kind = ExportOutcome::Kind::Written;
    } catch (const RenderCancelled&) {
        out.kind = ExportOutcome::Kind::Cancelled;
    } catch (const std::bad_alloc&) {
        out.text = "Out of memory: the recording is too long to export";
    } catch (const std::exception& e) {
        out.text = e.what();
    }
    return out;
}

ExportOutcome ExportRecordingCommand(ProgramState& st, RenderProgress& progress, MidiService* midi,
                                     AudioSource* synth) {
    Shell& sh = st.shell;
    const std::int32_t rec = st.Orc.CurRec;
    ExportOutcome refused;
    refused.kind = ExportOutcome::Kind::Refused;
    if (st.RecordingInProgress) {
        refused.text = "A recording or its playback is running: stop it before exporting.";
        sh.Message(refused.text, kExportTitle, MsgButtons::Ok);
        return refused;
    }
    if (rec < 1 || rec > st.Orc.RecNos() || st.Orc.Recordings[static_cast<std::size_t>(rec - 1)].count() == 0) {
        refused.text = kExportNoRecording;
        sh.Message(refused.text, kExportTitle, MsgButtons::Ok);
        return refused;
    }
    FileDialogRequest req;
    req.save = true;
    req.title = "Export Recording as Wave";
    req.filter = "Wave file (*.wav)|*.wav";
    req.defaultExtension = "wav";
    req.initialFolder = st.LastUsedPath;
    req.fileName = RecordingTitle(st, rec);
    const std::string path = sh.ChooseFile(req);
    if (path.empty()) {
        ExportOutcome none;
        none.kind = ExportOutcome::Kind::Cancelled;
        return none;
    }
    sh.Busy(true);
    sh.Status("Exporting Recording");
    ExportOutcome out = ExportRecording(st, rec, path, kExportRate, &progress, midi, synth);
    sh.Busy(false);
    switch (out.kind) {
    case ExportOutcome::Kind::Written: sh.Status("Export Complete"); break;
    case ExportOutcome::Kind::Cancelled: sh.Status("Export Cancelled"); break;
    default:
        sh.Status("Export Failed");
        sh.Message(out.text, kExportTitle, MsgButtons::Ok);
        break;
    }
    return out;
}

} // namespace tambrel
