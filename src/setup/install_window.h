#pragma once
// The install engine's progress window, as the main window sees it. The engine lives above
// the setup driver, so the main window knows its window only through this interface: it
// creates it at start-up (through a factory the program entry hands in), places it below
// itself, sets its first status line and shows it modally. From then on the engine runs the
// installation and ends the program.

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/form.h"

namespace setup {

class InstallWindow {
public:
    virtual ~InstallWindow() = default;

    // The window itself: placed and shown modally by the Install command.
    virtual platform::ui::Form& Window() = 0;
    // Its progress bar, which the Install command fits to the window's width.
    virtual platform::ui::ProgressBar& Progress() = 0;
    // Replaces the status line above the progress bar.
    virtual void SetStatus(const std::string& text) = 0;

    // What an earlier installation into a directory that did not finish (the process died)
    // has left: nothing, a run now undone (or, when it had completed, finished), or one that
    // cannot be put right: its record of changes cannot be read, or a change cannot be undone
    // (a file in use); the record stays for a later start then.
    enum class Unfinished { None, Recovered, Unrecoverable };
    // Looks for such an installation into install_dir and puts the directory right.
    virtual Unfinished RecoverUnfinished(const std::string& install_dir) = 0;
    // The file holding the record of changes of a run into install_dir.
    virtual std::string JournalPath(const std::string& install_dir) = 0;

    // Where the installation reports what it does, line by line, for the record of the run
    // (/LOG=); set before the installation starts.
    virtual void SetRecord(std::function<void(const std::string& line)> record) = 0;

    // Runs the installation without showing the window (silent mode), as its first showing
    // would; the run ends the program as it does when shown.
    virtual void RunHidden() = 0;
};

// Creates the engine's window, hidden. Called once while the main window is created.
using InstallWindowFactory = std::function<std::unique_ptr<InstallWindow>()>;

}  // namespace setup
