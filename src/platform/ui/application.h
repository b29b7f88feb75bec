#pragma once
// The application: its main form, its title, the message loop and termination.

#include <string>

#include "platform/exit_code.h"

namespace platform::ui {

class Form;

class Application {
public:
    // The one application object.
    static Application& Instance();

    // The application's title: the caption of the program's one task-bar button (every form
    // is owned by the application's window) and of message boxes of the Custom kind.
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    // The main form: Run shows it, and closing it terminates the application.
    Form* MainForm() const { return main_form_; }
    void SetMainForm(Form* form) { main_form_ = form; }

    // Shows the main form (unless the application is already terminated) and runs the message
    // loop until Terminate. The headless backend has no loop: it runs due timers, in virtual
    // time, until the application terminates or no timer is enabled, then returns.
    void Run();
    // Lets pending window messages run, then returns.
    void ProcessMessages();
    // Asks the loop to end; ShowModal calls return Cancel from then on. The first call's
    // code is the program's exit code; later calls keep it.
    void Terminate(ExitCode code);
    bool Terminated() const { return terminated_; }
    // The code of the first Terminate; UserExit while the application runs.
    ExitCode ProgramExitCode() const { return exit_code_; }

    // The hourglass cursor over the program's windows while busy.
    void SetBusyCursor(bool busy);
    bool BusyCursor() const { return busy_cursor_; }

    // Back to the state at program start (no main form, not terminated); for tests.
    void Reset();

private:
    Application() = default;

    std::string title_;
    Form* main_form_ = nullptr;
    bool terminated_ = false;
    ExitCode exit_code_ = ExitCode::UserExit;
    bool busy_cursor_ = false;
};

}  // namespace platform::ui
