#pragma once
// A scripted Shell for tests: records every message, input prompt, status text,
// caption and notice, and answers questions from queues set up by the test.

#include <algorithm>
#include <cstddef>
#include <deque>
#include <ostream>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "common/Shell.h"
#include "document/Notices.h"

namespace tambrel::notice {

// A notice's fields as a failed expectation shows them; gtest names the type.
template <class T>
requires std::is_constructible_v<Notice, const T&>
void PrintTo(const T& n, std::ostream* os) {
    *os << "{";
    if constexpr (requires { n.playBoard; }) *os << " playBoard " << n.playBoard.value;
    if constexpr (requires { n.subBoard; }) *os << " subBoard " << n.subBoard.value;
    if constexpr (requires { n.from; }) *os << " from " << n.from.value << " to " << n.to.value;
    if constexpr (requires { n.key; })
        *os << " key " << n.key.playBoard.value << "/" << n.key.subBoard.value << "/" << n.key.key.value;
    if constexpr (requires { n.on; }) *os << " on " << n.on;
    if constexpr (requires { n.editMode; }) *os << " editMode " << n.editMode;
    *os << " }";
}

} // namespace tambrel::notice

namespace tambrel::test {

struct ShownMessage {
    std::string text;
    std::string title;
    MsgButtons buttons;
};

class FakeShell : public Shell, public NoticeListener {
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
    void OnNotice(const Notice& n) override { notices.push_back(n); }
    std::string ChooseFile(const FileDialogRequest& request) override {
        dialogs.push_back(request);
        if (chosen.empty()) return {};
        std::string c = chosen.front();
        chosen.pop_front();
        return c;
    }

    // How many notices of type N came.
    template <class N>
    int Count() const {
        return static_cast<int>(std::count_if(notices.begin(), notices.end(),
                                              [](const Notice& n) { return std::holds_alternative<N>(n); }));
    }
    template <class N>
    bool Saw() const {
        return Count<N>() > 0;
    }
    // Every notice of type N, in order.
    template <class N>
    std::vector<N> All() const {
        std::vector<N> all;
        for (const Notice& n : notices)
            if (const N* each = std::get_if<N>(&n)) all.push_back(*each);
        return all;
    }
    // The place of the first notice of type N; notices.size() when none came.
    template <class N>
    std::size_t IndexOf() const {
        for (std::size_t i = 0; i < notices.size(); ++i)
            if (std::holds_alternative<N>(notices[i])) return i;
        return notices.size();
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
    std::vector<Notice> notices;
};

} // namespace tambrel::test
