#include <gtest/gtest.h>

#include <sys/stat.h>

#include <stdexcept>

#include "session/DirectXWindows.h"
#include "session/MediaServices.h"
#include "tests/TempDir.h"

using namespace tambrel;
using tambrel::test::TempDir;

namespace {

ServiceStatus Ok() { return {true, {}, {}}; }
ServiceStatus Bad(std::string package) { return {false, "broken", std::move(package)}; }

MediaProbes Probes(ServiceStatus audio, ServiceStatus synth, ServiceStatus input) {
    MediaProbes p;
    p.audioOutput = [audio] { return audio; };
    p.synthesizer = [synth] { return synth; };
    p.inputServer = [input] { return input; };
    return p;
}

} // namespace

TEST(MediaCheck, VersionCountsUsableServicesAndIsSevenWhenAllAre) {
    EXPECT_EQ(GetDxVersion(Probes(Ok(), Ok(), Ok())), 7);
    EXPECT_EQ(GetDxVersion(Probes(Ok(), Bad("p"), Ok())), 2);
    EXPECT_EQ(GetDxVersion(Probes(Bad("a"), Bad("b"), Ok())), 1);
    EXPECT_EQ(GetDxVersion(Probes(Bad("a"), Bad("b"), Bad("c"))), 0);
}

TEST(MediaCheck, AThrowingOrAbsentProbeFailsTheWholeCheck) {
    MediaProbes p = Probes(Ok(), Ok(), Ok());
    p.synthesizer = []() -> ServiceStatus { throw std::runtime_error("probe crashed"); };
    MediaCheck c = CheckMediaServices(p);
    EXPECT_EQ(c.version, 0);
    EXPECT_TRUE(c.checkFailed);
    EXPECT_TRUE(c.missing.empty());
    ASSERT_EQ(MissingServiceLines(c).size(), 1u);
    EXPECT_NE(MissingServiceLines(c)[0].find("probe crashed"), std::string::npos);

    p.synthesizer = nullptr;
    EXPECT_EQ(GetDxVersion(p), 0);
}

TEST(CheckDx7, AllServicesUsableShowsNothing) {
    const CheckDx7View v = LoadCheckDx7(CheckMediaServices(Probes(Ok(), Ok(), Ok())), "/opt/t");
    EXPECT_FALSE(v.NeedToShow);
    EXPECT_EQ(v.message, "A higher version (10) of DirectX is found in your PC. So it is fine.");
    EXPECT_EQ(v.title, "Check DirectX Version for Tambrel");
}

TEST(CheckDx7, SomeServicesMissingNamesTheEarlierVersionAndEachMissingPackage) {
    const CheckDx7View v =
        LoadCheckDx7(CheckMediaServices(Probes(Ok(), Bad("timgm6mb-soundfont"), Bad("tambrel-orchestra"))), "/opt/t");
    EXPECT_TRUE(v.NeedToShow);
    EXPECT_EQ(v.message, "This software requires DirectX7 or higher to run.\n"
                         "An earlier version (DirectX1) is found in your PC.\n"
                         "Please install DirectX7 (or higher) before running it");
    ASSERT_EQ(v.missing.size(), 2u);
    EXPECT_EQ(v.missing[0], "Missing on this computer: the built-in synthesizer (broken). "
                            "The Debian package timgm6mb-soundfont brings it.");
    EXPECT_NE(v.missing[1].find("the input server TambrelOrchestraDll"), std::string::npos);
    EXPECT_EQ(v.links.rfind("Links to Download DirectX7a:\r\n", 0), 0u);
    EXPECT_EQ(v.help.file, "/opt/t/TambrelOrchestra.html");
    EXPECT_EQ(v.help.anchor, "troubleshooting-sound");
}

TEST(CheckDx7, NothingUsableOrAFailedCheckReportsTheDetectionError) {
    for (const MediaCheck& c : {CheckMediaServices(Probes(Bad("a"), Bad("b"), Bad("c"))), CheckMediaServices({})}) {
        const CheckDx7View v = LoadCheckDx7(c, "/x");
        EXPECT_TRUE(v.NeedToShow);
        EXPECT_EQ(v.message, "This software requires DirectX7 or higher to run.\n"
                             "There was an error detecting DirectX version in your PC.\n"
                             "Please install DirectX7 (or higher) before running it");
        EXPECT_FALSE(v.missing.empty());
    }
}

