#pragma once
// One run of the program under test for a case: started from the setup directory that the
// scenario prepared, its windows waited for with deadlines, screenshots saved where the
// script collects them, and the program killed if the case leaves it running.
//
// The scenario tells the cases where things are through the environment:
//   VI_E2E_PROGRAM  the program's Windows path (default C:\setup\VIrovARI2.exe)
//   VI_E2E_ARGS     its command-line arguments (default none)
//   VI_E2E_SHOTS    the directory for screenshots (default C:\shots)

#include <optional>
#include <string>
#include <vector>

#include "driver/process.h"
#include "driver/window.h"

namespace e2e {

class Session {
public:
    // Starts the program; Started() tells whether that worked.
    Session();
    // Starts it with these command-line arguments instead of VI_E2E_ARGS.
    explicit Session(const std::string& arguments);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool Started() const { return program_.Started(); }
    Process& Program() { return program_; }

    // A top-level window of the program with this caption, waited for (the first one
    // may take as long as a cold Wine start).
    Window WaitForWindow(const std::string& caption, Milliseconds timeout = kStartTimeout);
    // A top-level window not returned before (a modal box or a secondary window).
    Window WaitForDialog(const std::string& caption, Milliseconds timeout = kStepTimeout);
    // The same for a window with any of the captions.
    Window WaitForDialog(const std::vector<std::string>& captions, Milliseconds timeout);
    // Saves window as NAME.bmp in the screenshot directory; false when that failed. A window
    // with a caption whose title bar does not show in the picture fails the case.
    bool Shot(const std::string& name, const Window& window);
    // The captions of the program's visible windows, for failure messages.
    std::string OpenWindows();
    // Waits for the program to end; its exit code.
    std::optional<uint32_t> WaitForExit(Milliseconds timeout = kStepTimeout);

private:
    Process program_;
    std::vector<Window> known_;
    std::string start_error_;
};

// The lines of a multi-line field's text (split at CR LF; no trailing empty line).
std::vector<std::string> Lines(const std::string& text);

}  // namespace e2e
