// Keys as a form sees them: the preview handlers come first and may swallow a key, then
// Enter, Escape and Tab act as in a dialog, then the character reaches the focused control.

#ifndef _WIN32

#include <gtest/gtest.h>

#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/headless_testing.h"
#include "platform/ui/list_controls.h"

namespace ui = platform::ui;

namespace {

class KeyForm : public ui::Form {
public:
    KeyForm() {
        SetClientSize(300, 200);
        OkButton.SetDefault(true);
        OkButton.OnClick = [this] { log += "ok;"; };
        CancelButton.SetCancel(true);
        CancelButton.OnClick = [this] { log += "cancel;"; };
        OtherButton.OnClick = [this] { log += "other;"; };
        OnKeyDown = [this](ui::KeyCode& key, ui::ShiftState) {
            log += "down" + std::to_string(key) + ";";
            if (key == swallow_key) key = 0;
        };
        OnKeyPress = [this](char& key) {
            log += std::string("press") + key + ";";
            if (key == 'x') key = 0;
            if (key == 'a') key = 'b';
        };
    }

    ui::Edit Edit1{*this, 8, 8, 100, 21};
    ui::Memo Memo1{*this, 8, 40, 100, 60};
    ui::Button OtherButton{*this, 8, 110, 75, 25};
    ui::Button OkButton{*this, 100, 160, 75, 25};
    ui::Button CancelButton{*this, 200, 160, 75, 25};
    std::string log;
    ui::KeyCode swallow_key = 0;
};

}  // namespace

TEST(UiKeyboard, EnterAndEscapePressTheDefaultAndCancelButtons) {
    ui::testing::Session session;
    KeyForm form;
    form.Show();
    form.Edit1.SetFocus();
    ui::testing::PressKey(form, ui::keys::kReturn);
    ui::testing::PressKey(form, ui::keys::kEscape);
    EXPECT_EQ(form.log, "ok;cancel;");
    EXPECT_EQ(session.Problems(), "");
}

TEST(UiKeyboard, PreviewSeesKeysFirstAndCanSwallowThem) {
    ui::testing::Session session;
    KeyForm form;
    form.SetKeyPreview(true);
    form.Show();
    form.Edit1.SetFocus();
    ui::testing::PressKey(form, ui::keys::kReturn);
    EXPECT_EQ(form.log, "down13;ok;");

    form.log.clear();
    form.swallow_key = ui::keys::kReturn;
    ui::testing::PressKey(form, ui::keys::kReturn);
    EXPECT_EQ(form.log, "down13;");

    // Escape without a cancel button reaches the character preview instead.
    form.log.clear();
    form.CancelButton.SetCancel(false);
    ui::testing::PressKey(form, ui::keys::kEscape);
    EXPECT_EQ(form.log, "down27;press\x1b;");
}

TEST(UiKeyboard, WithoutKeyPreviewTheFormHandlersStayQuiet) {
    ui::testing::Session session;
    KeyForm form;
    form.Show();
    form.Edit1.SetFocus();
    ui::testing::PressKey(form, ui::keys::kF1);
    ui::testing::TypeText(form, "x");
    EXPECT_EQ(form.log, "");
    EXPECT_EQ(form.Edit1.Text(), "x");
}

TEST(UiKeyboard, CharacterPreviewCanSwallowOrChangeTypedText) {
    ui::testing::Session session;
    KeyForm form;
    form.SetKeyPreview(true);
    form.Show();
    form.Edit1.SetFocus();
    ui::testing::TypeText(form, "xay");
    EXPECT_EQ(form.Edit1.Text(), "by");
    ui::testing::PressKey(form, ui::keys::kBack);
    EXPECT_EQ(form.Edit1.Text(), "b");
}

TEST(UiKeyboard, EnterOnAFocusedButtonPressesThatButton) {
    ui::testing::Session session;
    KeyForm form;
    form.Show();
    form.OtherButton.SetFocus();
    ui::testing::PressKey(form, ui::keys::kReturn);
    EXPECT_EQ(form.log, "other;");
}

TEST(UiKeyboard, MemoKeepsEnterOnlyWhenItTakesLineBreaks) {
    ui::testing::Session session;
    KeyForm form;
    form.Show();
    form.Memo1.SetFocus();
    ui::testing::PressKey(form, ui::keys::kReturn);
    EXPECT_EQ(form.log, "");
    form.Memo1.SetWantReturns(false);
    ui::testing::PressKey(form, ui::keys::kReturn);
    EXPECT_EQ(form.log, "ok;");
}

TEST(UiKeyboard, HiddenOrDisabledDefaultButtonIsNotPressed) {
    ui::testing::Session session;
    KeyForm form;
    form.Show();
    form.Edit1.SetFocus();
    form.OkButton.SetEnabled(false);
    ui::testing::PressKey(form, ui::keys::kReturn);
    form.OkButton.SetEnabled(true);
    form.OkButton.SetVisible(false);
    ui::testing::PressKey(form, ui::keys::kReturn);
    EXPECT_EQ(form.log, "");
}

TEST(UiKeyboard, TabMovesTheFocusInCreationOrderOverUsableControls) {
    ui::testing::Session session;
    KeyForm form;
    form.Memo1.SetEnabled(false);
    form.Show();
    // The first control that can take the focus has it when the form appears.
    EXPECT_EQ(form.ActiveControl(), &form.Edit1);
    ui::testing::PressKey(form, ui::keys::kTab);
    EXPECT_EQ(form.ActiveControl(), &form.OtherButton);
    ui::testing::PressKey(form, ui::keys::kTab, ui::ShiftState{.shift = true});
    EXPECT_EQ(form.ActiveControl(), &form.Edit1);
    ui::testing::PressKey(form, ui::keys::kTab, ui::ShiftState{.shift = true});
    EXPECT_EQ(form.ActiveControl(), &form.CancelButton);
}

TEST(UiKeyboard, ModalFormClosesThroughItsDialogKeys) {
    ui::testing::Session session;
    KeyForm form;
    form.OkButton.SetModalResult(ui::ModalResult::Ok);
    form.CancelButton.SetModalResult(ui::ModalResult::Cancel);
    ui::testing::ExpectModal([](ui::Form& shown) { ui::testing::PressKey(shown, ui::keys::kReturn); });
    EXPECT_EQ(form.ShowModal(), ui::ModalResult::Ok);
    ui::testing::ExpectModal([](ui::Form& shown) { ui::testing::PressKey(shown, ui::keys::kEscape); });
    EXPECT_EQ(form.ShowModal(), ui::ModalResult::Cancel);
    EXPECT_EQ(session.Problems(), "");
}

#endif  // _WIN32
