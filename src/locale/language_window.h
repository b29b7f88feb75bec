#pragma once
// The language window: a small dialog that asks a user on a Russian system whether the setup
// should speak English or Russian. It is worded, and preselected, in the language of the
// user interface; whichever way it is closed, the checked radio button is the answer.

#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/form.h"

namespace locale {

class TSelLangForm : public platform::ui::Form {
public:
    // Creates the window hidden, worded and preselected by the user-interface language.
    TSelLangForm();

    // The language checked now: "en" when RadioButton1 is checked, else "ru".
    std::string CheckedLanguage() const;

    platform::ui::Label Label1{*this, 20, 18, 172, 14};
    platform::ui::RadioButton RadioButton1{*this, 36, 42, 156, 18};
    platform::ui::RadioButton RadioButton2{*this, 36, 72, 156, 18};
    platform::ui::Button Button1{*this, 68, 115, 75, 25};
    // Created last, so that it lies beneath the texts it frames.
    platform::ui::Bevel Bevel1{*this, 8, 8, 196, 98};

private:
    void FormCreate();
};

}  // namespace locale
