#pragma once
// The codes the setup program ends with, so that a script or a deployment tool that starts
// it can tell what happened. Every layer that ends the program passes one of these to
// Application::Terminate; the first one given is the one the process returns.

namespace platform {

enum class ExitCode : int {
    // Installed, and the final message reports no problems.
    Installed = 0,
    // Installed, but the final message lists files or shortcuts that could not be placed.
    InstalledWithFailures = 1,
    // The user left at the main window (Exit confirmed, or the window closed from outside).
    UserExit = 2,
    // A payload volume was missing at start-up.
    VolumeMissing = 3,
    // The installation failed and was rolled back (data-copy error).
    InstallFailed = 4,
    // An installation, an earlier one or this one, could not be completely undone (or the
    // record of an earlier one cannot be read or is refused); its record stays for a later start.
    RecoveryFailed = 5,
    // Refused by the Install command's checks (silent mode, which cannot ask again).
    Refused = 6,
    // The record of the run that /LOG= asks for cannot be written; the program ends at
    // start-up, before it changes anything.
    LogUnwritable = 7,
    // Another installation of the product is running (the code deployment tools take for
    // "another installation is in progress, retry later"); nothing was changed.
    AnotherInstallRunning = 1618,
    // The command line holds an unknown switch; nothing was changed (the code the system's
    // installer gives an invalid command line).
    InvalidCommandLine = 1639,
    // Installed, but a file in use is only replaced at the next restart, and nothing else
    // went wrong (the code deployment tools read as "installed; restart needed").
    RestartNeeded = 3010,
};

}  // namespace platform
