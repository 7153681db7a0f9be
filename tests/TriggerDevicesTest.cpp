// MIDI ports and the OSC device in the whole program: Sub Boards on them
// play, record and play back through the real server; what the server
// notes reaches the status panel once; the settings' OSC section becomes
// the server's arguments.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "audio/Mixer.h"
#include "common/Settings.h"
#include "common/VirtualClock.h"
#include "input/LocInputDx7Class.h"
#include "recording/KeystrokeRecorder.h"
#include "session/OscSettings.h"
#include "session/Program.h"
#include "sound/KeyPlayer.h"
#include "tests/FakeInputLink.h"
#include "tests/OscDatagrams.h"
#include "tests/ScriptPipe.h"
#include "tests/ServerPath.h"
#include "tests/SoundRig.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

TEST(OscSettingsSection, TheSectionBecomesTheServersArguments) {
    struct Row {
        std::string ini;
        std::vector<std::string> args;
    };
    const Row rows[] = {
        {"", {"--osc", "127.0.0.1:9000"}},
        {"[OSC]\nPort=9100\n", {"--osc", "127.0.0.1:9100"}},
        {"[OSC]\nListen=0.0.0.0\nPort= 8000 \n", {"--osc", "0.0.0.0:8000"}},
        {"[OSC]\nEnabled=0\n", {}},
        {"[OSC]\nEnabled=false\nPort=9100\n", {}},
        {"[OSC]\nEnabled=1\nListen=\nPort=\n", {"--osc", "127.0.0.1:9000"}},
        // Not checked here: the server says in the status panel what is wrong.
        {"[OSC]\nPort=ninety\n", {"--osc", "127.0.0.1:ninety"}},
    };
    for (const Row& r : rows) {
        TempDir dir;
        dir.Write("t.ini", r.ini);
        const Settings settings{dir.File("t.ini")};
        EXPECT_EQ(OscServerArgs(ReadOscSetting(settings)), r.args) << r.ini;
    }
}

TEST(ServerNotes, EachIsShownOnceEvenWhenARestartedServerSaysItAgain) {
    TestState t;
    FakeLink* link = nullptr;
    InputSystem input(t.st, [&] {
        auto l = std::make_unique<FakeLink>();
        l->reply = {0, 0};
        link = l.get();
        return std::unique_ptr<InputServerLink>(std::move(l));
    });
    input.DetectInputDevices();
    ASSERT_NE(link, nullptr);
    t.shell.statuses.clear();
    link->Events()->ServerNote("OSC open on the network: 0.0.0.0:9000");
    link->Events()->ServerNote("OSC open on the network: 0.0.0.0:9000");
    EXPECT_EQ(t.shell.statuses, (std::vector<std::string>{"OSC open on the network: 0.0.0.0:9000"}));
    EXPECT_EQ(input.ServerNotes().size(), 1u);
}

