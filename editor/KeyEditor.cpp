#include "editor/KeyEditor.h"

#include <algorithm>

#include "common/Folders.h"
#include "common/NumberText.h"
#include "editor/EditorNumbers.h"
#include "input/InputSystem.h"
#include "sound/KeyPlayer.h"
#include "sound/MidiOutput.h"
#include "sound/SoundService.h"

namespace tambrel {

namespace {

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

int Sign(int dir) { return dir > 0 ? 1 : dir < 0 ? -1 : 0; }

} // namespace

std::string FileNotFoundText(const std::string& path) { return "The file \"" + path + "\" is not found"; }

KeyEditor::KeyEditor(ProgramState& st, KeyPlayer& player) : fileExists(FileExists), st_(st), player_(player) {}

KeyEditorView KeyEditor::View() const {
    KeyEditorContext c;
    c.inputOn = input && input->OnOffState() == 1;
    return Describe(st_, c);
}

KeyEditorView KeyEditor::ShowPlayAssignment() {
    KeyEditorView v = View();
    if (v.layer != EditorLayer::Editor) st_.EditKeyValid = kVbFalse;
    return v;
}

void KeyEditor::HidePlayAssignment() {
    st_.EditKeyValid = kVbFalse;
    st_.views.Post(notice::HidePlayAssignment{});
}

KeyAssign* KeyEditor::EditKey(bool sayInvalid) {
    KeyAssign* k = st_.EditKeyValid ? st_.Orc.FindKey(st_.EditAddress()) : nullptr;
    if (!k) {
        if (sayInvalid) st_.shell.Message(kInvalidKeyText, "", MsgButtons::Ok);
        HidePlayAssignment();
    }
    return k;
}

void KeyEditor::ShowKeyIcon() { st_.views.Post(notice::ShowKeyIcon{st_.EditAddress()}); }

bool KeyEditor::Write(std::int32_t& field, std::int32_t value) {
    if (field == value) return false;
    field = value;
    st_.SetModified();
    return true;
}

void KeyEditor::SilenceForChange() {
    player_.StopKey(st_.EditAddress());
    player_.StopDupCopies(st_.EditAddress());
    player_.CancelPending(st_.EditAddress());
}

// ---- sound source and play style ----

void KeyEditor::ChooseSource(std::int32_t sndSrc) {
    KeyAssign* k = EditKey(true);
    if (!k) return;
    if (sndSrc != kSrcNone && sndSrc != kSrcWave && sndSrc != kSrcMidi && sndSrc != kSrcAction) return;
    if (k->SndSrc == sndSrc) return;
    SilenceForChange();
    Write(k->SndSrc, sndSrc);
    st_.views.Post(notice::ShowPlayAssignment{});
    ShowKeyIcon();
}

void KeyEditor::ChooseStyle(std::int32_t playStyl) {
    KeyAssign* k = EditKey(true);
    if (!k) return;
    if (playStyl < kPlayOnce || playStyl > kPlayQueue || k->PlayStyl == playStyl) return;
    SilenceForChange();
    Write(k->PlayStyl, playStyl);
    st_.views.Post(notice::ShowPlayAssignment{});
    ShowKeyIcon();
}

// ---- check boxes ----

void KeyEditor::SetMute(bool on) {
    KeyAssign* k = EditKey();
    if (!k || !Write(k->Mute, on ? kFlagOn : kFlagOff)) return;
    ShowKeyIcon();
    if (FlagOn(k->Mute)) player_.SilenceKey(st_.EditAddress());
}

// A label click toggles its box: 1 becomes 0, anything else 1.
void KeyEditor::ClickMuteLabel() {
    if (const KeyAssign* k = EditKey()) SetMute(!FlagOn(k->Mute));
}

void KeyEditor::SetAllowDup(bool on) {
    if (KeyAssign* k = EditKey()) Write(k->AllowDup, on ? kFlagOn : kFlagOff);
}

void KeyEditor::ClickAllowDupLabel() {
    if (const KeyAssign* k = EditKey()) SetAllowDup(!FlagOn(k->AllowDup));
}

void KeyEditor::SetSaveInFile(bool on) {
    KeyAssign* k = EditKey();
    if (!k) return;
    if (!on && FlagOn(k->SaveInFile) && !IsBlank(k->WavFile) && !(fileExists && fileExists(k->WavFile))) {
        st_.shell.Message(FileNotFoundText(k->WavFile), "", MsgButtons::Ok);
        // The box is ticked again: the panel shows the key anew.
        st_.views.Post(notice::ShowPlayAssignment{});
        return;
    }
    if (Write(k->SaveInFile, on ? kFlagOn : kFlagOff)) st_.views.Post(notice::ShowPlayAssignment{});
}

void KeyEditor::ClickSaveInFileLabel() {
    if (const KeyAssign* k = EditKey()) SetSaveInFile(!FlagOn(k->SaveInFile));
}

// ---- wave ----

void KeyEditor::SelectFile() {
    if (EditKey()) SelectWaveFile(st_, player_);
}

std::string KeyEditor::CommitDelayList(std::string_view text) {
    KeyAssign* k = EditKey();
    if (!k) return {};
    std::string list = NormaliseDelayList(text);
    if (list != k->MultiTimLst) {
        player_.StopDupCopies(st_.EditAddress());
        k->MultiTimLst = list;
        st_.SetModified();
    }
    return list;
}

void KeyEditor::ChooseLoopOption(std::int32_t option) {
    KeyAssign* k = EditKey();
    if (k && Write(k->LoopOption, option == 1 ? kLoopCounted : kLoopContinuous))
        st_.views.Post(notice::ShowPlayAssignment{}); // LoopTimesTxt follows
}

std::string KeyEditor::CommitLoopTimes(std::string_view text) {
    KeyAssign* k = EditKey();
    if (!k) return {};
    const std::int32_t n = RoundOrDefault(TypedNumber(text), kMinLoopTimes, kMaxLoopTimes, kDefaultLoopTimes);
    Write(k->LoopTimes, n);
    return IntText(n);
}

void KeyEditor::ChooseQueue(std::int32_t listIndex) {
    KeyAssign* k = EditKey();
    if (k && listIndex >= 0 && listIndex < static_cast<std::int32_t>(QueueItems().size())) Write(k->QueNo, listIndex);
}

void KeyEditor::ChooseQueueDup(std::int32_t option) {
    KeyAssign* k = EditKey();
    if (k && option >= kQueNoDup && option <= kQueKeepLooping) Write(k->QueDupLoop, option);
}

// ---- MIDI ----

void KeyEditor::SetDrumOn(bool on) {
    KeyAssign* k = EditKey();
    if (!k) return;
    Write(k->DrumOn, on ? kFlagOn : kFlagOff);
    st_.views.Post(notice::ShowPlayAssignment{}); // drum or instrument mode
}

void KeyEditor::ChooseInstrument(std::int32_t listIndex) {
    KeyAssign* k = EditKey();
    if (k && listIndex >= 0 && listIndex < static_cast<std::int32_t>(InstrumentItems().size()))
        Write(k->Instru, listIndex);
}

void KeyEditor::ChooseDrumBank(std::int32_t listIndex) {
    KeyAssign* k = EditKey();
    const auto& data = DrumBankData();
    if (k && listIndex >= 0 && listIndex < static_cast<std::int32_t>(data.size()))
        Write(k->DrumBank, data[static_cast<std::size_t>(listIndex)]);
}

std::string KeyEditor::CommitKeyNoValue(double value) {
    KeyAssign* k = EditKey();
    if (!k) return {};
    const std::int32_t n = RoundClamped(value, 0, kMaxMidiKeyNo);
    if (Write(k->MidiKeyNo, n)) st_.views.Post(notice::ShowPlayAssignment{}); // the drum name follows
    return IntText(n);
}

std::string KeyEditor::CommitKeyNo(std::string_view text) { return CommitKeyNoValue(TypedNumber(text)); }

std::string KeyEditor::StepKeyNo(int dir, std::string_view fieldText) {
    return CommitKeyNoValue(TypedNumber(fieldText) + Sign(dir));
}

std::string KeyEditor::StepKeyNo(int dir) {
    const KeyAssign* k = EditKey();
    return k ? StepKeyNo(dir, IntText(std::clamp(k->MidiKeyNo, 0, kMaxMidiKeyNo))) : std::string();
}

std::string KeyEditor::CommitVelosValue(double value) {
    KeyAssign* k = EditKey();
    if (!k) return {};
    const std::int32_t n = RoundClamped(value, 0, kMaxVelos);
    Write(k->Velos, n);
    return IntText(n);
}

std::string KeyEditor::CommitVelos(std::string_view text) { return CommitVelosValue(TypedNumber(text)); }

std::string KeyEditor::StepVelos(int dir, std::string_view fieldText) {
    return CommitVelosValue(TypedNumber(fieldText) + Sign(dir));
}

std::string KeyEditor::StepVelos(int dir) {
    const KeyAssign* k = EditKey();
    return k ? StepVelos(dir, IntText(k->Velos)) : std::string();
}

std::string KeyEditor::CommitDurMs(double ms) {
    KeyAssign* k = EditKey();
    if (!k) return {};
    const std::int32_t n = RoundClamped(ms, 0, kMaxDurMs);
    Write(k->Dur, n);
    return SecondsText(n / 1000.0);
}

std::string KeyEditor::CommitDur(std::string_view seconds) { return CommitDurMs(TypedNumber(seconds) * 1000.0); }

std::string KeyEditor::StepDur(int dir, std::string_view fieldText) {
    return CommitDurMs(TypedNumber(fieldText) * 1000.0 + Sign(dir) * kDurStepMs);
}

std::string KeyEditor::StepDur(int dir) {
    const KeyAssign* k = EditKey();
    return k ? StepDur(dir, SecondsText(k->Dur / 1000.0)) : std::string();
}

// ---- action ----

void KeyEditor::ChooseActionCommand(std::int32_t listIndex) {
    KeyAssign* k = EditKey();
    if (!k || listIndex < 0 || listIndex >= static_cast<std::int32_t>(ActionCommandItems().size())) return;
    if (!Write(k->ActCmd, listIndex)) return;
    k->ActSub1 = 0;
    st_.views.Post(notice::ShowPlayAssignment{}); // the target list follows
}

void KeyEditor::ChooseActionTarget(std::int32_t listIndex) {
    KeyAssign* k = EditKey();
    if (!k) return;
    std::int32_t count = 0;
    if (k->ActCmd == kActChangeTable) count = st_.Orc.SetNos();
    else if (k->ActCmd == kActStopPlay) count = static_cast<std::int32_t>(StopOptionItems().size());
    if (listIndex >= 0 && listIndex < count) Write(k->ActSub1, listIndex + 1);
}

} // namespace tambrel
