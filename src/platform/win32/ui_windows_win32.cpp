// The window procedure of forms and panels: the messages of a form and of the child windows
// it holds become calls on the toolkit's form and controls, and owner-drawn labels and check
// lists are painted from the controls' state.

#include "platform/win32/ui_win32.h"

#include <set>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/list_controls.h"

namespace platform::ui::win32 {

namespace {

constexpr const char* kPanelClass = "VIrovARI2Panel";
constexpr const char* kFormClass = "VIrovARI2Form";

void RegisterContainerClass(const std::string& name) {
    static std::set<std::string> registered;
    if (registered.count(name) != 0) return;
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = &ContainerProc;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = name.c_str();
    // The program's own icon, when its resources have one.
    window_class.hIcon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
    if (::RegisterClassExA(&window_class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS) registered.insert(name);
}

UINT TextFormat(const Label& label) {
    UINT format = DT_EXPANDTABS;
    switch (label.Alignment()) {
        case TextAlignment::Left:
            format |= DT_LEFT;
            break;
        case TextAlignment::Right:
            format |= DT_RIGHT;
            break;
        case TextAlignment::Center:
            format |= DT_CENTER;
            break;
    }
    if (label.WordWrap()) format |= DT_WORDBREAK;
    return format;
}

// Draws a label's caption in rect. A single line is placed glyph by glyph at the advances
// that GDI measures (GetTextExtentExPointA), so it covers exactly the width that auto-size
// measured: Wine draws some fonts a few pixels wider than it measures them, which would cut
// the last character of an auto-sized label. Wrapped, tabbed and accelerator-marked texts go
// through DrawTextA.
void DrawLabelText(HDC dc, const Label& label, RECT rect) {
    const std::string& text = label.Caption();
    const int length = static_cast<int>(text.size());
    if (label.WordWrap() || text.find_first_of("&\t\r\n") != std::string::npos || length == 0) {
        ::DrawTextA(dc, text.c_str(), length, &rect, TextFormat(label));
        return;
    }
    std::vector<INT> ends(static_cast<size_t>(length));
    SIZE size{};
    if (!::GetTextExtentExPointA(dc, text.c_str(), length, 0, nullptr, ends.data(), &size)) {
        ::DrawTextA(dc, text.c_str(), length, &rect, TextFormat(label));
        return;
    }
    std::vector<INT> advances(ends.size());
    for (size_t index = 0; index < ends.size(); ++index) advances[index] = ends[index] - (index == 0 ? 0 : ends[index - 1]);
    int left = rect.left;
    if (label.Alignment() == TextAlignment::Right) left = rect.right - size.cx;
    if (label.Alignment() == TextAlignment::Center) left = rect.left + (rect.right - rect.left - size.cx) / 2;
    ::ExtTextOutA(dc, left, rect.top, ETO_CLIPPED, &rect, text.c_str(), static_cast<UINT>(length), advances.data());
}

bool IsLabel(const Control& control) {
    return control.Kind() == ControlKind::Label || control.Kind() == ControlKind::StaticText;
}

void HandleCommand(Control& control, UINT code) {
    auto* peer = static_cast<NativePeer*>(control.Peer());
    if (peer != nullptr && peer->filling) return;
    HWND window = WindowOf(control);
    switch (control.Kind()) {
        case ControlKind::Button:
            if (code == BN_CLICKED) static_cast<Button&>(control).Click();
            break;
        case ControlKind::RadioButton:
            if (code == BN_CLICKED) static_cast<RadioButton&>(control).Click();
            if (code == BN_DOUBLECLICKED) static_cast<RadioButton&>(control).DoubleClick();
            break;
        case ControlKind::Edit:
            if (code == EN_CHANGE) {
                const int length = ::GetWindowTextLengthA(window);
                std::string text(static_cast<size_t>(length) + 1, '\0');
                text.resize(static_cast<size_t>(::GetWindowTextA(window, text.data(), length + 1)));
                static_cast<Edit&>(control).TextEdited(text);
            }
            break;
        case ControlKind::ListBox:
        case ControlKind::CheckListBox: {
            const int index = static_cast<int>(::SendMessageA(window, LB_GETCURSEL, 0, 0));
            if (code == LBN_SELCHANGE) static_cast<ListBox&>(control).ItemClicked(index);
            if (code == LBN_DBLCLK && control.Kind() == ControlKind::ListBox) {
                static_cast<ListBox&>(control).ItemDoubleClicked(index);
            }
            break;
        }
        case ControlKind::ComboBox:
            if (code == CBN_SELCHANGE) {
                static_cast<ComboBox&>(control).ItemPicked(static_cast<int>(::SendMessageA(window, CB_GETCURSEL, 0, 0)));
            }
            break;
        default:
            break;
    }
    if (code == EN_SETFOCUS || code == LBN_SETFOCUS || code == CBN_SETFOCUS) control.OwnerForm().FocusChanged(&control);
}

void PaintPanel(HWND window, const Panel& panel) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(window, &paint);
    RECT rect;
    ::GetClientRect(window, &rect);
    if (panel.OuterBevel() != PanelBevel::None) {
        const bool raised = panel.OuterBevel() == PanelBevel::Raised;
        for (int ring = 0; ring < panel.BevelWidth(); ++ring) {
            ::DrawEdge(dc, &rect, raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
            ::InflateRect(&rect, -1, -1);
        }
    }
    ::EndPaint(window, &paint);
}

// The form's window now shows on a screen of another DPI: it takes the rectangle the system
// suggests, and its controls take their fonts and places at the new scale, the auto-sized
// labels measured again.
void ChangeDpi(Form& form, HWND window, int dpi, const RECT& suggested) {
    auto* peer = static_cast<NativePeer*>(form.Peer());
    if (peer == nullptr || dpi <= 0) return;
    peer->dpi = dpi;
    // The suggested rectangle's size assumes the frame the window has at the new DPI; where the
    // frame stays as it was (Wine), the client area keeps its scaled size all the same.
    peer->changing_dpi = true;
    ::SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    peer->changing_dpi = false;
    RECT outer;
    RECT client;
    ::GetWindowRect(window, &outer);
    ::GetClientRect(window, &client);
    const DisplayScale scale(dpi);
    const int width = scale.ToDevice(form.ClientWidth()) + (outer.right - outer.left) - client.right;
    const int height = scale.ToDevice(form.ClientHeight()) + (outer.bottom - outer.top) - client.bottom;
    if (width != outer.right - outer.left || height != outer.bottom - outer.top) {
        ::SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    std::vector<Control*> controls(form.Children().begin(), form.Children().end());
    for (size_t index = 0; index < controls.size(); ++index) {
        controls.insert(controls.end(), controls[index]->Children().begin(), controls[index]->Children().end());
        auto* control_peer = static_cast<NativePeer*>(controls[index]->Peer());
        if (control_peer != nullptr) control_peer->Rescale();
    }
    form.DisplayScaleChanged();
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

LRESULT FormMessage(Form& form, HWND window, UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
    handled = true;
    switch (message) {
        case WM_CLOSE:
            form.Close();
            return 0;
        case WM_SIZE:
            if (wparam != SIZE_MINIMIZED) {
                auto* peer = static_cast<NativePeer*>(form.Peer());
                if (peer != nullptr && peer->changing_dpi) break;
                const DisplayScale scale = ScaleOf(form);
                if (peer != nullptr) peer->reporting_size = true;
                form.ClientResized(scale.ToLayout(LOWORD(lparam)), scale.ToLayout(HIWORD(lparam)));
                if (peer != nullptr) peer->reporting_size = false;
            }
            break;
        case WM_MOVE: {
            RECT rect;
            ::GetWindowRect(window, &rect);
            const DisplayScale scale = ScaleOf(form);
            if (!::IsIconic(window)) form.Moved(scale.ToLayout(rect.left), scale.ToLayout(rect.top));
            break;
        }
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
            const DisplayScale scale = ScaleOf(form);
            if (form.MinimumWidth() > 0) limits->ptMinTrackSize.x = scale.ToDevice(form.MinimumWidth());
            if (form.MinimumHeight() > 0) limits->ptMinTrackSize.y = scale.ToDevice(form.MinimumHeight());
            return 0;
        }
        case WM_GETDPISCALEDSIZE: {
            // Asked before a move to a screen of another scale: the size that keeps the layout,
            // which Windows then suggests with WM_DPICHANGED.
            const RECT rect = FormDeviceRect(form, static_cast<int>(wparam));
            auto* size = reinterpret_cast<SIZE*>(lparam);
            size->cx = rect.right - rect.left;
            size->cy = rect.bottom - rect.top;
            return TRUE;
        }
        case WM_DPICHANGED:
            ChangeDpi(form, window, LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
            return 0;
        case WM_SYSCOMMAND:
            if ((wparam & 0xFFF0) == SC_MINIMIZE) {
                MinimizeApplication();
                return 0;
            }
            handled = false;
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wparam) != WA_INACTIVE) FormActivated(window);
            // Coming back to a form puts the focus where it was.
            if (LOWORD(wparam) != WA_INACTIVE && form.ActiveControl() != nullptr) {
                HWND focus = WindowOf(*form.ActiveControl());
                if (focus != nullptr && ::IsWindowEnabled(focus) && ::IsWindowVisible(focus)) {
                    ::SetFocus(focus);
                    return 0;
                }
            }
            break;
        default:
            break;
    }
    handled = false;
    return 0;
}

}  // namespace

const char* PanelClassName() {
    RegisterContainerClass(kPanelClass);
    return kPanelClass;
}

std::string FormClassName(const Form& form) {
    const std::string name = form.WindowClass().empty() ? std::string(kFormClass) : form.WindowClass();
    RegisterContainerClass(name);
    return name;
}

DWORD FormStyle(BorderStyle style, unsigned border_icons) {
    DWORD bits = WS_POPUP | WS_CLIPCHILDREN;
    if (style == BorderStyle::None) return bits;
    bits |= WS_CAPTION;
    if ((border_icons & border_icons::kSystemMenu) != 0) {
        bits |= WS_SYSMENU;
        if ((border_icons & border_icons::kMinimize) != 0) bits |= WS_MINIMIZEBOX;
        if ((border_icons & border_icons::kMaximize) != 0) bits |= WS_MAXIMIZEBOX;
    }
    if (style == BorderStyle::Sizeable) bits |= WS_THICKFRAME;
    return bits;
}

DWORD FormExStyle(BorderStyle style) {
    // No task-bar button of its own: the application's window has the program's one.
    DWORD bits = WS_EX_CONTROLPARENT;
    if (style == BorderStyle::Dialog) bits |= WS_EX_DLGMODALFRAME;
    return bits;
}

void PaintLabel(const Control& label, HDC dc, const RECT& area) {
    ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
    const Control* parent = label.Parent();
    if (parent == nullptr) return;
    ::SetBkMode(dc, TRANSPARENT);
    // Every label of the parent that overlaps this one, in creation order, so that a later
    // transparent label is drawn over an earlier one whichever window paints.
    const RECT own = DeviceRect(label);
    for (const Control* other : parent->Children()) {
        if (!IsLabel(*other) || !other->Visible()) continue;
        RECT rect = DeviceRect(*other);
        ::OffsetRect(&rect, -own.left, -own.top);
        RECT overlap;
        if (!::IntersectRect(&overlap, &rect, &area)) continue;
        const auto& text_label = static_cast<const Label&>(*other);
        if (!text_label.Transparent() && other != &label) ::FillRect(dc, &overlap, ::GetSysColorBrush(COLOR_BTNFACE));
        HGDIOBJ previous = ::SelectObject(dc, FontHandle(other->GetFont(), ScaleOf(label)));
        ::SetTextColor(dc, other->Enabled() ? ColorOf(other->GetFont().color) : ::GetSysColor(COLOR_GRAYTEXT));
        DrawLabelText(dc, text_label, rect);
        ::SelectObject(dc, previous);
    }
}

void PaintCheckListItem(Control& control, const DRAWITEMSTRUCT& item) {
    auto& list = static_cast<CheckListBox&>(control);
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_WINDOW));
    if (static_cast<int>(item.itemID) < 0 || static_cast<int>(item.itemID) >= list.Items().Count()) {
        if ((item.itemState & ODS_FOCUS) != 0) ::DrawFocusRect(dc, &rect);
        return;
    }
    const int index = static_cast<int>(item.itemID);
    // The check box and the gaps beside it, in layout pixels scaled.
    const DisplayScale scale = ScaleOf(list);
    const int box = std::min<int>(rect.bottom - rect.top - scale.ToDevice(2), scale.ToDevice(13));
    RECT check{rect.left + scale.ToDevice(2), rect.top + (rect.bottom - rect.top - box) / 2, 0, 0};
    check.right = check.left + box;
    check.bottom = check.top + box;
    ::DrawFrameControl(dc, &check, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (list.Checked(index) ? DFCS_CHECKED : 0));
    RECT text{check.right + scale.ToDevice(4), rect.top, rect.right, rect.bottom};
    if (selected) ::FillRect(dc, &text, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    HGDIOBJ previous = ::SelectObject(dc, FontHandle(list.GetFont(), scale));
    const std::string& caption = list.Items()[index];
    RECT inner = text;
    inner.left += scale.ToDevice(2);
    ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &inner, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(dc, previous);
    if ((item.itemState & ODS_FOCUS) != 0) ::DrawFocusRect(dc, &text);
}

LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Control* self = ControlOfWindow(window);
    switch (message) {
        case WM_COMMAND: {
            Control* control = lparam != 0 ? ControlOfWindow(reinterpret_cast<HWND>(lparam)) : nullptr;
            if (control != nullptr) HandleCommand(*control, HIWORD(wparam));
            return 0;
        }
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
            Control* control = ControlOfId(item.CtlID);
            if (control == nullptr) break;
            if (IsLabel(*control)) {
                PaintLabel(*control, item.hDC, item.rcItem);
                return TRUE;
            }
            if (control->Kind() == ControlKind::CheckListBox) {
                PaintCheckListItem(*control, item);
                return TRUE;
            }
            if (control->Kind() == ControlKind::Bevel) {
                RECT rect = item.rcItem;
                ::FillRect(item.hDC, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
                ::DrawEdge(item.hDC, &rect, EDGE_ETCHED, BF_RECT);
                return TRUE;
            }
            break;
        }
        case WM_MEASUREITEM: {
            auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
            Control* control = ControlOfId(item.CtlID);
            if (control != nullptr && control->Kind() == ControlKind::CheckListBox) {
                item.itemHeight = static_cast<UINT>(ScaleOf(*control).ToDevice(static_cast<CheckListBox*>(control)->ItemHeight()));
                return TRUE;
            }
            break;
        }
        case WM_CTLCOLORSTATIC: {
            // Read-only text fields keep the white of text, not the grey of labels.
            Control* control = ControlOfWindow(reinterpret_cast<HWND>(lparam));
            if (control != nullptr && (control->Kind() == ControlKind::Memo || control->Kind() == ControlKind::Edit)) {
                HDC dc = reinterpret_cast<HDC>(wparam);
                ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
                ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
                return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
            }
            break;
        }
        case WM_SETCURSOR:
            if (BusyCursorShown()) {
                ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_PAINT:
            if (self != nullptr && self->Kind() == ControlKind::Panel) {
                PaintPanel(window, static_cast<Panel&>(*self));
                return 0;
            }
            break;
        default:
            break;
    }
    if (self != nullptr && self->Kind() == ControlKind::Form) {
        bool handled = false;
        const LRESULT result = FormMessage(static_cast<Form&>(*self), window, message, wparam, lparam, handled);
        if (handled) return result;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace platform::ui::win32
