#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>

#include "audio/Mixer.h"
#include "common/VirtualClock.h"
#include "document/WaveBuffers.h"
#include "session/Program.h"
#include "sound/AudioChoice.h"
#include "sound/KeyPlayer.h"
#include "sound/Realtime.h"
#include "input/InputProtocol.h"
#include "tests/FakeInputLink.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

// An output on a made-up audio system: lists devices, refuses the
// device/buffer pairs it is told to, and remembers every Start.
class ScriptedOutput : public MemoryAudioOutput {
public:
    ScriptedOutput() : MemoryAudioOutput(48000, 256) {}
    std::vector<std::string> devices{"Speakers", "Tambrel Test Sink"};
    std::set<std::pair<std::string, int>> refused; // (device, frames); frames 0: any
    bool refuseAll = false;
    std::vector<AudioChoice> started;
    int stops = 0;

    void Choose(const std::string& device, int frames) override { chosen_ = {device, frames}; }
    std::vector<std::string> Devices() override { return devices; }
    std::string Backend() const override { return "pipewire"; }
    int BufferFrames() const override { return chosen_.bufferFrames; }
    bool Start(RenderFn render, std::string& error) override {
        if (refuseAll || refused.count({chosen_.device, chosen_.bufferFrames}) || refused.count({chosen_.device, 0})) {
            error = "Device or resource busy";
            return false;
        }
        started.push_back(chosen_);
        return MemoryAudioOutput::Start(std::move(render), error);
    }
    void Stop() override {
        ++stops;
        MemoryAudioOutput::Stop();
    }

private:
    AudioChoice chosen_;
};

struct StoredCase {
    const char* name;
    const char* ini; // the settings file's text; empty: no file
    AudioChoice expected;
    const char* problemHolds; // empty: no problem
};

class StoredAudio : public ::testing::TestWithParam<StoredCase> {};

