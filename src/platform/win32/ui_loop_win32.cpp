// The message loop of the toolkit on Windows: the application's loop, the nested loop of
// modal forms, letting pending messages run, and the keyboard as the forms see it (key
// preview first, then the dialog keys), plus timers, text metrics and the busy cursor.

#include "platform/win32/ui_win32.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>
#include <vector>

#include "platform/ui/application.h"
#include "platform/ui/controls.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/timer.h"

namespace platform::ui::win32 {

namespace {

bool& BusyFlag() {
    static bool busy = false;
    return busy;
}

// The windows each running modal form disabled, innermost last.
std::vector<std::vector<HWND>>& DisabledStack() {
    static std::vector<std::vector<HWND>> stack;
    return stack;
}

std::unordered_map<UINT_PTR, Timer*>& Timers() {
    static std::unordered_map<UINT_PTR, Timer*> timers;
    return timers;
}

void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    auto found = Timers().find(id);
    if (found != Timers().end()) found->second->Fire();
}

ShiftState CurrentShiftState() {
    ShiftState shift;
    shift.shift = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
    shift.control = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    shift.alt = (::GetKeyState(VK_MENU) & 0x8000) != 0;
    return shift;
}

// Whether the focused control keeps a key for itself instead of letting it act on the form.
bool ControlKeepsKey(const Control* focused, WPARAM key) {
    if (focused == nullptr) return false;
    if (key == VK_RETURN && focused->Kind() == ControlKind::Memo) return static_cast<const Memo*>(focused)->WantReturns();
    if ((key == VK_RETURN || key == VK_ESCAPE) && focused->Kind() == ControlKind::ComboBox) {
        HWND window = WindowOf(*focused);
        return window != nullptr && ::SendMessageA(window, CB_GETDROPPEDSTATE, 0, 0) != 0;
    }
    return false;
}

// Alt+letter (or the letter alone where nothing takes text) presses the control whose caption
// marks that letter with '&'.
bool PressMnemonic(Form& form, char letter) {
    const char wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    std::vector<Control*> stack(form.Children().rbegin(), form.Children().rend());
    while (!stack.empty()) {
        Control* control = stack.back();
        stack.pop_back();
        stack.insert(stack.end(), control->Children().rbegin(), control->Children().rend());
        if (!control->Usable()) continue;
        const std::string& caption = control->Caption();
        const size_t mark = caption.find('&');
        if (mark == std::string::npos || mark + 1 >= caption.size()) continue;
        if (std::toupper(static_cast<unsigned char>(caption[mark + 1])) != static_cast<unsigned char>(wanted)) continue;
        if (control->Kind() == ControlKind::Button) {
            static_cast<Button*>(control)->Click();
            return true;
        }
        if (control->Kind() == ControlKind::RadioButton) {
            control->SetFocus();
            static_cast<RadioButton*>(control)->Click();
            return true;
        }
    }
    return false;
}

// Gives the form its look at the keyboard before the window underneath; true when the message
// was used up.
bool PreTranslate(MSG& message) {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN && message.message != WM_CHAR &&
        message.message != WM_SYSCHAR) {
        return false;
    }
    Form* form = FormOfWindow(message.hwnd);
    if (form == nullptr || !::IsWindowEnabled(WindowOf(*form))) return false;
    Control* focused = ControlOfWindow(::GetFocus());
    if (focused != nullptr && &focused->OwnerForm() == form && focused != form) form->FocusChanged(focused);
    focused = form->ActiveControl();

    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
        KeyCode key = static_cast<KeyCode>(message.wParam);
        if (form->PreviewKeyDown(key, CurrentShiftState())) return true;
        message.wParam = key;
        if (message.message == WM_KEYDOWN && !ControlKeepsKey(focused, key) &&
            (key == VK_RETURN || key == VK_ESCAPE || key == VK_TAB)) {
            if (form->DialogKey(key, CurrentShiftState())) return true;
        }
        return false;
    }
    if (message.message == WM_SYSCHAR) return PressMnemonic(*form, static_cast<char>(message.wParam));

    char character = static_cast<char>(message.wParam);
    if (form->PreviewKeyPress(character)) return true;
    message.wParam = static_cast<unsigned char>(character);
    // Enter, Escape and Tab that nobody wanted would only make a text field beep.
    const bool takes_text = focused != nullptr && (focused->Kind() == ControlKind::Edit || focused->Kind() == ControlKind::Memo);
    if ((character == '\r' || character == '\x1b' || character == '\t') && !ControlKeepsKey(focused, VK_RETURN)) return true;
    if (!takes_text && focused != nullptr && focused->Kind() != ControlKind::ComboBox &&
        focused->Kind() != ControlKind::ListBox && focused->Kind() != ControlKind::CheckListBox && character != ' ') {
        return PressMnemonic(*form, character);
    }
    return false;
}

void Dispatch(MSG& message) {
    if (PreTranslate(message)) return;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
}

}  // namespace

struct WindowsToDisable {
    HWND except;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowsToDisable*>(data);
    if (window != search->except && ::IsWindowVisible(window) && ::IsWindowEnabled(window)) search->windows.push_back(window);
    return TRUE;
}

bool HandleOneMessage() {
    MSG message;
    const BOOL result = ::GetMessageA(&message, nullptr, 0, 0);
    if (result == 0 || result == -1) {
        // Keep the quit request for the outer loops too.
        if (result == 0) ::PostQuitMessage(static_cast<int>(message.wParam));
        return false;
    }
    Dispatch(message);
    return true;
}

