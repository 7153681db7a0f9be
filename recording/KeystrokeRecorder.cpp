#include "recording/KeystrokeRecorder.h"

#include "common/NumberText.h"

namespace tambrel {
namespace {

const std::string kCrLf = "\r\n";

// The wait between two played events, from a difference of recorded times
// in milliseconds: rounded with halves to even, at least 1. Times come from
// files, so a wait that is not a number or is out of range is bounded here.
std::int64_t WaitMs(float ms) {
    if (!(ms >= 1.0f)) return 1; // also NaN
    if (ms >= 2147483647.0f) return 2147483647;
    return RoundHalfEven(static_cast<double>(ms));
}

} // namespace

KeystrokeRecorder::KeystrokeRecorder(ProgramState& st, TimerHost& timers, PlayKeyFn playKey)
    : st_(st), timers_(timers), playKey_(std::move(playKey)) {
    timer_ = timers_.Create([this] { Tick(); });
    ShowCurRecName();
}

KeystrokeRecorder::~KeystrokeRecorder() {
    timers_.Destroy(timer_);
    st_.RecordingInProgress = false;
}

void KeystrokeRecorder::Changed() {
    st_.RecordingInProgress = isRecording_ || playBackState_ != 0;
    st_.views.Post(notice::UpdateRecordingPanel{});
}

void KeystrokeRecorder::FixCurRec() {
    // A stored index of 0 would name no recording: it is treated like a
    // negative one.
    std::int32_t& cur = st_.Orc.CurRec;
    if (cur < 1) cur = 1;
    if (cur > st_.Orc.RecNos()) cur = st_.Orc.RecNos();
}

void KeystrokeRecorder::ShowCurRecName() {
    const Orchestra& orc = st_.Orc;
    if (orc.CurRec >= 1 && orc.CurRec <= orc.RecNos()) {
        const Recording& r = orc.Recordings[static_cast<std::size_t>(orc.CurRec - 1)];
        panel_.label = r.Name + " [" + IntText(r.count()) + "]";
    } else {
        panel_.label = "Recording not found";
    }
    // Not ShowCurRecName: that event is the document asking for this, and
    // the window answers it by calling here.
    st_.views.Post(notice::UpdateRecordingPanel{});
}

void KeystrokeRecorder::StartRecording() {
    if (isRecording_) return;
    panel_.recordStart = false;
    if (playBackState_ != 0) PlayBackControl(2);
    if (st_.Orc.RecNos() < 1) {
        Recording r;
        r.Name = "New";
        st_.Orc.Recordings.push_back(std::move(r));
    }
    FixCurRec();
    keyStrokes_.clear();
    // The exact start on a monotonic clock: times are neither offset by a
    // rounded start nor broken by midnight or a clock change.
    recStartMs_ = timers_.NowMs();
    isRecording_ = true;
    panel_.recordStop = true;
    panel_.label = st_.Orc.Recordings[static_cast<std::size_t>(st_.Orc.CurRec - 1)].Name + " [Now recording]";
    Changed();
}

void KeystrokeRecorder::AppendKeyStroke(DeviceKey press) {
    if (!isRecording_) return;
    KeyStroke k;
    k.KeyNo = press.key.value;
    k.InpDvNo = press.device.value;
    k.time = static_cast<float>(static_cast<double>(timers_.NowMs() - recStartMs_) / 1000.0);
    keyStrokes_.push_back(k);
}

void KeystrokeRecorder::StopRecording() {
    if (!isRecording_) return;
    isRecording_ = false;
    panel_.recordStart = true;
    panel_.recordStop = false;
    Orchestra& orc = st_.Orc;
    // The list cannot change while recording; should the Orchestra have
    // lost its recordings anyway, the take is kept in a new one.
    if (orc.CurRec < 1 || orc.CurRec > orc.RecNos()) {
        Recording r;
        r.Name = "New";
        orc.Recordings.push_back(std::move(r));
        orc.CurRec = orc.RecNos();
    }
    orc.Recordings[static_cast<std::size_t>(orc.CurRec - 1)].events = keyStrokes_;
    // A take is part of the Orchestra: closing or opening another file must
    // offer to save it rather than lose it silently.
    if (!keyStrokes_.empty()) st_.SetModified();
    ShowCurRecName();
    Changed();
}

void KeystrokeRecorder::PlayBackControl(std::int32_t action) {
    if (isRecording_) {
        st_.shell.Message("Recording in progress", "", MsgButtons::Ok);
        return;
    }
    switch (action) {
    case 0: {
        Orchestra& orc = st_.Orc;
        if (orc.RecNos() < 1) {
            st_.shell.Message("No current recording found", "", MsgButtons::Ok);
            return;
        }
        FixCurRec();
        const Recording& r = orc.Recordings[static_cast<std::size_t>(orc.CurRec - 1)];
        if (r.count() < 1) {
            st_.shell.Message(kNotYetRecorded, "", MsgButtons::Ok);
            return;
        }
        keyStrokes_ = r.events;
        playBackPos_ = 0;
        playBackState_ = 1;
        intervalMs_ = 1;
        timers_.Start(timer_, intervalMs_);
        panel_.play = false;
        panel_.pauseResume = panel_.stop = true;
        panel_.pausedImage = false;
        break;
    }
    case 1:
        if (playBackState_ == 1) {
            playBackState_ = 2;
            timers_.Stop(timer_);
            panel_.pausedImage = true;
        } else if (playBackState_ == 2) {
            playBackState_ = 1;
            timers_.Start(timer_, intervalMs_);
            panel_.pausedImage = false;
        } else {
            return;
        }
        break;
    case 2:
        timers_.Stop(timer_);
        playBackState_ = 0;
        playBackPos_ = 0;
        panel_.play = true;
        panel_.pauseResume = panel_.stop = false;
        panel_.pausedImage = false;
        break;
    default: return;
    }
    Changed();
}

void KeystrokeRecorder::Tick() {
    const auto count = static_cast<std::int32_t>(keyStrokes_.size());
    if (playBackState_ == 0 || count < 1) {
        PlayBackControl(2);
        return;
    }
    if (playBackPos_ >= count) playBackPos_ = 0;
    ++playBackPos_;
    const KeyStroke e = keyStrokes_[static_cast<std::size_t>(playBackPos_ - 1)];
    // The wait runs from now, so playing the event is part of it. After the
    // last event comes the first event's own time, the pause a loop makes.
    timers_.Stop(timer_);
    const float next = playBackPos_ == count ? keyStrokes_.front().time
                                             : keyStrokes_[static_cast<std::size_t>(playBackPos_)].time - e.time;
    intervalMs_ = WaitMs(next * 1000.0f);
    timers_.Start(timer_, intervalMs_);

    RouteKeyEvent(st_.Orc, {DeviceNo{e.InpDvNo}, KeyNo{e.KeyNo}}, playKey_);

    if (playBackState_ != 0 && playBackPos_ == count) {
        if (loop_) playBackPos_ = 0;
        else PlayBackControl(2);
    }
}

bool KeystrokeRecorder::OpenRecordingList() {
    if (isRecording_) {
        st_.shell.Message("Recording in progress." + kCrLf + "Stop the recording first.", "", MsgButtons::Ok);
        return false;
    }
    if (playBackState_ != 0) {
        st_.shell.Message("Playing now." + kCrLf + "Stop the playing first.", "", MsgButtons::Ok);
        return false;
    }
    return true;
}

KeystrokeRecorder::ListState KeystrokeRecorder::UpdateList() const {
    ListState s;
    for (const Recording& r : st_.Orc.Recordings) {
        s.names.push_back(r.Name);
        s.counts.push_back(r.count());
    }
    if (st_.Orc.CurRec >= 1 && st_.Orc.CurRec <= st_.Orc.RecNos()) s.selected = st_.Orc.CurRec - 1;
    return s;
}

std::int32_t KeystrokeRecorder::ClickRecordingEntry(std::int32_t entry) {
    if (entry < 0 || entry >= st_.Orc.RecNos()) return -1;
    st_.Orc.CurRec = entry + 1;
    return st_.Orc.Recordings[static_cast<std::size_t>(entry)].count();
}

bool KeystrokeRecorder::AddRecording() {
    const std::string name = st_.shell.Input("Enter a name for the new keystroke recording", "",
                                             "New Recording " + IntText(st_.Orc.RecNos() + 1));
    if (name.empty()) return false;
    Recording r;
    r.Name = name;
    st_.Orc.Recordings.push_back(std::move(r));
    st_.Orc.CurRec = st_.Orc.RecNos();
    st_.SetModified();
    return true;
}

bool KeystrokeRecorder::RenameRecording() {
    Orchestra& orc = st_.Orc;
    if (orc.CurRec < 1 || orc.CurRec > orc.RecNos()) {
        st_.shell.Message("Choose an item in the list", "", MsgButtons::Ok);
        return false;
    }
    Recording& r = orc.Recordings[static_cast<std::size_t>(orc.CurRec - 1)];
    const std::string name = st_.shell.Input("Enter a new name for the current keystroke recording", "", r.Name);
    if (name.empty()) return false;
    r.Name = name;
    st_.SetModified();
    return true;
}

bool KeystrokeRecorder::DeleteRecording() {
    Orchestra& orc = st_.Orc;
    if (orc.RecNos() == 1) {
        st_.shell.Message("Can not delete the last one", "", MsgButtons::Ok);
        return false;
    }
    if (orc.CurRec < 1 || orc.CurRec > orc.RecNos()) {
        st_.shell.Message("Choose an item in the list", "", MsgButtons::Ok);
        return false;
    }
    const auto at = static_cast<std::size_t>(orc.CurRec - 1);
    if (st_.shell.Message(orc.Recordings[at].Name + kCrLf + "Delete the current keystroke list?", "",
                          MsgButtons::YesNo) != MsgAnswer::Yes)
        return false;
    orc.Recordings.erase(orc.Recordings.begin() + static_cast<std::ptrdiff_t>(at));
    if (orc.CurRec > orc.RecNos()) orc.CurRec = orc.RecNos();
    st_.SetModified();
    return true;
}

} // namespace tambrel