TEST_P(StoredAudio, IsReadAndAnythingButAnOfferedSizeIsReplaced) {
    TempDir d;
    const std::string path = d.File("TambrelOrchestra.ini");
    if (*GetParam().ini) d.Write("TambrelOrchestra.ini", GetParam().ini);
    const StoredAudioChoice s = ReadAudioChoice(Settings(path));
    EXPECT_EQ(s.choice, GetParam().expected);
    if (*GetParam().problemHolds) EXPECT_NE(s.problem.find(GetParam().problemHolds), std::string::npos) << s.problem;
    else EXPECT_EQ(s.problem, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredAudio,
    ::testing::Values(
        StoredCase{"NoFile", "", {"", 256}, ""},
        StoredCase{"NoSection", "[General]\nLastUsedPath=/tmp/\n", {"", 256}, ""},
        StoredCase{"Both", "[Audio]\nDevice=Tambrel Test Sink\nBufferFrames=128\n", {"Tambrel Test Sink", 128}, ""},
        StoredCase{"EmptyDeviceIsTheDefault", "[audio]\ndevice=\nbufferframes=1024\n", {"", 1024}, ""},
        StoredCase{"BlanksAroundTheNumber", "[Audio]\nBufferFrames= 64 \n", {"", 64}, ""},
        StoredCase{
            "Words",
            "[Audio]\nDevice=Speakers\nBufferFrames=abc\n",
            {"Speakers", 256},
            "The stored buffer size \"abc\" is not one of 64, 128, 256, 512 or 1024 frames: 256 frames are used."},
        StoredCase{"NotOffered", "[Audio]\nBufferFrames=100\n", {"", 256}, "\"100\""},
        StoredCase{"Negative", "[Audio]\nBufferFrames=-64\n", {"", 256}, "\"-64\""},
        StoredCase{"TrailingJunk", "[Audio]\nBufferFrames=128ms\n", {"", 256}, "\"128ms\""},
        StoredCase{"Huge", "[Audio]\nBufferFrames=99999999999999999999\n", {"", 256}, "is not one of"},
        StoredCase{"Empty", "[Audio]\nBufferFrames=\n", {"", 256}, "\"\""},
        StoredCase{"Fraction", "[Audio]\nBufferFrames=128.0\n", {"", 256}, "\"128.0\""}),
    [](const auto& info) { return info.param.name; });

TEST(StoredAudio, WhatIsWrittenReadsBackWholeKeepingTheOtherSettings) {
    TempDir d;
    const Settings settings(d.File("TambrelOrchestra.ini"));
    settings.WriteSetting("Midi", "PortNo", "2");
    // A long UTF-8 name, beyond the 99 characters other settings are cut to.
    const std::string device = "Cafe\xc3\xa9 USB Audio " + std::string(120, 'x');
    WriteAudioChoice(settings, {device, 512});
    EXPECT_EQ(ReadAudioChoice(settings).choice, (AudioChoice{device, 512}));
    WriteAudioChoice(settings, {"", 64});
    EXPECT_EQ(ReadAudioChoice(settings).choice, (AudioChoice{"", 64}));
    EXPECT_EQ(settings.ReadSetting("Midi", "PortNo", "0"), "2");
}

TEST(AudioTexts, BufferSizesWithTheirMillisecondsAndTheBackendsByName) {
    struct Row {
        int frames, rate;
        const char* text;
    };
    for (const Row& r : {Row{64, 48000, "64 frames (1.3 ms)"}, Row{128, 48000, "128 frames (2.7 ms)"},
                         Row{256, 48000, "256 frames (5.3 ms)"}, Row{512, 48000, "512 frames (10.7 ms)"},
                         Row{1024, 48000, "1024 frames (21.3 ms)"}, Row{256, 44100, "256 frames (5.8 ms)"},
                         Row{480, 48000, "480 frames (10.0 ms)"}, Row{256, 0, "256 frames"}})
        EXPECT_EQ(BufferText(r.frames, r.rate), r.text);
    EXPECT_EQ(SoundText("pipewire", "", 128, 48000), "Sound: PipeWire, 128 frames (2.7 ms) at 48000 Hz");
    EXPECT_EQ(SoundText("pulseaudio", "Tambrel Test Sink", 256, 48000),
              "Sound: PulseAudio on \"Tambrel Test Sink\", 256 frames (5.3 ms) at 48000 Hz");
    EXPECT_EQ(SoundText("alsa", "Caf\xc3\xa9\n", 64, 44100),
              "Sound: ALSA on \"Caf\xe9 \", 64 frames (1.5 ms) at 44100 Hz")
        << "shown in the core's code page, control characters blanked";
    EXPECT_EQ(BackendText("disk"), "SDL's disk writer");
    EXPECT_EQ(BackendText("newthing"), "newthing");
    EXPECT_EQ(BackendText(""), "an unknown audio system");
}

struct OpenCase {
    const char* name;
    StoredAudioChoice wanted;
    std::set<std::pair<std::string, int>> refused;
    bool refuseAll;
    bool ok;
    AudioChoice opened;
    std::vector<AudioChoice> tried; // the Starts that succeeded, in order
    std::vector<const char*> statusHolds;
};

class OpeningTheOutput : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpeningTheOutput, FallsBackToTheDefaultAnd256AndSaysSo) {
    const OpenCase& c = GetParam();
    ScriptedOutput out;
    out.refused = c.refused;
    out.refuseAll = c.refuseAll;
    const AudioOpening r = OpenAudioOutput(out, c.wanted, out.devices, [](float*, int) {});
    EXPECT_EQ(r.ok, c.ok);
    if (c.ok) {
        EXPECT_EQ(r.opened, c.opened);
    }
    EXPECT_EQ(out.started, c.tried);
    for (const char* part : c.statusHolds) EXPECT_NE(r.status.find(part), std::string::npos) << r.status;
    if (!c.ok) {
        EXPECT_EQ(r.error, "Device or resource busy");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpeningTheOutput,
    ::testing::Values(
        OpenCase{"TheDefault",
                 {{"", 256}, ""},
                 {},
                 false,
                 true,
                 {"", 256},
                 {{"", 256}},
                 {"Sound: PipeWire, 256 frames (5.3 ms) at 48000 Hz"}},
        OpenCase{"TheStoredDevice",
                 {{"Tambrel Test Sink", 128}, ""},
                 {},
                 false,
                 true,
                 {"Tambrel Test Sink", 128},
                 {{"Tambrel Test Sink", 128}},
                 {"Sound: PipeWire on \"Tambrel Test Sink\", 128 frames (2.7 ms) at 48000 Hz"}},
        OpenCase{"AGoneDeviceGivesWayToTheDefaultKeepingItsBuffer",
                 {{"USB Headset", 128}, ""},
                 {},
                 false,
                 true,
                 {"", 128},
                 {{"", 128}},
                 {"The sound device \"USB Headset\" is not there: the default device is used. Sound: PipeWire, 128"}},
        OpenCase{"AGarbageBufferIsSaidBeforeWhatPlays",
                 {{"Speakers", 256}, "The stored buffer size \"x\" is wrong."},
                 {},
                 false,
                 true,
                 {"Speakers", 256},
                 {{"Speakers", 256}},
                 {"The stored buffer size \"x\" is wrong. Sound: PipeWire on \"Speakers\""}},
        OpenCase{"ARefusingDeviceFallsBackToTheDefaultWith256",
                 {{"Speakers", 64}, ""},
                 {{"Speakers", 0}},
                 false,
                 true,
                 {"", 256},
                 {{"", 256}},
                 {"The sound device \"Speakers\" did not open with 64 frames (Device or resource busy): the default "
                  "device with 256 frames is used. Sound: PipeWire, 256 frames"}},
        OpenCase{"ARefusedSmallBufferOnTheDefaultFallsBackTo256",
                 {{"", 64}, ""},
                 {{"", 64}},
                 false,
                 true,
                 {"", 256},
                 {{"", 256}},
                 {"The sound device Default did not open with 64 frames"}},
        OpenCase{"NothingOpensAtAll",
                 {{"Speakers", 128}, ""},
                 {},
                 true,
                 false,
                 {},
                 {},
                 {"did not open with 128 frames", "No sound device could be opened (Device or resource busy)."}}),
    [](const auto& info) { return info.param.name; });

TEST(AudioMenus, DefaultFirstThenEveryDeviceAndEveryBufferWithTheCurrentChecked) {
    const std::vector<std::string> devices{"Speakers", "Caf\xc3\xa9"};
    const MenuItems onDefault = AudioDeviceMenu(devices, "");
    ASSERT_EQ(onDefault.size(), 3u);
    EXPECT_EQ(onDefault[0], (MenuItem{"Default", true, true, true}));
    EXPECT_EQ(onDefault[1], (MenuItem{"Speakers", true, true, false}));
    EXPECT_EQ(onDefault[2], (MenuItem{"Caf\xe9", true, true, false}));
    const MenuItems onCafe = AudioDeviceMenu(devices, "Caf\xc3\xa9");
    EXPECT_FALSE(onCafe[0].Checked);
    EXPECT_TRUE(onCafe[2].Checked);
    EXPECT_FALSE(AudioDeviceMenu(devices, "Gone")[0].Checked) << "what plays is not in the list: nothing is checked";

    const MenuItems buffers = BufferMenu(128, 48000);
    ASSERT_EQ(buffers.size(), 5u);
    const char* texts[] = {"64 frames (1.3 ms)", "128 frames (2.7 ms)", "256 frames (5.3 ms)", "512 frames (10.7 ms)",
                           "1024 frames (21.3 ms)"};
    for (std::size_t i = 0; i < buffers.size(); ++i) {
        EXPECT_EQ(buffers[i].Caption, texts[i]);
        EXPECT_EQ(buffers[i].Checked, i == 1) << i;
    }
}

struct LimitsCase {
    const char* name;
    const char* text;
    std::vector<std::string> groups;
};

class RealtimeLimits : public ::testing::TestWithParam<LimitsCase> {};

TEST_P(RealtimeLimits, NameTheGroupsGrantedRealtimePriority) {
    EXPECT_EQ(RealtimeGroups(GetParam().text), GetParam().groups);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RealtimeLimits,
    ::testing::Values(LimitsCase{"DebianPipewireGroup", "@pipewire - rtprio 95\n@pipewire - nice -19\n", {"pipewire"}},
                      LimitsCase{
                          "Jack", "# comment\n@audio   -  rtprio     95\n@audio - memlock unlimited\n", {"audio"}},
                      LimitsCase{"SoftHardAndUnlimitedOnce", "@rt soft rtprio 50\n@rt hard rtprio unlimited\n", {"rt"}},
                      LimitsCase{"UsersZeroAndCommentsAreNoGrant",
                                 "alice - rtprio 95\n@zero - rtprio 0\n#@audio - rtprio 95\n@x - rtprio\n@y nonsense "
                                 "rtprio 9\n",
                                 {}},
                      LimitsCase{"Garbage", "\x01\x02 @\n@ - rtprio 5\n\n\n", {}}),
    [](const auto& info) { return info.param.name; });

TEST(RealtimeLimits, TheSystemsFilesAreLimitsConfThenEachConfInLimitsD) {
    TempDir d;
    std::filesystem::create_directories(d.File("limits.d"));
    d.Write("limits.conf", "@audio - rtprio 95\n");
    d.Write("limits.d/95-pipewire.conf", "@pipewire - rtprio 95\n");
    d.Write("limits.d/10-other.conf", "@realtime hard rtprio 99\n");
    d.Write("limits.d/notes.txt", "@ignored - rtprio 99\n");
    EXPECT_EQ(SystemRealtimeGroups(d.Path()), (std::vector<std::string>{"audio", "realtime", "pipewire"}));
    EXPECT_TRUE(SystemRealtimeGroups(d.File("not-there")).empty());
}

TEST(RealtimeLimits, TheCheckSaysWhatWasGrantedOrWhatToDo) {
    EXPECT_EQ(RealtimeLine({true, true, 80, "the system's limits", {}}, {}),
              "Real-time priority for the sound: granted (priority 80, by the system's limits).");
    const std::string refused = RealtimeLine({true, false, 0, {}, "Operation not permitted"}, {"pipewire"});
    EXPECT_NE(refused.find("not granted (Operation not permitted)"), std::string::npos) << refused;
    EXPECT_NE(refused.find("sudo usermod -aG pipewire $USER"), std::string::npos) << refused;
    EXPECT_NE(refused.find("sudo apt install rtkit"), std::string::npos) << refused;
    EXPECT_NE(RealtimeLine({true, false, 0, {}, {}}, {"pipewire", "audio"}).find("-aG audio"), std::string::npos)
        << "the audio group first, where it has the limits";
    EXPECT_NE(RealtimeLine({true, false, 0, {}, {}}, {}).find("/etc/security/limits.d/"), std::string::npos);
    EXPECT_NE(RealtimeLine({}, {}).find("not checked"), std::string::npos);
}

// The program with the scripted output, on a new Orchestra.
struct AudioProgramRig {
    TestState t{{{"Keyboard", 128}}};
    TempDir dir;
    Settings settings{dir.File("TambrelOrchestra.ini")};
    VirtualClock clock;
    ScriptedOutput output;
    std::unique_ptr<Program> program;