bool BusyCursorShown() { return BusyFlag(); }

}  // namespace platform::ui::win32

namespace platform::ui::backend {

using namespace platform::ui::win32;

void BeginModal(Form& form) {
    HWND self = WindowOf(form);
    // Every other enabled top-level window of this thread waits for the modal form.
    HWND owner = ::GetActiveWindow();
    WindowsToDisable search{self, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectEnabledWindow, reinterpret_cast<LPARAM>(&search));
    std::vector<HWND> disabled = std::move(search.windows);
    for (HWND window : disabled) ::EnableWindow(window, FALSE);
    // Owned by the window it interrupts, the modal form stays in front of it.
    if (self != nullptr && owner != nullptr && owner != self) ::SetWindowLongPtrA(self, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    DisabledStack().push_back(std::move(disabled));
}

void EndModal(Form& form) {
    (void)form;
    if (DisabledStack().empty()) return;
    const std::vector<HWND> disabled = std::move(DisabledStack().back());
    DisabledStack().pop_back();
    for (HWND window : disabled) {
        if (::IsWindow(window)) ::EnableWindow(window, TRUE);
    }
    HWND self = WindowOf(form);
    HWND owner = self != nullptr ? reinterpret_cast<HWND>(::GetWindowLongPtrA(self, GWLP_HWNDPARENT)) : nullptr;
    if (owner != nullptr && ::IsWindowVisible(owner)) ::SetActiveWindow(owner);
}

void WaitModal(Form& form) {
    (void)form;
    if (!HandleOneMessage()) Application::Instance().Terminate(ExitCode::UserExit);
}

void RunLoop(Application& application) {
    while (!application.Terminated()) {
        if (!HandleOneMessage()) application.Terminate(ExitCode::UserExit);
    }
}

void ProcessMessages() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            Application::Instance().Terminate(ExitCode::UserExit);
            return;
        }
        Dispatch(message);
    }
}

namespace {

// The device size a text takes in a font at a scale, wrapped at a layout width when above 0.
SIZE DeviceTextSize(const Font& font, const DisplayScale& scale, const std::string& text, int wrap_width) {
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ previous = ::SelectObject(dc, FontHandle(font, scale));
    RECT rect{0, 0, wrap_width > 0 ? scale.InnerLength(wrap_width) : 0, 0};
    UINT format = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
    if (wrap_width > 0) format |= DT_WORDBREAK;
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
    ::SelectObject(dc, previous);
    ::ReleaseDC(nullptr, dc);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

Size MeasureText(const Form& form, const Font& font, const std::string& text, int wrap_width) {
    // The size the text has on a 96 DPI screen, so that a window laid out around it grows by
    // the scale alone; larger only where the text, measured in the font it is drawn in at the
    // form's scale, needs more (fonts do not grow exactly by the scale), so it is never cut.
    const std::string measured = text.empty() ? std::string(" ") : text;
    const DisplayScale design(kScreenDpi);
    const SIZE designed = DeviceTextSize(font, design, measured, wrap_width);
    const DisplayScale scale = ScaleOf(form);
    SIZE scaled = designed;
    if (scale.Dpi() != kScreenDpi) scaled = DeviceTextSize(font, scale, measured, wrap_width);
    const int width = std::max<int>(designed.cx, scale.CoveringLength(scaled.cx));
    const int height = std::max<int>(designed.cy, scale.CoveringLength(scaled.cy));
    return Size{text.empty() ? 0 : width, height};
}

Size FrameSize(BorderStyle style, unsigned border_icons) {
    const int dpi = SystemDpi();
    const RECT rect = FrameAtDpi(FormStyle(style, border_icons), FormExStyle(style), dpi);
    const DisplayScale scale(dpi);
    return Size{scale.ToLayout(rect.right - rect.left), scale.ToLayout(rect.bottom - rect.top)};
}

Size ScreenSize() {
    const DisplayScale scale(SystemDpi());
    RECT area{0, 0, 0, 0};
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0) || area.right <= area.left) {
        return Size{scale.ToLayout(::GetSystemMetrics(SM_CXSCREEN)), scale.ToLayout(::GetSystemMetrics(SM_CYSCREEN))};
    }
    return Size{scale.ToLayout(area.right - area.left), scale.ToLayout(area.bottom - area.top)};
}

void StartTimer(Timer& timer) {
    const UINT_PTR id = ::SetTimer(nullptr, 0, timer.Interval(), &TimerProc);
    if (id == 0) return;
    timer.backend_data = id;
    Timers()[id] = &timer;
}

void StopTimer(Timer& timer) {
    if (timer.backend_data == 0) return;
    const auto id = static_cast<UINT_PTR>(timer.backend_data);
    ::KillTimer(nullptr, id);
    Timers().erase(id);
    timer.backend_data = 0;
}

void SetBusyCursor(bool busy) {
    BusyFlag() = busy;
    POINT point;
    ::GetCursorPos(&point);
    // Show the change at once, without waiting for the mouse to move.
    ::SetCursor(::LoadCursorA(nullptr, busy ? IDC_WAIT : IDC_ARROW));
    ::SetCursorPos(point.x, point.y);
}

}  // namespace platform::ui::backend
