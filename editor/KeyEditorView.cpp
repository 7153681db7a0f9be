#include "editor/KeyEditorView.h"

#include <algorithm>

#include "common/NumberText.h"
#include "editor/EditorNumbers.h"
#include "sound/MidiOutput.h"
#include "sound/StyleFile.h"

namespace tambrel {

namespace {

ChoiceButtonView Button(std::int32_t index, std::string_view caption, bool chosen) {
    return {index, std::string(caption), std::string(chosen ? kPictureChosen : kPictureNotChosen), chosen};
}

ListView List(const std::vector<std::string>& items, std::int32_t selected) {
    ListView l;
    l.items = items;
    l.selected = selected >= 0 && selected < static_cast<std::int32_t>(items.size()) ? selected : -1;
    return l;
}

// VB's Trim: blanks only.
bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

void DescribeStyle(const KeyAssign& k, WavePanelView& w) {
    for (std::int32_t i = 0; i < 4; ++i)
        w.styleButtons[static_cast<std::size_t>(i)] = Button(i, StyleCaption(i), k.PlayStyl == i);
    w.styleFrame = k.PlayStyl >= kPlayOnce && k.PlayStyl <= kPlayQueue ? k.PlayStyl : -1;
    switch (k.PlayStyl) {
    case kPlayOnce: w.allowDup = FlagOn(k.AllowDup); break;
    case kPlayMulti: w.multiTimLst = k.MultiTimLst; break;
    case kPlayLoop:
        w.loopOption = k.LoopOption == kLoopCounted ? 1 : 0;
        w.loopTimesEnabled = k.LoopOption == kLoopCounted;
        w.loopTimes = IntText(k.LoopTimes);
        break;
    case kPlayQueue:
        w.queue = List(QueueItems(), k.QueNo);
        w.queueDup = k.QueDupLoop >= kQueNoDup && k.QueDupLoop <= kQueKeepLooping ? k.QueDupLoop : -1;
        break;
    default: break;
    }
}

void DescribeWave(const KeyAssign& k, WavePanelView& w) {
    w.saveInFile = FlagOn(k.SaveInFile);
    if (IsBlank(k.WavFile)) {
        w.fileNameRemLbl = "File name: ";
        w.fileNameLbl = "Please select a wave file";
        w.fileColour = kGreenText;
    } else if (FlagOn(k.SaveInFile)) {
        w.fileNameRemLbl = "Original file name: ";
        w.fileNameLbl = k.WavFile;
        w.fileColour = kNavyText;
    } else if (k.WaveDur <= 0.0f) {
        w.fileNameRemLbl = "File needed: ";
        w.fileNameLbl = k.WavFile;
        w.fileColour = kRedText;
    } else {
        w.fileNameRemLbl = "Current file in use: ";
        w.fileNameLbl = k.WavFile;
        w.fileColour = kNavyText;
    }
    w.fileNameTip = w.fileNameRemLbl + w.fileNameLbl;
    w.waveDur = "Wave Duration: " + SecondsText(static_cast<double>(k.WaveDur)) + " sec";
    w.mute = FlagOn(k.Mute);
    DescribeStyle(k, w);
}

void DescribeMidi(const KeyAssign& k, MidiPanelView& m) {
    m.mute = FlagOn(k.Mute);
    m.drumOn = FlagOn(k.DrumOn);
    m.drumMode = m.drumOn;
    m.instrument = List(InstrumentItems(), std::clamp(k.Instru, 0, 127));
    m.instrument.visible = !m.drumMode;
    m.drumBank = List(DrumBankItems(), 0);
    m.drumBank.itemData = DrumBankData();
    const auto& data = DrumBankData();
    const auto found = std::find(data.begin(), data.end(), k.DrumBank);
    m.drumBank.selected = found == data.end() ? 0 : static_cast<std::int32_t>(found - data.begin());
    m.drumBank.visible = m.drumMode;
    m.keyNoLbl = m.drumMode ? "Drum No:" : "Key No:";
    const std::int32_t note = std::clamp(k.MidiKeyNo, 0, 127);
    m.keyTxt = IntText(note);
    m.drumName = DrumNames()[static_cast<std::size_t>(note)];
    m.velosTxt = IntText(k.Velos);
    m.durTxt = SecondsText(k.Dur / 1000.0);
    m.durVisible = !m.drumMode;
    m.styleButton = Button(kPlayOnce, StyleCaption(kPlayOnce), true);
}

void DescribeActionTarget(const Orchestra& o, std::int32_t command, std::int32_t target, ActionPanelView& a) {
    a.target = {};
    a.target.visible = false;
    a.targetLblVisible = true;
    switch (command) {
    case kActNothing: a.targetLbl = "Nothing to do"; break;
    case kActChangeTable: {
        std::vector<std::string> names;
        for (const PlayBoard& pb : o.PlayBoards) names.push_back(pb.SetNam);
        a.target = List(names, target - 1);
        a.targetLbl = "Choose Playboard:";
        break;
    }
    case kActStopPlay:
        a.target = List(StopOptionItems(), target - 1);
        a.targetLbl = "Choose a stop option:";
        break;
    default:
        // A command no list item names: nothing to choose from.
        a.targetLbl.clear();
        a.targetLblVisible = false;
        break;
    }
}

} // namespace

KeyEditorView Describe(const ProgramState& st, const KeyEditorContext& context) {
    KeyEditorView v;
    // The label shows the text plainly: the doubled ampersand is one.
    for (std::size_t i = 0; i < kDslLblText.size(); ++i) {
        v.dslLbl += kDslLblText[i];
        if (kDslLblText[i] == '&' && i + 1 < kDslLblText.size() && kDslLblText[i + 1] == '&') ++i;
    }
    v.listsGiveFocusBack = context.inputOn;
    v.hintText = std::string(kHintNoKey);
    for (std::size_t i = 0; i < kSourceCodes.size(); ++i)
        v.sourceButtons[i] = Button(kSourceCodes[i], SourceCaption(kSourceCodes[i]), false);

    const Orchestra& o = st.Orc;
    if (!st.EditKeyValid || !o.ValidSet(st.EditSet)) return v;
    const PlayBoard& pb = o.Set(st.EditSet);
    if (st.EditBd < 1 || st.EditBd > pb.BodNos()) return v;
    const SubBoard& sb = pb.Bd(st.EditBd);

    const std::int32_t d = sb.InpDevNo;
    std::int32_t deviceKeys = 0;
    if (d < 0 || d > st.DeviceCount()) {
        v.curKeyLbl = std::string(kDeviceNotRecognized);
    } else if (d == 0) {
        v.curKeyLbl = std::string(kNoDeviceSelected);
    } else {
        const InputDevice& dev = *st.Device(d);
        deviceKeys = dev.KeyCount;
        if (st.EditKey >= 1 && st.EditKey <= deviceKeys) {
            const auto i = static_cast<std::size_t>(st.EditKey - 1);
            v.curKeyLbl = "Key: " + (i < dev.KeyLabels.size() ? dev.KeyLabels[i] : std::string());
        } else {
            v.curKeyLbl = "Key: None, no: " + IntText(st.EditKey);
        }
    }

    if (st.EditKey < 1 || st.EditKey > sb.KeyNos()) {
        if (st.EditKey > sb.KeyNos() && st.EditKey <= deviceKeys) {
            v.layer = EditorLayer::KeyOutOfLimitHint;
            v.hintText = std::string(kHintKeyOutOfLimit);
        }
        return v;
    }

    v.layer = EditorLayer::Editor;
    v.hintText.clear();
    const KeyAssign& k = sb.Key(st.EditKey);
    for (ChoiceButtonView& b : v.sourceButtons) {
        b.chosen = b.index == k.SndSrc;
        b.picture = std::string(b.chosen ? kPictureChosen : kPictureNotChosen);
    }
    switch (k.SndSrc) {
    case kSrcNone:
        v.sourceFrame = kSrcNone;
        v.noneNote = std::string(kNoneChosenNote);
        break;
    case kSrcWave:
        v.sourceFrame = kSrcWave;
        DescribeWave(k, v.wave);
        break;
    case kSrcMidi:
        v.sourceFrame = kSrcMidi;
        DescribeMidi(k, v.midi);
        break;
    case kSrcAction:
        v.sourceFrame = kSrcAction;
        v.action.command = List(ActionCommandItems(), k.ActCmd);
        DescribeActionTarget(o, k.ActCmd, k.ActSub1, v.action);
        break;
    default: break; // a source no button sets: no panel
    }
    return v;
}

const std::vector<std::string>& InstrumentItems() {
    static const std::vector<std::string> items = [] {
        std::vector<std::string> v;
        const auto& names = GmProgramNames();
        for (std::size_t i = 0; i < names.size(); ++i)
            v.push_back(IntText(static_cast<std::int64_t>(i + 1)) + ". " + names[i]);
        return v;
    }();
    return items;
}

const std::vector<std::string>& DrumBankItems() {
    static const std::vector<std::string> items = {"Standard", "Room",  "Power",     "Electronic", "TR-808",
                                                   "Jazz",     "Brush", "Orchestra", "SFX"};
    return items;
}

const std::vector<std::int32_t>& DrumBankData() {
    static const std::vector<std::int32_t> data = {0, 8, 16, 24, 25, 32, 40, 48, 56};
    return data;
}

const std::vector<std::string>& QueueItems() {
    static const std::vector<std::string> items = {"First", "Second", "Third", "Fourth", "Fifth"};
    return items;
}

const std::vector<std::string>& ActionCommandItems() {
    static const std::vector<std::string> items = {"0. Nothing to do", "1. Change Table", "2. Stop Play!"};
    return items;
}

const std::vector<std::string>& StopOptionItems() {
    static const std::vector<std::string> items = {"Stop All", "Stop Midi", "Stop Loop and Queue"};
    return items;
}

std::string_view SourceCaption(std::int32_t sndSrc) {
    switch (sndSrc) {
    case kSrcNone: return "None";
    case kSrcWave: return "Wave";
    case kSrcMidi: return "Midi";
    case kSrcAction: return "Action";
    default: return "";
    }
}

std::string_view StyleCaption(std::int32_t playStyl) {
    switch (playStyl) {
    case kPlayOnce: return "Once";
    case kPlayMulti: return "Multi";
    case kPlayLoop: return "Loop";
    case kPlayQueue: return "Queue";
    default: return "";
    }
}

} // namespace tambrel
