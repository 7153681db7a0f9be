#pragma once
// The main window's "Recording and Playback:" panel: the record and playback
// buttons, the loop box, the recording-list button and the current-recording
// label. It shows the recorder's panel state and hands each press to one
// recorder command; availability and texts are the recorder's.
// User-interface thread.

#include <QCheckBox>
#include <QLabel>
#include <QWidget>

#include <array>

class QDialog;

namespace tambrel {

class KeystrokeRecorder;
class SkinButton;

class RecordingPanel : public QWidget {
    Q_OBJECT
public:
    explicit RecordingPanel(QWidget* parent = nullptr);

    void SetRecorder(KeystrokeRecorder* recorder);
    // The UpdateRecordingPanel and ShowCurRecName notices.
    void Render();
    // The list button: the recording-list dialog, unless the recorder refuses.
    void OpenRecordingList();

    std::array<SkinButton*, 2> recordBtn{};
    std::array<SkinButton*, 3> playBackBtn{};
    QCheckBox* loopChk = nullptr;
    SkinButton* listBtn = nullptr;
    QLabel* curRecLbl = nullptr;

signals:
    // The tip of the hovered control.
    void TipChanged(const QString& text);
    // A modal dialog is about to be shown (the main window lets tests stand
    // in here).
    void DialogOpening(QDialog* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    SkinButton* MakeButton(std::string_view name, std::string_view caption, std::string_view tip);

    KeystrokeRecorder* recorder_ = nullptr;
};

} // namespace tambrel
