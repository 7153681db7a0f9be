#include "sound/AudioChoice.h"

#include <algorithm>

#include "common/CodePage.h"
#include "common/NumberText.h"

namespace tambrel {

namespace {

// No settings value holds a line break: it stands for a key that is absent.
constexpr std::string_view kAbsent = "\n";

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Device names come from the audio system in UTF-8; the status panel and the
// menus take the core's code page. Control characters are not shown.
std::string Shown(std::string_view utf8) {
    std::string s = Utf8ToCp1252(utf8);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return s;
}

std::string Quoted(std::string_view device) { return "\"" + Shown(device) + "\""; }

// The sizes offered, for the texts: "64, 128, 256, 512 or 1024".
std::string ChoicesText() {
    std::string s;
    for (std::size_t i = 0; i < kBufferFrameChoices.size(); ++i) {
        if (i > 0) s += i + 1 == kBufferFrameChoices.size() ? " or " : ", ";
        s += IntText(kBufferFrameChoices[i]);
    }
    return s;
}

std::string Joined(const std::vector<std::string>& notes, const std::string& last) {
    std::string s;
    for (const std::string& n : notes) s += n + " ";
    return s + last;
}

} // namespace

StoredAudioChoice ReadAudioChoice(const Settings& settings) {
    StoredAudioChoice stored;
    const std::string device = settings.ReadSettingUncut(kAudioSection, "Device", kAbsent);
    if (device != kAbsent) stored.choice.device = device;
    const std::string frames = settings.ReadSetting(kAudioSection, "BufferFrames", kAbsent);
    if (frames == kAbsent) return stored;
    // Only exactly one of the offered sizes is taken: anything else was not
    // written by the program, and a wrong buffer can make every press late.
    const std::string_view digits = Trimmed(frames);
    int value = 0;
    bool valid = !digits.empty() && digits.size() <= 5 &&
                 std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (valid) {
        for (char c : digits) value = value * 10 + (c - '0');
        valid = IsBufferChoice(value);
    }
    if (valid) {
        stored.choice.bufferFrames = value;
    } else {
        stored.problem = "The stored buffer size \"" + Shown(frames) + "\" is not one of " + ChoicesText() +
                         " frames: " + IntText(kDefaultBufferFrames) + " frames are used.";
    }
    return stored;
}

void WriteAudioChoice(const Settings& settings, const AudioChoice& choice) {
    settings.WriteSettings(kAudioSection, {{"Device", choice.device}, {"BufferFrames", IntText(choice.bufferFrames)}});
}

bool IsBufferChoice(int frames) {
    return std::find(kBufferFrameChoices.begin(), kBufferFrameChoices.end(), frames) != kBufferFrameChoices.end();
}

std::string BufferText(int frames, int rate) {
    std::string s = IntText(frames) + " frames";
    if (rate <= 0) return s;
    // Tenths of a millisecond, rounded, written without the locale's comma.
    const long long tenths = (static_cast<long long>(frames) * 10000 + rate / 2) / rate;
    return s + " (" + IntText(tenths / 10) + "." + IntText(tenths % 10) + " ms)";
}

std::string BackendText(std::string_view backend) {
    static constexpr std::pair<std::string_view, std::string_view> kNames[] = {
        {"pipewire", "PipeWire"},
        {"pulseaudio", "PulseAudio"},
        {"alsa", "ALSA"},
        {"jack", "JACK"},
        {"sndio", "sndio"},
        {"dsp", "OSS"},
        {"disk", "SDL's disk writer"},
        {"dummy", "SDL's silent dummy output"},
    };
    for (const auto& [name, text] : kNames)
        if (name == backend) return std::string(text);
    if (backend.empty()) return "an unknown audio system";
    return Shown(backend);
}

std::string SoundText(std::string_view backend, std::string_view device, int frames, int rate) {
    std::string s = "Sound: " + BackendText(backend);
    if (!device.empty()) s += " on " + Quoted(device);
    return s + ", " + BufferText(frames, rate) + " at " + IntText(rate) + " Hz";
}

AudioOpening OpenAudioOutput(AudioOutput& output, const StoredAudioChoice& wanted,
                             const std::vector<std::string>& devices, const AudioOutput::RenderFn& render) {
    AudioOpening result;
    std::vector<std::string> notes;
    if (!wanted.problem.empty()) notes.push_back(wanted.problem);
    AudioChoice choice = wanted.choice;
    if (!choice.device.empty() && std::find(devices.begin(), devices.end(), choice.device) == devices.end()) {
        notes.push_back("The sound device " + Quoted(choice.device) + " is not there: the default device is used.");
        choice.device.clear();
    }
    const AudioChoice fallback;
    for (;;) {
        std::string error;
        output.Choose(choice.device, choice.bufferFrames);
        if (output.Start(render, error)) {
            result.ok = true;
            result.opened = choice;
            result.status =
                Joined(notes, SoundText(output.Backend(), choice.device, output.BufferFrames(), output.Rate()));
            return result;
        }
        if (choice == fallback) {
            result.error = error;
            result.status = Joined(notes, "No sound device could be opened (" + Shown(error) + ").");
            return result;
        }
        notes.push_back("The sound device " + (choice.device.empty() ? std::string("Default") : Quoted(choice.device)) +
                        " did not open with " + IntText(choice.bufferFrames) + " frames (" + Shown(error) +
                        "): the default device with " + IntText(kDefaultBufferFrames) + " frames is used.");
        choice = fallback;
    }
}

MenuItems AudioDeviceMenu(const std::vector<std::string>& devices, std::string_view current) {
    MenuItems items;
    items.push_back({std::string(kDefaultDeviceText), true, true, current.empty()});
    for (const std::string& d : devices) items.push_back({Shown(d), true, true, !current.empty() && d == current});
    return items;
}

MenuItems BufferMenu(int currentFrames, int rate) {
    MenuItems items;
    for (int frames : kBufferFrameChoices)
        items.push_back({BufferText(frames, rate), true, true, frames == currentFrames});
    return items;
}

} // namespace tambrel
