#pragma once
// The uninstaller's message boxes, its feedback window and the desktop's
// opening of links, for the core's Uninstaller. User-interface thread.

#include "uninstall/Uninstaller.h"
#include "uninstall/window/FeedBackFrm.h"

namespace tambrel {

class QtUninstallUi final : public UninstallUi {
public:
    // onEnd ends the program; by default it quits the event loop.
    explicit QtUninstallUi(FeedBackFrm& window, std::function<void(int)> onEnd = {})
        : window_(window), onEnd_(std::move(onEnd)) {}

    void Message(std::string_view text, std::string_view title) override;
    UninstallAnswer AskStop(std::string_view text, std::string_view title) override;
    void ShowFeedback(const FeedbackView& view) override;
    void HideFeedback() override;
    bool Open(std::string_view address, std::string& error) override;
    void End(int status) override;

private:
    FeedBackFrm& window_;
    std::function<void(int)> onEnd_;
};

} // namespace tambrel
