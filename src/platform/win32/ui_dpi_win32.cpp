// The display scale of the toolkit's windows on Windows. The manifest declares the program
// aware of each monitor's DPI, so Windows no longer stretches its windows: each form lays
// itself out for the DPI of its window (Windows 10 1607 and later tell it per window), else
// for the screen's. The functions that tell it are looked up at run time, since older Windows
// versions lack them.

#include "platform/win32/ui_win32.h"

namespace platform::ui::win32 {

namespace {

template <typename Function>
Function User32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    if (user32 == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name)));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// The absolute layout position of a control's client origin within its form's client area.
POINT LayoutOrigin(const Control& control) {
    POINT origin{0, 0};
    for (const Control* part = &control; part != nullptr && part->Kind() != ControlKind::Form; part = part->Parent()) {
        origin.x += part->Left();
        origin.y += part->Top();
    }
    return origin;
}

}  // namespace

int SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : kScreenDpi;
    if (screen != nullptr) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kScreenDpi;
}

int WindowDpi(HWND window) {
    static const auto get_dpi_for_window = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (get_dpi_for_window != nullptr && window != nullptr) {
        const UINT dpi = get_dpi_for_window(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    return SystemDpi();
}

RECT FrameAtDpi(DWORD style, DWORD ex_style, int dpi) {
    static const auto adjust_for_dpi = User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, 0, 0};
    if (adjust_for_dpi != nullptr && adjust_for_dpi(&frame, style, FALSE, ex_style, static_cast<UINT>(dpi))) return frame;
    frame = RECT{0, 0, 0, 0};
    ::AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    return frame;
}

DisplayScale ScaleOf(const Control& control) {
    const auto* peer = static_cast<const NativePeer*>(control.OwnerForm().Peer());
    return DisplayScale(peer != nullptr && peer->dpi > 0 ? peer->dpi : SystemDpi());
}

RECT DeviceRect(const Control& control, const RECT& layout) {
    const DisplayScale scale = ScaleOf(control);
    const POINT origin = control.Parent() != nullptr ? LayoutOrigin(*control.Parent()) : POINT{0, 0};
    const int left = scale.ToDevice(origin.x);
    const int top = scale.ToDevice(origin.y);
    return RECT{scale.ToDevice(origin.x + layout.left) - left, scale.ToDevice(origin.y + layout.top) - top,
                scale.ToDevice(origin.x + layout.right) - left, scale.ToDevice(origin.y + layout.bottom) - top};
}

RECT DeviceRect(const Control& control) {
    return DeviceRect(control, RECT{control.Left(), control.Top(), control.Left() + control.Width(),
                                    control.Top() + control.Height()});
}

RECT FormDeviceRect(const Form& form, int dpi) {
    const DisplayScale scale(dpi);
    const RECT frame = FrameAtDpi(FormStyle(form.GetBorderStyle(), form.BorderIcons()), FormExStyle(form.GetBorderStyle()), dpi);
    const int left = scale.ToDevice(form.Left());
    const int top = scale.ToDevice(form.Top());
    return RECT{left, top, left + scale.ToDevice(form.ClientWidth()) + frame.right - frame.left,
                top + scale.ToDevice(form.ClientHeight()) + frame.bottom - frame.top};
}

}  // namespace platform::ui::win32
