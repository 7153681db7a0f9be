#include <gtest/gtest.h>

#include <sstream>

#include "document/Notices.h"
#include "tests/FakeShell.h"

namespace tambrel::test {
namespace {

TEST(Notices, GoToTheOneListenerWhileItListensAndNowhereElse) {
    Views views;
    views.Post(notice::ShowPlayAssignment{}); // nobody listens: a tool without windows
    FakeShell first, second;
    views.Listen(&first);
    views.Post(notice::RedrawBoard{PlayBoardNo{2}, SubBoardNo{1}});
    views.Listen(&second);
    views.Post(notice::ShowInputOnOff{true});
    views.Listen(nullptr);
    views.Post(notice::UpdateBoardMenu{});
    EXPECT_EQ(first.notices, (std::vector<Notice>{notice::RedrawBoard{PlayBoardNo{2}, SubBoardNo{1}}}));
    EXPECT_EQ(second.notices, (std::vector<Notice>{notice::ShowInputOnOff{true}}));
}

// Notices differ by every field, so an expectation on one checks its numbers.
TEST(Notices, AreEqualOnlyWithTheSameTypeAndFields) {
    const KeyAddress at{PlayBoardNo{3}, SubBoardNo{1}, KeyNo{4}};
    const Notice icon = notice::ShowKeyIcon{at};
    EXPECT_EQ(icon, Notice{notice::ShowKeyIcon{at}});
    EXPECT_NE(icon, Notice{notice::ShowKeyMenu{at}});
    EXPECT_NE(icon, (Notice{notice::ShowKeyIcon{{PlayBoardNo{3}, SubBoardNo{1}, KeyNo{5}}}}));
    EXPECT_NE((Notice{notice::RenumberBoardView{PlayBoardNo{2}, PlayBoardNo{1}}}),
              (Notice{notice::RenumberBoardView{PlayBoardNo{1}, PlayBoardNo{2}}}));
    EXPECT_NE(Notice{notice::ShowOpenMessage{true}}, Notice{notice::ShowOpenMessage{false}});

    std::ostringstream shown;
    notice::PrintTo(notice::RedrawBoard{PlayBoardNo{3}, SubBoardNo{2}}, &shown);
    EXPECT_EQ(shown.str(), "{ playBoard 3 subBoard 2 }");
}

} // namespace
} // namespace tambrel::test
