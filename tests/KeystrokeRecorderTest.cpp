#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "common/VirtualClock.h"
#include "document/OpenSaveClass.h"
#include "recording/KeystrokeRecorder.h"
#include "tests/OrcBytes.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

struct Played {
    std::int64_t at;
    int key, board, playBoard;
    bool operator==(const Played&) const = default;
};

std::ostream& operator<<(std::ostream& o, const Played& p) {
    return o << "{" << p.at << "ms key " << p.key << " " << p.board << "/" << p.playBoard << "}";
}

struct RecorderRig {
    TestState t;
    VirtualClock clock;
    std::vector<Played> played;
    KeystrokeRecorder rec{t.st, clock, [this](KeyAddress a) {
                              played.push_back({clock.NowMs(), a.key.value, a.subBoard.value, a.playBoard.value});
                          }};

    // Recording 1 gets events on the keyboard (device 1) with keys 1, 2, ...
    void Recorded(const std::vector<float>& times) {
        std::vector<KeyStroke>& ev = t.st.Orc.Recordings[0].events;
        ev.clear();
        for (std::size_t i = 0; i < times.size(); ++i) ev.push_back({static_cast<std::int32_t>(i + 1), 1, times[i]});
    }
    std::vector<std::int64_t> PlayTimes() const {
        std::vector<std::int64_t> out;
        for (const Played& p : played) out.push_back(p.at);
        return out;
    }
    std::vector<int> PlayKeys() const {
        std::vector<int> out;
        for (const Played& p : played) out.push_back(p.key);
        return out;
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const auto& m : t.shell.messages) out.push_back(m.text);
        return out;
    }
};

struct TimingCase {
    const char* name;
    std::vector<float> times;
    bool loop;
    std::int64_t until;
    std::vector<std::int64_t> playedAt;
    std::vector<int> keys;
    bool stillPlaying;
};

class PlaybackTiming : public ::testing::TestWithParam<TimingCase> {};

TEST_P(PlaybackTiming, PlaysAtTheRecordedIntervals) {
    const TimingCase& c = GetParam();
    RecorderRig rig;
    rig.Recorded(c.times);
    rig.rec.SetLoop(c.loop);
    rig.rec.PlayBackControl(0);
    rig.clock.AdvanceTo(c.until);
    EXPECT_EQ(rig.PlayTimes(), c.playedAt);
    EXPECT_EQ(rig.PlayKeys(), c.keys);
    EXPECT_EQ(rig.rec.PlayBackState(), c.stillPlaying ? 1 : 0);
    EXPECT_EQ(rig.t.st.RecordingInProgress, c.stillPlaying);
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaybackTiming,
    ::testing::Values(
        // The first event comes at once, then the recorded gaps.
        TimingCase{"ThreeEvents", {1.0f, 1.5f, 3.0f}, false, 10000, {1, 501, 2001}, {1, 2, 3}, false},
        // Looping: after the last, the first event's own time.
        TimingCase{"ThreeEventsLooping",
                   {1.0f, 1.5f, 3.0f},
                   true,
                   5600,
                   {1, 501, 2001, 3001, 3501, 5001},
                   {1, 2, 3, 1, 2, 3},
                   true},
        TimingCase{"OneEventLooping", {0.25f}, true, 1000, {1, 251, 501, 751}, {1, 1, 1, 1}, true},
        TimingCase{"OneEventAtZeroLoopsEveryMillisecond", {0.0f}, true, 4, {1, 2, 3, 4}, {1, 1, 1, 1}, true},
        TimingCase{"EqualTimesFollowAfterOneMillisecond", {2.0f, 2.0f}, false, 100, {1, 2}, {1, 2}, false},
        // Times that run backwards (a file made across midnight) wait 1 ms.
        TimingCase{"BackwardsTimes", {5.0f, 1.0f, 2.0f}, false, 5000, {1, 2, 1002}, {1, 2, 3}, false},
        // Times from a damaged file: no wait is negative, endless or undefined.
        TimingCase{"DamagedTimes", {kNaN, 1e30f, 0.0f, 0.002f}, false, 100, {1, 2, 3, 5}, {1, 2, 3, 4}, false},
        TimingCase{"HalvesToEven", {0.0f, 0.0025f, 0.0060f}, false, 100, {1, 3, 7}, {1, 2, 3}, false}),
    [](const auto& info) { return info.param.name; });

