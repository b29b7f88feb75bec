// The setup program with environments to choose from. The product this program installs
// offers none, so its chooser never appears; this copy of the program's entry gives the
// description the nine environments it keeps in its table and fills the chooser as the
// start-up does for a product that offers them, so the end-to-end cases can work the chooser
// through the real Install command. Put beside a payload named after it (envsetup.dat).

#include "engine/install_window.h"
#include "locale/language.h"
#include "platform/program_entry.h"
#include "platform/ui/application.h"
#include "platform/ui/toolkit_dialogs.h"
#include "setup/main_window.h"

namespace {

// The entries of the description's environment table.
constexpr int kEnvironmentCount = 9;

}  // namespace

int main() {
    platform::RestrictDllSearchPath();
    platform::ui::InstallDialogs();
    locale::InitLanguage();

    platform::ui::Application& application = platform::ui::Application::Instance();
    setup::TInstF1 main_window(engine::CreateInstallWindow);
    // A start-up that stopped (a missing payload) has already told the application to end.
    if (main_window.StartedUp()) {
        setup::Description().EnvCount = kEnvironmentCount;
        main_window.FillEnvironmentChooser();
    }
    application.SetMainForm(&main_window);
    application.Run();
    main_window.RecordOutcome(application.ProgramExitCode());
    return static_cast<int>(application.ProgramExitCode());
}
