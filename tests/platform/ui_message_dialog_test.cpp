// Message boxes: which buttons a set shows and in what order, their localised captions, and
// how the close box and Escape answer.

#ifndef _WIN32

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/platform.h"
#include "platform/ui/application.h"
#include "platform/ui/headless_testing.h"
#include "platform/ui/message_dialog.h"
#include "platform/ui/standard_texts.h"

namespace ui = platform::ui;
namespace buttons = platform::buttons;
using platform::DialogResult;
using platform::MessageKind;

namespace {

ui::StandardTexts RussianTexts() {
    ui::StandardTexts texts;
    texts.warning_caption = platform::Utf8ToAnsi("Предупреждение");
    texts.error_caption = platform::Utf8ToAnsi("Ошибка");
    texts.information_caption = platform::Utf8ToAnsi("Информация");
    texts.confirmation_caption = platform::Utf8ToAnsi("Подтверждение");
    texts.message_cancel = platform::Utf8ToAnsi("Отмена");
    texts.message_yes = platform::Utf8ToAnsi("Да");
    texts.message_no = platform::Utf8ToAnsi("Нет");
    texts.message_retry = platform::Utf8ToAnsi("Повтор");
    texts.message_ignore = platform::Utf8ToAnsi("Далее");
    return texts;
}

// Shows a box and returns what the script saw of it, answering with answer.
ui::MessageBoxInfo ShowAndAnswer(MessageKind kind, unsigned set, DialogResult answer, DialogResult* result = nullptr) {
    ui::MessageBoxInfo seen;
    ui::testing::ExpectMessage([&seen, answer](const ui::MessageBoxInfo& box) {
        seen = box;
        return answer;
    });
    const DialogResult pressed = platform::UserDialogs().ShowMessage("Text", kind, set, DialogResult::None);
    if (result != nullptr) *result = pressed;
    return seen;
}

}  // namespace

TEST(UiMessageDialog, ButtonsComeInWindowsOrderWithEnglishCaptions) {
    ui::testing::Session session;
    EXPECT_EQ(ShowAndAnswer(MessageKind::Confirmation, buttons::kYesNo | buttons::kCancel, DialogResult::Yes).button_captions,
              (std::vector<std::string>{"&Yes", "&No", "Cancel"}));
    EXPECT_EQ(ShowAndAnswer(MessageKind::Confirmation, buttons::kOkCancel, DialogResult::Ok).button_captions,
              (std::vector<std::string>{"OK", "Cancel"}));
    const ui::MessageBoxInfo retry = ShowAndAnswer(MessageKind::Warning, buttons::kRetry | buttons::kIgnore, DialogResult::Ignore);
    EXPECT_EQ(retry.button_captions, (std::vector<std::string>{"Repeat", "Next"}));
    EXPECT_EQ(retry.buttons, (std::vector<DialogResult>{DialogResult::Retry, DialogResult::Ignore}));
    // An empty set still gives the user a way out.
    EXPECT_EQ(ShowAndAnswer(MessageKind::Error, 0, DialogResult::Ok).buttons, std::vector<DialogResult>{DialogResult::Ok});
    EXPECT_EQ(session.Problems(), "");
}

TEST(UiMessageDialog, KindsHaveTheirCaptionsInBothLanguages) {
    ui::testing::Session session;
    const std::pair<MessageKind, const char*> english[] = {{MessageKind::Warning, "Warning"},
                                                           {MessageKind::Error, "Error"},
                                                           {MessageKind::Information, "Information"},
                                                           {MessageKind::Confirmation, "Confirm"}};
    for (const auto& [kind, caption] : english) {
        SCOPED_TRACE(caption);
        EXPECT_EQ(ShowAndAnswer(kind, buttons::kOk, DialogResult::Ok).caption, caption);
    }

    ui::SetStandardTexts(RussianTexts());
    EXPECT_EQ(ShowAndAnswer(MessageKind::Warning, buttons::kOk, DialogResult::Ok).caption,
              platform::Utf8ToAnsi("Предупреждение"));
    EXPECT_EQ(ShowAndAnswer(MessageKind::Confirmation, buttons::kOk, DialogResult::Ok).caption,
              platform::Utf8ToAnsi("Подтверждение"));
    const ui::MessageBoxInfo yes_no = ShowAndAnswer(MessageKind::Confirmation, buttons::kYesNo, DialogResult::No);
    EXPECT_EQ(yes_no.button_captions, (std::vector<std::string>{platform::Utf8ToAnsi("Да"), platform::Utf8ToAnsi("Нет")}));
    const ui::MessageBoxInfo retry = ShowAndAnswer(MessageKind::Warning, buttons::kRetry | buttons::kIgnore, DialogResult::Retry);
    EXPECT_EQ(retry.button_captions,
              (std::vector<std::string>{platform::Utf8ToAnsi("Повтор"), platform::Utf8ToAnsi("Далее")}));
    // OK reads the same in every language.
    EXPECT_EQ(ShowAndAnswer(MessageKind::Error, buttons::kOk, DialogResult::Ok).button_captions,
              std::vector<std::string>{"OK"});
    EXPECT_EQ(session.Problems(), "");
}

TEST(UiMessageDialog, ExplicitCaptionReplacesTheKindsOne) {
    ui::testing::Session session;
    ui::testing::ExpectMessage([](const ui::MessageBoxInfo& box) {
        EXPECT_EQ(box.caption, "Setup");
        EXPECT_EQ(box.kind, MessageKind::Custom);
        return DialogResult::Ok;
    });
    platform::UserDialogs().ShowMessage("Done", MessageKind::Custom, buttons::kOk, DialogResult::Ok, "Setup");
    EXPECT_EQ(session.Problems(), "");
}

