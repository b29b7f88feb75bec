// Native windows for the toolkit's controls: creating them from a control's state and
// mirroring every later change onto them.

#include "platform/win32/ui_win32.h"

#include <unordered_map>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/list_controls.h"

namespace platform::ui::win32 {

namespace {

std::unordered_map<HWND, Control*>& ControlsByWindow() {
    static std::unordered_map<HWND, Control*> controls;
    return controls;
}

std::unordered_map<UINT, Control*>& ControlsById() {
    static std::unordered_map<UINT, Control*> controls;
    return controls;
}

// The height a combo box's window adds for its dropped-down list, and the size of the system's
// icons, in layout pixels.
constexpr int kDroppedListHeight = 200;
constexpr int kStockIconSize = 32;

UINT NextControlId() {
    static UINT next = 1000;
    return next++;
}

// Subclassed check lists: ticks by mouse (on the box) and by the space bar.
WNDPROC& OriginalListProc() {
    static WNDPROC proc = nullptr;
    return proc;
}

LRESULT CALLBACK CheckListProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* list = static_cast<CheckListBox*>(ControlOfWindow(window));
    if (list != nullptr) {
        if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
            const LRESULT result = ::CallWindowProcA(OriginalListProc(), window, message, wparam, lparam);
            const LRESULT hit = ::SendMessageA(window, LB_ITEMFROMPOINT, 0, lparam);
            const int x = static_cast<short>(LOWORD(lparam));
            if (HIWORD(hit) == 0 && (x < ScaleOf(*list).ToDevice(list->ItemHeight() + 2) || message == WM_LBUTTONDBLCLK)) {
                list->ItemToggled(static_cast<int>(LOWORD(hit)));
            }
            return result;
        }
        if (message == WM_CHAR && wparam == ' ') {
            const int index = static_cast<int>(::SendMessageA(window, LB_GETCURSEL, 0, 0));
            if (index >= 0) list->ItemToggled(index);
            return 0;
        }
    }
    return ::CallWindowProcA(OriginalListProc(), window, message, wparam, lparam);
}

const char* StockIconId(StockIcon icon) {
    switch (icon) {
        case StockIcon::Warning:
            return IDI_WARNING;
        case StockIcon::Error:
            return IDI_ERROR;
        case StockIcon::Information:
            return IDI_INFORMATION;
        case StockIcon::Question:
            return IDI_QUESTION;
        case StockIcon::None:
            break;
    }
    return nullptr;
}

DWORD BevelStyleBits(const Bevel& bevel) {
    switch (bevel.Shape()) {
        case BevelShape::TopLine:
        case BevelShape::BottomLine:
            return SS_ETCHEDHORZ;
        case BevelShape::LeftLine:
        case BevelShape::RightLine:
            return SS_ETCHEDVERT;
        case BevelShape::Frame:
            break;
    }
    // A frame encloses other controls, and an etched-frame static leaves its inside unpainted
    // (black under some window managers) because the form clips its children out. The frame
    // is drawn by the form instead, from the bottom of the sibling order.
    return SS_OWNERDRAW | WS_CLIPSIBLINGS;
}

// A bevel line is drawn along one edge of its rectangle, two device pixels thick at any scale
// (the width of an etched edge).
RECT BevelRect(const Bevel& bevel) {
    RECT rect = DeviceRect(bevel);
    switch (bevel.Shape()) {
        case BevelShape::TopLine:
            rect.bottom = rect.top + 2;
            break;
        case BevelShape::BottomLine:
            rect.top = rect.bottom - 2;
            break;
        case BevelShape::LeftLine:
            rect.right = rect.left + 2;
            break;
        case BevelShape::RightLine:
            rect.left = rect.right - 2;
            break;
        case BevelShape::Frame:
            break;
    }
    return rect;
}

struct CreateParameters {
    const char* window_class = "STATIC";
    DWORD style = 0;
    DWORD ex_style = 0;
    RECT rect{};
};

