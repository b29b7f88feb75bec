#include "locale/language_window.h"

#include "locale/language.h"
#include "platform/code_page.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "platform/ui/standard_texts.h"

namespace locale {

using platform::ui::ModalResult;

TSelLangForm::TSelLangForm() {
    SetName("SelLangForm");
    SetWindowClass("TSelLangForm");
    SetCaption("Language");
    SetBorderStyle(platform::ui::BorderStyle::Dialog);
    SetClientSize(212, 149);
    SetPosition(platform::ui::FormPosition::ScreenCenter);

    Bevel1.SetName("Bevel1");
    Bevel1.SetShape(platform::ui::BevelShape::Frame);
    Label1.SetName("Label1");
    RadioButton1.SetName("RadioButton1");
    RadioButton2.SetName("RadioButton2");
    Button1.SetName("Button1");
    Button1.SetCaption(platform::ui::kOkCaption);
    Button1.SetDefault(true);
    Button1.SetCancel(true);
    Button1.SetModalResult(ModalResult::Ok);

    // A double click picks a language and answers at once.
    RadioButton1.OnDoubleClick = [this] { SetModalResult(ModalResult::Ok); };
    RadioButton2.OnDoubleClick = [this] { SetModalResult(ModalResult::Ok); };

    FormCreate();
}

void TSelLangForm::FormCreate() {
    RadioButton1.SetCaption("English");
    if (platform::Machine().SystemDefaultUiLanguage() == platform::kLanguageIdRussian) {
        Label1.SetCaption(platform::Utf8ToAnsi("Выберите язык:"));
        RadioButton2.SetCaption(platform::Utf8ToAnsi("Русский"));
        RadioButton2.SetChecked(true);
        SetActiveControl(&RadioButton2);
        return;
    }
    Label1.SetCaption("Select a language:");
    RadioButton2.SetCaption("Russian");
    RadioButton1.SetChecked(true);
    SetActiveControl(&RadioButton1);
}

std::string TSelLangForm::CheckedLanguage() const { return RadioButton1.Checked() ? "en" : "ru"; }

std::string AskLanguage() {
    TSelLangForm window;
    // The result does not matter: OK, Escape and the close box all answer with the checked
    // language.
    window.ShowModal();
    return window.CheckedLanguage();
}

}  // namespace locale
