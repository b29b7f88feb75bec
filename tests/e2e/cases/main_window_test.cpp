// The main window on an English system: what it says and where its controls are.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"

namespace {

using namespace e2e;

const char kEnglishCaption[] = "VI4zodAVI2 Install";
const char kDestinationPrompt[] = "Select the directory where you would like DE roz OZE-2 to be installed:";

TEST(MainWindow, ShowsTheEnglishTexts) {
    Session session;
    const Window main = session.WaitForWindow(kEnglishCaption);
    ASSERT_TRUE(main) << session.OpenWindows();
    session.Shot("main-window-en", main);

    const Rect client = main.ClientRect();
    EXPECT_EQ(client.Width(), 681);
    EXPECT_EQ(client.Height(), 267);

    for (const char* text : {"Quillmark for MPI-2", "Electronic book of training tasks on MPI-2 programming",
                             kDestinationPrompt, "Version 1.6 (Build 19.06.2024)"}) {
        SCOPED_TRACE(std::string("label ") + text);
        const Window label = main.FindChild("", text);
        EXPECT_TRUE(label && label.Visible()) << main.Describe();
    }
    EXPECT_EQ(ButtonCaptions(main),
              (std::vector<std::string>{"Browse...", "About DE roz OZE-2", "License agreement", "Install", "Exit"}))
        << main.Describe();
    const Window install = main.FindChild("Button", "Install");
    EXPECT_TRUE(install.IsDefaultButton());
    EXPECT_EQ(main.FocusedControl(), install);
}

TEST(MainWindow, OffersTheDefaultDestinationBesideItsPrompt) {
    Session session;
    const Window main = session.WaitForWindow(kEnglishCaption);
    ASSERT_TRUE(main) << session.OpenWindows();

    const auto fields = main.ChildrenOfClass("Edit");
    ASSERT_EQ(fields.size(), 1u) << main.Describe();
    EXPECT_EQ(fields[0].Text(), "C:\\Program Files (x86)\\VE4");

    const Window prompt = main.FindChild("", kDestinationPrompt);
    ASSERT_TRUE(prompt) << main.Describe();
    // The prompt is sized to its whole text (Arial 8) and the field starts 20 pixels after it.
    EXPECT_GE(prompt.RectInParent().Width(), prompt.TextWidth("Arial", -11)) << main.Describe();
    EXPECT_EQ(fields[0].RectInParent().left, prompt.RectInParent().right + 20) << main.Describe();
    EXPECT_GT(fields[0].RectInParent().Width(), 50);
}

}  // namespace
