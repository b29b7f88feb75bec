#pragma once
// A form: one top-level window with its controls.
//
// How a window of the program is written. A window is a class derived from Form that owns its
// controls as members, named as the window's description names them, and sets their
// properties and event handlers in its constructor:
//
//     class TInstF1 : public platform::ui::Form {
//     public:
//         TInstF1();
//         platform::ui::Label Label1{*this, 8, 8, 400, 33};       // parent, left, top, width, height
//         platform::ui::Panel Panel1{*this, 0, 220, 681, 47};
//         platform::ui::Button Button4{Panel1, 440, 12, 75, 25};  // on the panel
//         platform::ui::Timer Timer1{*this};
//         void Button4Click();
//         void FormCloseQuery(bool& can_close);
//     };
//
//     TInstF1::TInstF1() {
//         SetName("InstF1");
//         SetCaption("...");
//         SetClientSize(681, 267);
//         SetPosition(FormPosition::ScreenCenter);
//         SetKeyPreview(true);
//         Button4.SetDefault(true);
//         Button4.OnClick = [this] { Button4Click(); };
//         OnCloseQuery = [this](bool& can_close) { FormCloseQuery(can_close); };
//     }
//
// Geometry is in pixels relative to the parent's client area (a form's client area, or a
// panel). Members are constructed in declaration order, so a panel must be declared before
// the controls placed on it. Forms are created hidden; nothing reaches the screen before
// Show or ShowModal, and until then every property can be set freely. Event handlers are
// std::function members; an empty one is simply not called. A form's font is used by each
// of its controls that has no font of its own.
//
// Keys: with key preview on, the form's OnKeyDown sees each key before its controls and
// OnKeyPress each character; a handler that sets the key to 0 consumes it. Keys nobody
// consumed then act as in a dialog: Enter presses the focused button or else the default
// button, Escape presses the cancel button, Tab moves the focus.
//
// Closing: Close (and the close box) runs OnCloseQuery, which may refuse, then OnClose, then
// hides the form. A modal form closes when its modal result becomes non-zero (a button with a
// modal result, SetModalResult, or Close, which gives Cancel); ShowModal returns the result.
// Closing the application's main form terminates the application.

#include <functional>
#include <string>

#include "platform/dialogs.h"
#include "platform/ui/control.h"
#include "platform/ui/keys.h"

namespace platform::ui {

class Button;

// The modal result of a form: the button identifiers of the message boxes (Ok, Cancel, Yes...).
using ModalResult = platform::DialogResult;

enum class BorderStyle {
    Dialog,     // fixed size, caption and close box
    Sizeable,   // resizable frame, caption and close box
    None,       // no frame, no caption, no close box
};

// The buttons of a window's caption, as bits (Dialog and Sizeable forms only).
namespace border_icons {
constexpr unsigned kSystemMenu = 1;  // the close box and the window menu
constexpr unsigned kMinimize = 2;
constexpr unsigned kMaximize = 4;
}  // namespace border_icons

enum class FormPosition {
    Designed,      // at Left/Top as set
    ScreenCenter,  // centred on the screen when first shown
};

enum class WindowState { Normal, Minimized, Maximized };

// What OnClose decides about a form that is closing.
enum class CloseAction { None, Hide };

class Form : public Control {
public:
    Form();
    ~Form() override;

    ControlKind Kind() const override { return ControlKind::Form; }

    // The window's outer geometry is Left/Top/Width/Height; the client area is the inside of
    // the frame, where the controls are.
    int ClientWidth() const override { return client_width_; }
    int ClientHeight() const override { return client_height_; }
    void SetClientSize(int width, int height);
    void SetClientWidth(int width) { SetClientSize(width, client_height_); }
    void SetClientHeight(int height) { SetClientSize(client_width_, height); }
    void SetBounds(int left, int top, int width, int height) override;

    BorderStyle GetBorderStyle() const { return border_style_; }
    // Changes the frame; the client size stays, the outer size follows.
    void SetBorderStyle(BorderStyle style);
    unsigned BorderIcons() const { return border_icons_; }
    void SetBorderIcons(unsigned icons);
    FormPosition Position() const { return position_; }
    // ScreenCenter centres the form when it is first shown; later showings keep its place.
    void SetPosition(FormPosition position) { position_ = position; }
    // The smallest outer size a user can drag a sizeable form to (0: no limit).
    void SetMinimumSize(int width, int height);
    int MinimumWidth() const { return minimum_width_; }
    int MinimumHeight() const { return minimum_height_; }

