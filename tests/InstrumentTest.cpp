#include <gtest/gtest.h>

#include <memory>

#include "audio/Mixer.h"
#include "common/VirtualClock.h"
#include "recording/KeystrokeRecorder.h"
#include "session/Instrument.h"
#include "sound/KeyPlayer.h"
#include "tests/FakeInputLink.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

constexpr int kRate = 44100;

struct InstrumentRig {
    TestState t;
    VirtualClock clock;
    FakeLink* link = nullptr;
    int linksMade = 0;
    std::unique_ptr<Instrument> instrument;

    InstrumentRig() {
        // Key 30 of the active Play Board's keyboard board plays a second of a constant level.
        KeyAssign& key = t.st.Orc.Set(t.st.Orc.CurSet).Bd(1).Key(30);
        key.SndSrc = kSrcWave;
        key.PlayStyl = kPlayOnce;
        key.AllowDup = 0; // the key's own buffer sounds, not a copy
        key.SndBuf = std::make_shared<SoundBuffer>(WaveFormat{8, 1, kRate}, SoundBuffer::Samples(kRate, 200));
        key.WavBytes = kRate;
        key.WaveDur = 1.0f;
        InstrumentSeams seams(clock);
        seams.rate = kRate;
        seams.inputLink = [this]() -> std::unique_ptr<InputServerLink> {
            auto l = std::make_unique<FakeLink>();
            link = l.get();
            ++linksMade;
            return l;
        };
        instrument = std::make_unique<Instrument>(t.st, std::move(seams));
    }
    int KeyStatus() { return instrument->GetMixer().Status(*t.st.Orc.Set(t.st.Orc.CurSet).Bd(1).Key(30).SndBuf); }
};

TEST(Instrument, ALivePressIsRecordedAndSoundsButAPlayedBackOneIsNotRecordedAgain) {
    InstrumentRig rig;
    KeystrokeRecorder& rec = rig.instrument->Recorder();
    rec.StartRecording();
    rig.instrument->KeyEvent({DeviceNo{1}, KeyNo{30}});
    EXPECT_NE(rig.KeyStatus() & Mixer::kStatusPlaying, 0);
    rig.clock.AdvanceBy(250);
    rig.instrument->KeyEvent({DeviceNo{1}, KeyNo{31}});
    rec.StopRecording();
    ASSERT_EQ(rig.t.st.Orc.Recordings[0].count(), 2);

    rig.instrument->Player().StopSounds(kStopAll);
    rec.PlayBackControl(0);
    while (rec.PlayBackState() != 0 && rig.clock.NextDue() >= 0) rig.clock.AdvanceTo(rig.clock.NextDue());
    EXPECT_NE(rig.KeyStatus() & Mixer::kStatusPlaying, 0) << "playback reaches the dispatcher";
    EXPECT_EQ(rig.t.st.Orc.Recordings[0].count(), 2);
}

TEST(Instrument, ClosingStopsPlaybackThenSoundThenInputOnce) {
    InstrumentRig rig;
    std::int32_t on = 1;
    rig.instrument->Input().DiAcuire_Do(on);
    ASSERT_NE(rig.link, nullptr);
    rig.t.st.Orc.Recordings[0].events = {{30, 1, 0.0f}, {30, 1, 100.0f}};
    rig.instrument->Recorder().PlayBackControl(0);
    rig.clock.AdvanceBy(5);
    ASSERT_NE(rig.KeyStatus() & Mixer::kStatusPlaying, 0);

    rig.instrument->StopPlayback();
    EXPECT_EQ(rig.instrument->Recorder().PlayBackState(), 0);
    EXPECT_NE(rig.KeyStatus() & Mixer::kStatusPlaying, 0) << "stopping playback leaves what sounds";

    rig.instrument->ExitProgram();
    EXPECT_EQ(rig.KeyStatus() & Mixer::kStatusPlaying, 0);
    EXPECT_EQ(rig.instrument->Input().Bridge(), nullptr) << "the bridge and with it the server are released";
    rig.instrument->ExitProgram();
    EXPECT_EQ(rig.linksMade, 1);
}

} // namespace
} // namespace tambrel::test
