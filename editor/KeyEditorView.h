#pragma once
// What the key assignment editor ("Current Key's Play Assignment") shows, as
// plain data computed from the program state. The panel renders it and
// forwards every act to one KeyEditor command; showing a key never writes
// into the Orchestra. Texts are in the core's code page (Windows-1252) and are
// shown as plain text. Each panel is filled only when it is the one shown.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "boards/LayOutBoard.h" // Rgb
#include "document/ProgramState.h"

namespace tambrel {

// The pictures of a chosen and a not chosen button of a group.
inline constexpr std::string_view kPictureChosen = "ButtonGreen_Up";
inline constexpr std::string_view kPictureNotChosen = "Button_Up";

inline constexpr std::string_view kHintNoKey =
    "Click on a Key (shown right hand side) to make it current to edit/view it's play assignment here.";
inline constexpr std::string_view kHintKeyOutOfLimit =
    "The Key is out of limit of the current SubBoard, You need to increase/correct the no of keys for this SubBoard.";
inline constexpr std::string_view kNoneChosenNote =
    "\"None\" - is choosen. Current Key has no assignment. Choose a Wave, Midi or Action to assign.";

inline constexpr std::string_view kDeviceNotRecognized = "Input device not recognized";
inline constexpr std::string_view kNoDeviceSelected = "No Input Device selected, can not play";

// Which layer of the panel is shown: one of the two hints (IsAsgnFramPic(0)
// with HideLbl(0) or HideLbl(1)) or the editor (IsAsgnFramPic(1)).
enum class EditorLayer { NoKeyHint, KeyOutOfLimitHint, Editor };

inline constexpr Rgb kGreenText{0, 128, 0};
inline constexpr Rgb kNavyText{0, 0, 128};
inline constexpr Rgb kRedText{255, 0, 0};

// One button of a chosen-one-of group (AsgnBtn, StylBtn, MidiStylBtn).
struct ChoiceButtonView {
    std::int32_t index = 0; // the control index: the SndSrc or PlayStyl it sets
    std::string caption;
    std::string picture; // kPictureChosen or kPictureNotChosen
    bool chosen = false;
};

// A list box: its items, their item data where the list has any, the
// selected row (-1: none) and whether it is shown.
struct ListView {
    std::vector<std::string> items;
    std::vector<std::int32_t> itemData;
    std::int32_t selected = -1;
    bool visible = true;
};

// SndSrcFramPic(1): a wave key.
struct WavePanelView {
    bool saveInFile = false; // SaveInFileChk
    std::string fileNameRemLbl, fileNameLbl;
    Rgb fileColour;          // of both file labels
    std::string fileNameTip; // FileNameLbl's tooltip: the two label texts joined
    std::string waveDur;     // "Wave Duration: 1.25 sec"
    bool mute = false;       // MuteChk(0)

    std::array<ChoiceButtonView, 4> styleButtons; // StylBtn(0..3)
    std::int32_t styleFrame = -1;                 // the StylFramPic shown, -1 none (a style no button sets)

