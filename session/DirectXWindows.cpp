#include "session/DirectXWindows.h"

namespace tambrel {

namespace {

// The packages that bring the media services, as the text box lists them.
constexpr std::string_view kPackageList = "pipewire-audio  (the audio output; or pulseaudio)\r\n"
                                          "libsdl2-2.0-0  (the audio library)\r\n"
                                          "libfluidsynth3  (the built-in synthesizer)\r\n"
                                          "timgm6mb-soundfont  (its General MIDI SoundFont; or fluid-soundfont-gm)\r\n"
                                          "tambrel-orchestra  (the program with its input server)";

} // namespace

HelpLink SoundTroubleshootingLink(std::string_view dataFolder) {
    HelpLink link;
    link.file = std::string(dataFolder) + "/" + std::string(kHelpFileName);
    link.anchor = std::string(kSoundTroubleshootingTopic);
    link.text = "Help: troubleshooting sound and input";
    return link;
}

CheckDx7View LoadCheckDx7(const MediaCheck& check, std::string_view dataFolder) {
    CheckDx7View v;
    v.title = "Check DirectX Version for Tambrel";
    v.message = "A higher version (10) of DirectX is found in your PC. So it is fine.";
    v.links = "Links to Download DirectX7a:\r\n" + std::string(kPackageList);
    v.help = SoundTroubleshootingLink(dataFolder);

    const std::string first = "This software requires DirectX7 or higher to run.\n";
    const std::string advice = "Please install DirectX7 (or higher) before running it";
    const int ver = check.version;
    if (ver >= 7) {
        // Every service is there; a sound thread without real-time priority
        // is still worth the user's while, with what to do about it.
        v.NeedToShow = check.realtimeRefused;
        if (check.realtimeRefused) v.missing.push_back(check.realtime);
        return v;
    }
    std::string message;
    if (ver >= 1) message = "An earlier version (DirectX" + std::to_string(ver) + ") is found in your PC.\n" + advice;
    else message = "There was an error detecting DirectX version in your PC.\n" + advice;
    v.message = first + message;
    v.missing = MissingServiceLines(check);
    if (!check.realtime.empty()) v.missing.push_back(check.realtime);
    v.NeedToShow = true;
    return v;
}

DxDnLoadView DxDnLoadDescription(std::string_view dataFolder) {
    DxDnLoadView v;
    v.title = "DirectX7 Error (Download Directx7a)";
    v.errorLine = "Could Not Initilize DirectX";
    v.explanation =
        "If you are using Win95/98: You need to install DirectX7 or higher. Below here are some links to download "
        "DirectX7a, Click on it to download.";
    v.links = {"https://packages.debian.org/stable/pipewire-audio", "https://packages.debian.org/stable/libsdl2-2.0-0",
               "https://packages.debian.org/stable/timgm6mb-soundfont"};
    v.note = "(Some of the links may not work in future, please search the internet and find if needed)";
    v.close = "Close";
    // The audio system is what failed here.
    MediaCheck audio;
    audio.missing.push_back({MediaService::AudioOutput, AudioOutputStatus(false, "")});
    v.missing = MissingServiceLines(audio);
    v.help = SoundTroubleshootingLink(dataFolder);
    return v;
}

} // namespace tambrel
