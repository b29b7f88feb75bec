// The program entry of the setup program: the language module's start-up step, then the
// main window, whose creation is the whole start-up, then the message loop until the
// application is told to terminate (by the user closing the main window, by a missing
// payload volume, or by the install engine at the end of its run).

#include "engine/install_window.h"
#include "locale/language.h"
#include "platform/program_entry.h"
#include "platform/ui/application.h"
#include "platform/ui/toolkit_dialogs.h"
#include "setup/main_window.h"

int main() {
    // Before anything could load a DLL planted beside the setup program.
    platform::RestrictDllSearchPath();
    // Message boxes and the directory dialog are the toolkit's own windows.
    platform::ui::InstallDialogs();
    locale::InitLanguage();

    platform::ui::Application& application = platform::ui::Application::Instance();
    // The engine sits above the main window, which knows the engine's window only through
    // the interface it declares; the entry, above both, brings them together.
    setup::TInstF1 main_window(engine::CreateInstallWindow);
    application.SetMainForm(&main_window);
    application.Run();
    main_window.RecordOutcome(application.ProgramExitCode());
    return static_cast<int>(application.ProgramExitCode());
}
