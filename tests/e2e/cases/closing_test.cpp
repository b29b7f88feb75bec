// Leaving the program: every way of closing the main window asks first, and only Yes ends it.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/input.h"

namespace {

using namespace e2e;

const char kExitQuestion[] =
    "If you exit now, DE roz OZE-2 will not be installed. Are you sure you want to exit and cancel installation?";

TEST(Closing, ExitAnsweredNoKeepsTheWindowOpen) {
    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();
    ASSERT_TRUE(PressButton(main, "Exit")) << main.Describe();

    const Window confirm = session.WaitForDialog("Confirm");
    ASSERT_TRUE(confirm) << session.OpenWindows();
    session.Shot("exit-confirmation", confirm);
    EXPECT_EQ(DialogMessage(confirm), kExitQuestion);
    EXPECT_EQ(ButtonCaptions(confirm), (std::vector<std::string>{"Yes", "No"}));

    ASSERT_TRUE(PressButton(confirm, "No"));
    EXPECT_TRUE(WaitUntilGone(confirm, kStepTimeout));
    Pause(Milliseconds(500));
    EXPECT_TRUE(session.Program().Running());
    EXPECT_TRUE(main.Visible());
    // Still usable: a second Exit asks again.
    ASSERT_TRUE(PressButton(main, "Exit"));
    const Window again = session.WaitForDialog("Confirm");
    EXPECT_TRUE(again) << session.OpenWindows();
}

TEST(Closing, ExitAnsweredYesEndsTheProgram) {
    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();
    ASSERT_TRUE(PressButton(main, "Exit"));
    const Window confirm = session.WaitForDialog("Confirm");
    ASSERT_TRUE(confirm) << session.OpenWindows();
    ASSERT_TRUE(PressButton(confirm, "Yes"));
    const auto exit_code = session.WaitForExit();
    ASSERT_TRUE(exit_code.has_value()) << session.OpenWindows();
    EXPECT_EQ(*exit_code, 2u);  // the user left
}

TEST(Closing, EscapeAndTheCloseBoxAskTheSameQuestion) {
    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();

    PressKey(main, Key::Escape);
    const Window after_escape = session.WaitForDialog("Confirm");
    ASSERT_TRUE(after_escape) << session.OpenWindows();
    EXPECT_EQ(DialogMessage(after_escape), kExitQuestion);
    ASSERT_TRUE(PressButton(after_escape, "No"));
    EXPECT_TRUE(WaitUntilGone(after_escape, kStepTimeout));

    CloseWindow(main);
    const Window after_close_box = session.WaitForDialog("Confirm");
    ASSERT_TRUE(after_close_box) << session.OpenWindows();
    ASSERT_TRUE(PressButton(after_close_box, "Yes"));
    EXPECT_TRUE(session.WaitForExit().has_value()) << session.OpenWindows();
}

}  // namespace
