#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <set>
#include <thread>

#include "common/VirtualClock.h"
#include "tests/TempDir.h"
#include "uninstall/Uninstaller.h"

using namespace tambrel;
using tambrel::test::TempDir;

namespace {

struct FakeUi final : UninstallUi {
    std::vector<std::pair<std::string, std::string>> messages; // text, title
    std::vector<std::pair<std::string, std::string>> questions;
    UninstallAnswer answer = UninstallAnswer::Yes;
    std::optional<FeedbackView> shown;
    bool visible = false;
    std::vector<std::string> opened;
    bool openFails = false;
    std::vector<int> ends;

    void Message(std::string_view text, std::string_view title) override { messages.emplace_back(text, title); }
    UninstallAnswer AskStop(std::string_view text, std::string_view title) override {
        questions.emplace_back(text, title);
        return answer;
    }
    void ShowFeedback(const FeedbackView& v) override { shown = v, visible = true; }
    void HideFeedback() override { visible = false; }
    bool Open(std::string_view address, std::string& error) override {
        opened.emplace_back(address);
        if (openFails) error = "no browser";
        return !openFails;
    }
    void End(int status) override { ends.push_back(status); }
};

struct FakeProcess final : RemovalProcess {
    std::vector<std::vector<std::string>> started;
    bool startFails = false;
    int polls = 0;
    int endAfterPolls = 3;
    ProcessEnd end{true, 0};
    bool Start(const std::vector<std::string>& words, std::string& error) override {
        started.push_back(words);
        if (startFails) error = "The removal program x cannot be started: No such file or directory";
        return !startFails;
    }
    std::optional<ProcessEnd> Poll() override {
        if (++polls < endAfterPolls) return std::nullopt;
        return end;
    }
};

const std::vector<UninstallProduct> kTable = {
    {"Tambrel Product", "", "https://t.example/"},
    {"Tambrel Orchestra", "TambrelOrchestra", "https://t.example/orc"},
    {"Tambrel Other", "TambrelOther", "https://t.example/other"},
};

struct Rig {
    FakeUi ui;
    VirtualClock clock;
    FakeProcess process;
    Uninstaller u{ui, clock, process, kTable};
    std::set<std::string> here = {"TambrelOrchestra", "TbUninst"};
    void Start(std::vector<std::string> args) {
        u.Start(
            args, [this](const std::string& n) { return here.count(n) > 0; },
            [](const std::string& p) { return p == "/opt/t/tambrel-remove" || p == "/opt/a b/tambrel-remove"; });
    }
};

} // namespace

TEST(UninstallProductChoice, OneExecutableChoosesItsRowNoneOrSeveralTheGenericOne) {
    auto with = [](std::set<std::string> files) {
        return ChooseProduct(kTable, [&](const std::string& n) { return files.count(n) > 0; });
    };
    EXPECT_EQ(with({"TambrelOrchestra"}), 1u);
    EXPECT_EQ(with({"TambrelOther"}), 2u);
    EXPECT_EQ(with({}), 0u);
    EXPECT_EQ(with({"TambrelOrchestra", "TambrelOther"}), 0u);
    EXPECT_EQ(ProductTable()[0].name, "Tambrel Product");
    EXPECT_EQ(ProductTable()[1].name, "Tambrel Orchestra");
    EXPECT_EQ(ProductTable()[1].executable, "TambrelOrchestra");
}

TEST(UninstallCommand, NamesTheRemovalProgramInAnyCaseAndSplitsWithoutAShell) {
    EXPECT_TRUE(NamesRemovalProgram("/opt/t/TAMBREL-Remove --quiet"));
    EXPECT_FALSE(NamesRemovalProgram("/opt/t/tambrel-rem0ve"));
    EXPECT_EQ(SplitWords("  a \"b c\"  d\\ e '$(x)' *"), (std::vector<std::string>{"a", "b c", "d e", "'$(x)'", "*"}));
    EXPECT_EQ(SplitWords("\"\""), std::vector<std::string>{""});
    auto isFile = [](const std::string& p) { return p == "/opt/a b/tambrel-remove"; };
    EXPECT_EQ(MakeRemovalCommand({"/opt/a b/tambrel-remove"}, isFile).words,
              std::vector<std::string>{"/opt/a b/tambrel-remove"});
    EXPECT_EQ(MakeRemovalCommand({"/opt/t/tambrel-remove --all"}, isFile).words,
              (std::vector<std::string>{"/opt/t/tambrel-remove", "--all"}));
    RemovalCommand c = MakeRemovalCommand({"/opt/x y/tambrel-remove", "--all"}, isFile);
    EXPECT_EQ(c.words.size(), 2u);
    EXPECT_EQ(c.commandLine, "/opt/x y/tambrel-remove --all");
}

