// The environment chooser, reached through the Install command of a setup program whose
// product offers the nine environments of its table (tools/envsetup.cpp): its texts and
// items, OK held back while nothing is ticked, Cancel back to an unchanged main window, and
// OK on to the installation.

#include <gtest/gtest.h>

#include "cases/session.h"
#include "driver/dialog.h"
#include "driver/files.h"
#include "driver/input.h"
#include "driver/list_box.h"

namespace {

using namespace e2e;

const char kDestination[] = "C:\\Program Files (x86)\\VE4";
constexpr Milliseconds kInstallTimeout{180000};

const std::vector<std::string> kEnvironments = {
    "Borland Delphi 7",
    "Borland Delphi 2006",
    "Free Pascal Lazarus 1",
    "Microsoft Visual Studio 2008 (C++)",
    "Microsoft Visual Studio 2010 (C++)",
    "Microsoft Visual Studio 2012 (C++)",
    "Microsoft Visual Studio 2013 (C++)",
    "Microsoft Visual Studio 2015 (C++)",
    "Code::Blocks 13 (C++)",
};

class EnvironmentChooser : public ::testing::Test {
protected:
    // Presses Install on the main window (the destination field as the start-up filled it)
    // and waits for the chooser.
    Window OpenChooser() {
        main_ = session_.WaitForWindow("VI4zodAVI2 Install");
        if (!main_ || !PressButton(main_, "Install")) return Window();
        return session_.WaitForDialog({"Environments", "Error", "Warning", "Information"}, kStepTimeout);
    }

    static Window List(const Window& chooser) {
        const auto lists = chooser.ChildrenOfClass("ListBox");
        return lists.size() == 1 ? lists[0] : Window();
    }

    // Clicks the boxes of items and waits until the OK button is as expected.
    static bool ClickBoxes(const Window& chooser, const std::vector<int>& items, bool ok_enabled_after) {
        const Window list = List(chooser);
        for (int index : items) ClickItemCheckBox(list, index);
        const Window ok = chooser.FindChild("Button", "OK");
        return WaitUntil([&] { return ok.Enabled() == ok_enabled_after; }, kStepTimeout);
    }

    Session session_;
    Window main_;
};

TEST_F(EnvironmentChooser, ShowsEveryEnvironmentTickedAndHoldsOkBackWhileNoneIs) {
    const auto before = DirectoryContents(kDestination);
    ASSERT_FALSE(before.empty()) << "the scenario did not lay out the base product";
    const Window chooser = OpenChooser();
    ASSERT_TRUE(chooser) << session_.OpenWindows();
    ASSERT_EQ(chooser.Text(), "Environments") << DialogMessage(chooser);
    EXPECT_EQ(DialogMessage(chooser), "\r\n          Select environments to use\r\n          DA red UDU:\r\n");
    EXPECT_EQ(ButtonCaptions(chooser), (std::vector<std::string>{"OK", "Cancel"}));

    // The dialog is as tall as its button panel, the prompt and the product's extra height.
    const auto texts = chooser.ChildrenOfClass("Static");
    ASSERT_EQ(texts.size(), 1u) << chooser.Describe();
    constexpr int kButtonPanelHeight = 46;
    constexpr int kExtraHeight = 185;
    EXPECT_EQ(chooser.ClientRect().Height(), kButtonPanelHeight + texts[0].RectInParent().Height() + kExtraHeight);
    const Window ok = chooser.FindChild("Button", "OK");

    const Window list = List(chooser);
    ASSERT_TRUE(list) << chooser.Describe();
    // A whole number of 13-pixel items, the last one not cut.
    EXPECT_EQ(list.ClientRect().Height() % 13, 0) << chooser.Describe();
    ASSERT_EQ(ListItemCount(list), static_cast<int>(kEnvironments.size()));
    for (int index = 0; index < ListItemCount(list); ++index) {
        EXPECT_EQ(ListItemText(list, index), kEnvironments[static_cast<size_t>(index)]) << "item " << index;
    }
    EXPECT_TRUE(ok.Enabled());
    EXPECT_TRUE(ok.IsDefaultButton());
    Pause(Milliseconds(300));
    for (int index = 0; index < ListItemCount(list); ++index) {
        EXPECT_TRUE(CheckBoxTicked(list, index)) << "item " << index << " is not ticked";
    }
    session_.Shot("environment-chooser", chooser);
    EXPECT_EQ(TaskBarButtons(session_.Program().Id()), std::vector<std::string>{"VIrovARI2 Install"});

    // Each click turns one mark over: OK stays while one is left, goes with the last, and
    // comes back with any one ticked again. Had any item started unticked, the nine clicks
    // would have left it ticked and OK enabled.
    ASSERT_TRUE(ClickBoxes(chooser, {0, 1, 2, 3, 4, 5, 6, 7}, true));
    Pause(Milliseconds(300));
    EXPECT_TRUE(ok.Enabled());
    ASSERT_TRUE(ClickBoxes(chooser, {8}, false));
    Pause(Milliseconds(300));
    for (int index = 0; index < ListItemCount(list); ++index) {
        EXPECT_FALSE(CheckBoxTicked(list, index)) << "item " << index << " is still ticked";
    }
    // Enter with OK disabled does not close the chooser either.
    PressKey(chooser, Key::Enter);
    Pause(Milliseconds(500));
    EXPECT_TRUE(chooser.Visible());
    ASSERT_TRUE(ClickBoxes(chooser, {4}, true));

    // Cancel: back to the main window, which is usable, and nothing was installed.
    ASSERT_TRUE(PressButton(chooser, "Cancel"));
    EXPECT_TRUE(WaitUntilGone(chooser, kStepTimeout));
    Pause(Milliseconds(500));
    EXPECT_TRUE(session_.Program().Running());
    EXPECT_TRUE(main_.Visible());
    EXPECT_TRUE(main_.Enabled());
    EXPECT_TRUE(DirectoryContents(kDestination) == before);
    // The main window answers again: Install brings the same chooser back, marks as left.
    ASSERT_TRUE(PressButton(main_, "Install"));
    ASSERT_TRUE(WaitUntil([&] { return chooser.Visible(); }, kStepTimeout)) << session_.OpenWindows();
    Pause(Milliseconds(300));
    EXPECT_TRUE(CheckBoxTicked(list, 4));
    EXPECT_FALSE(CheckBoxTicked(list, 3));
    ASSERT_TRUE(PressButton(chooser, "Cancel"));
    EXPECT_TRUE(WaitUntilGone(chooser, kStepTimeout));
}

TEST_F(EnvironmentChooser, OkGoesOnToTheInstallation) {
    const Window chooser = OpenChooser();
    ASSERT_TRUE(chooser) << session_.OpenWindows();
    ASSERT_EQ(chooser.Text(), "Environments") << DialogMessage(chooser);
    // One environment left out: the payload carries no directory of its name, so the run is
    // the whole installation.
    ASSERT_TRUE(ClickBoxes(chooser, {2}, true));
    ASSERT_TRUE(PressButton(chooser, "OK"));
    const Window final_message = session_.WaitForDialog({"Information", "Warning", "Error"}, kInstallTimeout);
    ASSERT_TRUE(final_message) << session_.OpenWindows();
    EXPECT_EQ(final_message.Text(), "Information") << DialogMessage(final_message);
    EXPECT_TRUE(FileExists(std::string(kDestination) + "\\MPICH2\\Samples\\task1.c"));
    ASSERT_TRUE(PressButton(final_message, "OK"));
    EXPECT_TRUE(session_.WaitForExit(kStepTimeout).has_value()) << session_.OpenWindows();
}

}  // namespace
