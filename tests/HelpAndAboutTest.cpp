#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "session/AboutInfo.h"
#include "session/HelpFile.h"
#include "tests/TempDir.h"
#include "tests/TestState.h"

namespace tambrel {
namespace {

TEST(HelpFile, EveryTopicHasItsOwnAnchorAndUnknownOnesOpenTheContents) {
    struct Row {
        std::int32_t topic;
        const char* anchor;
    };
    const Row rows[] = {
        {kTopicContents, "contents"},
        {kTopicGettingStarted, "getting-started"},
        {kTopicPlaying, "playing"},
        {kTopicMainWindow, "main-window"},
        {kTopicBoardViews, "board-views"},
        {kTopicKeyAssignment, "key-assignment"},
        {kTopicRecordingPanel, "recording-panel"},
        {kTopicLayoutEditor, "layout-editor"},
        {kTopicOpenMessage, "open-message"},
        {kTopicDeviceList, "device-list"},
        {kTopicAbout, "about"},
        {kTopicPlayStyles, "play-styles"},
        {kTopicMidiPorts, "midi-ports"},
        {kTopicRecording, "recording"},
        {kTopicLayouts, "layouts"},
        {kTopicInputPermissions, "input-permissions"},
        {kTopicFilesAndSettings, "files-and-settings"},
        {kTopicTroubleshootingSound, "troubleshooting-sound"},
    };
    std::set<std::string_view> seen;
    for (const Row& r : rows) {
        EXPECT_EQ(HelpAnchor(r.topic), r.anchor) << r.topic;
        EXPECT_TRUE(seen.insert(HelpAnchor(r.topic)).second) << "two topics share " << r.anchor;
    }
    for (std::int32_t unknown : {0, -1, 99, 131, 100000}) EXPECT_EQ(HelpAnchor(unknown), "contents") << unknown;
}

TEST(HelpFile, AMissingFileIsReportedWithItsHtmlPath) {
    test::TempDir dir;
    test::TestState t;
    t.st.AppPath = dir.Path();
    EXPECT_EQ(HelpFilePath(dir.Path()), dir.Path() + "/TambrelOrchestra.html");
    EXPECT_FALSE(SetHelpFile(t.st));
    ASSERT_EQ(t.shell.messages.size(), 1u);
    EXPECT_EQ(t.shell.messages[0].text, dir.Path() + "/TambrelOrchestra.html\r\nHelp file not found");
    EXPECT_EQ(t.shell.messages[0].buttons, MsgButtons::Ok);

    dir.Write("TambrelOrchestra.html", "<html></html>");
    t.shell.Clear();
    EXPECT_TRUE(SetHelpFile(t.st));
    EXPECT_TRUE(t.shell.messages.empty());
}

TEST(HelpFile, TheShippedHelpHasEveryAnchor) {
    // The help file in the source tree must hold each topic's anchor, or F1
    // would open at the top of the page instead of the topic.
    const std::string path = std::string(TAMBREL_SOURCE_DIR) + "/docs/help/TambrelOrchestra.html";
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (std::int32_t topic = 0; topic <= 200; ++topic) {
        const std::string anchor(HelpAnchor(topic));
        EXPECT_NE(html.find("id=\"" + anchor + "\""), std::string::npos) << anchor;
    }
}

TEST(About, BuildTextIsInRoundBrackets) {
    EXPECT_EQ(AboutBuildText("0.1", "2026-12-08"), "(Version 0.1, built 2026-12-08)");
    EXPECT_EQ(AboutBuildText("1.2.3", ""), "(Version 1.2.3)");
    EXPECT_EQ(AboutBuildText("", ""), "(Version unknown)");
}

TEST(About, EveryPartOfTheInformationHasATipAndTheContactNamesTheWebPage) {
    const std::vector<AboutPart> parts = AboutInformation();
    ASSERT_GE(parts.size(), 3u);
    EXPECT_EQ(parts.front().text, "Tambrel Orchestra");
    for (const AboutPart& p : parts) {
        EXPECT_FALSE(p.text.empty());
        EXPECT_FALSE(p.tip.empty()) << p.text;
    }
    EXPECT_NE(parts.back().text.find(std::string(kProductWebPage)), std::string::npos);
}

} // namespace
} // namespace tambrel