CreateParameters ParametersFor(Control& control) {
    CreateParameters parameters;
    parameters.rect = DeviceRect(control);
    DWORD& style = parameters.style;
    style = WS_CHILD | (control.Visible() ? WS_VISIBLE : 0) | (control.Enabled() ? 0 : WS_DISABLED);
    switch (control.Kind()) {
        case ControlKind::Label:
        case ControlKind::StaticText:
            // Drawn by the parent's painter, so that overlapping transparent labels (a title
            // and its shadow) come out in creation order.
            style |= SS_OWNERDRAW | WS_CLIPSIBLINGS;
            break;
        case ControlKind::Edit: {
            auto& edit = static_cast<Edit&>(control);
            parameters.window_class = "EDIT";
            style |= WS_TABSTOP | ES_AUTOHSCROLL | (edit.ReadOnly() ? ES_READONLY : 0);
            parameters.ex_style = WS_EX_CLIENTEDGE;
            break;
        }
        case ControlKind::Button: {
            auto& button = static_cast<Button&>(control);
            parameters.window_class = "BUTTON";
            style |= WS_TABSTOP | (button.Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            break;
        }
        case ControlKind::RadioButton:
            parameters.window_class = "BUTTON";
            style |= WS_TABSTOP | BS_RADIOBUTTON | BS_NOTIFY;
            break;
        case ControlKind::Bevel: {
            auto& bevel = static_cast<Bevel&>(control);
            style |= BevelStyleBits(bevel);
            parameters.rect = BevelRect(bevel);
            break;
        }
        case ControlKind::Panel:
            parameters.window_class = PanelClassName();
            style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
            parameters.ex_style = WS_EX_CONTROLPARENT;
            break;
        case ControlKind::Memo: {
            auto& memo = static_cast<Memo&>(control);
            parameters.window_class = "EDIT";
            style |= WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | (memo.ReadOnly() ? ES_READONLY : 0) |
                     (memo.WantReturns() ? ES_WANTRETURN : 0) | (memo.WordWrap() ? 0 : ES_AUTOHSCROLL);
            if (memo.GetScrollBars() == ScrollBars::Vertical || memo.GetScrollBars() == ScrollBars::Both) style |= WS_VSCROLL;
            if (memo.GetScrollBars() == ScrollBars::Horizontal || memo.GetScrollBars() == ScrollBars::Both) style |= WS_HSCROLL;
            parameters.ex_style = WS_EX_CLIENTEDGE;
            break;
        }
        case ControlKind::ProgressBar:
            parameters.window_class = PROGRESS_CLASSA;
            break;
        case ControlKind::ListBox:
            parameters.window_class = "LISTBOX";
            style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY;
            if (!static_cast<ListBox&>(control).IntegralHeight()) style |= LBS_NOINTEGRALHEIGHT;
            parameters.ex_style = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::CheckListBox:
            parameters.window_class = "LISTBOX";
            style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
            if (!static_cast<ListBox&>(control).IntegralHeight()) style |= LBS_NOINTEGRALHEIGHT;
            parameters.ex_style = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::ComboBox:
            parameters.window_class = "COMBOBOX";
            style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
            // The window's height includes the dropped-down list.
            parameters.rect.bottom += ScaleOf(control).ToDevice(kDroppedListHeight);
            break;
        case ControlKind::StockImage:
            style |= SS_ICON;
            break;
        case ControlKind::Form:
            break;
    }
    return parameters;
}

void CreateControlWindow(Control& control) {
    HWND parent = WindowOf(*control.Parent());
    if (parent == nullptr) return;
    const CreateParameters parameters = ParametersFor(control);
    const UINT id = NextControlId();
    ControlsById()[id] = &control;
    // Lists measure their items while being created, through the identifier.
    HWND window = ::CreateWindowExA(parameters.ex_style, parameters.window_class, control.Caption().c_str(),
                                    parameters.style, parameters.rect.left, parameters.rect.top,
                                    parameters.rect.right - parameters.rect.left,
                                    parameters.rect.bottom - parameters.rect.top, parent,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) {
        ControlsById().erase(id);
        return;
    }
    ControlsByWindow()[window] = &control;
    if (control.Kind() == ControlKind::Bevel && static_cast<Bevel&>(control).Shape() == BevelShape::Frame) {
        ::SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(control.GetFont(), ScaleOf(control))), FALSE);
    auto peer = std::make_unique<NativePeer>(control, window);
    NativePeer* raw = peer.get();
    control.AttachPeer(std::move(peer));

    switch (control.Kind()) {
        case ControlKind::Memo:
            // No 32 KB limit for a readme.
            ::SendMessageA(window, EM_SETLIMITTEXT, 0, 0);
            raw->Update(Change::Items);
            break;
        case ControlKind::CheckListBox: {
            WNDPROC original = reinterpret_cast<WNDPROC>(
                ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CheckListProc)));
            if (OriginalListProc() == nullptr) OriginalListProc() = original;
            raw->Update(Change::Items);
            break;
        }
        case ControlKind::ListBox:
        case ControlKind::ComboBox:
            raw->Update(Change::Items);
            break;
        case ControlKind::ProgressBar:
        case ControlKind::RadioButton:
        case ControlKind::StockImage:
            raw->Update(Change::Value);
            raw->Update(Change::Checked);
            raw->Update(Change::Style);
            break;
        default:
            break;
    }
}