TEST(UiMessageDialog, DefaultButtonHasTheFocusAndTakesEnter) {
    ui::testing::Session session;
    ui::testing::ExpectModal<ui::MessageDialog>([](ui::MessageDialog& box) {
        EXPECT_EQ(box.ActiveControl(), box.ButtonFor(DialogResult::No));
        EXPECT_EQ(box.Info().default_button, DialogResult::No);
        ui::testing::PressKey(box, ui::keys::kReturn);
    });
    EXPECT_EQ(ui::ShowMessageBox("Quit?", MessageKind::Confirmation, buttons::kYesNo, DialogResult::No), DialogResult::No);
    // A default button outside the set falls back to the first button.
    ui::testing::ExpectModal<ui::MessageDialog>([](ui::MessageDialog& box) { ui::testing::PressKey(box, ui::keys::kReturn); });
    EXPECT_EQ(ui::ShowMessageBox("Quit?", MessageKind::Confirmation, buttons::kYesNo, DialogResult::Ok), DialogResult::Yes);
    EXPECT_EQ(session.Problems(), "");
}

TEST(UiMessageDialog, RetryBoxCountsTheCloseBoxAsRetryAndIgnoresEscape) {
    ui::testing::Session session;
    ui::testing::ExpectModal<ui::MessageDialog>([](ui::MessageDialog& box) {
        ui::testing::PressKey(box, ui::keys::kEscape);
        EXPECT_EQ(box.GetModalResult(), DialogResult::None);
        ui::testing::CloseBox(box);
    });
    EXPECT_EQ(ui::ShowMessageBox("Locked", MessageKind::Warning, buttons::kRetry | buttons::kIgnore, DialogResult::Retry),
              DialogResult::Retry);
    // The script's "close box" answer means the same.
    DialogResult result = DialogResult::None;
    ShowAndAnswer(MessageKind::Warning, buttons::kRetry | buttons::kIgnore, DialogResult::None, &result);
    EXPECT_EQ(result, DialogResult::Retry);
    EXPECT_EQ(session.Problems(), "");
}

TEST(UiMessageDialog, EscapeAndCloseBoxGiveTheSafeAnswer) {
    ui::testing::Session session;
    ui::testing::ExpectModal([](ui::Form& box) { ui::testing::PressKey(box, ui::keys::kEscape); });
    EXPECT_EQ(ui::ShowMessageBox("Quit?", MessageKind::Confirmation, buttons::kYesNo, DialogResult::Yes), DialogResult::No);
    ui::testing::ExpectModal([](ui::Form& box) { ui::testing::CloseBox(box); });
    EXPECT_EQ(ui::ShowMessageBox("Go?", MessageKind::Confirmation, buttons::kOkCancel, DialogResult::Ok), DialogResult::Cancel);
    ui::testing::ExpectModal([](ui::Form& box) { ui::testing::PressKey(box, ui::keys::kEscape); });
    EXPECT_EQ(ui::ShowMessageBox("Failed", MessageKind::Error, buttons::kOk, DialogResult::Ok), DialogResult::Ok);
    EXPECT_EQ(session.Problems(), "");
}

TEST(UiMessageDialog, BoxWithoutCloseResultStaysOpenOnCloseRequests) {
    ui::testing::Session session;
    ui::testing::ExpectModal([](ui::Form& box) {
        ui::testing::CloseBox(box);
        ui::testing::PressKey(box, ui::keys::kEscape);
    });
    ui::testing::ExpectModal<ui::MessageDialog>([](ui::MessageDialog& box) {
        EXPECT_TRUE(box.Visible());
        ui::testing::Click(*box.ButtonFor(DialogResult::Ignore));
    });
    EXPECT_EQ(ui::ShowMessageBox("Locked", MessageKind::Warning, buttons::kRetry | buttons::kIgnore, DialogResult::Retry,
                                 "", ui::MessageBoxBehaviour{}),
              DialogResult::Ignore);
    EXPECT_EQ(session.Problems(), "");
}

TEST(UiMessageDialog, ScriptAnswerMustBeABoxButton) {
    ui::testing::Session session;
    ui::testing::AnswerMessage(DialogResult::Yes);
    EXPECT_THROW(ui::ShowMessageBox("Failed", MessageKind::Error, buttons::kOk, DialogResult::Ok), ui::testing::ScriptError);
    EXPECT_NE(session.Problems().find("has no button for the scripted answer"), std::string::npos);
}

TEST(UiMessageDialog, LongTextWrapsToAReadableWidth) {
    ui::testing::Session session;
    const std::string words = [] {
        std::string result;
        for (int index = 0; index < 100; ++index) result += "word ";
        return result;
    }();
    ui::MessageDialog box(words, MessageKind::Information, buttons::kOk, DialogResult::Ok, "", ui::StandardBehaviour(buttons::kOk));
    EXPECT_LE(box.ClientWidth(), 500);
    EXPECT_GT(box.Label1.Height(), 3 * box.Label1.GetFont().height * -1);
    EXPECT_EQ(box.Label1.Caption(), words);
}

TEST(UiMessageDialog, AcceleratorMarksAreNotShown) {
    EXPECT_EQ(ui::StripAccelerator("&Yes"), "Yes");
    EXPECT_EQ(ui::StripAccelerator("Ne&twork..."), "Network...");
    EXPECT_EQ(ui::StripAccelerator("Tom && Jerry"), "Tom & Jerry");
}

#endif  // _WIN32
