#include "driver/window.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace e2e {
namespace {

HWND Hwnd(const Window& window) { return static_cast<HWND>(window.Handle()); }

// Messages to another process's window can block while that process is busy; a bounded
// wait turns a hung program into a failed case.
constexpr UINT kSendTimeoutMs = 5000;

LRESULT SendBounded(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return 0;
    return static_cast<LRESULT>(result);
}

bool EqualIgnoringCase(const std::string& left, const std::string& right) {
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
           });
}

Rect FromRect(const RECT& rect) { return Rect{rect.left, rect.top, rect.right, rect.bottom}; }

BOOL CALLBACK CollectChild(HWND child, LPARAM context) {
    reinterpret_cast<std::vector<Window>*>(context)->emplace_back(child);
    return TRUE;
}

struct TopLevelSearch {
    DWORD process_id;
    std::vector<Window> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<TopLevelSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process_id && IsWindowVisible(window)) search->found.emplace_back(window);
    return TRUE;
}

// The driver sees the screen in device pixels, as the program under test (aware of the DPI)
// does: an unaware process would be shown every place and size of it scaled back to 96 DPI.
[[maybe_unused]] const bool kDpiAware = SetProcessDPIAware() != FALSE;

// False once the process has ended (its windows can no longer come).
bool ProcessAlive(uint32_t process_id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, process_id);
    if (!process) return false;
    const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

}  // namespace

bool Window::Exists() const { return handle_ != nullptr && IsWindow(Hwnd(*this)); }

std::string Window::Text() const {
    if (!Exists()) return {};
    const LRESULT length = SendBounded(Hwnd(*this), WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = SendBounded(Hwnd(*this), WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(copied, 0)));
    return text;
}

std::string Window::ClassName() const {
    char name[256] = {};
    if (!Exists() || GetClassNameA(Hwnd(*this), name, sizeof(name)) == 0) return {};
    return name;
}

bool Window::Visible() const { return Exists() && IsWindowVisible(Hwnd(*this)); }

bool Window::Minimized() const { return Exists() && IsIconic(Hwnd(*this)); }

bool Window::Enabled() const { return Exists() && IsWindowEnabled(Hwnd(*this)); }

bool Window::Checked() const { return SendBounded(Hwnd(*this), BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool Window::IsDefaultButton() const {
    const LONG style = GetWindowLongA(Hwnd(*this), GWL_STYLE);
    return (style & 0x0F) == BS_DEFPUSHBUTTON;
}

uint32_t Window::ProcessId() const {
    DWORD id = 0;
    GetWindowThreadProcessId(Hwnd(*this), &id);
    return id;
}

uint32_t Window::ThreadId() const { return GetWindowThreadProcessId(Hwnd(*this), nullptr); }

Rect Window::ScreenRect() const {
    RECT rect{};
    GetWindowRect(Hwnd(*this), &rect);
    return FromRect(rect);
}

Rect Window::ClientScreenRect() const {
    RECT rect{};
    GetClientRect(Hwnd(*this), &rect);
    MapWindowPoints(Hwnd(*this), HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
    return FromRect(rect);
}

Rect Window::ClientRect() const {
    RECT rect{};
    GetClientRect(Hwnd(*this), &rect);
    return FromRect(rect);
}

Rect Window::RectInParent() const {
    RECT rect{};
    GetWindowRect(Hwnd(*this), &rect);
    HWND parent = GetAncestor(Hwnd(*this), GA_PARENT);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return FromRect(rect);
}

std::vector<Window> Window::Descendants() const {
    std::vector<Window> children;
    if (Exists()) EnumChildWindows(Hwnd(*this), CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

Window Window::FindChild(const std::string& class_name, const std::string& text) const {
    for (const Window& child : Descendants()) {
        if (!class_name.empty() && !EqualIgnoringCase(child.ClassName(), class_name)) continue;
        if (WithoutAccelerator(child.Text()) == WithoutAccelerator(text)) return child;
    }
    return Window{};
}

std::vector<Window> Window::ChildrenOfClass(const std::string& class_name) const {
    std::vector<Window> matching;
    for (const Window& child : Descendants()) {
        if (EqualIgnoringCase(child.ClassName(), class_name)) matching.push_back(child);
    }
    return matching;
}

int Window::TextWidth(const std::string& font_name, int height, int weight, bool italic) const {
    HWND window = Hwnd(*this);
    HDC dc = GetDC(window);
    if (dc == nullptr) return 0;
    HFONT font = CreateFontA(height, 0, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font_name.c_str());
    HGDIOBJ previous = SelectObject(dc, font);
    const std::string text = Text();
    RECT rect{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(window, dc);
    return rect.right - rect.left;
}

Window Window::FocusedControl() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(ThreadId(), &info)) return Window{};
    return Window(info.hwndFocus);
}

std::string Window::Describe() const {
    std::ostringstream out;
    const auto describe_one = [&out](const Window& window, const std::string& indent) {
        const Rect rect = window.RectInParent();
        out << indent << window.ClassName() << " \"" << window.Text() << "\" at " << rect.left << ","
            << rect.top << " size " << rect.Width() << "x" << rect.Height()
            << (window.Visible() ? "" : " hidden") << (window.Enabled() ? "" : " disabled") << "\n";
    };
    if (!Exists()) return "(no window)\n";
    const Rect client = ClientRect();
    out << "window \"" << Text() << "\" class " << ClassName() << ", client " << client.Width() << "x"
        << client.Height() << "\n";
    for (const Window& child : Descendants()) describe_one(child, "  ");
    return out.str();
}

std::vector<Window> TopLevelWindows(uint32_t process_id) {
    TopLevelSearch search{process_id, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<Window> TaskBarWindows(uint32_t process_id) {
    std::vector<Window> buttons;
    for (const Window& window : TopLevelWindows(process_id)) {
        HWND handle = static_cast<HWND>(window.Handle());
        const LONG_PTR ex_style = GetWindowLongPtrA(handle, GWL_EXSTYLE);
        if ((ex_style & WS_EX_APPWINDOW) != 0 ||
            (GetWindow(handle, GW_OWNER) == nullptr && (ex_style & WS_EX_TOOLWINDOW) == 0)) {
            buttons.push_back(window);
        }
    }
    return buttons;
}

std::vector<std::string> TaskBarButtons(uint32_t process_id) {
    std::vector<std::string> captions;
    for (const Window& window : TaskBarWindows(process_id)) captions.push_back(window.Text());
    return captions;
}

Window WaitForWindow(uint32_t process_id, const std::function<bool(const Window&)>& predicate,
                     Milliseconds timeout) {
    Window found;
    WaitUntil(
        [&] {
            for (const Window& window : TopLevelWindows(process_id)) {
                if (predicate(window)) {
                    found = window;
                    return true;
                }
            }
            return !ProcessAlive(process_id);
        },
        timeout);
    return found;
}

bool WaitUntilGone(const Window& window, Milliseconds timeout) {
    return WaitUntil([&window] { return !window.Visible(); }, timeout);
}

std::string WithoutAccelerator(const std::string& text) {
    std::string plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        else if (text[i] == '&') continue;
        plain.push_back(text[i]);
    }
    return plain;
}

}  // namespace e2e
