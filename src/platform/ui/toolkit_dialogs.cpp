#include "platform/ui/toolkit_dialogs.h"

#include "platform/platform.h"
#include "platform/ui/application.h"
#include "platform/ui/directory_dialog.h"
#include "platform/ui/message_dialog.h"

namespace platform::ui {

namespace {

class FormDialogs final : public platform::Dialogs {
public:
    DialogResult ShowMessage(const std::string& text, MessageKind kind, unsigned button_set,
                             DialogResult default_button, const std::string& caption) override {
        return ShowMessageBox(text, kind, button_set, default_button, caption);
    }

    bool SelectDirectory(std::string& directory, bool allow_missing) override {
        return SelectDirectoryWithDialog(directory, allow_missing);
    }

    bool OpenFile(const std::string& title, const std::string& filter, std::string& path) override {
        return OpenFileWithDialog(title, filter, path);
    }

    void ProcessMessages() override { Application::Instance().ProcessMessages(); }

    void SetBusyCursor(bool busy) override { Application::Instance().SetBusyCursor(busy); }
};

}  // namespace

platform::Dialogs& ToolkitDialogs() {
    static FormDialogs dialogs;
    return dialogs;
}

void InstallDialogs() { platform::SetDefaultDialogs(&ToolkitDialogs()); }

}  // namespace platform::ui
