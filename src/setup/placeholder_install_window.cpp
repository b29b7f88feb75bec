#include "setup/placeholder_install_window.h"

#include "platform/dialogs.h"
#include "platform/platform.h"
#include "platform/ui/application.h"

namespace setup {

namespace ui = platform::ui;

PlaceholderInstallWindow::PlaceholderInstallWindow() {
    SetName("InstF3");
    SetWindowClass("TInstF3");
    SetBorderStyle(ui::BorderStyle::None);
    SetClientSize(681, 50);
    Label1.SetName("Label1");
    ProgressBar1.SetName("ProgressBar1");
    OnActivate = [this] { FormActivate(); };
}

void PlaceholderInstallWindow::FormActivate() {
    ++activations_;
    platform::UserDialogs().ShowMessage("This build has no install engine; nothing was installed.",
                                        platform::MessageKind::Error, platform::buttons::kOk, platform::DialogResult::Ok);
    ui::Application::Instance().Terminate();
}

std::unique_ptr<InstallWindow> CreatePlaceholderInstallWindow() { return std::make_unique<PlaceholderInstallWindow>(); }

}  // namespace setup
