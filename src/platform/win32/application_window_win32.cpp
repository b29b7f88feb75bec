// The application's own window: an empty, zero-sized top-level window captioned with the
// application's title. Every form is owned by it, so the task bar shows this one button for
// the whole program, whatever forms and message boxes are up. Minimising any form minimises
// this window and hides the program's windows; restoring it from the task bar shows them
// again and activates the one that was active.

#include "platform/win32/ui_win32.h"

#include <vector>

#include "platform/ui/application.h"

namespace platform::ui::win32 {

namespace {

constexpr const char* kApplicationClass = "VIrovARI2Application";

struct ApplicationState {
    HWND window = nullptr;
    HWND last_active = nullptr;
    // The windows hidden by minimising, topmost first.
    std::vector<HWND> hidden;
};

ApplicationState& State() {
    static ApplicationState state;
    return state;
}

BOOL CALLBACK CollectShownWindow(HWND window, LPARAM data) {
    if (window != State().window && ::IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    return TRUE;
}

void ActivateLastActive() {
    HWND target = State().last_active;
    if (target == nullptr || !::IsWindow(target) || !::IsWindowVisible(target) || !::IsWindowEnabled(target)) {
        Form* main_form = Application::Instance().MainForm();
        target = main_form != nullptr ? WindowOf(*main_form) : nullptr;
    }
    if (target != nullptr && ::IsWindowVisible(target)) ::SetActiveWindow(target);
}

void Restore() {
    ApplicationState& state = State();
    ::ShowWindow(state.window, SW_RESTORE);
    const std::vector<HWND> hidden = std::move(state.hidden);
    state.hidden.clear();
    for (auto it = hidden.rbegin(); it != hidden.rend(); ++it) {
        if (::IsWindow(*it)) ::ShowWindow(*it, SW_SHOWNA);
    }
    ActivateLastActive();
}

LRESULT CALLBACK ApplicationProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SYSCOMMAND:
            switch (wparam & 0xFFF0) {
                case SC_MINIMIZE:
                    MinimizeApplication();
                    return 0;
                case SC_RESTORE:
                    Restore();
                    return 0;
                default:
                    break;
            }
            break;
        case WM_CLOSE: {
            // Closing the task-bar button asks the main form, as its close box would.
            Form* main_form = Application::Instance().MainForm();
            HWND main_window = main_form != nullptr ? WindowOf(*main_form) : nullptr;
            if (main_window != nullptr && ::IsWindowEnabled(main_window)) ::PostMessageA(main_window, WM_CLOSE, 0, 0);
            return 0;
        }
        case WM_ACTIVATE:
            // The empty window passes the activation on to the form the user was working in.
            if (LOWORD(wparam) != WA_INACTIVE && !::IsIconic(window)) ActivateLastActive();
            return 0;
        default:
            break;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

HWND ApplicationWindow() {
    ApplicationState& state = State();
    if (state.window != nullptr) return state.window;
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = &ApplicationProc;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.hIcon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
    window_class.lpszClassName = kApplicationClass;
    ::RegisterClassExA(&window_class);
    const int left = ::GetSystemMetrics(SM_CXSCREEN) / 2;
    const int top = ::GetSystemMetrics(SM_CYSCREEN) / 2;
    state.window = ::CreateWindowExA(0, kApplicationClass, Application::Instance().Title().c_str(),
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS, left, top, 0, 0,
                                     nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    return state.window;
}

void ShowApplicationWindow() {
    HWND window = ApplicationWindow();
    // Shown without being activated: it has no pixels, only its task-bar button.
    if (window != nullptr && !::IsWindowVisible(window)) ::ShowWindow(window, SW_SHOWNA);
}

void MinimizeApplication() {
    ApplicationState& state = State();
    if (state.window == nullptr || ::IsIconic(state.window)) return;
    std::vector<HWND> shown;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectShownWindow, reinterpret_cast<LPARAM>(&shown));
    for (HWND window : shown) ::ShowWindow(window, SW_HIDE);
    state.hidden = std::move(shown);
    ::ShowWindow(state.window, SW_MINIMIZE);
}

void FormActivated(HWND window) { State().last_active = window; }

}  // namespace platform::ui::win32

namespace platform::ui::backend {

void SetApplicationTitle(const std::string& title) {
    HWND window = win32::ApplicationWindow();
    if (window != nullptr) ::SetWindowTextA(window, title.c_str());
}

}  // namespace platform::ui::backend
