// Forms and controls without a screen: closing, the main form and the application, geometry
// that follows resizing, auto-sized labels, radio groups, check lists and timers.

#ifndef _WIN32

#include <gtest/gtest.h>

#include "platform/ui/application.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/headless_testing.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/timer.h"

namespace ui = platform::ui;

namespace {

class ClosingForm : public ui::Form {
public:
    ClosingForm() {
        OnCloseQuery = [this](bool& can_close) {
            log += "query;";
            can_close = allow;
        };
        OnClose = [this](ui::CloseAction& action) {
            log += "close;";
            action = close_action;
        };
    }
    std::string log;
    bool allow = true;
    ui::CloseAction close_action = ui::CloseAction::Hide;
};

}  // namespace

TEST(UiForm, CloseAsksFirstAndHidesOnlyWhenAllowed) {
    ui::testing::Session session;
    ClosingForm form;
    form.Show();
    form.allow = false;
    ui::testing::CloseBox(form);
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(form.log, "query;");

    form.allow = true;
    form.close_action = ui::CloseAction::None;
    ui::testing::CloseBox(form);
    EXPECT_TRUE(form.Visible());

    form.close_action = ui::CloseAction::Hide;
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.log, "query;query;close;query;close;");
    EXPECT_FALSE(ui::Application::Instance().Terminated());
}

TEST(UiForm, ClosingTheMainFormTerminatesTheApplication) {
    ui::testing::Session session;
    ClosingForm form;
    ui::Application::Instance().SetMainForm(&form);
    ui::Application::Instance().Run();
    EXPECT_TRUE(form.Visible());
    form.allow = false;
    form.Close();
    EXPECT_FALSE(ui::Application::Instance().Terminated());
    form.allow = true;
    form.Close();
    EXPECT_TRUE(ui::Application::Instance().Terminated());
    EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), platform::ExitCode::UserExit);
}

TEST(UiForm, TerminatedApplicationDoesNotShowItsMainForm) {
    ui::testing::Session session;
    ClosingForm form;
    ui::Application::Instance().SetMainForm(&form);
    form.SetWindowState(ui::WindowState::Minimized);
    ui::Application::Instance().Terminate(platform::ExitCode::VolumeMissing);
    ui::Application::Instance().Run();
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(ui::testing::VisibleForms().empty());
    // Closing the hidden main form afterwards keeps the first reason to end.
    form.Close();
    EXPECT_EQ(ui::Application::Instance().ProgramExitCode(), platform::ExitCode::VolumeMissing);
}

TEST(UiForm, ClientSizeAndCentringOnTheScreen) {
    ui::testing::Session session;
    ui::Form form;
    form.SetClientSize(681, 267);
    form.SetPosition(ui::FormPosition::ScreenCenter);
    EXPECT_EQ(form.ClientWidth(), 681);
    EXPECT_EQ(form.ClientHeight(), 267);
    EXPECT_GT(form.Width(), 681);
    form.Show();
    EXPECT_EQ(form.Left(), (1024 - form.Width()) / 2);
    EXPECT_EQ(form.Top(), (768 - form.Height()) / 2);

    // Shown again, it stays where the user moved it.
    form.Hide();
    form.Moved(10, 20);
    form.Show();
    EXPECT_EQ(form.Left(), 10);
    EXPECT_EQ(form.Top(), 20);

    // A borderless window's outer size is its client size; the client size survives the change.
    form.SetBorderStyle(ui::BorderStyle::None);
    EXPECT_EQ(form.Width(), 681);
    EXPECT_EQ(form.ClientHeight(), 267);
}

TEST(UiForm, AlignedAndAnchoredControlsFollowTheClientArea) {
    ui::testing::Session session;
    ui::Form form;
    form.SetClientSize(680, 451);
    ui::Panel panel(form, 0, 0, 10, 47);
    ui::Memo memo(form, 0, 0, 10, 10);
    ui::Button button(panel, 596, 12, 76, 25);
    panel.SetAlign(ui::Align::Bottom);
    memo.SetAlign(ui::Align::Client);
    button.SetAnchors(ui::anchors::kTop | ui::anchors::kRight);
    EXPECT_EQ(panel.Top(), 404);
    EXPECT_EQ(panel.Width(), 680);
    EXPECT_EQ(memo.Height(), 404);
    EXPECT_EQ(memo.Width(), 680);

    form.SetClientSize(800, 500);
    EXPECT_EQ(panel.Top(), 453);
    EXPECT_EQ(panel.Width(), 800);
    EXPECT_EQ(memo.Height(), 453);
    // The button keeps its distance to the right edge.
    EXPECT_EQ(button.Left(), 716);
    EXPECT_EQ(button.Top(), 12);
}