    AudioProgramRig() { t.st.AppPath = dir.Path(); }
    void Start() {
        InstrumentSeams seams(clock);
        // An input server that answers and finds no device.
        seams.inputLink = FakeLinksFinding();
        program = std::make_unique<Program>(t.st, settings, std::move(seams), output);
        ASSERT_TRUE(program->Start(""));
    }
    // The sound of frames pulled from the output now: its loudest sample.
    float Peak(int frames) {
        const std::size_t from = output.Frames().size();
        output.Pull(frames);
        float peak = 0.0f;
        for (std::size_t i = from; i < output.Frames().size(); ++i)
            peak = std::max(peak, std::fabs(output.Frames()[i]));
        return peak;
    }
};

TEST(ProgramAudio, TheStartSaysWhatPlaysAfterEverythingElse) {
    AudioProgramRig rig;
    rig.settings.WriteSettings("Audio", {{"Device", "USB Headset"}, {"BufferFrames", "lots"}});
    rig.Start();
    ASSERT_FALSE(rig.t.shell.statuses.empty());
    EXPECT_EQ(rig.t.shell.statuses.back(),
              "The stored buffer size \"lots\" is not one of 64, 128, 256, 512 or 1024 frames: 256 frames are used. "
              "The sound device \"USB Headset\" is not there: the default device is used. Sound: PipeWire, 256 frames "
              "(5.3 ms) at 48000 Hz");
    for (const auto& m : rig.t.shell.messages) ADD_FAILURE() << "no box at the start: " << m.text;
    EXPECT_EQ(rig.settings.ReadSetting("Audio", "Device", "kept"), "USB Headset")
        << "the stored choice stays for when the device is back";
}

TEST(ProgramAudio, ChoosingReopensTheOutputStopsEverySoundAndKeepsTheChoice) {
    AudioProgramRig rig;
    rig.Start();
    ProgramState& st = rig.t.st;
    // A hundred keys looping until pressed again.
    std::vector<std::uint8_t> bytes(2 * 4800);
    for (std::size_t i = 1; i < bytes.size(); i += 2) bytes[i] = 0x01;
    const auto wave = std::make_shared<SoundBuffer>(WaveFormat{16, 1, 48000}, std::move(bytes));
    for (std::int32_t k = 1; k <= 100; ++k) {
        KeyAssign& key = st.Orc.Set(st.Orc.CurSet).Bd(1).Key(k);
        key.SndSrc = kSrcWave;
        key.PlayStyl = kPlayLoop;
        key.LoopOption = kLoopContinuous;
        key.SndBuf = wave->Duplicate();
        key.WavBytes = 2 * 4800;
        CalcWaveDur(key);
        rig.program->GetInstrument().PlayKey({PlayBoardNo{st.Orc.CurSet}, SubBoardNo{1}, KeyNo{k}});
    }
    rig.clock.AdvanceBy(20);
    EXPECT_GT(rig.Peak(512), 0.0f) << "the loops sound";

    const MenuItems devices = rig.program->AudioOutputMenu();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_TRUE(devices[0].Checked);
    rig.program->ChooseAudioOutput(2);
    EXPECT_EQ(rig.output.started.back(), (AudioChoice{"Tambrel Test Sink", 256}));
    for (int i = 0; i < 10; ++i) {
        rig.output.Pull(256);
        rig.clock.AdvanceBy(10);
    }
    EXPECT_EQ(rig.Peak(512), 0.0f) << "every loop stopped with the switch";
    Mixer& mixer = rig.program->GetInstrument().GetMixer();
    for (std::int32_t k = 1; k <= 100; ++k) {
        const KeyAssign& key = st.Orc.Set(st.Orc.CurSet).Bd(1).Key(k);
        EXPECT_EQ(key.Looping, kVbFalse) << k;
        EXPECT_EQ(mixer.Status(*key.SndBuf), 0) << "no voice is left behind: " << k;
    }
    EXPECT_EQ(rig.t.shell.statuses.back(), "Sound: PipeWire on \"Tambrel Test Sink\", 256 frames (5.3 ms) at 48000 Hz");

    rig.program->ChooseBufferFrames(1);
    EXPECT_EQ(rig.output.started.back(), (AudioChoice{"Tambrel Test Sink", 128}));
    EXPECT_EQ(ReadAudioChoice(rig.settings).choice, (AudioChoice{"Tambrel Test Sink", 128}));
    EXPECT_TRUE(rig.program->BufferMenu()[1].Checked);
    EXPECT_TRUE(rig.program->AudioOutputMenu()[2].Checked);
    // The keys play again through the new output.
    rig.program->GetInstrument().PlayKey({PlayBoardNo{st.Orc.CurSet}, SubBoardNo{1}, KeyNo{1}});
    rig.clock.AdvanceBy(20);
    EXPECT_GT(rig.Peak(512), 0.0f);
}

TEST(ProgramAudio, ARefusedChoiceFallsBackAndIsNotKept) {
    AudioProgramRig rig;
    rig.Start();
    rig.program->AudioOutputMenu();
    rig.program->ChooseAudioOutput(1);
    ASSERT_EQ(ReadAudioChoice(rig.settings).choice, (AudioChoice{"Speakers", 256}));
    rig.output.refused = {{"Speakers", 64}};
    rig.program->ChooseBufferFrames(0);
    EXPECT_EQ(rig.output.started.back(), (AudioChoice{"", 256}));
    EXPECT_EQ(rig.program->Audio(), (AudioChoice{"", 256}));
    EXPECT_NE(rig.t.shell.statuses.back().find("did not open with 64 frames"), std::string::npos);
    EXPECT_EQ(ReadAudioChoice(rig.settings).choice, (AudioChoice{"Speakers", 256})) << "the refused choice is not kept";

    // Nothing opens: the program plays on silently, and says so.
    rig.output.refuseAll = true;
    rig.program->ChooseBufferFrames(3);
    EXPECT_NE(rig.t.shell.statuses.back().find("No sound device could be opened"), std::string::npos);
    EXPECT_NE(rig.t.shell.statuses.back().find("\"Audio Output\" menu"), std::string::npos);
    EXPECT_FALSE(rig.program->Ended());
    EXPECT_TRUE(rig.t.shell.messages.empty());
    rig.output.refuseAll = false;
    rig.program->ChooseBufferFrames(3);
    EXPECT_EQ(rig.output.started.back(), (AudioChoice{"", 512}));
    // Items that are not there do nothing.
    const std::size_t starts = rig.output.started.size();
    rig.program->ChooseBufferFrames(5);
    rig.program->ChooseAudioOutput(9);
    rig.program->ChooseAudioOutput(-1);
    EXPECT_EQ(rig.output.started.size(), starts);
}

} // namespace
} // namespace tambrel::test
