#pragma once
// Windows of the program under test seen from outside: top-level windows found by process
// and caption, their child controls found by class and text, and what a user would see of
// them (texts, places, sizes, visibility, check marks).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "driver/wait.h"

namespace e2e {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

class Window {
public:
    Window() = default;
    explicit Window(void* handle) : handle_(handle) {}

    void* Handle() const { return handle_; }
    // True while the handle names a live window.
    bool Exists() const;
    explicit operator bool() const { return Exists(); }
    bool operator==(const Window& other) const { return handle_ == other.handle_; }

    // The window's text (caption of a form, label, button or field), read with WM_GETTEXT
    // so that it is the ANSI text the program holds: Windows-1251 bytes on a Russian system.
    std::string Text() const;
    // The window class name ("BUTTON", "Edit", "Static", "msctls_progress32"...).
    std::string ClassName() const;
    // Visible as the user sees it: the window and all its parents are visible.
    bool Visible() const;
    // Minimised (shown as its task-bar button only).
    bool Minimized() const;
    bool Enabled() const;
    // For check boxes and radio buttons: the check mark.
    bool Checked() const;
    // True when the button is drawn as the default push button.
    bool IsDefaultButton() const;
    // The thread and process that own the window.
    uint32_t ProcessId() const;
    uint32_t ThreadId() const;

    // The whole window (frame included) in screen coordinates.
    Rect ScreenRect() const;
    // The client area in screen coordinates.
    Rect ClientScreenRect() const;
    // The client area's size, at (0, 0).
    Rect ClientRect() const;
    // The window's rectangle in its parent's client coordinates: the position a form gave
    // its control.
    Rect RectInParent() const;

    // The width GDI gives the window's text on one line, measured in the window's own device
    // context with the font font_name of pixel height height (negative: character height) and
    // weight (FW_NORMAL 400, FW_BOLD 700), as the program would draw it.
    int TextWidth(const std::string& font_name, int height, int weight = 400, bool italic = false) const;

    // Every descendant window, in creation (Z) order.
    std::vector<Window> Descendants() const;
    // The first descendant of class_name (any case; empty matches every class) whose text,
    // without "&" accelerator marks, equals text. An empty Window when there is none.
    Window FindChild(const std::string& class_name, const std::string& text) const;
    // Every descendant of class_name (any case).
    std::vector<Window> ChildrenOfClass(const std::string& class_name) const;
    // The control that has the keyboard focus in this window's thread, or an empty Window.
    Window FocusedControl() const;

    // A multi-line description of the window and its controls, for failure messages and
    // for the scripts to print.
    std::string Describe() const;

private:
    void* handle_ = nullptr;
};

// The visible top-level windows of a process, in Z order (topmost first).
std::vector<Window> TopLevelWindows(uint32_t process_id);

// The visible top-level windows of a process that the task bar gives a button: those with
// WS_EX_APPWINDOW and those without an owner (unless WS_EX_TOOLWINDOW).
std::vector<Window> TaskBarWindows(uint32_t process_id);
// The captions of those windows, topmost first.
std::vector<std::string> TaskBarButtons(uint32_t process_id);

// The first visible top-level window of the process that satisfies predicate, waited for;
// an empty Window after timeout, or as soon as the process has ended.
Window WaitForWindow(uint32_t process_id, const std::function<bool(const Window&)>& predicate,
                     Milliseconds timeout);

// Waits until window is gone or hidden; false after timeout.
bool WaitUntilGone(const Window& window, Milliseconds timeout);

// text without the "&" that marks an accelerator ("&&" stands for one "&").
std::string WithoutAccelerator(const std::string& text);

}  // namespace e2e
