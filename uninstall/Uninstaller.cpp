#include "uninstall/Uninstaller.h"

#include <exception>

namespace tambrel {

namespace {

constexpr std::string_view kPartFailed = "Part of the uninstall routine failed.";

std::string EndDescription(const RemovalCommand& c, const ProcessEnd& e) {
    const std::string program = c.words.empty() ? c.commandLine : c.words[0];
    if (e.exited && e.status < 0) return "The removal program " + program + " ended and its result is unknown";
    if (e.exited) return "The removal program " + program + " ended with status " + std::to_string(e.status);
    return "The removal program " + program + " was stopped by signal " + std::to_string(e.status);
}

} // namespace

FeedbackView MakeFeedbackView(const UninstallProduct& product) {
    FeedbackView v;
    v.title = "Uninstalling " + product.name;
    v.hello = "Hello";
    v.reason = "For some reason you have decided to uninstall.";
    v.request = "I request you to fill in a quick survey about this product.";
    v.surveyLink = "Click here to fillup a feedback form in our website";
    v.noEmail = "(no need to enter email address, only few clicks)";
    v.pleaseHelp = "Please help us improve.";
    v.emailPrompt = "Or, if you prefer to send an email,";
    v.mailLink = "Click here";
    v.thankYou = "Thank you for trying Tambrel Product.";
    v.thanks = "Thanks,";
    v.signature = "Tambrel Developer";
    v.continueButton = "Continue Uninstall ..";
    v.cancelButton = "Cancel  Uninstall";
    return v;
}

Uninstaller::Uninstaller(UninstallUi& ui, TimerHost& timers, RemovalProcess& process,
                         const std::vector<UninstallProduct>& table)
    : ui_(ui), timers_(timers), process_(process), table_(table), product_(table.at(0)) {}

Uninstaller::~Uninstaller() {
    if (pollTimer_) timers_.Destroy(pollTimer_);
    if (graceTimer_) timers_.Destroy(graceTimer_);
}

void Uninstaller::Start(const std::vector<std::string>& args, const std::function<bool(const std::string&)>& existsHere,
                        const std::function<bool(const std::string&)>& isFile) {
    try {
        command_ = MakeRemovalCommand(args, isFile);
        product_ = table_.at(ChooseProduct(table_, existsHere));
        if (!NamesRemovalProgram(command_.commandLine)) {
            if (!product_.executable.empty())
                ui_.Message("This is uninstall program for the use of control panel's 'Add/Remove program'",
                            BoxTitle());
            else
                ui_.Message("This was the uninstall program used by control panel's 'Add/Remove program'\n\n"
                            "If you have already uninstalled " +
                                product_.name +
                                " from this directory\n"
                                "You may delete this file and this directory",
                            BoxTitle());
            Finish(0);
            return;
        }
        if (ui_.AskStop("Do you wish to Uninstall " + product_.name + "?", BoxTitle()) != UninstallAnswer::Yes) {
            Finish(0);
            return;
        }
        feedbackShown_ = true;
        ui_.ShowFeedback(MakeFeedbackView(product_));
    } catch (const std::exception& e) {
        Fail(e.what(), "");
    }
}

void Uninstaller::OnLink(int index) {
    if (!feedbackShown_ || removing_ || ended_) return;
    const std::string address = index == 0 ? product_.feedbackPage : FeedbackMailAddress(product_);
    std::string error;
    if (!ui_.Open(address, error))
        ui_.Message(error.empty() ? "The address " + address + " cannot be opened" : error, "");
}

void Uninstaller::OnCancel() {
    if (!feedbackShown_ || removing_ || ended_) return;
    ui_.HideFeedback();
    ui_.Message(product_.name + " UnInstall Canceled", BoxTitle());
    Finish(0);
}

void Uninstaller::OnContinue() {
    if (!feedbackShown_ || removing_ || ended_) return;
    ContinueClicked = true;
    removing_ = true;
    ui_.HideFeedback();
    std::string error;
    if (!process_.Start(command_.words, error)) {
        // Nothing was started, so there is nothing to wait for.
        Fail(error, BoxTitle());
        return;
    }
    pollTimer_ = timers_.Create([this] { PollRemoval(); });
    timers_.Start(pollTimer_, kPollMs);
}

void Uninstaller::PollRemoval() {
    const std::optional<ProcessEnd> end = process_.Poll();
    if (!end) return;
    end_ = *end;
    timers_.Stop(pollTimer_);
    // A moment more, as the desktop may still be catching up on the removal.
    graceTimer_ = timers_.Create([this] {
        timers_.Stop(graceTimer_);
        AfterRemoval();
    });
    timers_.Start(graceTimer_, kPollMs);
}

void Uninstaller::AfterRemoval() {
    if (end_.Succeeded()) {
        ui_.Message(product_.name + " UnInstall Completed", BoxTitle());
        Finish(0);
    } else {
        Fail(EndDescription(command_, end_), BoxTitle());
    }
}

void Uninstaller::Fail(std::string_view description, std::string_view title) {
    ui_.Message(std::string(description) + "\r\n" + std::string(kPartFailed), title);
    Finish(1);
}

void Uninstaller::Finish(int status) {
    if (ended_) return;
    ended_ = true;
    status_ = status;
    ui_.End(status);
}

} // namespace tambrel
