#pragma once
// The program-wide state every part reaches: the one Orchestra, the edit
// cursor, the modified flag, the device list and the folders. One instance
// lives from start-up to exit; the app owns it, tests make their own.

#include <cstdint>
#include <string>
#include <vector>

#include "common/Shell.h"
#include "document/Orchestra.h"
#include "document/InputDevice.h"
#include "document/Notices.h"

namespace tambrel {

// What the document asks of the sound engine, which lies above it: New and
// Open silence everything before the Orchestra is replaced.
class SoundEngine {
public:
    virtual ~SoundEngine() = default;
    // "Stop All".
    virtual void StopAllSounds() = 0;
};

struct ProgramState {
    explicit ProgramState(Shell& s) : shell(s) {}

    // Texts, questions and dialogs.
    Shell& shell;
    // What changed, for the windows to catch up with.
    Views views;

    Orchestra Orc;
    VbBool FileModified = kVbFalse;
    std::int32_t EditSet = 0, EditBd = 0, EditKey = 0;
    VbBool EditKeyValid = kVbFalse;
    // The edit cursor as a key address, whether or not it names a key.
    KeyAddress EditAddress() const { return {PlayBoardNo{EditSet}, SubBoardNo{EditBd}, KeyNo{EditKey}}; }

    std::vector<InputDevice> InputDevices; // device d is InputDevices[d - 1]
    std::string KeyboardName = "Keyboard"; // this computer's name for its keyboard
    std::string MouseName = "Mouse";

    std::string AppPath;      // the program folder, no trailing "/"
    std::string TempPath;     // ends in "/"
    std::string LastUsedPath; // ends in "/"
    std::string LastOpenedFile;
    std::string LastChosenWave; // the wave file chosen last since start-up
    bool ErrorTrapping = true;
    // Set while a keystroke recording or playback runs; file commands refuse then.
    bool RecordingInProgress = false;
    // The sound engine while there is one (the key player sets itself).
    SoundEngine* soundEngine = nullptr;

    std::int32_t DeviceCount() const { return static_cast<std::int32_t>(InputDevices.size()); }
    const InputDevice* Device(std::int32_t d) const {
        return d >= 1 && d <= DeviceCount() ? &InputDevices[static_cast<std::size_t>(d - 1)] : nullptr;
    }
    void SetModified() { FileModified = kVbTrue; }
};

} // namespace tambrel