TEST(KeystrokeRecording, TimesRunFromTheExactStartOnTheMonotonicClock) {
    RecorderRig rig;
    rig.clock.AdvanceTo(86399600); // 0.4 s before midnight, not on a whole second
    rig.rec.StartRecording();
    rig.rec.AppendKeyStroke({DeviceNo{1}, KeyNo{30}});
    rig.clock.AdvanceBy(400); // across midnight
    rig.rec.AppendKeyStroke({DeviceNo{2}, KeyNo{31}});
    rig.clock.AdvanceBy(1200);
    rig.rec.AppendKeyStroke({DeviceNo{1}, KeyNo{32}});
    rig.rec.StopRecording();
    const Recording& r = rig.t.st.Orc.Recordings[0];
    ASSERT_EQ(r.count(), 3);
    EXPECT_FLOAT_EQ(r.events[0].time, 0.0f);
    EXPECT_FLOAT_EQ(r.events[1].time, 0.4f);
    EXPECT_FLOAT_EQ(r.events[2].time, 1.6f);
    EXPECT_EQ(r.events[1].KeyNo, 31);
    EXPECT_EQ(r.events[1].InpDvNo, 2);
    EXPECT_EQ(rig.t.st.FileModified, kVbTrue) << "a take with events is a change to the Orchestra";
}

TEST(KeystrokeRecording, ThePanelAndTheLabelFollowTheState) {
    RecorderRig rig;
    EXPECT_EQ(rig.rec.PanelState().label, "First Recording [0]");
    rig.rec.StartRecording();
    EXPECT_EQ(rig.rec.PanelState().label, "First Recording [Now recording]");
    EXPECT_FALSE(rig.rec.PanelState().recordStart);
    EXPECT_TRUE(rig.rec.PanelState().recordStop);
    EXPECT_TRUE(rig.t.st.RecordingInProgress);
    rig.rec.AppendKeyStroke({DeviceNo{1}, KeyNo{1}});
    rig.rec.AppendKeyStroke({DeviceNo{1}, KeyNo{2}});
    rig.rec.StopRecording();
    EXPECT_EQ(rig.rec.PanelState().label, "First Recording [2]");
    EXPECT_TRUE(rig.rec.PanelState().recordStart);
    EXPECT_FALSE(rig.rec.PanelState().recordStop);
    EXPECT_FALSE(rig.t.st.RecordingInProgress);
    EXPECT_TRUE(rig.t.shell.Saw<notice::UpdateRecordingPanel>());
    // The recorder never asks for its own label again: a window answering
    // that request would overwrite "[Now recording]".
    EXPECT_FALSE(rig.t.shell.Saw<notice::ShowCurRecName>());
    rig.t.st.Orc.CurRec = 9;
    rig.rec.ShowCurRecName();
    EXPECT_EQ(rig.rec.PanelState().label, "Recording not found");
}

struct CurRecCase {
    const char* name;
    int recordings;
    std::int32_t curRec;
    std::int32_t after;
    std::string label;
};

class RecordingStart : public ::testing::TestWithParam<CurRecCase> {};

