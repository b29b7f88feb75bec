#include "driver/dialog.h"

#include <algorithm>

#include "driver/input.h"

namespace e2e {

Window WaitForDialog(uint32_t process_id, const std::vector<Window>& known, const std::vector<std::string>& captions,
                     Milliseconds timeout) {
    return WaitForWindow(
        process_id,
        [&](const Window& window) {
            if (std::find(known.begin(), known.end(), window) != known.end()) return false;
            // The application's window carries only the task-bar button: it has no size.
            if (window.ScreenRect().Width() == 0) return false;
            return captions.empty() || std::find(captions.begin(), captions.end(), window.Text()) != captions.end();
        },
        timeout);
}

std::string DialogMessage(const Window& dialog) {
    std::string message;
    for (const Window& label : dialog.ChildrenOfClass("Static")) {
        const std::string text = label.Text();
        if (text.empty() || !label.Visible()) continue;
        if (!message.empty()) message += "\n";
        message += text;
    }
    return message;
}

std::vector<std::string> ButtonCaptions(const Window& window) {
    std::vector<Window> buttons;
    for (const Window& button : window.ChildrenOfClass("Button")) {
        if (button.Visible()) buttons.push_back(button);
    }
    // Reading order: rows from the top (buttons of a row may differ by a few pixels), then
    // left to right within a row.
    constexpr int kRowTolerance = 5;
    std::stable_sort(buttons.begin(), buttons.end(), [](const Window& a, const Window& b) {
        const Rect first = a.ScreenRect();
        const Rect second = b.ScreenRect();
        if (first.top < second.top - kRowTolerance) return true;
        if (second.top < first.top - kRowTolerance) return false;
        return first.left < second.left;
    });
    std::vector<std::string> captions;
    for (const Window& button : buttons) captions.push_back(WithoutAccelerator(button.Text()));
    return captions;
}

bool PressButton(const Window& window, const std::string& caption) {
    const Window button = window.FindChild("Button", caption);
    if (!button) return false;
    Click(button);
    return true;
}

}  // namespace e2e
