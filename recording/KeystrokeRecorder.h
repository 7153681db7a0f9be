#pragma once
// Keystroke recording and playback: the state machine behind the main
// window's "Recording and Playback:" panel and the recording-list dialog.
// Recording stores the live key events with their times into the current
// recording; playback feeds a recording's events, at their recorded
// intervals, through the same routing as live keys.
//
// Times are taken from the TimerHost's monotonic clock, measured from the
// exact moment recording started. User-interface thread only.

#include <cstdint>
#include <string>
#include <vector>

#include "common/TimerHost.h"
#include "document/ProgramState.h"
#include "input/InputSystem.h"

namespace tambrel {

// The refusal to play back a recording without key presses.
inline constexpr char kNotYetRecorded[] = "Current recording in not yet recorded";

class KeystrokeRecorder final : public KeyStrokeSink {
public:
    KeystrokeRecorder(ProgramState& st, TimerHost& timers, PlayKeyFn playKey);
    ~KeystrokeRecorder();
    KeystrokeRecorder(const KeystrokeRecorder&) = delete;
    KeystrokeRecorder& operator=(const KeystrokeRecorder&) = delete;

    // What the panel shows, label included; the view redraws it on
    // UpdateRecordingPanel. ShowCurRecName goes the other way: the document
    // asks the window to have the label worked out again.
    struct Panel {
        bool recordStart = true, recordStop = false;         // record button items 0 and 1
        bool play = true, pauseResume = false, stop = false; // playback button items 0, 1, 2
        bool pausedImage = false;                            // the pause/resume button shows its second image
        std::string label;                                   // the current-recording label
    };
    const Panel& PanelState() const { return panel_; }

    // Record button items 0 and 1.
    void StartRecording();
    void StopRecording();
    // A live key event while recording.
    void AppendKeyStroke(DeviceKey press) override;
    // 0 play, 1 pause or resume, 2 stop; anything else does nothing.
    void PlayBackControl(std::int32_t action);
    // The loop check box.
    void SetLoop(bool on) { loop_ = on; }
    bool Loop() const { return loop_; }
    // The current-recording label: "name [count]" or "Recording not found".
    void ShowCurRecName();

    bool IsRecording() const override { return isRecording_; }
    std::int32_t PlayBackState() const { return playBackState_; }
    std::int32_t PlayBackPos() const { return playBackPos_; }
    // The keystroke buffer: the events being recorded or being played.
    const std::vector<KeyStroke>& KeyStrokes() const { return keyStrokes_; }

    // The recording-list dialog. Open refuses (with its message) while
    // recording or playing; false means the dialog is not shown.
    bool OpenRecordingList();
    struct ListState {
        std::vector<std::string> names;
        std::vector<std::int32_t> counts; // the key strokes of each
        std::int32_t selected = -1;       // 0-based entry, -1 for none
    };
    ListState UpdateList() const;
    // A click on entry (0-based): that recording becomes current; returns
    // its keystroke count for the "Key Strokes:" label, or -1 for no entry.
    std::int32_t ClickRecordingEntry(std::int32_t entry);
    // Add, Rename and Delete return true when the list changed.
    bool AddRecording();
    bool RenameRecording();
    bool DeleteRecording();
    // After the dialog closed.
    void CloseRecordingList() { ShowCurRecName(); }

private:
    void Tick();
    // Brings the program-wide flag and the panel up to date.
    void Changed();
    // The current recording, made valid as recording and playback need it.
    void FixCurRec();

    ProgramState& st_;
    TimerHost& timers_;
    PlayKeyFn playKey_;
    TimerHost::TimerId timer_;
    std::int64_t intervalMs_ = 1;

    bool isRecording_ = false;
    std::int64_t recStartMs_ = 0;
    std::vector<KeyStroke> keyStrokes_;
    std::int32_t playBackState_ = 0;
    std::int32_t playBackPos_ = 0;
    bool loop_ = false;
    Panel panel_;
};

} // namespace tambrel
