// The program is one task-bar button titled with the application's title, whichever of its
// windows are up, and that button minimises and restores the whole program.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/input.h"

namespace {

using namespace e2e;

const std::vector<std::string> kOneButton{"VIrovARI2 Install"};

TEST(TaskBar, OneButtonForTheMainWindowTheViewerAndMessageBoxes) {
    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();
    EXPECT_EQ(TaskBarButtons(session.Program().Id()), kOneButton);

    PressKey(main, Key::F1);
    const Window viewer = session.WaitForDialog("About DE roz OZE-2 [readme_en.txt]");
    ASSERT_TRUE(viewer) << session.OpenWindows();
    EXPECT_EQ(TaskBarButtons(session.Program().Id()), kOneButton);
    PressKey(viewer, Key::Enter);
    ASSERT_TRUE(WaitUntilGone(viewer, kStepTimeout));

    ASSERT_TRUE(PressButton(main, "Exit"));
    const Window confirm = session.WaitForDialog("Confirm");
    ASSERT_TRUE(confirm) << session.OpenWindows();
    EXPECT_EQ(TaskBarButtons(session.Program().Id()), kOneButton);
    ASSERT_TRUE(PressButton(confirm, "No"));
    ASSERT_TRUE(WaitUntilGone(confirm, kStepTimeout));
}

TEST(TaskBar, TheButtonMinimisesAndRestoresTheProgram) {
    Session session;
    const Window main = session.WaitForWindow("VI4zodAVI2 Install");
    ASSERT_TRUE(main) << session.OpenWindows();
    const auto buttons = TaskBarWindows(session.Program().Id());
    ASSERT_EQ(buttons.size(), 1u) << session.OpenWindows();
    const Window button = buttons.front();
    // The button's window has nothing to show on the screen itself.
    EXPECT_EQ(button.ScreenRect().Width(), 0);

    MinimizeWindow(button);
    EXPECT_TRUE(WaitUntil([&] { return button.Minimized() && !main.Visible(); }, kStepTimeout));
    RestoreWindow(button);
    EXPECT_TRUE(WaitUntil([&] { return !button.Minimized() && main.Visible(); }, kStepTimeout));
    // The main window works as before: Exit still asks.
    ASSERT_TRUE(PressButton(main, "Exit"));
    EXPECT_TRUE(session.WaitForDialog("Confirm")) << session.OpenWindows();
}

}  // namespace
