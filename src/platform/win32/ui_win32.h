#pragma once
// The native side of the toolkit on Windows: each form is a top-level window of a class we
// register, each control a child window of a standard class. The windows are humble: they
// draw what the controls hold and turn the user's actions into calls on the controls.

#include "platform/win32/windows_api.h"

#include <commctrl.h>

#include <string>

#include "platform/ui/backend.h"
#include "platform/ui/control.h"
#include "platform/ui/display_scale.h"
#include "platform/ui/form.h"

// Messages of per-monitor DPI awareness, for headers that declare them only for newer Windows.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

namespace platform::ui::win32 {

// The mirror of one control: its window and what it was created with.
class NativePeer : public backend::Peer {
public:
    NativePeer(Control& control, HWND window) : control_(control), window_(window) {}
    ~NativePeer() override;

    void Update(Change change) override;
    void ItemsChanged(ListChange change, int index) override;

    HWND Window() const { return window_; }
    Control& Owner() const { return control_; }
    // Brings deferred changes onto the screen before the form appears.
    void Flush();
    // The form's DPI changed: the font, the place and the DPI-dependent parts of the control
    // (a check list's item height, an icon's size) are set again at the new scale.
    void Rescale();

    // For a form: the DPI its window is laid out for (0 until it has a window).
    int dpi = 0;

    // Set while the window itself reports a new size, so the change is not echoed back.
    bool reporting_size = false;
    // Set while a form takes the rectangle suggested for a new DPI, whose client area may not
    // be the layout's yet: its size is not reported.
    bool changing_dpi = false;
    // Set while the list is filled from the control, so the window's notifications are quiet.
    bool filling = false;

private:
    void UpdateBounds();
    void UpdateStyle();
    void UpdateItems();
    void UpdateSelection();
    void RedrawLabelArea(const RECT& area);

    Control& control_;
    HWND window_;
    bool items_dirty_ = false;
    RECT last_label_area_{};
};

// The control a window mirrors, nullptr for a window not ours.
Control* ControlOfWindow(HWND window);
// The control with a child-window identifier, nullptr when there is none.
Control* ControlOfId(UINT id);
// The window that mirrors a control, nullptr before it is realised.
HWND WindowOf(const Control& control);
// The form whose window holds window (itself or one of its descendants), nullptr for none.
Form* FormOfWindow(HWND window);

// The window styles of a form's frame, used for creating it and for computing its frame size.
DWORD FormStyle(BorderStyle style, unsigned border_icons);
DWORD FormExStyle(BorderStyle style);

// A GDI font for a toolkit font at a display scale; the toolkit keeps it until the program ends.
HFONT FontHandle(const Font& font, const DisplayScale& scale);
COLORREF ColorOf(Color color);

// The DPI of the screen (GetDeviceCaps), and of a window where the system tells it, else the
// screen's.
int SystemDpi();
int WindowDpi(HWND window);
// The frame around a client area of a window of these styles at dpi (left and top negative).
RECT FrameAtDpi(DWORD style, DWORD ex_style, int dpi);
// The scale of a control's form: its window's DPI, or the screen's before it has a window.
DisplayScale ScaleOf(const Control& control);
// A rectangle in layout pixels relative to the control's parent, in device pixels relative to
// the parent's window: the edges are scaled in the coordinates of the whole form, so edges
// that meet anywhere in the form still meet.
RECT DeviceRect(const Control& control, const RECT& layout);
// The control's own rectangle so.
RECT DeviceRect(const Control& control);
// The screen rectangle of a form's window at dpi: its place scaled, its client area scaled,
// and the frame of that DPI around it.
RECT FormDeviceRect(const Form& form, int dpi);

// The window procedure of forms and panels.
LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Paints the labels of a parent that overlap a label's rectangle, in creation order.
void PaintLabel(const Control& label, HDC dc, const RECT& area);
// Paints one item of a check list (owner-drawn list box).
void PaintCheckListItem(Control& list, const DRAWITEMSTRUCT& item);

// The application's window, which owns every form and alone has a task-bar button; created
// hidden on first use, captioned with the application's title.
HWND ApplicationWindow();
// Shows it (its button), once the first form is shown: a program that shows no form, as in
// silent mode, has no task-bar button either.
void ShowApplicationWindow();
// Hides the program's windows and minimises the application's window onto the task bar.
void MinimizeApplication();
// Notes the form window that became active, to be activated again on restore.
void FormActivated(HWND window);

// Handles one message of the queue (waiting for it); false when the queue said quit.
bool HandleOneMessage();
// Whether the busy cursor is on.
bool BusyCursorShown();

// The names of the window classes registered for forms and panels.
const char* PanelClassName();
std::string FormClassName(const Form& form);

}  // namespace platform::ui::win32
