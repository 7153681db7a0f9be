#include "editor/StatusTips.h"

#include "sound/MidiOutput.h"

namespace tambrel {

namespace {
constexpr std::string_view kWaveTip =
    "Choose this button to assign a wave file sound for current key. Green button is chosen";
constexpr std::string_view kInputLblTip =
    "Input devices can be made ON or OFF, using the round bulb here, make it OFF(red) while editing, make it ON(green) while playing";
constexpr std::string_view kMuteTip = "Check this to Mute the current key with out clearing the assignment";
constexpr std::string_view kInstruTip = "Choose a Instrument Bank here";
constexpr std::string_view kDrumBankTip = "Choose a Drum Bank here";
} // namespace

const std::vector<std::pair<std::string_view, std::string_view>>& StatusTips() {
    static const std::vector<std::pair<std::string_view, std::string_view>> tips = {
        {"AsgnBtn(1)", kWaveTip},
        {"AsgnBtn(5)", "Choose this button to assign a MIDI sound for current key. Green button is chosen"},
        {"AsgnBtn(11)", "Choose this button to assign an action command for current key. Green button is chosen"},
        {"AsgnBtn(0)", "Choose this to button clear the sound for current key. Green button is chosen"},
        {"StylBtn(0)",
         "Choose this button to play the sound once for every pressing of the key. Green button is chosen"},
        {"StylBtn(1)",
         "Choose this button to play the sound multiple times (as per delay play times) for every pressing of the key. Green button is chosen"},
        {"StylBtn(2)",
         "Choose this button to start and stop loop playing the sound for every pressing of the key. Green button is chosen"},
        {"StylBtn(3)",
         "Choose this button to queue the sound to play, once for every pressing of the key. Green button is chosen"},
        {"MidiStylBtn", "Midi always plays once, clicking this has no effect"},
        {kTipSourceHeading, "Green button is the sound source assigned it to current key, choose another to change"},
        {kTipWaveStyleHeading, "Green button is the play style assigned it to current key, choose another to change"},
        {kTipMidiStyleHeading, "Green button is the play style assigned it to current key, no other choice for midi"},
        {"AllowDupChk",
         "Check this to allow the same sound to play more then once at the same time, uncheck to not to allow that"},
        {"MultiTimLstTxt",
         "Enter the delay play times in seconds, to play the sound multiple times, use commas \",\" in-between to separate numbers"},
        {"LoopOption(0)", "Choose this option to loop play the sound Continuously/Endlessly"},
        {"LoopOption(1)", "Choose this option loop play for required no of times"},
        {"LoopTimesTxt", "Enter the no of times to loop"},
        {"QueNoCmb", "Choose a Queue to follow"},
        {"QueDupLoopOpn(0)",
         "No duplicate - Do not allow the same key to stay in queue more then one instance at a time"},
        {"QueDupLoopOpn(1)", "Allow the same sound to stay in queue more then once as you press keys, no looping done"},
        {"QueDupLoopOpn(2)",
         "Keep looping the same sound until another key comes in queue, pressing the same key while looping will stop the looping"},
        {"MuteChk(0)", kMuteTip},
        {"MuteChk(1)", kMuteTip},
        {"SaveInFileChk",
         "Check this to save the wave sound (of current key) with in Orchestra file, Uncheck to leave the file in its place and just use it"},
        {"FileNameLbl", "Wave file shown here is chosen to play for current key"},
        {"WaveDur", "Duration of wave sound to play for current key, in seconds"},
        {kTipSelectFile,
         "Click here to browse your hard disk and choose an existing wave file to play for current key, You can reselect the same file to refresh the sound"},
        {"DrumOpn", "ON(green) this to use Drum banks, OFF(gray) this to use Instruments bank"},
        {"InstruCmb", kInstruTip},
        {"InstruLbl", kInstruTip},
        {"DrumCmb", kDrumBankTip},
        {"DrumLbl(0)", kDrumBankTip},
        {"DrumLbl(1)", "Drum name to play is shown here, change the Key No below here to change the drum"},
        {"KeyTxt", "Midi Key No for instruments and drum no for drum, Click to edit, Use Arrow to change"},
        {"Key_Up(0)", "Increase Key No / Drum no"},
        {"Key_Up(1)", "Decrease Key No / Drum no"},
        {"VelosTxt", "Key Velocity, Click to edit, Use Arrow to change"},
        {"Velos_Up(0)", "Increase Velocity"},
        {"Velos_Up(1)", "Decrease Velocity"},
        {"DurTxt", "Duration for instruments and drum, Click to edit, Use Arrow to change"},
        {"Dur_Up(0)", "Increase Midi Duration"},
        {"Dur_Up(1)", "Decrease Midi Duration"},
        {"DurLbl2", "Use the small arrows below here to change the duration"},
        {"DslLbl", kDslLblTip},
        {"CurKeyLbl", "Current Key being edited"},
        {"CurPlyBdLbl", "Current/Active Play Board being used for playing"},
        {"StopBtn(0)", "Stops all sounds"},
        {"StopBtn(1)", "Stops all midi sounds only"},
        {"StopBtn(2)", "Stops all looping sounds and queued sounds only"},
        {"DiAcuireOpn", "Put ON or OFF all the orchestra input devices for playing"},
        {"DiAcuireLbl", kInputLblTip},
        {"DetectDevBtn", "Detect the input devices once again, use this button if you connect a new device"},
        {kTipStopHeading, "Use any of the STOP buttons here to stop the corresponding sound"},
        {kTipAssignmentHeading,
         "View and Edit the sound assigned to a key, click on a key name under Sub Board to choose a key to View/Edit"},
        {kTipActiveBoardHeading, "Active Play Board name (that gets your input of keyboard and other devices)"},
        {kTipInputHeading, kInputLblTip},
    };
    return tips;
}

std::string_view StatusTip(std::string_view control) {
    for (const auto& [name, tip] : StatusTips())
        if (name == control) return tip;
    return {};
}

} // namespace tambrel
