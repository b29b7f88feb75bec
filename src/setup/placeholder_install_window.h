#pragma once
// A stand-in for the install engine's window, for builds and tests of the setup driver that
// have no engine: a borderless strip with a status line and a progress bar which, once shown,
// says that this build cannot install and ends the program as the engine would.

#include <memory>
#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "setup/install_window.h"

namespace setup {

class PlaceholderInstallWindow : public platform::ui::Form, public InstallWindow {
public:
    PlaceholderInstallWindow();

    platform::ui::Form& Window() override { return *this; }
    platform::ui::ProgressBar& Progress() override { return ProgressBar1; }
    void SetStatus(const std::string& text) override { Label1.SetCaption(text); }

    // How often the window was activated, that is, asked to install.
    int Activations() const { return activations_; }

    platform::ui::Label Label1{*this, 5, 6, 671, 16};
    platform::ui::ProgressBar ProgressBar1{*this, 5, 26, 671, 16};

private:
    void FormActivate();

    int activations_ = 0;
};

// A factory for InstallWindowFactory that makes placeholders.
std::unique_ptr<InstallWindow> CreatePlaceholderInstallWindow();

}  // namespace setup
