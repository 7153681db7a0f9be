#pragma once
// TbUninst's whole course: choose the product, tell a hand-started user what
// this program is for, ask before removing, show the feedback window, then
// run the removal command and wait for it. The windows are behind
// UninstallUi; the waiting runs on a TimerHost, so the user-interface thread
// never blocks and tests run on a virtual clock. User-interface thread.

#include <string>
#include <string_view>
#include <vector>

#include "common/TimerHost.h"
#include "uninstall/ProductTable.h"
#include "uninstall/RemovalCommand.h"
#include "uninstall/RemovalProcess.h"

namespace tambrel {

inline constexpr std::string_view kUninstallerTitle = "TbUninst";

enum class UninstallAnswer { Yes, No, Cancel };

// What the feedback window shows, top to bottom.
struct FeedbackView {
    std::string title;
    std::string hello, reason, request;
    std::string surveyLink; // link 0
    std::string noEmail, pleaseHelp;
    std::string emailPrompt; // followed on its line by link 1
    std::string mailLink;    // link 1
    std::string thankYou, thanks, signature;
    std::string continueButton, cancelButton;
};
FeedbackView MakeFeedbackView(const UninstallProduct& product);

class UninstallUi {
public:
    virtual ~UninstallUi() = default;
    // A message box with an OK button; an empty title is the uninstaller's.
    virtual void Message(std::string_view text, std::string_view title) = 0;
    // Yes, No and Cancel, with the stop icon.
    virtual UninstallAnswer AskStop(std::string_view text, std::string_view title) = 0;
    // Shows the feedback window and paints it at once; the user's acts come
    // back as the Uninstaller's On... calls.
    virtual void ShowFeedback(const FeedbackView& view) = 0;
    virtual void HideFeedback() = 0;
    // Opens a web page or mail address with the desktop's program for it.
    virtual bool Open(std::string_view address, std::string& error) = 0;
    // The uninstaller ends with this exit status once the call returns.
    virtual void End(int status) = 0;
};

class Uninstaller {
public:
    static constexpr std::int64_t kPollMs = 500;

    Uninstaller(UninstallUi& ui, TimerHost& timers, RemovalProcess& process,
                const std::vector<UninstallProduct>& table = ProductTable());
    ~Uninstaller();
    Uninstaller(const Uninstaller&) = delete;
    Uninstaller& operator=(const Uninstaller&) = delete;

    // args: the arguments after the uninstaller's own name; existsHere asks
    // whether a file of that name is in the uninstaller's folder; isFile
    // whether a path names a file.
    void Start(const std::vector<std::string>& args, const std::function<bool(const std::string&)>& existsHere,
               const std::function<bool(const std::string&)>& isFile);

    void OnLink(int index);
    void OnCancel();
    void OnContinue();

    bool ContinueClicked = false;
    const UninstallProduct& Product() const { return product_; }
    const RemovalCommand& Command() const { return command_; }
    bool Ended() const { return ended_; }
    int ExitStatus() const { return status_; }

private:
    std::string BoxTitle() const { return "Uninstall " + product_.name; }
    void Fail(std::string_view description, std::string_view title);
    void Finish(int status);
    void PollRemoval();
    void AfterRemoval();

    UninstallUi& ui_;
    TimerHost& timers_;
    RemovalProcess& process_;
    const std::vector<UninstallProduct>& table_;
    UninstallProduct product_;
    RemovalCommand command_;
    ProcessEnd end_;
    TimerHost::TimerId pollTimer_ = 0, graceTimer_ = 0;
    bool feedbackShown_ = false, removing_ = false, ended_ = false;
    int status_ = 0;
};

} // namespace tambrel
