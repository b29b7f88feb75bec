#pragma once
// The install engine's progress window, as the main window sees it. The engine lives above
// the setup driver, so the main window knows its window only through this interface: it
// creates it at start-up (through a factory the program entry hands in), places it below
// itself, sets its first status line and shows it modally. From then on the engine runs the
// installation and ends the program.

#include <functional>
#include <memory>
#include <string>
#include <vector>

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

    // What earlier installations that did not finish (the process died) have left: nothing,
    // runs now undone (or, when they had completed, finished), a record of changes in use by
    // another process (perhaps a run still going on), or one that cannot be put right: it
    // cannot be read, a change cannot be undone (a file in use), or it names a change this
    // program never makes and is refused. The record stays as it is then.
    enum class Unfinished { None, Recovered, InUse, Unrecoverable, Refused };
    struct Recovery {
        Unfinished outcome = Unfinished::None;
        std::string journal_path;  // the record of changes that decided the outcome
        std::string destination;   // the directory it names (empty when unknown)
        std::string reason;        // why it was refused
        std::vector<std::string> report;  // lines for the record of the run, one per step
        // Files undo left because they are no longer the ones the run made, and copies kept
        // because such a file took their place.
        std::vector<std::string> left;
    };
    // Puts right what unfinished installations left, and reports a record of changes that an
    // earlier version left in install_dir, which is not acted on.
    virtual Recovery RecoverUnfinished(const std::string& install_dir) = 0;

    // Where the installation reports what it does, line by line, for the record of the run
    // (/LOG=); set before the installation starts.
    virtual void SetRecord(std::function<void(const std::string& line)> record) = 0;

    // Called once the installation's changes are committed or undone, before its final
    // message or error box: the machine is settled then, and others may install.
    virtual void SetOnSettled(std::function<void()> settled) = 0;

    // Runs the installation without showing the window (silent mode), as its first showing
    // would; the run ends the program as it does when shown.
    virtual void RunHidden() = 0;
};

// Creates the engine's window, hidden. Called once while the main window is created.
using InstallWindowFactory = std::function<std::unique_ptr<InstallWindow>()>;

}  // namespace setup
