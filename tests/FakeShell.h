#pragma once
// A scripted Shell for tests: records every message, input prompt, status text,
// caption and notification, and answers questions from queues set up by the test.

#include <deque>
#include <string>
#include <vector>

#include "common/Shell.h"

namespace tambrel::test {

struct ShownMessage {
    std::string text;
    std::string title;
    MsgButtons buttons;
};

struct ShownNotice {
    ShellEvent event;
    int a, b, c = 0;
    bool operator==(const ShownNotice&) const = default;
};

class FakeShell : public Shell {
public:
    MsgAnswer Message(std::string_view text, std::string_view title, MsgButtons buttons) override {
        messages.push_back({std::string(text), std::string(title), buttons});
        if (!answers.empty()) {
            MsgAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
    std::string Input(std::string_view prompt, std::string_view title, std::string_view proposed) override {
        inputs.push_back({std::string(prompt), std::string(title), std::string(proposed)});
        if (typed.empty()) return {};
        std::string t = typed.front();
        typed.pop_front();
        return t;
    }
    void Status(std::string_view text) override { statuses.emplace_back(text); }
    void Busy(bool on) override { busy.push_back(on); }
    void Caption(std::string_view text) override { captions.emplace_back(text); }
    void Notify(ShellEvent event, int a, int b, int c) override { notices.push_back({event, a, b, c}); }
    std::string ChooseFile(const FileDialogRequest& request) override {
        dialogs.push_back(request);
        if (chosen.empty()) return {};
        std::string c = chosen.front();
        chosen.pop_front();
        return c;
    }

    bool Saw(ShellEvent e) const {
        for (const auto& n : notices)
            if (n.event == e) return true;
        return false;
    }
    bool SawStatus(const std::string& s) const {
        for (const auto& t : statuses)
            if (t == s) return true;
        return false;
    }
    void Clear() {
        messages.clear();
        inputs.clear();
        dialogs.clear();
        statuses.clear();
        busy.clear();
        captions.clear();
        notices.clear();
    }

    struct Prompt {
        std::string prompt, title, proposed;
    };

    std::deque<MsgAnswer> answers;  // answers to the next questions, in order
    std::deque<std::string> typed;  // answers to the next input boxes
    std::deque<std::string> chosen; // names the next file dialogs return ("" = cancel)
    std::vector<FileDialogRequest> dialogs;
    std::vector<ShownMessage> messages;
    std::vector<Prompt> inputs;
    std::vector<std::string> statuses;
    std::vector<bool> busy;
    std::vector<std::string> captions;
    std::vector<ShownNotice> notices;
};

} // namespace tambrel::test