TEST(TriggerDevices, SubBoardsOnAMidiPortAndOnOscPlayRecordAndPlayBack) {
    TestState t{{}};
    TempDir dir;
    Settings settings{dir.File("TambrelOrchestra.ini")};
    VirtualClock clock;
    MemoryAudioOutput output;
    t.st.AppPath = dir.Path();
    const int port = FreeUdpPort();
    ScriptPipe pipe("keyboard\nmouse\nmidi-port Pads\n");
    InstrumentSeams seams(clock);
    LocInputDx7Class* bridge = nullptr;
    seams.inputLink = [&] {
        // Open to the network, so the start has something to say.
        auto b = std::make_unique<LocInputDx7Class>(InputServerOptions{
            ServerPath(), {"--virtual", pipe.Path(), "--osc", "0.0.0.0:" + std::to_string(port)}, 5000, 5000, 0});
        bridge = b.get();
        return std::unique_ptr<InputServerLink>(std::move(b));
    };
    Program program(t.st, settings, std::move(seams), output);
    ASSERT_TRUE(program.Start(""));
    ASSERT_NE(bridge, nullptr);
    ASSERT_EQ(t.st.DeviceCount(), 4);
    EXPECT_EQ(t.st.Device(3)->Name, "MIDI: Pads");
    EXPECT_EQ(t.st.Device(4)->Name, "OSC");
    EXPECT_EQ(t.st.Device(3)->Layout.RowCount, 11) << "a port's board is laid out by octave";
    const std::string note = "OSC open on the network: 0.0.0.0:" + std::to_string(port);
    ASSERT_FALSE(t.shell.statuses.empty());
    EXPECT_NE(t.shell.statuses.back().find(note), std::string::npos) << t.shell.statuses.back();
    EXPECT_EQ(std::count_if(t.shell.statuses.begin(), t.shell.statuses.end(),
                            [&](const std::string& s) { return s.find(note) != std::string::npos; }),
              2)
        << "when it comes, and again beside what plays at the end of the start";

    // A Sub Board on each, as Board > Add makes them; a wave on C4 of the
    // port and on OSC key 5.
    PlayBoard& pb = t.st.Orc.PlayBoards[static_cast<std::size_t>(t.st.Orc.CurSet - 1)];
    for (const char* name : {"MIDI: Pads", "OSC"}) {
        SubBoard sb = pb.Bds[0];
        sb.InpDev = name;
        pb.Bds.push_back(sb);
    }
    program.DetectInputDevices();
    const std::int32_t midiBd = static_cast<std::int32_t>(pb.Bds.size()) - 1, oscBd = midiBd + 1;
    ASSERT_EQ(pb.Bds[static_cast<std::size_t>(midiBd - 1)].InpDevNo, 3);
    ASSERT_EQ(pb.Bds[static_cast<std::size_t>(oscBd - 1)].InpDevNo, 4);
    auto wave = [&](std::int32_t bd, std::int32_t keyNo) -> KeyAssign& {
        KeyAssign& key = t.st.Orc.Set(t.st.Orc.CurSet).Bd(bd).Key(keyNo);
        key.SndSrc = kSrcWave;
        key.PlayStyl = kPlayOnce;
        key.AllowDup = 0;
        key.SndBuf = std::make_shared<SoundBuffer>(WaveFormat{8, 1, 44100}, SoundBuffer::Samples(44100, 200));
        key.WavBytes = 44100;
        key.WaveDur = 1.0f;
        return key;
    };
    KeyAssign& c4 = wave(midiBd, 61);
    KeyAssign& five = wave(oscBd, 5);
    Mixer& mixer = program.GetInstrument().GetMixer();
    auto playing = [&](const KeyAssign& k) { return (mixer.Status(*k.SndBuf) & Mixer::kStatusPlaying) != 0; };

    KeystrokeRecorder& rec = program.GetInstrument().Recorder();
    rec.StartRecording();
    pipe.Write("midi 3 90 3C 64\n");
    SendUdp(port, OscAddressOnly("/tambrel/key/5"));
    const auto& events = t.st.Orc.Recordings[0].events;
    for (int i = 0; i < 100 && events.size() < 2; ++i) bridge->WaitForEvents(20);
    rec.StopRecording();
    ASSERT_EQ(events.size(), 2u);
    std::vector<std::pair<int, int>> got;
    for (const KeyStroke& k : events) got.emplace_back(k.InpDvNo, k.KeyNo);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{3, 61}, {4, 5}}));
    EXPECT_TRUE(playing(c4));
    EXPECT_TRUE(playing(five));

    program.GetInstrument().Player().StopSounds(kStopAll);
    EXPECT_FALSE(playing(c4));
    rec.PlayBackControl(0);
    while (rec.PlayBackState() != 0 && clock.NextDue() >= 0) clock.AdvanceTo(clock.NextDue());
    EXPECT_TRUE(playing(c4)) << "played back";
    EXPECT_TRUE(playing(five)) << "played back";
    program.ExitProgram();
}

} // namespace
} // namespace tambrel::test