TEST(UiForm, AutoSizedLabelMeasuresItsText) {
    ui::testing::Session session;
    ui::Form form;
    ui::Label left(form, 16, 141, 10, 10);
    left.SetAutoSize(true);
    left.SetCaption("Select the directory:");
    const int short_width = left.Width();
    EXPECT_GT(short_width, 0);
    left.SetCaption("Select the directory where you would like it to be installed:");
    EXPECT_GT(left.Width(), short_width);
    EXPECT_EQ(left.Left(), 16);

    // Accelerator marks take no room.
    ui::Label marked(form, 0, 0, 10, 10);
    marked.SetAutoSize(true);
    marked.SetCaption("&Name");
    ui::Label plain(form, 0, 0, 10, 10);
    plain.SetAutoSize(true);
    plain.SetCaption("Name");
    EXPECT_EQ(marked.Width(), plain.Width());

    // A right-aligned label grows to the left; a bigger font makes it wider.
    ui::Label right(form, 300, 84, 100, 16);
    right.SetAlignment(ui::TextAlignment::Right);
    right.SetAutoSize(true);
    right.SetCaption("Copyright");
    EXPECT_EQ(right.Left() + right.Width(), 400);
    const int width = right.Width();
    ui::Font big = right.GetFont();
    big.height = -29;
    right.SetFont(big);
    EXPECT_GT(right.Width(), width);
    EXPECT_EQ(right.Left() + right.Width(), 400);
}

TEST(UiForm, WordWrappedLabelGrowsDownwards) {
    ui::testing::Session session;
    ui::Form form;
    ui::StaticText text(form, 0, 0, 120, 10);
    text.SetWordWrap(true);
    text.SetAutoSize(true);
    text.SetCaption("\r\n          Select environments to use\r\n          in this book:\r\n");
    EXPECT_EQ(text.Width(), 120);
    const int line = text.GetFont().height * -1;
    EXPECT_GE(text.Height(), 4 * line);
}

TEST(UiForm, FormFontReachesControlsWithoutTheirOwn) {
    ui::testing::Session session;
    ui::Form form;
    ui::Label plain(form, 0, 0, 10, 10);
    ui::Label own(form, 0, 0, 10, 10);
    ui::Font title = own.GetFont();
    title.bold = true;
    title.color = ui::Rgb(0, 0, 192);
    own.SetFont(title);
    ui::Font font;
    font.name = "MS Sans Serif";
    font.charset = ui::charsets::kCyrillic;
    form.SetFont(font);
    EXPECT_EQ(plain.GetFont().name, "MS Sans Serif");
    EXPECT_EQ(own.GetFont().name, "Arial");
    EXPECT_EQ(own.GetFont().color, ui::Rgb(0, 0, 192));
    EXPECT_EQ(ui::DefaultFont().height, -11);
    EXPECT_EQ(ui::DefaultFont().Size(), 8);
}

TEST(UiForm, RadioButtonsOfOneParentFormAGroup) {
    ui::testing::Session session;
    ui::Form form;
    ui::RadioButton english(form, 0, 0, 10, 10);
    ui::RadioButton russian(form, 0, 20, 10, 10);
    ui::Panel other_group(form, 0, 40, 100, 40);
    ui::RadioButton elsewhere(other_group, 0, 0, 10, 10);
    elsewhere.SetChecked(true);
    english.SetChecked(true);
    int double_clicks = 0;
    russian.OnDoubleClick = [&] { ++double_clicks; };
    ui::testing::DoubleClickRadio(russian);
    EXPECT_TRUE(russian.Checked());
    EXPECT_FALSE(english.Checked());
    EXPECT_TRUE(elsewhere.Checked());
    EXPECT_EQ(double_clicks, 1);
}

