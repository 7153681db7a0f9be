#pragma once
// The sound device the user chose and the buffer it plays with. Kept in the
// settings file's section "Audio" (keys "Device" and "BufferFrames"), used
// from the next start on, and at once when chosen in the "Audio Output" menu.
// A stored device that is gone, a stored buffer size that is not one of the
// offered ones, or an output that refuses to open falls back (to the default
// device, to 256 frames, or to both) and the status panel says so: the
// program never starts silent without a word. User-interface thread.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/AudioOutput.h"
#include "common/MenuItem.h"
#include "common/Settings.h"

namespace tambrel {

inline constexpr std::string_view kAudioSection = "Audio";
inline constexpr int kDefaultBufferFrames = 256;
// The sizes the "Buffer" menu offers, in frames.
inline constexpr std::array<int, 5> kBufferFrameChoices{64, 128, 256, 512, 1024};
// The menu beside "Midi Port", its "Buffer" submenu, its first item (the
// system's default device), and the tips of their items.
inline constexpr std::string_view kAudioOutputMenuText = "Audio Output";
inline constexpr std::string_view kBufferMenuText = "Buffer";
inline constexpr std::string_view kDefaultDeviceText = "Default";
inline constexpr std::string_view kAudioDeviceTip = "Play the sound through this device (every sound stops)";
inline constexpr std::string_view kBufferTip =
    "Play with this buffer: smaller sounds sooner, larger is safer on a busy computer (every sound stops)";
// How the program's stream presents itself to the desktop's mixers, beside
// its name (the program's title): the desktop entry's icon, and the media
// role of a live instrument (PipeWire's word, then PulseAudio's).
inline constexpr std::string_view kAudioIconName = "tambrel-orchestra";
inline constexpr std::string_view kAudioStreamRole = "Production";
inline constexpr std::string_view kPulseStreamRole = "production";

struct AudioChoice {
    std::string device; // as the audio system names it (UTF-8); empty: the default device
    int bufferFrames = kDefaultBufferFrames;
    bool operator==(const AudioChoice&) const = default;
};

// What the settings file holds. A "BufferFrames" that is not exactly one of
// the offered sizes reads as 256, with problem saying so.
struct StoredAudioChoice {
    AudioChoice choice;
    std::string problem; // empty when what was stored is used as it is
};

StoredAudioChoice ReadAudioChoice(const Settings& settings);
void WriteAudioChoice(const Settings& settings, const AudioChoice& choice);

bool IsBufferChoice(int frames);
// "128 frames (2.7 ms)" at rate frames per second.
std::string BufferText(int frames, int rate);
// The audio system's name in the user's words ("pipewire" is "PipeWire").
std::string BackendText(std::string_view backend);
// What the status panel says while the output plays: "Sound: PipeWire,
// 128 frames (2.7 ms) at 48000 Hz", naming a device that is not the default.
std::string SoundText(std::string_view backend, std::string_view device, int frames, int rate);

// The outcome of opening the output.
struct AudioOpening {
    bool ok = false;
    AudioChoice opened; // what plays now (when ok)
    std::string status; // what the status panel says: the fallbacks taken, then SoundText
    std::string error;  // when not ok: the audio system's own description
};

// Opens output with the wanted choice, falling back as described above:
// a device not among devices is replaced by the default one before
// opening; a choice that will not open is tried again as the default device
// with 256 frames. Not ok only when that fails too.
AudioOpening OpenAudioOutput(AudioOutput& output, const StoredAudioChoice& wanted,
                             const std::vector<std::string>& devices, const AudioOutput::RenderFn& render);

// The "Audio Output" menu: "Default" first, then every device, the one
// playing checked. Items are in the core's code page.
MenuItems AudioDeviceMenu(const std::vector<std::string>& devices, std::string_view current);
// The "Buffer" menu: every offered size with its milliseconds at rate, the
// current size checked.
MenuItems BufferMenu(int currentFrames, int rate);

} // namespace tambrel
