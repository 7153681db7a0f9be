#pragma once
// The buttons beside the key assignment editor: Play, the key popup's Play,
// the three stops, the input-devices ON/OFF ball and "Detect Again".
// User-interface thread only.

#include <cstdint>
#include <functional>
#include <string_view>

#include "document/ProgramState.h"

namespace tambrel {

class KeyPlayer;
class InputSystem;

inline constexpr std::string_view kSelectSourceText = "Select sound source and try to play";

class EditorButtons {
public:
    // detect runs device detection and rebuilds the device menus (the
    // program's DetectInputDevices); none: the input system detects and the
    // menus are asked to follow.
    EditorButtons(ProgramState& st, KeyPlayer& player, InputSystem& input, std::function<void()> detect = {});

    // PlayBtn: plays the edit key. A valid key without a sound source says
    // so; with no valid edit key nothing happens.
    void Play();
    // The key popup's "Play": the current key of the current Sub Board of
    // the active Play Board.
    void PlayPopupKey();
    // StopBtn(option): kStopAll, kStopMidi or kStopLoopAndQueue.
    void Stop(int option);
    // DiAcuireOpn changed by the user: on acquires every input device, off
    // releases them; the ball then shows the state.
    void SetInputOn(bool on);
    bool InputOn() const;
    // DetectDevBtn: detection again, then the device menus, every board view
    // and the editor are rebuilt for the new device list.
    void DetectAgain();

private:
    ProgramState& st_;
    KeyPlayer& player_;
    InputSystem& input_;
    std::function<void()> detect_;
};

} // namespace tambrel
