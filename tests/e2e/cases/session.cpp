#include "cases/session.h"

#include <gtest/gtest.h>

#include "driver/dialog.h"
#include "driver/screenshot.h"
#include "driver/text.h"

namespace e2e {

Session::Session() : Session(EnvironmentOr("VI_E2E_ARGS", "")) {}

Session::Session(const std::string& arguments) {
    program_ = Process::Start(EnvironmentOr("VI_E2E_PROGRAM", "C:\\setup\\VIrovARI2.exe"), arguments, "",
                              &start_error_);
}

Window Session::WaitForWindow(const std::string& caption, Milliseconds timeout) {
    // The long allowance is for a cold start. Once the program shows some other window, it
    // has started, and the expected one gets only the step allowance more: a case that finds
    // the wrong window fails in seconds, not minutes.
    Window window;
    std::optional<std::chrono::steady_clock::time_point> other_window_since;
    WaitUntil(
        [&] {
            const auto windows = TopLevelWindows(program_.Id());
            for (const Window& candidate : windows) {
                if (candidate.Text() == caption) {
                    window = candidate;
                    return true;
                }
            }
            if (!program_.Running()) return true;
            const auto now = std::chrono::steady_clock::now();
            if (windows.empty()) other_window_since.reset();
            else if (!other_window_since) other_window_since = now;
            return other_window_since && now - *other_window_since > kStepTimeout;
        },
        timeout);
    if (window) {
        known_.push_back(window);
        Pause(Milliseconds(300));  // let it paint before it is read or pictured
    }
    return window;
}

Window Session::WaitForDialog(const std::string& caption, Milliseconds timeout) {
    return WaitForDialog(std::vector<std::string>{caption}, timeout);
}

Window Session::WaitForDialog(const std::vector<std::string>& captions, Milliseconds timeout) {
    Window window = e2e::WaitForDialog(program_.Id(), known_, captions, timeout);
    if (window) {
        known_.push_back(window);
        Pause(Milliseconds(300));
    }
    return window;
}

bool Session::Shot(const std::string& name, const Window& window) {
    // A window that has just come up from behind another may still be painting its frame.
    Pause(Milliseconds(500));
    std::string path = EnvironmentOr("VI_E2E_SHOTS", "C:\\shots");
    path.append("\\").append(name).append(".bmp");
    const WindowShot shot = CaptureWindow(window, path);
    // A picture without its title bar would show people a window Windows never draws.
    EXPECT_NE(shot, WindowShot::NoTitleBar) << name << ": the title-bar band of the picture is a single colour";
    return shot == WindowShot::Saved;
}

std::string Session::OpenWindows() {
    if (!start_error_.empty()) return start_error_;
    std::string open;
    for (const Window& window : TopLevelWindows(program_.Id())) {
        open.append("\n").append(window.Describe());
    }
    return open.empty() ? std::string(program_.Running() ? "no visible window" : "the program has ended") : open;
}

std::optional<uint32_t> Session::WaitForExit(Milliseconds timeout) { return program_.WaitForExit(timeout); }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace e2e