    bool allowDup = false;       // style 0: AllowDupChk
    std::string multiTimLst;     // style 1: MultiTimLstTxt
    std::int32_t loopOption = 0; // style 2: the LoopOption chosen, 0 or 1
    bool loopTimesEnabled = false;
    std::string loopTimes;      // LoopTimesTxt
    ListView queue;             // style 3: QueNoCmb
    std::int32_t queueDup = -1; // QueDupLoopOpn chosen, -1 none
};

// SndSrcFramPic(5): a MIDI key. Values out of the lists' ranges are clamped
// for display only.
struct MidiPanelView {
    bool mute = false;   // MuteChk(1)
    bool drumOn = false; // DrumOpn
    // ShowDrumOrInstrument: drum mode shows DrumLbl(0), DrumLbl(1) and
    // DrumCmb; instrument mode shows InstruLbl, InstruCmb, DurLbl2, DurTxt and
    // the Dur_Up arrows.
    bool drumMode = false;
    ListView instrument;  // InstruCmb
    ListView drumBank;    // DrumCmb, item data the kit numbers
    std::string keyNoLbl; // "Key No:" or "Drum No:"
    std::string keyTxt;
    std::string drumName; // DrumLbl(1)
    std::string velosTxt;
    std::string durTxt; // seconds, "0.0##"
    bool durVisible = true;
    ChoiceButtonView styleButton; // MidiStylBtn: always the chosen "Once"
};

// SndSrcFramPic(11): an action key.
struct ActionPanelView {
    ListView command;      // ActCmdCmb
    ListView target;       // ActSub1Cmb
    std::string targetLbl; // ActSub1Lbl
    bool targetLblVisible = true;
};

struct KeyEditorView {
    EditorLayer layer = EditorLayer::NoKeyHint;
    std::string hintText;  // the HideLbl shown on a hint layer
    std::string curKeyLbl; // which key is edited; empty while nothing is

    std::array<ChoiceButtonView, 4> sourceButtons; // AsgnBtn(0), (1), (5), (11)
    std::int32_t sourceFrame = -1;                 // the SndSrcFramPic shown (0, 1, 5, 11), -1 none
    std::string noneNote;                          // SndSrcFramPic(0)'s text
    WavePanelView wave;
    MidiPanelView midi;
    ActionPanelView action;

    // The DLS remark DslLbl's text; the MIDI output tells when it shows
    // (notice::ShowDslRemark).
    std::string dslLbl;
    // Input devices are on: the instrument and drum lists hand the focus back
    // after a choice, so key presses play instead of moving the selection.
    bool listsGiveFocusBack = false;
};

// What the panel needs besides the program state.
struct KeyEditorContext {
    bool inputOn = false;
};

// The panel for the edit key (EditSet, EditBd, EditKey, EditKeyValid).
// Pure: the state is not touched.
KeyEditorView Describe(const ProgramState& st, const KeyEditorContext& context = {});

// The fixed lists the panel offers.
const std::vector<std::string>& InstrumentItems();    // "1. Acoustic Grand Piano" ... "128. Gunshot"
const std::vector<std::string>& DrumBankItems();      // "Standard" ... "SFX"
const std::vector<std::int32_t>& DrumBankData();      // 0, 8, 16, 24, 25, 32, 40, 48, 56
const std::vector<std::string>& QueueItems();         // "First" ... "Fifth"
const std::vector<std::string>& ActionCommandItems(); // "0. Nothing to do", ...
const std::vector<std::string>& StopOptionItems();    // "Stop All", "Stop Midi", "Stop Loop and Queue"

// Fixed captions of the panel's controls.
inline constexpr std::array<std::int32_t, 4> kSourceCodes = {kSrcNone, kSrcWave, kSrcMidi, kSrcAction};
std::string_view SourceCaption(std::int32_t sndSrc);  // "None", "Wave", "Midi", "Action"; "" otherwise
std::string_view StyleCaption(std::int32_t playStyl); // "Once", "Multi", "Loop", "Queue"; "" otherwise
inline constexpr std::array<std::string_view, 2> kLoopOptionCaptions = {"Continuous", "No of Times"};
inline constexpr std::array<std::string_view, 3> kQueueDupCaptions = {"No dup", "Normal", "Loop"};
inline constexpr std::array<std::string_view, 3> kStopButtonCaptions = {"Stop All", "Midi", "Loop+Q"};
inline constexpr std::string_view kSaveInFileCaption = "Save wave in Orchestra file";
inline constexpr std::string_view kMuteCaption = "Mute";
inline constexpr std::string_view kAllowDupCaption = "Allow Duplicate Play";
inline constexpr std::string_view kSelectFileCaption = "Select File";
inline constexpr std::string_view kDetectAgainCaption = "Detect Again";
inline constexpr std::string_view kPanelHeading = "Current Key's Play Assignment";

} // namespace tambrel
