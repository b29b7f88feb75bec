#pragma once
// Dialogs for a process without windows: every message box is answered with its default
// button (Ok when the box has no default), both pickers are cancelled, and nothing is shown.

#include "platform/dialogs.h"

namespace platform {

class FallbackDialogs : public Dialogs {
public:
    DialogResult ShowMessage(const std::string& text, MessageKind kind, unsigned button_set,
                             DialogResult default_button, const std::string& caption) override;
    bool SelectDirectory(std::string& directory, bool allow_missing) override;
    bool OpenFile(const std::string& title, const std::string& filter, std::string& path) override;
    void ProcessMessages() override {}
    void SetBusyCursor(bool) override {}
};

}  // namespace platform
