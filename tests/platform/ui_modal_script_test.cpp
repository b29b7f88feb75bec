// The headless toolkit's modal windows: the test script answers them, and anything the
// script did not foresee fails loudly instead of hanging.

#ifndef _WIN32

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/ui/application.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/headless_testing.h"
#include "platform/ui/message_dialog.h"

namespace ui = platform::ui;
using platform::DialogResult;
using platform::MessageKind;

namespace {

class OkCancelForm : public ui::Form {
public:
    OkCancelForm() {
        SetCaption("Question");
        SetClientSize(200, 100);
        Button1.SetCaption("OK");
        Button1.SetDefault(true);
        Button1.SetModalResult(ui::ModalResult::Ok);
        Button2.SetCaption("Cancel");
        Button2.SetCancel(true);
        Button2.SetModalResult(ui::ModalResult::Cancel);
        OnShow = [this] { events += "show;"; };
        OnActivate = [this] { events += "activate;"; };
        OnCloseQuery = [this](bool& can_close) {
            events += "query;";
            can_close = allow_close;
        };
        OnClose = [this](ui::CloseAction&) { events += "close;"; };
    }

    ui::Button Button1{*this, 20, 60, 75, 25};
    ui::Button Button2{*this, 105, 60, 75, 25};
    std::string events;
    bool allow_close = true;
};

}  // namespace

TEST(UiModalScript, StepSeesTheShownFormAndItsButtonGivesTheResult) {
    ui::testing::Session session;
    OkCancelForm form;
    ui::testing::ExpectModal<OkCancelForm>([](OkCancelForm& shown) {
        EXPECT_TRUE(shown.Visible());
        EXPECT_EQ(shown.events, "show;activate;");
        ui::testing::Click(shown.Button1);
    });
    EXPECT_EQ(form.ShowModal(), ui::ModalResult::Ok);
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.events, "show;activate;query;close;");
    EXPECT_EQ(session.Problems(), "");
}

TEST(UiModalScript, UnexpectedModalWindowThrowsAndIsReported) {
    ui::testing::Session session;
    OkCancelForm form;
    EXPECT_THROW(form.ShowModal(), ui::testing::ScriptError);
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(ui::testing::ModalForms().empty());
    EXPECT_NE(session.Problems().find("unexpected modal window \"Question\""), std::string::npos);
}

TEST(UiModalScript, MessageStepOnAnOrdinaryFormIsAProblem) {
    ui::testing::Session session;
    OkCancelForm form;
    ui::testing::AnswerMessage(DialogResult::Ok);
    EXPECT_THROW(form.ShowModal(), ui::testing::ScriptError);
    EXPECT_NE(session.Problems().find("a message box was expected"), std::string::npos);
}

TEST(UiModalScript, RefusedCloseKeepsTheFormForTheNextStep) {
    ui::testing::Session session;
    OkCancelForm form;
    form.allow_close = false;
    ui::testing::ExpectModal([](ui::Form& shown) { ui::testing::CloseBox(shown); });
    ui::testing::ExpectModal<OkCancelForm>([](OkCancelForm& shown) {
        EXPECT_TRUE(shown.Visible());
        shown.allow_close = true;
        ui::testing::PressKey(shown, ui::keys::kEscape);
    });
    EXPECT_EQ(form.ShowModal(), ui::ModalResult::Cancel);
    EXPECT_EQ(form.events, "show;activate;query;query;close;");
    EXPECT_EQ(session.Problems(), "");
}

TEST(UiModalScript, StepThatLeavesTheFormOpenIsReported) {
    ui::testing::Session session;
    OkCancelForm form;
    ui::testing::ExpectModal([](ui::Form&) {});
    EXPECT_THROW(form.ShowModal(), ui::testing::ScriptError);
    EXPECT_NE(session.Problems().find("left open by its step"), std::string::npos);
}

TEST(UiModalScript, TerminationEndsTheModalLoopWithCancel) {
    ui::testing::Session session;
    OkCancelForm form;
    // The engine window does its whole work in its activation handler and ends the program.
    form.OnActivate = [] { ui::Application::Instance().Terminate(platform::ExitCode::Installed); };
    EXPECT_EQ(form.ShowModal(), ui::ModalResult::Cancel);
    EXPECT_EQ(form.events, "show;");
    EXPECT_EQ(session.Problems(), "");
}

TEST(UiModalScript, MessageBoxesReachTheScriptThroughThePlatformDialogs) {
    ui::testing::Session session;
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.kind, MessageKind::Confirmation);
        EXPECT_EQ(box.caption, "Confirm");
        EXPECT_EQ(box.text, "Quit?");
        EXPECT_EQ(box.button_captions, (std::vector<std::string>{"&Yes", "&No"}));
        EXPECT_EQ(box.default_button, DialogResult::No);
        return DialogResult::Yes;
    });
    EXPECT_EQ(platform::UserDialogs().ShowMessage("Quit?", MessageKind::Confirmation, platform::buttons::kYesNo,
                                                  DialogResult::No),
              DialogResult::Yes);
    ASSERT_EQ(ui::testing::ShownMessages().size(), 1u);
    EXPECT_EQ(session.Problems(), "");
}

TEST(UiModalScript, UnusedStepsAreReported) {
    ui::testing::Session session;
    ui::testing::AnswerMessage(DialogResult::Ok);
    EXPECT_EQ(session.Problems(), "1 scripted step(s) left unused\n");
}

#endif  // _WIN32