TEST(Uninstaller, StartedByHandForAPresentProductExplainsAndEnds) {
    Rig r;
    r.Start({});
    ASSERT_EQ(r.ui.messages.size(), 1u);
    EXPECT_EQ(r.ui.messages[0].first, "This is uninstall program for the use of control panel's 'Add/Remove program'");
    EXPECT_EQ(r.ui.messages[0].second, "Uninstall Tambrel Orchestra");
    EXPECT_EQ(r.ui.ends, std::vector<int>{0});
    EXPECT_TRUE(r.ui.questions.empty());
}

TEST(Uninstaller, StartedByHandAfterRemovalNamesTheGenericProduct) {
    Rig r;
    r.here = {"TbUninst"};
    r.Start({"/opt/t/St6unst.exe"});
    ASSERT_EQ(r.ui.messages.size(), 1u);
    EXPECT_EQ(r.ui.messages[0].first, "This was the uninstall program used by control panel's 'Add/Remove program'\n\n"
                                      "If you have already uninstalled Tambrel Product from this directory\n"
                                      "You may delete this file and this directory");
    EXPECT_EQ(r.ui.messages[0].second, "Uninstall Tambrel Product");
}

TEST(Uninstaller, AsksWithTheProductNameAndEndsWithoutRemovingOnNoOrCancel) {
    for (UninstallAnswer a : {UninstallAnswer::No, UninstallAnswer::Cancel}) {
        Rig r;
        r.ui.answer = a;
        r.Start({"/opt/t/TAMBREL-REMOVE"});
        ASSERT_EQ(r.ui.questions.size(), 1u);
        EXPECT_EQ(r.ui.questions[0].first, "Do you wish to Uninstall Tambrel Orchestra?");
        EXPECT_EQ(r.ui.questions[0].second, "Uninstall Tambrel Orchestra");
        EXPECT_FALSE(r.ui.shown);
        EXPECT_TRUE(r.process.started.empty());
        EXPECT_EQ(r.ui.ends, std::vector<int>{0});
    }
}

TEST(Uninstaller, TwoProductsInTheFolderUseTheGenericNameThroughout) {
    Rig r;
    r.here.insert("TambrelOther");
    r.Start({"/opt/t/tambrel-remove"});
    EXPECT_EQ(r.ui.questions.at(0).first, "Do you wish to Uninstall Tambrel Product?");
    EXPECT_EQ(r.ui.shown->title, "Uninstalling Tambrel Product");
    r.u.OnCancel();
    EXPECT_EQ(r.ui.messages.back().first, "Tambrel Product UnInstall Canceled");
    EXPECT_EQ(r.ui.messages.back().second, "Uninstall Tambrel Product");
}

TEST(Uninstaller, FeedbackWindowTextsAndLinks) {
    Rig r;
    r.Start({"/opt/t/tambrel-remove"});
    ASSERT_TRUE(r.ui.shown);
    const FeedbackView& v = *r.ui.shown;
    EXPECT_EQ(v.title, "Uninstalling Tambrel Orchestra");
    EXPECT_EQ(v.surveyLink, "Click here to fillup a feedback form in our website");
    EXPECT_EQ(v.mailLink, "Click here");
    EXPECT_EQ(v.thankYou, "Thank you for trying Tambrel Product.");
    EXPECT_EQ(v.continueButton, "Continue Uninstall ..");
    EXPECT_EQ(v.cancelButton, "Cancel  Uninstall");
    r.u.OnLink(0);
    r.u.OnLink(1);
    ASSERT_EQ(r.ui.opened.size(), 2u);
    EXPECT_EQ(r.ui.opened[0], "https://t.example/orc");
    EXPECT_EQ(r.ui.opened[1],
              "mailto:" + std::string(kSupportMail) +
                  "?subject=Tambrel Orchestra uninstall comments&body=Type here the reason for not using "
                  "Tambrel Orchestra and let us know what should be done to improve this software.");
    r.ui.openFails = true;
    r.u.OnLink(0);
    EXPECT_EQ(r.ui.messages.back().first, "no browser");
    EXPECT_TRUE(r.ui.visible) << "a link that cannot be opened leaves the window open";
    EXPECT_TRUE(r.ui.ends.empty());
}

