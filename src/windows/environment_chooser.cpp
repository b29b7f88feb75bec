#include "windows/environment_chooser.h"

#include "platform/ui/standard_texts.h"

namespace windows {

namespace ui = platform::ui;

TInstF4::TInstF4() {
    SetName("InstF4");
    SetWindowClass("TInstF4");
    SetBorderStyle(ui::BorderStyle::Dialog);
    SetBorderIcons(ui::border_icons::kSystemMenu);
    SetClientSize(359, 366);
    SetPosition(ui::FormPosition::ScreenCenter);

    StaticText1.SetName("StaticText1");
    StaticText1.SetAlign(ui::Align::Top);
    StaticText1.SetWordWrap(true);
    StaticText1.SetAutoSize(true);

    Panel1.SetName("Panel1");
    Panel1.SetAlign(ui::Align::Bottom);
    Panel1.SetOuterBevel(ui::PanelBevel::None);

    Button1.SetName("Button1");
    Button1.SetCaption(ui::kOkCaption);
    Button1.SetDefault(true);
    Button1.SetModalResult(ui::ModalResult::Ok);
    Button2.SetName("Button2");
    Button2.SetCaption("Cancel");
    Button2.SetCancel(true);
    Button2.SetModalResult(ui::ModalResult::Cancel);

    CheckListBox1.SetName("CheckListBox1");
    CheckListBox1.SetAlign(ui::Align::Client);
    CheckListBox1.SetItemHeight(13);
    // Whatever height the prompt leaves it, the list shows whole items only.
    CheckListBox1.SetIntegralHeight(true);
    CheckListBox1.OnClickCheck = [this] { CheckListBox1Click(); };

    OnShow = [this] { FormShow(); };
}

void TInstF4::FormShow() { SetActiveControl(&CheckListBox1); }

void TInstF4::CheckListBox1Click() {
    for (int index = 0; index < CheckListBox1.Items().Count(); ++index) {
        if (CheckListBox1.Checked(index)) {
            Button1.SetEnabled(true);
            return;
        }
    }
    Button1.SetEnabled(false);
}

}  // namespace windows
