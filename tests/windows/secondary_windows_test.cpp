// The text viewer and the environment chooser on their own.

#include <gtest/gtest.h>

#include "windows/environment_chooser.h"
#include "windows/text_viewer.h"

#ifndef _WIN32
#include "platform/ui/headless_testing.h"
#endif

namespace windows {
namespace {

namespace ui = platform::ui;

TEST(TextViewerDesign, TheTextIsReadOnlyAndWrapsAndEnterIsNotText) {
    TInstF2 viewer;
    EXPECT_TRUE(viewer.Memo1.ReadOnly());
    EXPECT_TRUE(viewer.Memo1.WordWrap());
    EXPECT_FALSE(viewer.Memo1.WantReturns());
    EXPECT_EQ(viewer.Memo1.GetScrollBars(), ui::ScrollBars::Vertical);
    EXPECT_EQ(viewer.Name(), "InstF2");
    EXPECT_EQ(viewer.ClientWidth(), 680);
    EXPECT_EQ(viewer.ClientHeight(), 451);
}

TEST(EnvironmentChooserDesign, DesignGeometry) {
    TInstF4 chooser;
    EXPECT_EQ(chooser.Name(), "InstF4");
    EXPECT_EQ(chooser.ClientWidth(), 359);
    EXPECT_EQ(chooser.ClientHeight(), 366);
    EXPECT_EQ(chooser.Panel1.Height(), 46);
    EXPECT_EQ(chooser.Button1.Left(), 180);
    EXPECT_EQ(chooser.Button2.Left(), 268);
    EXPECT_EQ(chooser.CheckListBox1.ItemHeight(), 13);
}

#ifndef _WIN32

class SecondaryWindows : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(session_.Problems(), ""); }
    ui::testing::Session session_;
};

using TextViewer = SecondaryWindows;

TEST_F(TextViewer, EnterAndEscapeBothCloseIt) {
    TInstF2 viewer;
    viewer.Memo1.Lines().Add("text");
    ui::testing::ExpectModal([](ui::Form& form) { ui::testing::PressKey(form, ui::keys::kReturn); });
    EXPECT_EQ(viewer.ShowModal(), ui::ModalResult::Ok);
    ui::testing::ExpectModal([](ui::Form& form) { ui::testing::PressKey(form, ui::keys::kEscape); });
    EXPECT_EQ(viewer.ShowModal(), ui::ModalResult::Cancel);
    EXPECT_FALSE(viewer.Visible());
}

TEST_F(TextViewer, TheButtonKeepsToTheRightEdgeAndTheTextFillsTheRest) {
    TInstF2 viewer;
    EXPECT_EQ(viewer.Panel1.Height(), 47);
    EXPECT_EQ(viewer.Memo1.Height() + viewer.Panel1.Height(), viewer.ClientHeight());
    const int right_margin = viewer.Panel1.ClientWidth() - (viewer.Button1.Left() + viewer.Button1.Width());
    EXPECT_EQ(right_margin, 8);
    viewer.ClientResized(900, 600);
    EXPECT_EQ(viewer.Panel1.ClientWidth() - (viewer.Button1.Left() + viewer.Button1.Width()), right_margin);
    EXPECT_EQ(viewer.Button1.Top(), 12);
    EXPECT_EQ(viewer.Memo1.Width(), 900);
    EXPECT_EQ(viewer.Memo1.Height(), 600 - 47);
    EXPECT_EQ(viewer.MinimumWidth(), 244);
    EXPECT_EQ(viewer.MinimumHeight(), 244);
}

TEST_F(TextViewer, EveryShowingStartsAtTheTopWithTheTextFocused) {
    TInstF2 viewer;
    viewer.Memo1.Lines().Add("one");
    ui::testing::ExpectModal([](ui::Form& form) {
        auto& shown = dynamic_cast<TInstF2&>(form);
        EXPECT_EQ(shown.ActiveControl(), &shown.Memo1);
        shown.SetActiveControl(&shown.Button1);
        shown.Memo1.CaretMoved(3);
        ui::testing::Click(shown.Button1);
    });
    viewer.ShowModal();
    ui::testing::ExpectModal<TInstF2>([](TInstF2& shown) {
        EXPECT_EQ(shown.ActiveControl(), &shown.Memo1);
        EXPECT_EQ(shown.Memo1.SelStart(), 0);
        ui::testing::CloseBox(shown);
    });
    viewer.ShowModal();
}

class EnvironmentChooser : public SecondaryWindows {
protected:
    EnvironmentChooser() {
        for (const char* name : {"One", "Two", "Three"}) chooser_.CheckListBox1.Items().Add(name);
        for (int index = 0; index < 3; ++index) chooser_.CheckListBox1.SetChecked(index, true);
    }
    TInstF4 chooser_;
};

TEST_F(EnvironmentChooser, OkIsEnabledWhileSomethingIsTicked) {
    ui::testing::ExpectModal<TInstF4>([](TInstF4& chooser) {
        EXPECT_EQ(chooser.ActiveControl(), &chooser.CheckListBox1);
        for (int index = 0; index < 3; ++index) ui::testing::ToggleCheck(chooser.CheckListBox1, index);
        EXPECT_FALSE(chooser.Button1.Enabled());
        ui::testing::ToggleCheck(chooser.CheckListBox1, 2);
        EXPECT_TRUE(chooser.Button1.Enabled());
        ui::testing::PressKey(chooser, ui::keys::kReturn);
    });
    EXPECT_EQ(chooser_.ShowModal(), ui::ModalResult::Ok);
    EXPECT_FALSE(chooser_.CheckListBox1.Checked(0));
    EXPECT_TRUE(chooser_.CheckListBox1.Checked(2));
}

TEST_F(EnvironmentChooser, OkStartsEnabledEvenWithNothingTicked) {
    for (int index = 0; index < 3; ++index) chooser_.CheckListBox1.SetChecked(index, false);
    ui::testing::ExpectModal<TInstF4>([](TInstF4& chooser) {
        EXPECT_TRUE(chooser.Button1.Enabled());
        ui::testing::Click(chooser.Button1);
    });
    EXPECT_EQ(chooser_.ShowModal(), ui::ModalResult::Ok);
}

TEST_F(EnvironmentChooser, CancelEscapeAndTheCloseBoxAllCancel) {
    ui::testing::ExpectModal<TInstF4>([](TInstF4& chooser) { ui::testing::Click(chooser.Button2); });
    EXPECT_EQ(chooser_.ShowModal(), ui::ModalResult::Cancel);
    ui::testing::ExpectModal<TInstF4>([](TInstF4& chooser) { ui::testing::PressKey(chooser, ui::keys::kEscape); });
    EXPECT_EQ(chooser_.ShowModal(), ui::ModalResult::Cancel);
    ui::testing::ExpectModal<TInstF4>([](TInstF4& chooser) { ui::testing::CloseBox(chooser); });
    EXPECT_EQ(chooser_.ShowModal(), ui::ModalResult::Cancel);
}

#endif  // _WIN32

}  // namespace
}  // namespace windows
