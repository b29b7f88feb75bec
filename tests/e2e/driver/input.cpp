#include "driver/input.h"

#include <windows.h>

namespace e2e {
namespace {

HWND Hwnd(const Window& window) { return static_cast<HWND>(window.Handle()); }

UINT VirtualKey(Key key) {
    switch (key) {
        case Key::F1: return VK_F1;
        case Key::Escape: return VK_ESCAPE;
        case Key::Enter: return VK_RETURN;
        case Key::Tab: return VK_TAB;
        case Key::Space: return VK_SPACE;
    }
    return 0;
}

HWND KeyTarget(const Window& window) {
    const Window focused = window.FocusedControl();
    return focused ? Hwnd(focused) : Hwnd(window);
}

}  // namespace

void Click(const Window& button) { PostMessageA(Hwnd(button), BM_CLICK, 0, 0); }

void SetText(const Window& field, const std::string& text) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(Hwnd(field), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                        5000, &result);
}

void PressKey(const Window& window, Key key) {
    const UINT virtual_key = VirtualKey(key);
    const LPARAM scan_code = static_cast<LPARAM>(MapVirtualKeyA(virtual_key, MAPVK_VK_TO_VSC)) << 16;
    HWND target = KeyTarget(window);
    PostMessageA(target, WM_KEYDOWN, virtual_key, scan_code | 1);
    PostMessageA(target, WM_KEYUP, virtual_key, scan_code | 1 | (1L << 30) | (1L << 31));
}

void TypeCharacter(const Window& window, char character) {
    PostMessageA(KeyTarget(window), WM_CHAR, static_cast<unsigned char>(character), 1);
}

void CloseWindow(const Window& window) { PostMessageA(Hwnd(window), WM_CLOSE, 0, 0); }

void MinimizeWindow(const Window& window) { PostMessageA(Hwnd(window), WM_SYSCOMMAND, SC_MINIMIZE, 0); }

void RestoreWindow(const Window& window) { PostMessageA(Hwnd(window), WM_SYSCOMMAND, SC_RESTORE, 0); }

}  // namespace e2e
