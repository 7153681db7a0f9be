#include "session/MediaServices.h"

#include <unistd.h>

#include <exception>
#include <fstream>

#include "common/Folders.h"
#include "sound/MidiPorts.h"

namespace tambrel {

namespace {

ServiceStatus Usable() { return {true, {}, {}}; }
ServiceStatus Missing(std::string problem, std::string_view package) {
    return {false, std::move(problem), std::string(package)};
}

} // namespace

MediaCheck CheckMediaServices(const MediaProbes& probes) {
    MediaCheck check;
    const std::pair<MediaService, const std::function<ServiceStatus()>*> order[] = {
        {MediaService::AudioOutput, &probes.audioOutput},
        {MediaService::Synthesizer, &probes.synthesizer},
        {MediaService::InputServer, &probes.inputServer}};
    int usable = 0;
    try {
        for (const auto& [service, probe] : order) {
            if (!*probe) {
                check.checkFailed = true;
                check.failure = "the check of " + std::string(ServiceName(service)) + " is not available";
                break;
            }
            ServiceStatus s = (*probe)();
            if (s.usable) ++usable;
            else check.missing.push_back({service, std::move(s)});
        }
    } catch (const std::exception& e) {
        check.checkFailed = true;
        check.failure = e.what();
    } catch (...) {
        check.checkFailed = true;
        check.failure = "an unknown error";
    }
    if (check.checkFailed) {
        check.missing.clear();
        check.version = 0;
    } else {
        check.version = usable == 3 ? 7 : usable;
    }
    // Not a service of its own: without it the program plays, but may
    // crackle or come late on a busy computer.
    if (!check.checkFailed && probes.realtime) {
        try {
            const RealtimeGrant grant = probes.realtime();
            const std::vector<std::string> groups =
                probes.realtimeGroups ? probes.realtimeGroups() : std::vector<std::string>{};
            check.realtime = RealtimeLine(grant, groups);
            check.realtimeRefused = grant.checked && !grant.granted;
        } catch (...) {
            check.realtime.clear();
        }
    }
    return check;
}

int GetDxVersion(const MediaProbes& probes) { return CheckMediaServices(probes).version; }

std::string_view ServiceName(MediaService service) {
    switch (service) {
    case MediaService::AudioOutput: return "the audio output";
    case MediaService::Synthesizer: return "the built-in synthesizer";
    case MediaService::InputServer: return "the input server TambrelOrchestraDll";
    }
    return "a media service";
}

std::vector<std::string> MissingServiceLines(const MediaCheck& check) {
    std::vector<std::string> lines;
    if (check.checkFailed) {
        lines.push_back("The media services of this computer could not be checked (" + check.failure + ").");
        return lines;
    }
    for (const MissingService& m : check.missing) {
        std::string line = "Missing on this computer: " + std::string(ServiceName(m.service));
        if (!m.status.problem.empty()) line += " (" + m.status.problem + ")";
        line += ". The Debian package " + (m.status.package.empty() ? std::string(kProgramPackage) : m.status.package) +
                " brings it.";
        lines.push_back(std::move(line));
    }
    return lines;
}

ServiceStatus AudioOutputStatus(bool opened, std::string_view error) {
    if (opened) return Usable();
    std::string problem = "no sound device can be opened";
    if (!error.empty()) problem += ": " + std::string(error);
    return Missing(std::move(problem), kAudioPackage);
}

ServiceStatus SynthesizerStatus(bool builtIn, std::string_view appPath, const std::vector<std::string>& soundFonts) {
    if (!builtIn) return Missing("this copy of the program was built without FluidSynth", kSynthesizerPackage);
    const std::string found = FindSoundFont(appPath, soundFonts);
    if (found.empty()) return Missing("no General MIDI SoundFont was found", kSoundFontPackage);
    if (!IsSoundFontFile(found)) return Missing("the SoundFont " + found + " cannot be read", kSoundFontPackage);
    return Usable();
}

ServiceStatus InputServerStatus(const std::string& serverPath) {
    if (!FileExists(serverPath)) return Missing(serverPath + " is not there", kProgramPackage);
    if (access(serverPath.c_str(), X_OK) != 0) return Missing(serverPath + " cannot be run", kProgramPackage);
    return Usable();
}

bool IsSoundFontFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[12] = {};
    if (!in.read(head, sizeof head)) return false;
    return std::string_view(head, 4) == "RIFF" && std::string_view(head + 8, 4) == "sfbk";
}

} // namespace tambrel
