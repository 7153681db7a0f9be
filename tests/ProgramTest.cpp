#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "common/Settings.h"
#include "common/VirtualClock.h"
#include "audio/Mixer.h"
#include "document/OpenSaveClass.h"
#include "recording/KeystrokeRecorder.h"
#include "session/Program.h"
#include "session/ProgramFiles.h"
#include "session/WindowPlacement.h"
#include "input/InputProtocol.h"
#include "tests/FakeInputLink.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel::test {
namespace {

// Screen of 1600 x 1000 pixels, in twips.
constexpr std::int32_t kW = 1600 * kTwipsPerPixel, kH = 1000 * kTwipsPerPixel;

struct PlacementCase {
    const char* name;
    const char* stored;
    WindowPlacement expected;
};

class WindowSizPos : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(WindowSizPos, IsReadWithEveryCorrection) {
    EXPECT_EQ(ReadWindowPlacement(GetParam().stored, kW, kH), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowSizPos,
    ::testing::Values(PlacementCase{"Default", "0,0,0,0,0", {0, 0, 19200, 0, 12000}},
                      PlacementCase{"KeptAsStored", "0,150,9000,300,6000", {0, 150, 9000, 300, 6000}},
                      PlacementCase{"MaximisedKeepsItsNormalBounds", "2,150,9000,300,6000", {2, 150, 9000, 300, 6000}},
                      PlacementCase{"MinimisedIsNeverRestored", "1,150,9000,300,6000", {0, 150, 9000, 300, 6000}},
                      PlacementCase{"OffScreenCornersGoHome", "0,-5,9000,22801,6000", {0, 0, 9000, 0, 6000}},
                      PlacementCase{"TooLargeOrTooSmallSizes", "0,0,24001,0,1999", {0, 0, 19200, 0, 12000}},
                      PlacementCase{"MissingFieldsReadAsZero", "2,150", {2, 150, 19200, 0, 12000}},
                      PlacementCase{"JunkAndHugeNumbersNeverThrow", "x,1e12,abc,-1e300,nan", {0, 0, 19200, 0, 12000}},
                      PlacementCase{"HalvesToEven", "0,100.5,9000.5,101.5,6000", {0, 100, 9000, 102, 6000}}),
    [](const auto& info) { return info.param.name; });

TEST(WindowSizPos, WritesTheFiveFieldsItReads) {
    const WindowPlacement p{2, 150, 9000, 300, 6000};
    EXPECT_EQ(WindowPlacementText(p), "2,150,9000,300,6000");
    EXPECT_EQ(ReadWindowPlacement(WindowPlacementText(p), kW, kH), p);
}

TEST(ProgramFiles, SettingsBesideAWritableProgramElseInTheUsersConfiguration) {
    TempDir d;
    EXPECT_EQ(SettingsFilePath(d.Path(), "/cfg", "/home/u"), d.Path() + "/TambrelOrchestra.ini");
    const std::string gone = d.File("not-there");
    EXPECT_EQ(SettingsFilePath(gone, "/cfg/", "/home/u"), "/cfg/TambrelOrchestra/TambrelOrchestra.ini");
    EXPECT_EQ(SettingsFilePath(gone, "", "/home/u"), "/home/u/.config/TambrelOrchestra/TambrelOrchestra.ini");
    EXPECT_EQ(SettingsFilePath(gone, "relative", "/home/u"), "/home/u/.config/TambrelOrchestra/TambrelOrchestra.ini")
        << "a relative XDG_CONFIG_HOME is ignored";
}

TEST(ProgramFiles, SettingsNeverGoIntoASystemFolderOrOneOfAnotherUser) {
    // As root (as people run it to reach /dev/input) /usr/lib/... belongs to
    // the user and is writable, and still is no place for settings.
    for (const char* system : {"/usr/lib", "/usr/local/bin", "/opt", "/etc", "/var/lib", "/", "/lib/../usr/bin"}) {
        EXPECT_TRUE(IsSystemFolder(system)) << system;
        EXPECT_EQ(SettingsFilePath(system, "/cfg", "/home/u"), "/cfg/TambrelOrchestra/TambrelOrchestra.ini") << system;
    }
    for (const char* own : {"/home/u/bin", "/tmp/x", "/usrlocal", "/optional"})
        EXPECT_FALSE(IsSystemFolder(own)) << own;

    TempDir d;
    const std::string program = d.File("program");
    std::filesystem::create_directories(program);
    EXPECT_TRUE(ProgramFolderHoldsSettings(program));
    // A link from a system folder's name does not make it one, nor the reverse.
    std::filesystem::create_directory_symlink("/usr/lib", d.File("looks-own"));
    EXPECT_TRUE(IsSystemFolder(d.File("looks-own")));
    if (::geteuid() != 0) GTEST_SKIP() << "only the superuser can give a folder to another user";
    ASSERT_EQ(::chown(program.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(ProgramFolderHoldsSettings(program)) << "writable for root, but another user's folder";
    EXPECT_EQ(SettingsFilePath(program, "/cfg", "/home/u"), "/cfg/TambrelOrchestra/TambrelOrchestra.ini");
}

TEST(ProgramFiles, APrivateFolderIsMadeForThisUserAloneOrRefused) {
    TempDir d;
    std::string error;
    const std::string made = d.File("a/b/private");
    ASSERT_TRUE(MakePrivateFolder(made, error)) << error;
    struct stat st {};
    ASSERT_EQ(::stat(made.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    std::filesystem::create_directories(d.File("wide"));
    ::chmod(d.File("wide").c_str(), 0777);
    ASSERT_TRUE(MakePrivateFolder(d.File("wide"), error));
    ASSERT_EQ(::stat(d.File("wide").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "an own folder open to others is narrowed";

    std::filesystem::create_directory_symlink(made, d.File("link"));
    EXPECT_FALSE(MakePrivateFolder(d.File("link"), error)) << "a link may lead anywhere";
    d.Write("file", "x");
    EXPECT_FALSE(MakePrivateFolder(d.File("file"), error));
    EXPECT_FALSE(MakePrivateFolder("relative/folder", error));
    if (::geteuid() != 0) GTEST_SKIP() << "only the superuser can give a folder to another user";
    std::filesystem::create_directories(d.File("theirs"));
    ASSERT_EQ(::chown(d.File("theirs").c_str(), 65534, 65534), 0);
    EXPECT_FALSE(MakePrivateFolder(d.File("theirs"), error));
    EXPECT_NE(error.find("not a folder of this user"), std::string::npos);
}

TEST(WindowMenu, TilingFillsTheAreaOneAboveAnotherOrSideBySide) {
    struct Case {
        const char* name;
        Arrangement how;
        int count, width, height;
        std::vector<TileRect> expected;
    };
    const Case cases[] = {
        {"HorizontalStacksFullWidthBands",
         Arrangement::TileHorizontal,
         3,
         900,
         600,
         {{0, 0, 900, 200}, {0, 200, 900, 200}, {0, 400, 900, 200}}},
        {"VerticalPlacesFullHeightColumns",
         Arrangement::TileVertical,
         3,
         900,
         600,
         {{0, 0, 300, 600}, {300, 0, 300, 600}, {600, 0, 300, 600}}},
        {"LeftoverPixelsGoToTheFirst",
         Arrangement::TileHorizontal,
         3,
         100,
         101,
         {{0, 0, 100, 34}, {0, 34, 100, 34}, {0, 68, 100, 33}}},
        {"OneWindowFillsTheArea", Arrangement::TileVertical, 1, 640, 480, {{0, 0, 640, 480}}},
        {"NoWindows", Arrangement::TileVertical, 0, 640, 480, {}},
        {"AnAreaTooSmallStillGivesEachAPixel", Arrangement::TileVertical, 2, 1, 0, {{0, 0, 1, 1}, {1, 0, 1, 1}}},
        {"CascadeIsNoTiling", Arrangement::Cascade, 2, 640, 480, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(TileWindows(c.how, c.count, c.width, c.height), c.expected) << c.name;
}

TEST(ProgramFiles, DataFromTheProgramFolderElseTheSharedFolderBesideIt) {
    TempDir d;
    const std::string bin = d.File("bin");
    std::filesystem::create_directories(bin);
    EXPECT_EQ(DataFolder(bin), bin);
    std::filesystem::create_directories(d.File("share/tambrel-orchestra"));
    EXPECT_EQ(DataFolder(bin), bin + "/../share/tambrel-orchestra");
    d.Write("bin/TbOrch-00.sty", "TambrelStyle 1\n");
    EXPECT_EQ(DataFolder(bin), bin);
}

// An audio output that can be told to fail.
class TestOutput : public MemoryAudioOutput {
public:
    bool fail = false;
    bool Start(RenderFn render, std::string& error) override {
        if (fail) {
            error = "no device";
            return false;
        }
        return MemoryAudioOutput::Start(std::move(render), error);
    }
};

struct ProgramRig {
    TestState t{{}};
    TempDir dir;
    Settings settings{dir.File("TambrelOrchestra.ini")};
    VirtualClock clock;
    TestOutput output;
    std::unique_ptr<Program> program;

    ProgramRig() { t.st.AppPath = dir.Path(); }
    // An input server that answers and finds no device; none: no server at all.
    bool server = false;

    void Make() {
        InstrumentSeams seams(clock);
        if (server) seams.inputLink = FakeLinksFinding();
        program = std::make_unique<Program>(t.st, settings, std::move(seams), output);
    }
    // The place of the first notice of type N; SIZE_MAX when none came.
    template <class N>
    std::size_t IndexOf() const {
        const std::size_t i = t.shell.IndexOf<N>();
        return i < t.shell.notices.size() ? i : SIZE_MAX;
    }
};

TEST(Program, StartsANewOrchestraThenTheSampleWithSoundAndInputOn) {
    ProgramRig rig;
    std::filesystem::create_directories(rig.dir.File("Samples"));
    {
        TestState maker;
        maker.st.Orc.PlayBoards[0].SetNam = "From the sample";
        ASSERT_TRUE(OpenSaveClass(maker.st).SaveOrchestra(rig.dir.File("Samples/Sample1.TbOrc")));
    }
    rig.server = true;
    rig.Make();
    ASSERT_TRUE(rig.program->Start(""));
    EXPECT_EQ(rig.t.st.Orc.PlayBoards[0].SetNam, "From the sample");
    EXPECT_EQ(rig.t.st.Orc.OrcFile, rig.dir.File("Samples/Sample1.TbOrc"));
    EXPECT_EQ(rig.t.st.LastUsedPath, rig.dir.Path() + "/Samples/");
    ASSERT_GE(rig.t.shell.captions.size(), 2u);
    EXPECT_EQ(rig.t.shell.captions.front(), "Tambrel Orchestra - [New]");
    EXPECT_EQ(rig.t.shell.captions.back(), "Tambrel Orchestra - [Sample1.TbOrc]");
    EXPECT_LT(rig.IndexOf<notice::UpdateDeviceMenus>(), rig.IndexOf<notice::RebuildAllBoardViews>());
    EXPECT_EQ(rig.t.st.FileModified, kVbFalse);
    EXPECT_EQ(rig.program->GetInstrument().Input().OnOffState(), 1);
    rig.output.Pull(64);
    EXPECT_EQ(rig.output.FrameCount(), 64u) << "the sound service renders the instrument";
}

TEST(Program, ThePumpTicksOnlyWhileTheMixerHasWorkForIt) {
    ProgramRig rig;
    rig.Make();
    ASSERT_TRUE(rig.program->Start(""));
    rig.output.Pull(64);
    rig.clock.AdvanceBy(100);
    EXPECT_EQ(rig.clock.NextDue(), -1) << "an idle program has no timer running";

    Mixer& mixer = rig.program->GetInstrument().GetMixer();
    SoundBuffer::Samples bytes(8, 0x10);
    auto b = std::make_shared<SoundBuffer>(WaveFormat{16, 1, 44100}, std::move(bytes));
    // More commands than the ring holds: the rest wait for the pump.
    for (int i = 0; i < 70000; ++i) mixer.Play(*b, true);
    mixer.Stop(*b);
    ASSERT_TRUE(mixer.PumpPending());
    EXPECT_GE(rig.clock.NextDue(), 0) << "waiting commands start the pump";
    for (int i = 0; i < 20 && mixer.PumpPending(); ++i) {
        rig.output.Pull(64);
        rig.clock.AdvanceBy(10);
    }
    EXPECT_FALSE(mixer.PumpPending());
    rig.clock.AdvanceBy(10);
    EXPECT_EQ(rig.clock.NextDue(), -1) << "the pump stops once its work is done";
    // The stop, queued last, was handed on: the voice is silent.
    rig.output.Pull(64);
    EXPECT_EQ(mixer.Status(*b), 0);

    // A voice given back waits for the audio thread, then for the pump.
    b.reset();
    EXPECT_GE(rig.clock.NextDue(), 0);
    rig.output.Pull(64);
    rig.clock.AdvanceBy(20);
    EXPECT_EQ(rig.clock.NextDue(), -1);
    EXPECT_EQ(mixer.VoicesInUse(), 0);
}

TEST(Program, TheLiveOutputNeverPassesFullScale) {
    ProgramRig rig;
    rig.Make();
    ASSERT_TRUE(rig.program->Start(""));
    Mixer& mixer = rig.program->GetInstrument().GetMixer();
    // Forty overlapping copies of a half-scale sound: twenty times full scale.
    SoundBuffer::Samples bytes(2 * 4410);
    for (std::size_t i = 1; i < bytes.size(); i += 2) bytes[i] = 0x40;
    const auto b = std::make_shared<SoundBuffer>(WaveFormat{16, 1, 44100}, std::move(bytes));
    std::vector<std::shared_ptr<SoundBuffer>> copies;
    for (int i = 0; i < 40; ++i) mixer.Play(*copies.emplace_back(b->Duplicate()), false);
    rig.output.Pull(2048);
    float peak = 0.0f;
    for (float f : rig.output.Frames()) peak = std::max(peak, std::fabs(f));
    EXPECT_LE(peak, 1.0f);
    EXPECT_GT(peak, 0.85f);
}

TEST(Program, TheEditorsButtonsAreWiredToThisProgram) {
    ProgramRig rig;
    rig.server = true;
    rig.Make();
    ASSERT_TRUE(rig.program->Start(""));
    rig.t.shell.Clear();
    rig.program->Buttons().DetectAgain();
    // The program's own detection (its menus), then every view and the editor.
    const std::size_t menus = rig.IndexOf<notice::UpdateDeviceMenus>();
    ASSERT_NE(menus, SIZE_MAX);
    const auto& n = rig.t.shell.notices;
    ASSERT_GE(n.size(), 2u);
    EXPECT_TRUE(std::holds_alternative<notice::RebuildAllBoardViews>(n[n.size() - 2]));
    EXPECT_LT(menus, n.size() - 2);
    EXPECT_TRUE(rig.t.shell.Saw<notice::ShowPlayAssignment>());
    EXPECT_TRUE(rig.program->Editor().View().listsGiveFocusBack); // input is on after start
    rig.program->Buttons().SetInputOn(false);
    EXPECT_FALSE(rig.program->Editor().View().listsGiveFocusBack);
}

TEST(Program, WithoutASoundDeviceSaysSoAndEnds) {
    ProgramRig rig;
    rig.output.fail = true;
    rig.Make();
    EXPECT_FALSE(rig.program->Start(""));
    ASSERT_FALSE(rig.t.shell.messages.empty());
    EXPECT_NE(rig.t.shell.messages.back().text.find("(Error: no device)"), std::string::npos);
    EXPECT_EQ(rig.t.st.Orc.OrcFile, "") << "nothing is opened after the sound service failed";
}

struct CloseCase {
    const char* name;
    bool modified;
    std::deque<MsgAnswer> answers;
    std::deque<std::string> chosen; // the Save As dialog
    bool closes;
    bool asked;
};

class ClosingTheProgram : public ::testing::TestWithParam<CloseCase> {};

TEST_P(ClosingTheProgram, AsksAboutChangesAndEndsOnlyWhenNothingIsLost) {
    const CloseCase& c = GetParam();
    ProgramRig rig;
    rig.Make();
    ASSERT_TRUE(rig.program->Start(""));
    rig.t.shell.Clear();
    if (c.modified) rig.t.st.SetModified();
    rig.t.shell.answers = c.answers;
    for (const std::string& n : c.chosen) rig.t.shell.chosen.push_back(n.empty() ? n : rig.dir.File(n));

    EXPECT_EQ(rig.program->Close({2, 150, 9000, 300, 6000}), c.closes);
    const bool asked = !rig.t.shell.messages.empty() && rig.t.shell.messages.front().text == kModifiedOnCloseText;
    EXPECT_EQ(asked, c.asked);
    const std::string stored = rig.settings.ReadSetting("General", "WindowSizPos", "none");
    EXPECT_EQ(stored, c.closes ? "2,150,9000,300,6000" : "none");
    // The keyboard the window feeds keeps its layout like the others.
    EXPECT_EQ(rig.settings.ReadSetting("Keyboard", "BoardWidth", "none"), c.closes ? "944" : "none");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClosingTheProgram,
    ::testing::Values(CloseCase{"Unmodified", false, {}, {}, true, false},
                      CloseCase{"Cancel", true, {MsgAnswer::Cancel}, {}, false, true},
                      CloseCase{"No", true, {MsgAnswer::No}, {}, true, true},
                      CloseCase{"YesAndSaved", true, {MsgAnswer::Yes}, {"Saved.TbOrc"}, true, true},
                      CloseCase{"YesButTheSaveWasCancelled", true, {MsgAnswer::Yes}, {""}, false, true}),
    [](const auto& info) { return info.param.name; });

TEST(Program, ATakeStillRecordingIsKeptAndOfferedForSaving) {
    ProgramRig rig;
    rig.Make();
    ASSERT_TRUE(rig.program->Start(""));
    KeystrokeRecorder& rec = rig.program->GetInstrument().Recorder();
    rec.StartRecording();
    rec.AppendKeyStroke({DeviceNo{1}, KeyNo{30}});
    rig.t.shell.Clear();
    rig.t.shell.answers = {MsgAnswer::Cancel};
    EXPECT_FALSE(rig.program->Close({}));
    EXPECT_EQ(rig.t.st.Orc.Recordings[0].count(), 1);
    ASSERT_FALSE(rig.t.shell.messages.empty());
    EXPECT_EQ(rig.t.shell.messages.front().text, kModifiedOnCloseText);
}

TEST(Program, ASavedFolderThatIsGoneFallsBackToTheProgramFolder) {
    ProgramRig rig;
    rig.settings.WriteSetting("General", "LastUsedPath", rig.dir.File("gone") + "/");
    rig.Make();
    ASSERT_TRUE(rig.program->Start(""));
    EXPECT_EQ(rig.t.st.LastUsedPath, rig.dir.Path() + "/");
}

} // namespace
} // namespace tambrel::test