TEST(UiForm, CheckListKeepsMarksWithTheirItemsAndReportsTicks) {
    ui::testing::Session session;
    ui::Form form;
    ui::CheckListBox list(form, 0, 0, 200, 13 * 3);
    for (const char* name : {"Delphi 7", "C++", "Fortran", "Python"}) list.Items().Add(name);
    list.SetChecked(0, true);
    list.SetChecked(2, true);
    int ticks = 0;
    list.OnClickCheck = [&] { ++ticks; };
    ui::testing::ToggleCheck(list, 3);
    EXPECT_TRUE(list.Checked(3));
    EXPECT_EQ(list.ItemIndex(), 3);
    EXPECT_EQ(ticks, 1);
    // Setting marks from the program raises no event.
    list.SetChecked(1, true);
    EXPECT_EQ(ticks, 1);

    list.Items().Delete(0);
    EXPECT_EQ(list.Items()[0], "C++");
    EXPECT_TRUE(list.Checked(0));
    EXPECT_TRUE(list.Checked(1));
    EXPECT_TRUE(list.Checked(2));
    EXPECT_FALSE(list.Checked(3));
    EXPECT_EQ(list.ItemIndex(), 2);
    list.Items().Clear();
    EXPECT_FALSE(list.Checked(0));
    EXPECT_EQ(list.ItemIndex(), -1);
}

TEST(UiForm, DisabledControlsIgnoreTheUser) {
    ui::testing::Session session;
    ui::Form form;
    ui::Panel panel(form, 0, 0, 100, 100);
    ui::Button button(panel, 0, 0, 75, 25);
    int clicks = 0;
    button.OnClick = [&] { ++clicks; };
    panel.SetEnabled(false);
    button.Click();
    EXPECT_EQ(clicks, 0);
    ui::testing::Click(button);
    EXPECT_NE(session.Problems().find("cannot be pressed"), std::string::npos);
    panel.SetEnabled(true);
    ui::testing::Click(button);
    EXPECT_EQ(clicks, 1);
}

TEST(UiForm, ProgressBarKeepsItsPositionInRange) {
    ui::testing::Session session;
    ui::Form form;
    ui::ProgressBar bar(form, 5, 37, 622, 16);
    bar.SetMax(215);
    bar.SetPosition(250);
    EXPECT_EQ(bar.Position(), 215);
    bar.SetPosition(-3);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetPosition(120);
    bar.SetMax(100);
    EXPECT_EQ(bar.Position(), 100);
}

TEST(UiForm, ComboBoxTextIsTheSelectedItem) {
    ui::testing::Session session;
    ui::Form form;
    ui::ComboBox combo(form, 0, 0, 100, 21);
    combo.Items().Assign({"A:", "C:", "D:"});
    int changes = 0;
    combo.OnChange = [&] { ++changes; };
    ui::testing::PickItem(combo, 1);
    EXPECT_EQ(combo.Text(), "C:");
    EXPECT_EQ(changes, 1);
    combo.Items().Delete(0);
    EXPECT_EQ(combo.ItemIndex(), 0);
    EXPECT_EQ(combo.Text(), "C:");
}

TEST(UiTimer, FiresAtItsIntervalOnlyWhileEnabled) {
    ui::testing::Session session;
    ui::Form form;
    ui::Timer timer(form, 200);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    ui::testing::AdvanceTime(1000);
    EXPECT_EQ(ticks, 0);
    timer.SetEnabled(true);
    ui::testing::AdvanceTime(199);
    EXPECT_EQ(ticks, 0);
    ui::testing::AdvanceTime(1);
    EXPECT_EQ(ticks, 1);
    ui::testing::AdvanceTime(400);
    EXPECT_EQ(ticks, 3);
    timer.SetEnabled(false);
    ui::testing::FireTimers();
    ui::testing::AdvanceTime(1000);
    EXPECT_EQ(ticks, 3);
}

TEST(UiTimer, OneShotTimerRunsTheApplicationToItsEnd) {
    ui::testing::Session session;
    ClosingForm form;
    ui::Timer timer(form, 200);
    form.OnShow = [&] { timer.SetEnabled(true); };
    timer.OnTimer = [&] {
        timer.SetEnabled(false);
        ui::Application::Instance().Terminate(platform::ExitCode::Installed);
    };
    ui::Application::Instance().SetMainForm(&form);
    ui::Application::Instance().Run();
    EXPECT_TRUE(ui::Application::Instance().Terminated());
    EXPECT_EQ(ui::testing::Now(), 200u);
}

TEST(UiTimer, RunReturnsWhenNoTimerIsLeft) {
    ui::testing::Session session;
    ClosingForm form;
    ui::Application::Instance().SetMainForm(&form);
    ui::Application::Instance().Run();
    EXPECT_FALSE(ui::Application::Instance().Terminated());
    EXPECT_EQ(ui::testing::VisibleForms(), std::vector<ui::Form*>{&form});
}

#endif  // _WIN32