void CollectUnrealised(Control& root, std::vector<Control*>& controls) {
    for (Control* child : root.Children()) {
        if (child->Peer() == nullptr) controls.push_back(child);
        CollectUnrealised(*child, controls);
    }
}

}  // namespace

Control* ControlOfWindow(HWND window) {
    auto found = ControlsByWindow().find(window);
    return found == ControlsByWindow().end() ? nullptr : found->second;
}

Control* ControlOfId(UINT id) {
    auto found = ControlsById().find(id);
    return found == ControlsById().end() ? nullptr : found->second;
}

HWND WindowOf(const Control& control) {
    auto* peer = static_cast<NativePeer*>(control.Peer());
    return peer == nullptr ? nullptr : peer->Window();
}

Form* FormOfWindow(HWND window) {
    HWND root = ::GetAncestor(window, GA_ROOT);
    Control* control = ControlOfWindow(root);
    if (control == nullptr || control->Kind() != ControlKind::Form) return nullptr;
    return static_cast<Form*>(control);
}

COLORREF ColorOf(Color color) { return RGB(color.red, color.green, color.blue); }

NativePeer::~NativePeer() {
    ControlsByWindow().erase(window_);
    for (auto it = ControlsById().begin(); it != ControlsById().end();) {
        it = it->second == &control_ ? ControlsById().erase(it) : std::next(it);
    }
    ::DestroyWindow(window_);
}

void NativePeer::Update(Change change) {
    switch (change) {
        case Change::Bounds:
            UpdateBounds();
            break;
        case Change::Visible:
            if (control_.Kind() == ControlKind::Form) {
                auto& form = static_cast<Form&>(control_);
                if (!form.Visible()) {
                    ::ShowWindow(window_, SW_HIDE);
                    break;
                }
                Flush();
                ShowApplicationWindow();
                ::ShowWindow(window_, form.GetWindowState() == WindowState::Minimized   ? SW_SHOWMINIMIZED
                                      : form.GetWindowState() == WindowState::Maximized ? SW_SHOWMAXIMIZED
                                                                                        : SW_SHOWNORMAL);
                ::UpdateWindow(window_);
                ::SetForegroundWindow(window_);
                break;
            }
            ::ShowWindow(window_, control_.Visible() ? SW_SHOWNA : SW_HIDE);
            if (control_.Kind() == ControlKind::Label || control_.Kind() == ControlKind::StaticText) UpdateBounds();
            break;
        case Change::Enabled:
            ::EnableWindow(window_, control_.Enabled() ? TRUE : FALSE);
            if (control_.Kind() == ControlKind::Label || control_.Kind() == ControlKind::StaticText) UpdateBounds();
            break;
        case Change::Text: {
            char current[1024];
            const std::string& text = control_.Caption();
            const int length = ::GetWindowTextA(window_, current, sizeof current);
            if (text.size() >= sizeof current - 1 || text != std::string(current, static_cast<size_t>(length))) {
                ::SetWindowTextA(window_, text.c_str());
            }
            if (control_.Kind() == ControlKind::Label || control_.Kind() == ControlKind::StaticText) UpdateBounds();
            break;
        }
        case Change::Font:
            ::SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(control_.GetFont(), ScaleOf(control_))), TRUE);
            if (control_.Kind() == ControlKind::Label || control_.Kind() == ControlKind::StaticText) UpdateBounds();
            break;
        case Change::Style:
            UpdateStyle();
            break;
        case Change::Items:
            UpdateItems();
            break;
        case Change::Checked:
            if (control_.Kind() == ControlKind::RadioButton) {
                ::SendMessageA(window_, BM_SETCHECK, static_cast<RadioButton&>(control_).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            break;
        case Change::Value:
            if (control_.Kind() == ControlKind::ProgressBar) {
                auto& bar = static_cast<ProgressBar&>(control_);
                ::SendMessageA(window_, PBM_SETRANGE32, static_cast<WPARAM>(bar.Min()), static_cast<LPARAM>(bar.Max()));
                ::SendMessageA(window_, PBM_SETPOS, static_cast<WPARAM>(bar.Position()), 0);
            }
            break;
        case Change::Selection:
            UpdateSelection();
            break;
        case Change::Focus:
            ::SetFocus(window_);
            break;
    }
}

