#include "platform/ui/message_dialog.h"

#include <algorithm>

#include "platform/ui/application.h"
#include "platform/ui/backend.h"
#include "platform/ui/standard_texts.h"

namespace platform::ui {

namespace {

constexpr int kMargin = 14;
constexpr int kIconSize = 32;
constexpr int kTextWidthLimit = 400;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kMinimumClientWidth = 180;

unsigned Bit(DialogResult result) { return 1u << static_cast<unsigned>(result); }

// The buttons of a set, left to right as Windows orders them.
std::vector<DialogResult> ButtonsOf(unsigned button_set) {
    static const DialogResult kOrder[] = {DialogResult::Yes,   DialogResult::No,     DialogResult::Ok,
                                          DialogResult::Abort, DialogResult::Retry,  DialogResult::Ignore,
                                          DialogResult::Cancel};
    std::vector<DialogResult> buttons;
    for (DialogResult result : kOrder) {
        if ((button_set & Bit(result)) != 0) buttons.push_back(result);
    }
    if (buttons.empty()) buttons.push_back(DialogResult::Ok);
    return buttons;
}

std::string ButtonCaption(DialogResult result) {
    const StandardTexts& texts = CurrentStandardTexts();
    switch (result) {
        case DialogResult::Ok:
            return kOkCaption;
        case DialogResult::Cancel:
            return texts.message_cancel;
        case DialogResult::Abort:
            return "&Abort";
        case DialogResult::Retry:
            return texts.message_retry;
        case DialogResult::Ignore:
            return texts.message_ignore;
        case DialogResult::Yes:
            return texts.message_yes;
        case DialogResult::No:
            return texts.message_no;
        case DialogResult::None:
            break;
    }
    return {};
}

std::string KindCaption(MessageKind kind) {
    const StandardTexts& texts = CurrentStandardTexts();
    switch (kind) {
        case MessageKind::Warning:
            return texts.warning_caption;
        case MessageKind::Error:
            return texts.error_caption;
        case MessageKind::Information:
            return texts.information_caption;
        case MessageKind::Confirmation:
            return texts.confirmation_caption;
        case MessageKind::Custom:
            break;
    }
    return Application::Instance().Title();
}

StockIcon KindIcon(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning:
            return StockIcon::Warning;
        case MessageKind::Error:
            return StockIcon::Error;
        case MessageKind::Information:
            return StockIcon::Information;
        case MessageKind::Confirmation:
            return StockIcon::Question;
        case MessageKind::Custom:
            break;
    }
    return StockIcon::None;
}

// The message font of the dialogs.
Font DialogFont() {
    Font font;
    font.name = "Tahoma";
    font.SetSize(8);
    return font;
}

}  // namespace

MessageBoxBehaviour StandardBehaviour(unsigned button_set) {
    const std::vector<DialogResult> buttons = ButtonsOf(button_set);
    auto has = [&buttons](DialogResult result) {
        return std::find(buttons.begin(), buttons.end(), result) != buttons.end();
    };
    for (DialogResult result : {DialogResult::Cancel, DialogResult::No, DialogResult::Ok}) {
        if (has(result)) return MessageBoxBehaviour{result, true};
    }
    if (has(DialogResult::Retry)) return MessageBoxBehaviour{DialogResult::Retry, false};
    return MessageBoxBehaviour{};
}