    // The window class name that a native backend registers for this form (test drivers find
    // windows by it); empty for the toolkit's common class, "VIrovARI2Form".
    const std::string& WindowClass() const { return window_class_; }
    void SetWindowClass(const std::string& name) { window_class_ = name; }

    bool KeyPreview() const { return key_preview_; }
    void SetKeyPreview(bool preview) { key_preview_ = preview; }

    // Shows the form without waiting (OnShow, then OnActivate). Nothing if already visible.
    void Show();
    // Hides the form; no handler runs.
    void Hide();
    void SetVisible(bool visible) override;
    // Shows the form modally: the other windows are disabled, OnShow and OnActivate run, and
    // the call returns when the modal result is set and the close logic agreed, or at once
    // with Cancel when the application is terminated meanwhile. The form is hidden afterwards.
    ModalResult ShowModal();
    // Asks to close: on a modal form sets the modal result to Cancel (ShowModal runs the
    // close logic); otherwise runs OnCloseQuery and OnClose and hides the form (and for the
    // main form terminates the application).
    void Close();
    // Whether ShowModal is running for this form.
    bool Modal() const { return modal_; }

    ModalResult GetModalResult() const { return modal_result_; }
    void SetModalResult(ModalResult result) { modal_result_ = result; }

    WindowState GetWindowState() const { return window_state_; }
    void SetWindowState(WindowState state);

    // The control that has (or gets, when the form is shown) the keyboard focus.
    Control* ActiveControl() const { return active_control_; }
    void SetActiveControl(Control* control);
    // The first visible and enabled button marked default / cancel, or nullptr.
    Button* DefaultButton() const;
    Button* CancelButton() const;

    std::function<void()> OnShow;
    std::function<void()> OnActivate;
    std::function<void()> OnResize;
    std::function<void(bool& can_close)> OnCloseQuery;
    std::function<void(CloseAction& action)> OnClose;
    std::function<void(KeyCode& key, ShiftState shift)> OnKeyDown;
    std::function<void(char& key)> OnKeyPress;

    // --- Input from the window system (the backends and the headless test driver) ---

    // A key went down in this form: the preview handler (when key preview is on) may consume
    // it. True when it was consumed.
    bool PreviewKeyDown(KeyCode& key, ShiftState shift);
    // The dialog keys: Enter, Escape and Tab. True when the key did something.
    bool DialogKey(KeyCode key, ShiftState shift);
    // A character was typed in this form: the preview handler may consume it (true) or change it.
    bool PreviewKeyPress(char& key);
    // Runs OnCloseQuery; true when the form may close.
    bool CloseQuery();
    // The user resized the window's client area.
    void ClientResized(int width, int height);
    // The user moved the window.
    void Moved(int left, int top);
    // The window now shows at another display scale (the backend already lays it out at the
    // new one): every auto-sized label is measured again. The layout itself stays in layout
    // pixels and needs nothing else.
    void DisplayScaleChanged();
    // Moves the focus to the next (or previous) control in creation order that can take it.
    void FocusNext(bool backwards);
    // The control holding the keyboard focus changed in the native window.
    void FocusChanged(Control* control) { active_control_ = control; }

    // Called by Control when a control goes away, so the form forgets it.
    void Forget(Control& control);

private:
    void PlaceOnScreen();
    void RunCloseLogic();
    void CloseModal();
    int FrameWidth() const;
    int FrameHeight() const;

    int client_width_ = 0;
    int client_height_ = 0;
    BorderStyle border_style_ = BorderStyle::Dialog;
    unsigned border_icons_ = border_icons::kSystemMenu;
    FormPosition position_ = FormPosition::Designed;
    bool placed_ = false;
    int minimum_width_ = 0;
    int minimum_height_ = 0;
    std::string window_class_;
    bool key_preview_ = false;
    bool modal_ = false;
    ModalResult modal_result_ = ModalResult::None;
    WindowState window_state_ = WindowState::Normal;
    Control* active_control_ = nullptr;
};

}  // namespace platform::ui