TEST_P(RecordingStart, MakesTheCurrentRecordingValid) {
    RecorderRig rig;
    rig.t.st.Orc.Recordings.resize(static_cast<std::size_t>(GetParam().recordings));
    for (int i = 0; i < GetParam().recordings; ++i)
        rig.t.st.Orc.Recordings[static_cast<std::size_t>(i)].Name = "R" + std::to_string(i + 1);
    rig.t.st.Orc.CurRec = GetParam().curRec;
    rig.rec.StartRecording();
    EXPECT_EQ(rig.t.st.Orc.CurRec, GetParam().after);
    EXPECT_EQ(rig.rec.PanelState().label, GetParam().label);
    rig.rec.AppendKeyStroke({DeviceNo{1}, KeyNo{5}});
    rig.rec.StopRecording();
    EXPECT_EQ(rig.t.st.Orc.Recordings[static_cast<std::size_t>(GetParam().after - 1)].count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordingStart,
                         ::testing::Values(CurRecCase{"NoRecordingMakesNew", 0, 0, 1, "New [Now recording]"},
                                           CurRecCase{"TooLarge", 2, 5, 2, "R2 [Now recording]"},
                                           CurRecCase{"Negative", 2, -3, 1, "R1 [Now recording]"},
                                           CurRecCase{"ZeroTakenAsFirst", 2, 0, 1, "R1 [Now recording]"}),
                         [](const auto& info) { return info.param.name; });

TEST(KeystrokeRecording, StartingToRecordWhilePlayingStopsPlaybackFirst) {
    RecorderRig rig;
    rig.Recorded({1.0f, 1.5f});
    rig.rec.PlayBackControl(0);
    rig.clock.AdvanceBy(10);
    ASSERT_EQ(rig.rec.PlayBackState(), 1);
    rig.rec.StartRecording();
    EXPECT_EQ(rig.rec.PlayBackState(), 0);
    EXPECT_TRUE(rig.rec.IsRecording());
    EXPECT_TRUE(rig.rec.KeyStrokes().empty());
    EXPECT_TRUE(rig.rec.PanelState().play);
    rig.clock.AdvanceBy(5000);
    EXPECT_EQ(rig.played.size(), 1u) << "nothing more is played";
    // Playback refuses while recording.
    rig.rec.PlayBackControl(0);
    EXPECT_EQ(rig.Messages(), (std::vector<std::string>{"Recording in progress"}));
}

TEST(KeystrokePlayback, PlaysOnThePlayBoardActiveNow) {
    RecorderRig rig; // Sub Board 1 of every Play Board is the keyboard
    rig.Recorded({0.5f});
    rig.t.st.Orc.CurSet = 1;
    rig.rec.PlayBackControl(0);
    rig.clock.AdvanceBy(5);
    EXPECT_EQ(rig.played, (std::vector<Played>{{1, 1, 1, 1}}));
    EXPECT_TRUE(rig.t.st.Orc.Recordings[0].events.size() == 1) << "playing records nothing";
}

TEST(KeystrokePlayback, TheLoopBoxIsReadAtTheLastEvent) {
    RecorderRig rig;
    rig.Recorded({1.0f, 1.5f, 3.0f});
    rig.rec.SetLoop(true);
    rig.rec.PlayBackControl(0);
    rig.clock.AdvanceTo(1000);
    rig.rec.SetLoop(false); // unchecked during playback
    rig.clock.AdvanceTo(20000);
    EXPECT_EQ(rig.PlayTimes(), (std::vector<std::int64_t>{1, 501, 2001}));
    EXPECT_EQ(rig.rec.PlayBackState(), 0);

    RecorderRig other;
    other.Recorded({1.0f, 1.5f, 3.0f});
    other.rec.PlayBackControl(0);
    other.clock.AdvanceTo(1000);
    other.rec.SetLoop(true); // checked before the last event
    other.clock.AdvanceTo(3100);
    EXPECT_EQ(other.PlayTimes(), (std::vector<std::int64_t>{1, 501, 2001, 3001}));
}

TEST(KeystrokePlayback, PauseHoldsAndResumeWaitsTheWholeIntervalAgain) {
    RecorderRig rig;
    rig.Recorded({1.0f, 1.5f, 3.0f});
    rig.rec.PlayBackControl(0);
    rig.clock.AdvanceTo(100);
    rig.rec.PlayBackControl(1);
    EXPECT_EQ(rig.rec.PlayBackState(), 2);
    EXPECT_TRUE(rig.rec.PanelState().pausedImage);
    EXPECT_TRUE(rig.t.st.RecordingInProgress);
    rig.clock.AdvanceTo(5000);
    EXPECT_EQ(rig.played.size(), 1u);
    rig.rec.PlayBackControl(1);
    EXPECT_EQ(rig.rec.PlayBackState(), 1);
    EXPECT_FALSE(rig.rec.PanelState().pausedImage);
    rig.clock.AdvanceTo(20000);
    EXPECT_EQ(rig.PlayTimes(), (std::vector<std::int64_t>{1, 5500, 7000}));
}

TEST(KeystrokePlayback, StopResetsEverything) {
    RecorderRig rig;
    rig.Recorded({1.0f, 1.5f});
    rig.rec.PlayBackControl(0);
    EXPECT_FALSE(rig.rec.PanelState().play);
    EXPECT_TRUE(rig.rec.PanelState().pauseResume && rig.rec.PanelState().stop);
    rig.clock.AdvanceTo(10);
    rig.rec.PlayBackControl(1);
    rig.rec.PlayBackControl(2);
    EXPECT_EQ(rig.rec.PlayBackState(), 0);
    EXPECT_EQ(rig.rec.PlayBackPos(), 0);
    EXPECT_EQ(rig.clock.NextDue(), -1);
    EXPECT_TRUE(rig.rec.PanelState().play);
    EXPECT_FALSE(rig.rec.PanelState().pauseResume || rig.rec.PanelState().stop || rig.rec.PanelState().pausedImage);
    EXPECT_FALSE(rig.t.st.RecordingInProgress);
    rig.rec.PlayBackControl(1); // pause while stopped: nothing
    rig.rec.PlayBackControl(7);
    EXPECT_EQ(rig.rec.PlayBackState(), 0);
}

struct RefusalCase {
    const char* name;
    int recordings;
    std::int32_t curRec;
    std::string message;
    std::int32_t curRecAfter;
};

class PlaybackRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(PlaybackRefusals, SayWhyAndChangeNothing) {
    RecorderRig rig;
    rig.t.st.Orc.Recordings.resize(static_cast<std::size_t>(GetParam().recordings));
    rig.t.st.Orc.CurRec = GetParam().curRec;
    rig.rec.PlayBackControl(0);
    EXPECT_EQ(rig.Messages(), (std::vector<std::string>{GetParam().message}));
    EXPECT_EQ(rig.rec.PlayBackState(), 0);
    EXPECT_EQ(rig.t.st.Orc.CurRec, GetParam().curRecAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaybackRefusals,
    ::testing::Values(RefusalCase{"NoRecordings", 0, 1, "No current recording found", 1},
                      RefusalCase{"NotYetRecorded", 1, 1, "Current recording in not yet recorded", 1},
                      RefusalCase{"TooLargeIsCorrectedFirst", 2, 8, "Current recording in not yet recorded", 2}),
    [](const auto& info) { return info.param.name; });

TEST(RecordingList, RefusesToOpenWhileRecordingOrPlaying) {
    RecorderRig rig;
    rig.rec.StartRecording();
    EXPECT_FALSE(rig.rec.OpenRecordingList());
    rig.rec.StopRecording();
    rig.Recorded({1.0f});
    rig.rec.PlayBackControl(0);
    EXPECT_FALSE(rig.rec.OpenRecordingList());
    rig.rec.PlayBackControl(2);
    EXPECT_TRUE(rig.rec.OpenRecordingList());
    EXPECT_EQ(rig.Messages(), (std::vector<std::string>{"Recording in progress.\r\nStop the recording first.",
                                                        "Playing now.\r\nStop the playing first."}));
}

TEST(RecordingList, AddRenameAndSelect) {
    RecorderRig rig;
    rig.t.shell.typed = {"", "Take two", "Take 2"};
    EXPECT_FALSE(rig.rec.AddRecording()); // cancelled
    EXPECT_EQ(rig.t.st.Orc.RecNos(), 1);
    EXPECT_EQ(rig.t.st.FileModified, kVbFalse);
    EXPECT_TRUE(rig.rec.AddRecording());
    ASSERT_EQ(rig.t.shell.inputs.size(), 2u);
    EXPECT_EQ(rig.t.shell.inputs[1].prompt, "Enter a name for the new keystroke recording");
    EXPECT_EQ(rig.t.shell.inputs[1].proposed, "New Recording 2");
    EXPECT_EQ(rig.t.st.Orc.CurRec, 2);
    EXPECT_EQ(rig.t.st.FileModified, kVbTrue);
    const auto list = rig.rec.UpdateList();
    EXPECT_EQ(list.names, (std::vector<std::string>{"First Recording", "Take two"}));
    EXPECT_EQ(list.selected, 1);

    EXPECT_TRUE(rig.rec.RenameRecording());
    EXPECT_EQ(rig.t.shell.inputs[2].prompt, "Enter a new name for the current keystroke recording");
    EXPECT_EQ(rig.t.shell.inputs[2].proposed, "Take two");
    EXPECT_EQ(rig.t.st.Orc.Recordings[1].Name, "Take 2");

    rig.t.st.Orc.Recordings[0].events.resize(4);
    EXPECT_EQ(rig.rec.ClickRecordingEntry(0), 4);
    EXPECT_EQ(rig.t.st.Orc.CurRec, 1);
    EXPECT_EQ(rig.rec.ClickRecordingEntry(2), -1);
    rig.rec.CloseRecordingList();
    EXPECT_EQ(rig.rec.PanelState().label, "First Recording [4]");

    rig.t.st.Orc.CurRec = 0;
    EXPECT_EQ(rig.rec.UpdateList().selected, -1);
    EXPECT_FALSE(rig.rec.RenameRecording());
    EXPECT_EQ(rig.Messages().back(), "Choose an item in the list");
}

TEST(RecordingList, DeletingTheLastInTheListMakesTheNewLastCurrent) {
    RecorderRig rig;
    for (const char* n : {"Two", "Three"}) {
        Recording r;
        r.Name = n;
        rig.t.st.Orc.Recordings.push_back(r);
    }
    rig.t.st.Orc.CurRec = 3;
    rig.t.shell.answers = {MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::Yes};
    EXPECT_FALSE(rig.rec.DeleteRecording());
    EXPECT_EQ(rig.t.st.Orc.RecNos(), 3);
    EXPECT_EQ(rig.t.shell.messages[0].text, "Three\r\nDelete the current keystroke list?");
    EXPECT_EQ(rig.t.shell.messages[0].buttons, MsgButtons::YesNo);

    EXPECT_TRUE(rig.rec.DeleteRecording());
    EXPECT_EQ(rig.t.st.Orc.RecNos(), 2);
    EXPECT_EQ(rig.t.st.Orc.CurRec, 2);
    EXPECT_EQ(rig.t.st.FileModified, kVbTrue);

    rig.t.st.Orc.CurRec = 1; // a recording before others: the next moves down into its place
    EXPECT_TRUE(rig.rec.DeleteRecording());
    EXPECT_EQ(rig.t.st.Orc.CurRec, 1);
    EXPECT_EQ(rig.t.st.Orc.Recordings[0].Name, "Two");

    EXPECT_FALSE(rig.rec.DeleteRecording());
    EXPECT_EQ(rig.Messages().back(), "Can not delete the last one");
    EXPECT_EQ(rig.t.st.Orc.RecNos(), 1);
}

// A file may store a current recording outside its list; it is kept, and
// every part of the recorder copes: the label and the list show none, the
// list's commands ask for a choice, and recording or playing corrects it.
TEST(RecordingFromAFile, ACurrentRecordingOutsideTheListIsKeptAndHandled) {
    const struct {
        const char* stored;
        std::int32_t played; // the recording playback corrects it to
    } cases[] = {{"0", 1}, {"7", 2}, {"-3", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        RecorderRig rig;
        TempDir dir;
        std::string bytes;
        for (const auto& [name, value] :
             std::vector<std::pair<std::string, std::string>>{{"General++File Version", "01.00"},
                                                              {"Set++SetNos", "1"},
                                                              {"Set1++BodNos", "1"},
                                                              {"Set1Bd1++InpDev", "Keyboard"},
                                                              {"Rec0++RecNos", "2"},
                                                              {"Rec0++CurRec", c.stored},
                                                              {"Rec1++Nos", "1"},
                                                              {"Rec1++Name", "A"},
                                                              {"Rec1++Rec", "1,4,.5"},
                                                              {"Rec2++Nos", "1"},
                                                              {"Rec2++Name", "B"},
                                                              {"Rec2++Rec", "1,9,.5"}})
            bytes += EntryBytes(name, value);
        ASSERT_TRUE(OpenSaveClass(rig.t.st).LoadOrchestra(dir.Write("rec.TbOrc", bytes)));
        EXPECT_EQ(rig.t.st.Orc.CurRec, std::stoi(c.stored));

        rig.rec.ShowCurRecName();
        EXPECT_EQ(rig.rec.PanelState().label, "Recording not found");
        EXPECT_EQ(rig.rec.UpdateList().selected, -1);
        EXPECT_FALSE(rig.rec.RenameRecording());
        EXPECT_FALSE(rig.rec.DeleteRecording());
        EXPECT_EQ(rig.Messages(),
                  (std::vector<std::string>{"Choose an item in the list", "Choose an item in the list"}));
        EXPECT_EQ(rig.t.st.Orc.RecNos(), 2);

        rig.rec.PlayBackControl(0);
        EXPECT_EQ(rig.t.st.Orc.CurRec, c.played);
        rig.clock.AdvanceBy(5);
        ASSERT_EQ(rig.PlayKeys().size(), 1u);
        EXPECT_EQ(rig.PlayKeys()[0], c.played == 1 ? 4 : 9);
    }
}

} // namespace
} // namespace tambrel::test
