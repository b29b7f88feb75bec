#pragma once
// The text viewer: a resizable modal window that shows the readme or the licence, read-only,
// with one OK button. The main window creates it once and refills it for each text.

#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/list_controls.h"

namespace windows {

class TInstF2 : public platform::ui::Form {
public:
    // Creates the viewer hidden, at its design size.
    TInstF2();

    // Every showing starts at the top of the text, with the text focused.
    void FormShow();
    // Escape closes the viewer.
    void FormKeyPress(char& key);

    // Declared before the memo so that the memo fills what the strip leaves.
    platform::ui::Panel Panel1{*this, 0, 404, 680, 47};
    platform::ui::Button Button1{Panel1, 596, 12, 76, 25};
    platform::ui::Memo Memo1{*this, 0, 0, 680, 404};
};

}  // namespace windows