TEST(CheckDx7, ASoundThreadWithoutRealtimePrioritySaysWhatToDoEvenWhenAllIsThere) {
    struct Row {
        const char* name;
        bool probed; // a realtime probe at all
        RealtimeGrant grant;
        bool audioUsable;
        bool shown;
        const char* lineHolds; // empty: no line about it
    };
    const Row rows[] = {
        {"NoProbe", false, {}, true, false, ""},
        {"Granted", true, {true, true, 20, "RTKit", {}}, true, false, ""},
        {"Refused", true, {true, false, 0, {}, "Operation not permitted"}, true, true, "not granted"},
        {"RefusedBesideAMissingService", true, {true, false, 0, {}, "no"}, false, true, "-aG pipewire"},
        {"NoSoundToCheck", true, {}, false, true, "not checked"},
    };
    for (const Row& r : rows) {
        MediaProbes p = Probes(r.audioUsable ? Ok() : Bad("pipewire-audio"), Ok(), Ok());
        if (r.probed) {
            p.realtime = [&r] { return r.grant; };
            p.realtimeGroups = [] { return std::vector<std::string>{"pipewire"}; };
        }
        const CheckDx7View v = LoadCheckDx7(CheckMediaServices(p), "/opt/t");
        EXPECT_EQ(v.NeedToShow, r.shown) << r.name;
        bool said = false;
        for (const std::string& line : v.missing) said = said || line.find("Real-time priority") != std::string::npos;
        EXPECT_EQ(said, *r.lineHolds != 0) << r.name;
        if (*r.lineHolds) {
            EXPECT_NE(v.missing.back().find(r.lineHolds), std::string::npos) << r.name << ": " << v.missing.back();
        }
    }
}

TEST(DxDnLoad, FixedTextsAndTheStartRoutinesErrorLine) {
    const DxDnLoadView v = DxDnLoadDescription("/p");
    EXPECT_EQ(v.title, "DirectX7 Error (Download Directx7a)");
    EXPECT_EQ(v.errorLine, "Could Not Initilize DirectX");
    EXPECT_EQ(v.explanation, "If you are using Win95/98: You need to install DirectX7 or higher. Below here are some "
                             "links to download DirectX7a, Click on it to download.");
    EXPECT_EQ(v.note, "(Some of the links may not work in future, please search the internet and find if needed)");
    EXPECT_EQ(v.close, "Close");
    EXPECT_EQ(v.links.size(), 3u);
    ASSERT_EQ(v.missing.size(), 1u);
    EXPECT_NE(v.missing[0].find("pipewire-audio"), std::string::npos);
}

TEST(MediaProbeRules, SynthesizerNeedsFluidSynthAndARealSoundFont) {
    TempDir dir;
    EXPECT_EQ(SynthesizerStatus(false, dir.Path(), {}).package, "libfluidsynth3");
    ServiceStatus none = SynthesizerStatus(true, dir.Path(), {dir.File("absent.sf2")});
    EXPECT_FALSE(none.usable);
    EXPECT_EQ(none.package, "timgm6mb-soundfont");

    const std::string fake = dir.Write("fake.sf2", "RIFF\x10\0\0\0WAVEfmt ");
    EXPECT_FALSE(IsSoundFontFile(fake));
    EXPECT_FALSE(SynthesizerStatus(true, dir.Path(), {fake}).usable);
    const std::string real = dir.Write("real.sf2", std::string("RIFF\x10\0\0\0sfbkLIST", 16));
    EXPECT_TRUE(IsSoundFontFile(real));
    EXPECT_TRUE(SynthesizerStatus(true, dir.Path(), {fake + ".no", real}).usable);
    // The program folder's own SoundFont comes first, as the synthesizer takes it.
    dir.Write("TbOrch.sf2", "short");
    EXPECT_FALSE(SynthesizerStatus(true, dir.Path(), {real}).usable);
}

TEST(MediaProbeRules, InputServerMustBeThereAndRunnable) {
    TempDir dir;
    EXPECT_FALSE(InputServerStatus(dir.File("TambrelOrchestraDll")).usable);
    const std::string server = dir.Write("TambrelOrchestraDll", "#!/bin/sh\n");
    EXPECT_FALSE(InputServerStatus(server).usable);
    chmod(server.c_str(), 0755);
    EXPECT_TRUE(InputServerStatus(server).usable);
    EXPECT_FALSE(AudioOutputStatus(false, "no driver").usable);
    EXPECT_NE(AudioOutputStatus(false, "no driver").problem.find("no driver"), std::string::npos);
}
