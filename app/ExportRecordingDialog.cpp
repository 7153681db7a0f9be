#include "app/ExportRecordingDialog.h"

#include <QApplication>
#include <QProgressDialog>

#include <memory>

#include "document/ProgramState.h"
#include "session/RecordingExport.h"

#ifdef TAMBREL_HAVE_FLUIDSYNTH
#include "sound/fluidsynth/FluidSynthEngine.h"
#include "sound/fluidsynth/FluidSynthPorts.h"
#endif

namespace tambrel {

namespace {

constexpr int kSteps = 1000;

// The render runs on this thread between the dialog's events: each block
// moves the bar, and Cancel is seen at the next block.
class ProgressWindow : public RenderProgress {
public:
    explicit ProgressWindow(QWidget* parent) : dlg_("Exporting the recording\u2026", "Cancel", 0, kSteps, parent) {
        dlg_.setWindowTitle(QString::fromUtf8(kExportTitle));
        dlg_.setWindowModality(Qt::WindowModal);
        dlg_.setMinimumDuration(300);
        dlg_.setAutoClose(false);
        dlg_.setAutoReset(false);
        dlg_.setAccessibleName(dlg_.windowTitle());
        dlg_.setAccessibleDescription("How far the export has come; Cancel stops it and writes nothing");
        dlg_.setValue(0);
    }
    bool Rendered(double fraction) override {
        const int value = static_cast<int>(fraction * kSteps);
        if (value != dlg_.value()) dlg_.setValue(value);
        QApplication::processEvents();
        return !dlg_.wasCanceled();
    }

private:
    QProgressDialog dlg_;
};

} // namespace

void ExportRecordingAsWave(QWidget* parent, ProgramState& st) {
    // The window exists only while the export runs, after the file dialog.
    struct LateWindow : RenderProgress {
        QWidget* parent;
        std::unique_ptr<ProgressWindow> window;
        bool Rendered(double fraction) override {
            if (!window) window = std::make_unique<ProgressWindow>(parent);
            return window->Rendered(fraction);
        }
    } progress;
    progress.parent = parent;
#ifdef TAMBREL_HAVE_FLUIDSYNTH
    // MIDI keys sound through a synthesizer of the export's own, as in
    // `tborc render`; the live one plays on untouched.
    FluidSynthEngine synth(kExportRate);
    FluidSynthService ports(synth, st.AppPath);
    ExportRecordingCommand(st, progress, &ports, &synth);
#else
    ExportRecordingCommand(st, progress);
#endif
}

} // namespace tambrel
