#pragma once
// The key assignment editor's commands: one per control of the panel, each
// applying its rule to the edit key (EditSet, EditBd, EditKey) and writing
// the Orchestra directly. A command changes a field only when the new value
// differs from the stored one, and then sets FileModified. With no valid edit
// key every command hides the editor instead (the source and style buttons
// say "Invalid Key" first).
//
// The panel learns what to show from View() (or ShowPlayAssignment() on the
// ShowPlayAssignment notice); commands that change what is shown beyond their
// own control post notice::ShowPlayAssignment, and ShowKeyIcon where the
// key's icon changes.
//
// User-interface thread only; never blocks.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "document/ProgramState.h"
#include "editor/KeyEditorView.h"

namespace tambrel {

class KeyPlayer;
class InputSystem;

inline constexpr std::string_view kInvalidKeyText = "Invalid Key";

// Ranges and steps of the number fields.
inline constexpr std::int32_t kMaxMidiKeyNo = 127;
inline constexpr std::int32_t kMaxVelos = 255;
inline constexpr std::int32_t kMaxDurMs = 10000;
inline constexpr std::int32_t kDurStepMs = 100;
inline constexpr std::int32_t kMinLoopTimes = 1, kMaxLoopTimes = 1000, kDefaultLoopTimes = 10;

// "The file "PATH" is not found"
std::string FileNotFoundText(const std::string& path);

class KeyEditor {
public:
    KeyEditor(ProgramState& st, KeyPlayer& player);

    // Whether a wave file still exists at a path; replaceable for tests.
    std::function<bool(const std::string&)> fileExists;
    // Where the input on/off state is read; none: off.
    const InputSystem* input = nullptr;

    // What the panel shows now. Pure.
    KeyEditorView View() const;
    // The display routine: the view, and when it shows a hint because the
    // edit key names nothing that can be edited, EditKeyValid becomes false
    // (the one thing showing changes, and only in the edit cursor).
    KeyEditorView ShowPlayAssignment();
    // The hint layer: EditKeyValid false, HidePlayAssignment notified.
    void HidePlayAssignment();

    // ---- sound source and play style buttons ----
    // AsgnBtn(sndSrc), sndSrc one of 0, 1, 5, 11. The key stops sounding and
    // drops what it has pending before the change.
    void ChooseSource(std::int32_t sndSrc);
    // StylBtn(playStyl), 0..3.
    void ChooseStyle(std::int32_t playStyl);

    // ---- check boxes; the Click...Label commands are their labels ----
    void SetMute(bool on); // MuteChk(0) and MuteChk(1)
    void ClickMuteLabel();
    void SetAllowDup(bool on);
    void ClickAllowDupLabel();
    // Clearing it while the wave is stored inside and its file is gone is
    // refused with a message: the wave would be lost with the next save.
    void SetSaveInFile(bool on);
    void ClickSaveInFileLabel();

    // ---- wave ----
    void SelectFile(); // "Select File"
    // MultiTimLstTxt left (or Enter): returns the normalised list to show.
    std::string CommitDelayList(std::string_view text);
    void ChooseLoopOption(std::int32_t option); // LoopOption(0/1)
    // LoopTimesTxt left: returns the text to show.
    std::string CommitLoopTimes(std::string_view text);
    void ChooseQueue(std::int32_t listIndex); // QueNoCmb
    void ChooseQueueDup(std::int32_t option); // QueDupLoopOpn(0..2)

    // ---- MIDI ----
    void SetDrumOn(bool on);                       // DrumOpn
    void ChooseInstrument(std::int32_t listIndex); // InstruCmb
    void ChooseDrumBank(std::int32_t listIndex);   // DrumCmb
    // Commits (Enter) return the text the field shows afterwards. A step
    // (dir > 0: the up arrow, index 0; dir < 0: the down arrow) starts from
    // the field's current text, or from what the field shows for the key
    // when none is given.
    std::string CommitKeyNo(std::string_view text);
    std::string StepKeyNo(int dir);
    std::string StepKeyNo(int dir, std::string_view fieldText);
    std::string CommitVelos(std::string_view text);
    std::string StepVelos(int dir);
    std::string StepVelos(int dir, std::string_view fieldText);
    std::string CommitDur(std::string_view seconds);
    std::string StepDur(int dir);
    std::string StepDur(int dir, std::string_view fieldText);

    // ---- action ----
    void ChooseActionCommand(std::int32_t listIndex); // ActCmdCmb
    void ChooseActionTarget(std::int32_t listIndex);  // ActSub1Cmb

private:
    // The edit key when it is valid; otherwise hides the editor (after the
    // "Invalid Key" message when asked) and gives nullptr.
    KeyAssign* EditKey(bool sayInvalid = false);
    void ShowKeyIcon();
    // Writes value into field when it differs; true when it did.
    bool Write(std::int32_t& field, std::int32_t value);
    // Before a change of source or style: nothing of the old assignment may
    // sound afterwards.
    void SilenceForChange();
    std::string CommitKeyNoValue(double value);
    std::string CommitVelosValue(double value);
    std::string CommitDurMs(double ms);

    ProgramState& st_;
    KeyPlayer& player_;
};

} // namespace tambrel
