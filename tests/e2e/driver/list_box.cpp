#include "driver/list_box.h"

#include <windows.h>

namespace e2e {

namespace {

HWND Hwnd(const Window& window) { return static_cast<HWND>(window.Handle()); }

LRESULT SendListMessage(const Window& list, UINT message, WPARAM wparam, LPARAM lparam, LRESULT failure) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(Hwnd(list), message, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result)) return failure;
    return static_cast<LRESULT>(result);
}

bool Dark(COLORREF color) {
    return GetRValue(color) + GetGValue(color) + GetBValue(color) < 3 * 96;
}

// Where the check box of item index lies in the list's client area: the box sits two pixels
// in from the left, as tall as the item less two (13 at most), centred in the item. False
// when the list does not answer or the item is scrolled out above.
bool CheckBoxPlace(const Window& list, int index, RECT& place) {
    const LRESULT item_height = SendListMessage(list, LB_GETITEMHEIGHT, static_cast<WPARAM>(index), 0, LB_ERR);
    const LRESULT top_index = SendListMessage(list, LB_GETTOPINDEX, 0, 0, LB_ERR);
    if (item_height == LB_ERR || item_height <= 4 || top_index == LB_ERR || index < top_index) return false;
    const int height = static_cast<int>(item_height);
    const int box = height - 2 < 13 ? height - 2 : 13;
    const int item_top = (index - static_cast<int>(top_index)) * height;
    place.left = 2;
    place.top = item_top + (height - box) / 2;
    place.right = place.left + box;
    place.bottom = place.top + box;
    return true;
}

}  // namespace

int ListItemCount(const Window& list) { return static_cast<int>(SendListMessage(list, LB_GETCOUNT, 0, 0, -1)); }

std::string ListItemText(const Window& list, int index) {
    // Asked for in UTF-16 and converted here: from another process the ANSI request got the
    // list's UTF-16 text back and overran its buffer. Room to spare all the same.
    const LRESULT length = SendListMessage(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0, LB_ERR);
    if (length == LB_ERR || length < 0) return std::string();
    std::wstring wide(static_cast<size_t>(length) * 2 + 2, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(Hwnd(list), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()),
                             SMTO_ABORTIFHUNG, 5000, &copied) ||
        static_cast<LRESULT>(copied) == LB_ERR) {
        return std::string();
    }
    wide.resize(wcsnlen(wide.c_str(), wide.size()));
    if (wide.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
    return text;
}

void SelectListItem(const Window& list, int index) {
    SendListMessage(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0, LB_ERR);
}

void ClickItemCheckBox(const Window& list, int index) {
    RECT place{};
    if (!CheckBoxPlace(list, index, place)) return;
    const LPARAM point = MAKELPARAM((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    PostMessageA(Hwnd(list), WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(Hwnd(list), WM_LBUTTONUP, 0, point);
}

bool CheckBoxTicked(const Window& list, int index) {
    RECT place{};
    if (!CheckBoxPlace(list, index, place)) return false;
    const Rect client = list.ClientScreenRect();
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return false;
    int dark = 0;
    // Inside the frame only: the frame itself is dark whether ticked or not.
    for (int y = client.top + place.top + 2; y < client.top + place.bottom - 2; ++y) {
        for (int x = client.left + place.left + 2; x < client.left + place.right - 2; ++x) {
            if (Dark(GetPixel(screen, x, y))) ++dark;
        }
    }
    ReleaseDC(nullptr, screen);
    return dark > 0;
}

}  // namespace e2e
