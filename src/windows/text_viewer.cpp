#include "windows/text_viewer.h"

#include "platform/ui/keys.h"
#include "platform/ui/standard_texts.h"

namespace windows {

namespace ui = platform::ui;

TInstF2::TInstF2() {
    SetName("InstF2");
    SetWindowClass("TInstF2");
    SetBorderStyle(ui::BorderStyle::Sizeable);
    SetBorderIcons(ui::border_icons::kSystemMenu | ui::border_icons::kMaximize);
    SetClientSize(680, 451);
    SetMinimumSize(244, 244);
    SetPosition(ui::FormPosition::ScreenCenter);
    ui::Font font = GetFont();
    font.name = "MS Sans Serif";
    font.SetSize(8);
    font.charset = ui::charsets::kCyrillic;
    SetFont(font);
    SetKeyPreview(true);

    Panel1.SetName("Panel1");
    Panel1.SetAlign(ui::Align::Bottom);
    Panel1.SetOuterBevel(ui::PanelBevel::None);

    Button1.SetName("Button1");
    Button1.SetCaption(ui::kOkCaption);
    Button1.SetDefault(true);
    Button1.SetModalResult(ui::ModalResult::Ok);
    Button1.SetAnchors(ui::anchors::kTop | ui::anchors::kRight);

    Memo1.SetName("Memo1");
    Memo1.SetAlign(ui::Align::Client);
    Memo1.SetReadOnly(true);
    Memo1.SetWordWrap(true);
    Memo1.SetScrollBars(ui::ScrollBars::Vertical);
    // Enter belongs to the OK button, not to the text.
    Memo1.SetWantReturns(false);
    SetActiveControl(&Memo1);

    OnShow = [this] { FormShow(); };
    OnKeyPress = [this](char& key) { FormKeyPress(key); };
}

void TInstF2::FormShow() {
    SetActiveControl(&Memo1);
    Memo1.SetSelStart(0);
}

void TInstF2::FormKeyPress(char& key) {
    if (key != ui::chars::kEscape) return;
    key = 0;
    Close();
}

}  // namespace windows