MessageDialog::MessageDialog(const std::string& text, MessageKind kind, unsigned button_set,
                             DialogResult default_button, const std::string& caption, MessageBoxBehaviour behaviour)
    : Image1(*this, kMargin, kMargin, kIconSize, kIconSize), Label1(*this, kMargin, kMargin, 10, 10) {
    SetName("MessageForm");
    SetWindowClass(kMessageWindowClass);
    SetFont(DialogFont());
    SetPosition(FormPosition::ScreenCenter);
    SetKeyPreview(true);

    info_.kind = kind;
    info_.caption = caption.empty() ? KindCaption(kind) : caption;
    info_.text = text;
    info_.buttons = ButtonsOf(button_set);
    for (DialogResult result : info_.buttons) info_.button_captions.push_back(ButtonCaption(result));
    const bool default_in_set =
        std::find(info_.buttons.begin(), info_.buttons.end(), default_button) != info_.buttons.end();
    info_.default_button = default_in_set ? default_button : info_.buttons.front();
    info_.behaviour = behaviour;

    SetCaption(info_.caption);
    // Without a close result there is nothing the close box could mean: the box has none.
    SetBorderIcons(behaviour.close_result == DialogResult::None ? 0 : border_icons::kSystemMenu);

    const StockIcon icon = KindIcon(kind);
    Image1.SetIcon(icon);
    Image1.SetVisible(icon != StockIcon::None);
    const int text_left = icon != StockIcon::None ? kMargin + kIconSize + kMargin : kMargin;

    // Long texts wrap at a width a person reads comfortably; short ones keep their own width.
    const backend::Size text_size = backend::MeasureText(*this, GetFont(), text, kTextWidthLimit);
    const int text_height = std::max(text_size.height, 1);
    const int block_height = icon != StockIcon::None ? std::max(text_height, kIconSize) : text_height;
    const int text_top = kMargin + (block_height - text_height) / 2;
    Label1.SetBounds(text_left, text_top, std::max(text_size.width, 1), text_height);
    Label1.SetWordWrap(true);
    Label1.SetCaption(text);

    const int button_count = static_cast<int>(info_.buttons.size());
    const int buttons_width = button_count * kButtonWidth + (button_count - 1) * kButtonGap;
    const int client_width =
        std::max({text_left + text_size.width + kMargin, buttons_width + 2 * kMargin, kMinimumClientWidth});
    const int buttons_top = kMargin + block_height + kMargin + 4;
    SetClientSize(client_width, buttons_top + kButtonHeight + 12);

    int left = (client_width - buttons_width) / 2;
    for (size_t index = 0; index < info_.buttons.size(); ++index) {
        auto button = std::make_unique<Button>(*this, left, buttons_top, kButtonWidth, kButtonHeight);
        const DialogResult result = info_.buttons[index];
        button->SetName(std::string("Button") + std::to_string(index + 1));
        button->SetCaption(info_.button_captions[index]);
        button->SetModalResult(result);
        button->SetDefault(result == info_.default_button);
        button->SetCancel(behaviour.escape_closes && result == behaviour.close_result);
        if (result == info_.default_button) SetActiveControl(button.get());
        buttons_.push_back(std::move(button));
        left += kButtonWidth + kButtonGap;
    }

    OnKeyPress = [this](char& key) { FormKeyPress(key); };
    OnCloseQuery = [this](bool& can_close) { FormCloseQuery(can_close); };
}

MessageDialog::~MessageDialog() { buttons_.clear(); }

Button* MessageDialog::ButtonFor(DialogResult result) {
    for (size_t index = 0; index < info_.buttons.size(); ++index) {
        if (info_.buttons[index] == result) return buttons_[index].get();
    }
    return nullptr;
}

void MessageDialog::FormKeyPress(char& key) {
    // Escape reaches here only when no button takes it; then it must not close the box.
    if (key == chars::kEscape) key = 0;
}

void MessageDialog::FormCloseQuery(bool& can_close) {
    // A close request that did not come from one of the buttons (the close box, Alt+F4) gives
    // Cancel; such a box answers with its close result instead, or stays when it has none.
    const DialogResult result = GetModalResult();
    if (result != DialogResult::Cancel || ButtonFor(DialogResult::Cancel) != nullptr) return;
    if (info_.behaviour.close_result == DialogResult::None) {
        can_close = false;
        return;
    }
    SetModalResult(info_.behaviour.close_result);
}

DialogResult ShowMessageBox(const std::string& text, MessageKind kind, unsigned button_set,
                            DialogResult default_button, const std::string& caption) {
    return ShowMessageBox(text, kind, button_set, default_button, caption, StandardBehaviour(button_set));
}

DialogResult ShowMessageBox(const std::string& text, MessageKind kind, unsigned button_set,
                            DialogResult default_button, const std::string& caption,
                            const MessageBoxBehaviour& behaviour) {
    MessageDialog dialog(text, kind, button_set, default_button, caption, behaviour);
    return dialog.ShowModal();
}

}  // namespace platform::ui