TEST(Uninstaller, ContinueWaitsInHalfSecondsThenHalfASecondMoreBeforeReportingSuccess) {
    Rig r;
    r.Start({"/opt/t/tambrel-remove"});
    r.u.OnContinue();
    EXPECT_TRUE(r.u.ContinueClicked);
    EXPECT_FALSE(r.ui.visible);
    ASSERT_EQ(r.process.started.size(), 1u);
    EXPECT_EQ(r.process.started[0], std::vector<std::string>{"/opt/t/tambrel-remove"});
    r.clock.AdvanceTo(1000);
    EXPECT_EQ(r.process.polls, 2);
    r.clock.AdvanceTo(1500); // the third poll sees the end
    EXPECT_TRUE(r.ui.messages.empty());
    r.clock.AdvanceTo(1999);
    EXPECT_TRUE(r.ui.messages.empty());
    r.clock.AdvanceTo(2000);
    ASSERT_EQ(r.ui.messages.size(), 1u);
    EXPECT_EQ(r.ui.messages[0].first, "Tambrel Orchestra UnInstall Completed");
    EXPECT_EQ(r.ui.messages[0].second, "Uninstall Tambrel Orchestra");
    EXPECT_EQ(r.ui.ends, std::vector<int>{0});
    r.clock.AdvanceTo(10000);
    EXPECT_EQ(r.process.polls, 3) << "no polling after the end";
    EXPECT_EQ(r.ui.messages.size(), 1u);
}

TEST(Uninstaller, AFailedRemovalIsNeverReportedAsCompleted) {
    for (ProcessEnd end : {ProcessEnd{true, 3}, ProcessEnd{false, 9}}) {
        Rig r;
        r.process.end = end;
        r.Start({"/opt/t/tambrel-remove"});
        r.u.OnContinue();
        r.clock.AdvanceTo(5000);
        ASSERT_EQ(r.ui.messages.size(), 1u);
        const std::string& text = r.ui.messages[0].first;
        EXPECT_EQ(text.find("Completed"), std::string::npos);
        EXPECT_NE(text.find(end.exited ? "status 3" : "signal 9"), std::string::npos) << text;
        EXPECT_EQ(text.substr(text.size() - 39), "\r\nPart of the uninstall routine failed.");
        EXPECT_EQ(r.ui.messages[0].second, "Uninstall Tambrel Orchestra");
        EXPECT_EQ(r.ui.ends, std::vector<int>{1});
    }
}

TEST(Uninstaller, ARemovalThatCannotStartFailsAtOnceWithoutWaiting) {
    Rig r;
    r.process.startFails = true;
    r.Start({"/opt/t/tambrel-remove"});
    r.u.OnContinue();
    ASSERT_EQ(r.ui.messages.size(), 1u);
    EXPECT_EQ(
        r.ui.messages[0].first,
        "The removal program x cannot be started: No such file or directory\r\nPart of the uninstall routine failed.");
    EXPECT_EQ(r.ui.ends, std::vector<int>{1});
    EXPECT_EQ(r.clock.NextDue(), -1) << "no timer left waiting";
    r.u.OnContinue();
    EXPECT_EQ(r.process.started.size(), 1u) << "the buttons do nothing once it has ended";
}

TEST(Uninstaller, CancelRemovesNothing) {
    Rig r;
    r.Start({"/opt/t/tambrel-remove"});
    r.u.OnCancel();
    EXPECT_FALSE(r.ui.visible);
    EXPECT_EQ(r.ui.messages.at(0).first, "Tambrel Orchestra UnInstall Canceled");
    EXPECT_TRUE(r.process.started.empty());
    EXPECT_EQ(r.ui.ends, std::vector<int>{0});
}

// The real child process: a fake removal program in a folder with a blank.
TEST(SpawnedProcess, RunsTheWordsWithoutAShellAndReportsTheExitStatus) {
    TempDir dir;
    std::filesystem::create_directories(dir.Path() + "/a b");
    const std::string program =
        dir.Write("a b/tambrel-remove", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$(dirname \"$0\")/args\"\nexit \"$1\"\n");
    chmod(program.c_str(), 0755);
    auto run = [&](std::vector<std::string> words) {
        SpawnedProcess p;
        std::string error;
        EXPECT_TRUE(p.Start(words, error)) << error;
        for (int i = 0; i < 500; ++i) {
            if (auto end = p.Poll()) return *end;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "the removal program did not end";
        return ProcessEnd{};
    };
    ProcessEnd ok = run({program, "0", "$(touch pwned)", "*"});
    EXPECT_TRUE(ok.Succeeded());
    EXPECT_EQ(TempDir::Read(dir.Path() + "/a b/args"), "0|$(touch pwned)|*|");
    EXPECT_FALSE(std::filesystem::exists("pwned"));
    ProcessEnd bad = run({program, "4"});
    EXPECT_FALSE(bad.Succeeded());
    EXPECT_EQ(bad.status, 4);

    SpawnedProcess missing;
    std::string error;
    EXPECT_FALSE(missing.Start({dir.File("no-such-program")}, error));
    EXPECT_NE(error.find("cannot be started"), std::string::npos);
    EXPECT_FALSE(missing.Start({}, error));
}