void NativePeer::UpdateBounds() {
    if (control_.Kind() == ControlKind::Form) {
        if (reporting_size) return;
        const RECT rect = FormDeviceRect(static_cast<Form&>(control_), dpi > 0 ? dpi : SystemDpi());
        ::SetWindowPos(window_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    RECT rect = DeviceRect(control_);
    if (control_.Kind() == ControlKind::Bevel) rect = BevelRect(static_cast<Bevel&>(control_));
    int height = rect.bottom - rect.top;
    if (control_.Kind() == ControlKind::ComboBox) height += ScaleOf(control_).ToDevice(kDroppedListHeight);
    ::SetWindowPos(window_, nullptr, rect.left, rect.top, rect.right - rect.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (control_.Kind() == ControlKind::Label || control_.Kind() == ControlKind::StaticText) {
        // The old and the new place both show other labels' text differently now.
        RedrawLabelArea(last_label_area_);
        RedrawLabelArea(rect);
        last_label_area_ = rect;
    }
}

void NativePeer::RedrawLabelArea(const RECT& area) {
    HWND parent = ::GetParent(window_);
    if (parent == nullptr || area.right <= area.left) return;
    ::RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void NativePeer::UpdateStyle() {
    switch (control_.Kind()) {
        case ControlKind::Form: {
            auto& form = static_cast<Form&>(control_);
            ::SetWindowLongPtrA(window_, GWL_STYLE, static_cast<LONG_PTR>(FormStyle(form.GetBorderStyle(), form.BorderIcons()) |
                                                                           (::IsWindowVisible(window_) ? WS_VISIBLE : 0)));
            ::SetWindowLongPtrA(window_, GWL_EXSTYLE, static_cast<LONG_PTR>(FormExStyle(form.GetBorderStyle())));
            ::SetWindowPos(window_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
            if (::IsWindowVisible(window_) && form.GetWindowState() == WindowState::Minimized) ::ShowWindow(window_, SW_MINIMIZE);
            break;
        }
        case ControlKind::Button:
            ::SendMessageA(window_, BM_SETSTYLE, static_cast<Button&>(control_).Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
            break;
        case ControlKind::Edit:
            ::SendMessageA(window_, EM_SETREADONLY, static_cast<Edit&>(control_).ReadOnly() ? TRUE : FALSE, 0);
            break;
        case ControlKind::Memo:
            ::SendMessageA(window_, EM_SETREADONLY, static_cast<Memo&>(control_).ReadOnly() ? TRUE : FALSE, 0);
            break;
        case ControlKind::Bevel: {
            LONG_PTR style = ::GetWindowLongPtrA(window_, GWL_STYLE) & ~static_cast<LONG_PTR>(SS_TYPEMASK);
            ::SetWindowLongPtrA(window_, GWL_STYLE, style | static_cast<LONG_PTR>(BevelStyleBits(static_cast<Bevel&>(control_))));
            UpdateBounds();
            ::InvalidateRect(window_, nullptr, TRUE);
            break;
        }
        case ControlKind::CheckListBox:
            ::SendMessageA(window_, LB_SETITEMHEIGHT, 0, ScaleOf(control_).ToDevice(static_cast<CheckListBox&>(control_).ItemHeight()));
            ::InvalidateRect(window_, nullptr, TRUE);
            break;
        case ControlKind::StockImage: {
            // The system's icon at the scaled size (32 pixels at 96 DPI), not one stretched.
            const char* icon = StockIconId(static_cast<StockImage&>(control_).Icon());
            const int size = ScaleOf(control_).ToDevice(kStockIconSize);
            HANDLE image = icon != nullptr ? ::LoadImageA(nullptr, icon, IMAGE_ICON, size, size, LR_SHARED) : nullptr;
            ::SendMessageA(window_, STM_SETICON, reinterpret_cast<WPARAM>(image), 0);
            UpdateBounds();
            break;
        }
        case ControlKind::Label:
        case ControlKind::StaticText:
            UpdateBounds();
            break;
        default:
            ::InvalidateRect(window_, nullptr, TRUE);
            break;
    }
}

void NativePeer::ItemsChanged(ListChange change, int index) {
    // A hidden window is filled once, when it appears: a readme added line by line would
    // otherwise be copied into the window once per line.
    HWND root = ::GetAncestor(window_, GA_ROOT);
    if (items_dirty_ || (root != nullptr && !::IsWindowVisible(root))) {
        items_dirty_ = true;
        return;
    }
    const bool is_list = control_.Kind() == ControlKind::ListBox || control_.Kind() == ControlKind::CheckListBox;
    if (!is_list || change == ListChange::Reset) {
        UpdateItems();
        return;
    }
    // One item at a time, so that a list the user scrolled stays where it is.
    auto& list = static_cast<ListBox&>(control_);
    filling = true;
    switch (change) {
        case ListChange::Added:
            ::SendMessageA(window_, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(list.Items()[index].c_str()));
            break;
        case ListChange::Deleted:
            ::SendMessageA(window_, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
            break;
        case ListChange::Replaced: {
            // A check mark changed, or the text: the item is drawn again either way.
            RECT item;
            const std::string& text = list.Items()[index];
            const LRESULT length = ::SendMessageA(window_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
            std::string shown(length > 0 ? static_cast<size_t>(length) + 1 : 1, '\0');
            if (length > 0) ::SendMessageA(window_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(shown.data()));
            shown.resize(length > 0 ? static_cast<size_t>(length) : 0);
            if (shown != text) {
                ::SendMessageA(window_, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
                ::SendMessageA(window_, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
            }
            if (::SendMessageA(window_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != LB_ERR) {
                ::InvalidateRect(window_, &item, TRUE);
            }
            break;
        }
        case ListChange::Reset:
            break;
    }
    ::SendMessageA(window_, LB_SETCURSEL, static_cast<WPARAM>(list.ItemIndex()), 0);
    filling = false;
}

void NativePeer::Flush() {
    std::vector<Control*> all;
    all.push_back(&control_);
    std::vector<Control*> stack(control_.Children().begin(), control_.Children().end());
    while (!stack.empty()) {
        Control* control = stack.back();
        stack.pop_back();
        all.push_back(control);
        stack.insert(stack.end(), control->Children().begin(), control->Children().end());
    }
    for (Control* control : all) {
        auto* peer = static_cast<NativePeer*>(control->Peer());
        if (peer != nullptr && peer->items_dirty_) peer->UpdateItems();
    }
}

void NativePeer::Rescale() {
    if (control_.Kind() == ControlKind::Form) return;
    ::SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(control_.GetFont(), ScaleOf(control_))), TRUE);
    UpdateBounds();
    if (control_.Kind() == ControlKind::CheckListBox || control_.Kind() == ControlKind::StockImage) UpdateStyle();
}

void NativePeer::UpdateItems() {
    items_dirty_ = false;
    filling = true;
    switch (control_.Kind()) {
        case ControlKind::Memo:
            ::SetWindowTextA(window_, static_cast<Memo&>(control_).Lines().Text().c_str());
            break;
        case ControlKind::ListBox:
        case ControlKind::CheckListBox: {
            auto& list = static_cast<ListBox&>(control_);
            ::SendMessageA(window_, WM_SETREDRAW, FALSE, 0);
            ::SendMessageA(window_, LB_RESETCONTENT, 0, 0);
            for (const std::string& item : list.Items().Items()) {
                ::SendMessageA(window_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
            }
            ::SendMessageA(window_, LB_SETCURSEL, static_cast<WPARAM>(list.ItemIndex()), 0);
            ::SendMessageA(window_, WM_SETREDRAW, TRUE, 0);
            ::InvalidateRect(window_, nullptr, TRUE);
            break;
        }
        case ControlKind::ComboBox: {
            auto& combo = static_cast<ComboBox&>(control_);
            ::SendMessageA(window_, CB_RESETCONTENT, 0, 0);
            for (const std::string& item : combo.Items().Items()) {
                ::SendMessageA(window_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
            }
            ::SendMessageA(window_, CB_SETCURSEL, static_cast<WPARAM>(combo.ItemIndex()), 0);
            break;
        }
        default:
            break;
    }
    filling = false;
}

void NativePeer::UpdateSelection() {
    filling = true;
    switch (control_.Kind()) {
        case ControlKind::Memo: {
            const auto position = static_cast<WPARAM>(static_cast<Memo&>(control_).SelStart());
            ::SendMessageA(window_, EM_SETSEL, position, static_cast<LPARAM>(position));
            ::SendMessageA(window_, EM_SCROLLCARET, 0, 0);
            if (position == 0) ::SendMessageA(window_, WM_VSCROLL, SB_TOP, 0);
            break;
        }
        case ControlKind::ListBox:
        case ControlKind::CheckListBox:
            ::SendMessageA(window_, LB_SETCURSEL, static_cast<WPARAM>(static_cast<ListBox&>(control_).ItemIndex()), 0);
            break;
        case ControlKind::ComboBox:
            ::SendMessageA(window_, CB_SETCURSEL, static_cast<WPARAM>(static_cast<ComboBox&>(control_).ItemIndex()), 0);
            break;
        default:
            break;
    }
    filling = false;
}

}  // namespace platform::ui::win32

namespace platform::ui::backend {

using namespace platform::ui::win32;

void Realize(Form& form) {
    // Until the form has a window, its texts were measured at the screen's DPI.
    bool measured_at_other_dpi = false;
    if (form.Peer() == nullptr) {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        const std::string class_name = FormClassName(form);
        const int system_dpi = SystemDpi();
        const RECT rect = FormDeviceRect(form, system_dpi);
        HWND window = ::CreateWindowExA(FormExStyle(form.GetBorderStyle()), class_name.c_str(), form.Caption().c_str(),
                                        FormStyle(form.GetBorderStyle(), form.BorderIcons()), rect.left, rect.top,
                                        rect.right - rect.left, rect.bottom - rect.top, ApplicationWindow(), nullptr,
                                        ::GetModuleHandleA(nullptr), nullptr);
        if (window == nullptr) return;
        ControlsByWindow()[window] = &form;
        auto peer = std::make_unique<NativePeer>(form, window);
        peer->dpi = WindowDpi(window);
        measured_at_other_dpi = peer->dpi != system_dpi;
        form.AttachPeer(std::move(peer));
        // A window that came up on a screen of another scale gets its size for that scale.
        if (measured_at_other_dpi) form.Peer()->Update(Change::Bounds);
    }
    std::vector<Control*> controls;
    CollectUnrealised(form, controls);
    for (Control* control : controls) CreateControlWindow(*control);
    if (measured_at_other_dpi) form.DisplayScaleChanged();
}

void FormDestroyed(Form& form) { (void)form; }

}  // namespace platform::ui::backend
