#include <gtest/gtest.h>

#include "document/OpenMessage.h"
#include "tests/TestState.h"

namespace tambrel {
namespace {

TEST(OpenMessage, ViewModeShowsOnlyARealMessage) {
    test::TestState t;
    // A new Orchestra's single space, or any run of spaces, is no message.
    for (const char* none : {"", " ", "     "}) {
        t.st.Orc.OpenMsg = none;
        EXPECT_FALSE(DescribeOpenMessage(t.st.Orc, false).show) << '"' << none << '"';
        EXPECT_TRUE(DescribeOpenMessage(t.st.Orc, true).show) << "the author may always edit";
    }
    t.st.Orc.OpenMsg = "  Welcome  ";
    EXPECT_TRUE(DescribeOpenMessage(t.st.Orc, false).show);
    // A tab is not a space: the message is shown as the author wrote it.
    t.st.Orc.OpenMsg = "\t";
    EXPECT_TRUE(DescribeOpenMessage(t.st.Orc, false).show);
}

TEST(OpenMessage, TheTwoModesDifferInColoursControlsAndTip) {
    test::TestState t;
    t.st.Orc.OpenMsg = "Hello";
    const OpenMessageView view = DescribeOpenMessage(t.st.Orc, false);
    EXPECT_TRUE(view.readOnly);
    EXPECT_FALSE(view.cancelVisible);
    EXPECT_FALSE(view.labelVisible);
    EXPECT_EQ(view.background, (Rgb{255, 255, 192}));
    EXPECT_EQ(view.foreground, (Rgb{0, 0, 255}));
    EXPECT_EQ(view.messageTip, "Here is the message for from the author of this Orchestra file you just opened");

    const OpenMessageView edit = DescribeOpenMessage(t.st.Orc, true);
    EXPECT_FALSE(edit.readOnly);
    EXPECT_TRUE(edit.cancelVisible);
    EXPECT_TRUE(edit.labelVisible);
    EXPECT_EQ(edit.background, (Rgb{255, 255, 255}));
    EXPECT_EQ(edit.foreground, (Rgb{0, 0, 0}));
    EXPECT_EQ(edit.messageTip, "Enter the message to be shown while opening this file, Enter nothing if you do not "
                               "want to show any message");
    EXPECT_EQ(edit.text, "Hello");
}

TEST(OpenMessage, OkStoresOnlyAChangeMadeInEditMode) {
    test::TestState t;
    t.st.Orc.OpenMsg = " ";
    t.st.FileModified = kVbFalse;
    // OK without a change: nothing modified.
    EXPECT_FALSE(AcceptOpenMessage(t.st, true, " "));
    EXPECT_FALSE(t.st.FileModified);
    // View mode never stores, whatever the box holds.
    EXPECT_FALSE(AcceptOpenMessage(t.st, false, "typed anyway"));
    EXPECT_EQ(t.st.Orc.OpenMsg, " ");
    EXPECT_FALSE(t.st.FileModified);
    // Any change is stored and marks the Orchestra.
    EXPECT_TRUE(AcceptOpenMessage(t.st, true, "Play <b>loud</b> & clear"));
    EXPECT_EQ(t.st.Orc.OpenMsg, "Play <b>loud</b> & clear");
    EXPECT_TRUE(t.st.FileModified);
    // Emptying the message is a change too.
    t.st.FileModified = kVbFalse;
    EXPECT_TRUE(AcceptOpenMessage(t.st, true, ""));
    EXPECT_EQ(t.st.Orc.OpenMsg, "");
    EXPECT_TRUE(t.st.FileModified);
}

TEST(OpenMessage, LineBreaksAreStoredAsCrLfAndShownAsLf) {
    test::TestState t;
    t.st.Orc.OpenMsg = "Line one\r\nLine two\rLine three";
    EXPECT_EQ(DescribeOpenMessage(t.st.Orc, false).text, "Line one\nLine two\nLine three");
    t.st.Orc.OpenMsg = "a\r\nb";
    t.st.FileModified = kVbFalse;
    // The box gives the same text back with LF: not a change.
    EXPECT_FALSE(AcceptOpenMessage(t.st, true, "a\nb"));
    EXPECT_FALSE(t.st.FileModified);
    EXPECT_TRUE(AcceptOpenMessage(t.st, true, "a\nb\nc"));
    EXPECT_EQ(t.st.Orc.OpenMsg, "a\r\nb\r\nc");
    EXPECT_EQ(StoredMessageText("x\r\ny\n"), "x\r\ny\r\n");
    EXPECT_EQ(MessageBoxText("\r\r\n"), "\n\n");
}

} // namespace
} // namespace tambrel
