#pragma once
// The environment chooser: a modal dialog with a check list of the programming environments
// whose support can be installed. The Install command shows it when the product offers
// environments, and leaves out the top-level archive directory of every unticked one.

#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/list_controls.h"

namespace windows {

class TInstF4 : public platform::ui::Form {
public:
    // Creates the chooser hidden, at its design size, with OK enabled and no items; the main
    // window fills in the texts and items.
    TInstF4();

    // The check list has the focus whenever the dialog appears.
    void FormShow();
    // OK is enabled while at least one item is ticked.
    void CheckListBox1Click();

    platform::ui::StaticText StaticText1{*this, 0, 0, 359, 41};
    platform::ui::Panel Panel1{*this, 0, 320, 359, 46};
    platform::ui::Button Button1{Panel1, 180, 11, 75, 25};
    platform::ui::Button Button2{Panel1, 268, 11, 75, 25};
    platform::ui::CheckListBox CheckListBox1{*this, 0, 41, 359, 279};
};

}  // namespace windows
