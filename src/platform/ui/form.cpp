#include "platform/ui/form.h"

#include <functional>
#include <stdexcept>
#include <vector>

#include "platform/ui/application.h"
#include "platform/ui/backend.h"
#include "platform/ui/controls.h"
#include "platform/ui/list_controls.h"

namespace platform::ui {

namespace {

// Every control of the tree below root, in creation order, parents before their children.
void CollectControls(Control& root, std::vector<Control*>& controls) {
    for (Control* child : root.Children()) {
        controls.push_back(child);
        CollectControls(*child, controls);
    }
}

Button* FindButton(Control& root, const std::function<bool(const Button&)>& wanted) {
    std::vector<Control*> controls;
    CollectControls(root, controls);
    for (Control* control : controls) {
        if (control->Kind() != ControlKind::Button) continue;
        auto* button = static_cast<Button*>(control);
        if (wanted(*button) && button->Usable()) return button;
    }
    return nullptr;
}

}  // namespace

Form::Form() : Control(*this) {
    const backend::Size frame = backend::FrameSize(border_style_, border_icons_);
    width_ = frame.width;
    height_ = frame.height;
}

Form::~Form() {
    backend::FormDestroyed(*this);
    if (Application::Instance().MainForm() == this) Application::Instance().SetMainForm(nullptr);
}

int Form::FrameWidth() const { return backend::FrameSize(border_style_, border_icons_).width; }

int Form::FrameHeight() const { return backend::FrameSize(border_style_, border_icons_).height; }

void Form::SetClientSize(int width, int height) {
    SetBounds(left_, top_, width + FrameWidth(), height + FrameHeight());
}

void Form::SetBounds(int left, int top, int width, int height) {
    const int new_client_width = width - FrameWidth();
    const int new_client_height = height - FrameHeight();
    if (left == left_ && top == top_ && width == width_ && height == height_ &&
        new_client_width == client_width_ && new_client_height == client_height_) {
        return;
    }
    const int old_client_width = client_width_;
    const int old_client_height = client_height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    client_width_ = new_client_width;
    client_height_ = new_client_height;
    Changed(Change::Bounds);
    if (client_width_ != old_client_width || client_height_ != old_client_height) {
        LayoutChildren(old_client_width, old_client_height);
        if (OnResize) OnResize();
    }
}

void Form::SetBorderStyle(BorderStyle style) {
    if (style == border_style_) return;
    const int client_width = client_width_;
    const int client_height = client_height_;
    border_style_ = style;
    Changed(Change::Style);
    SetClientSize(client_width, client_height);
}

void Form::SetBorderIcons(unsigned icons) {
    if (icons == border_icons_) return;
    const int client_width = client_width_;
    const int client_height = client_height_;
    border_icons_ = icons;
    Changed(Change::Style);
    SetClientSize(client_width, client_height);
}

void Form::SetMinimumSize(int width, int height) {
    minimum_width_ = width;
    minimum_height_ = height;
}

void Form::PlaceOnScreen() {
    // Centred when it first appears; afterwards it stays where the user put it.
    if (position_ != FormPosition::ScreenCenter || placed_) return;
    placed_ = true;
    const backend::Size screen = backend::ScreenSize();
    SetBounds((screen.width - width_) / 2, (screen.height - height_) / 2, width_, height_);
}

void Form::Show() {
    if (visible_) return;
    backend::Realize(*this);
    PlaceOnScreen();
    if (OnShow) OnShow();
    visible_ = true;
    Changed(Change::Visible);
    if (active_control_ == nullptr || !active_control_->Usable()) FocusNext(false);
    if (active_control_ != nullptr) SetActiveControl(active_control_);
    if (OnActivate) OnActivate();
}

void Form::Hide() {
    if (!visible_) return;
    visible_ = false;
    Changed(Change::Visible);
}

void Form::SetVisible(bool visible) {
    if (visible) {
        Show();
        return;
    }
    Hide();
}

ModalResult Form::ShowModal() {
    if (modal_) throw std::logic_error("a form cannot be shown modally twice at a time");
    Hide();
    modal_result_ = ModalResult::None;
    modal_ = true;
    backend::Realize(*this);
    backend::BeginModal(*this);
    // Whatever leaves the loop (a result, termination, or an exception out of a handler), the
    // other windows are enabled again and the form is hidden. Enabling comes first, so that
    // the window behind takes the activation back when this one disappears.
    struct ModalScope {
        Form& form;
        ~ModalScope() {
            backend::EndModal(form);
            form.modal_ = false;
            form.Hide();
        }
    } scope{*this};
    Show();
    for (;;) {
        if (Application::Instance().Terminated()) {
            modal_result_ = ModalResult::Cancel;
            break;
        }
        if (modal_result_ != ModalResult::None) {
            CloseModal();
            if (modal_result_ != ModalResult::None) break;
            continue;
        }
        backend::WaitModal(*this);
    }
    return modal_result_;
}

void Form::CloseModal() {
    CloseAction action = CloseAction::None;
    if (CloseQuery()) {
        action = CloseAction::Hide;
        if (OnClose) OnClose(action);
    }
    if (action == CloseAction::None) modal_result_ = ModalResult::None;
}

void Form::Close() {
    if (modal_) {
        modal_result_ = ModalResult::Cancel;
        return;
    }
    RunCloseLogic();
}

void Form::RunCloseLogic() {
    if (!CloseQuery()) return;
    CloseAction action = CloseAction::Hide;
    if (OnClose) OnClose(action);
    if (action == CloseAction::None) return;
    Hide();
    if (Application::Instance().MainForm() == this) Application::Instance().Terminate(ExitCode::UserExit);
}

bool Form::CloseQuery() {
    bool can_close = true;
    if (OnCloseQuery) OnCloseQuery(can_close);
    return can_close;
}

void Form::SetWindowState(WindowState state) {
    if (state == window_state_) return;
    window_state_ = state;
    Changed(Change::Style);
}

void Form::SetActiveControl(Control* control) {
    if (control != nullptr && &control->OwnerForm() != this) return;
    active_control_ = control;
    if (control == nullptr || !visible_ || !control->Usable()) return;
    if (control->Peer() != nullptr) control->Peer()->Update(Change::Focus);
}

Button* Form::DefaultButton() const {
    return FindButton(const_cast<Form&>(*this), [](const Button& button) { return button.Default(); });
}

Button* Form::CancelButton() const {
    return FindButton(const_cast<Form&>(*this), [](const Button& button) { return button.Cancel(); });
}

bool Form::PreviewKeyDown(KeyCode& key, ShiftState shift) {
    if (key_preview_ && OnKeyDown) OnKeyDown(key, shift);
    return key == 0;
}

bool Form::DialogKey(KeyCode key, ShiftState shift) {
    switch (key) {
        case keys::kReturn: {
            Control* focused = active_control_;
            if (focused != nullptr && focused->Kind() == ControlKind::Button && focused->Usable()) {
                static_cast<Button*>(focused)->Click();
                return true;
            }
            // A memo that takes line breaks keeps Enter for itself.
            if (focused != nullptr && focused->Kind() == ControlKind::Memo && static_cast<Memo*>(focused)->WantReturns()) {
                return false;
            }
            Button* button = DefaultButton();
            if (button == nullptr) return false;
            button->Click();
            return true;
        }
        case keys::kEscape: {
            Button* button = CancelButton();
            if (button == nullptr) return false;
            button->Click();
            return true;
        }
        case keys::kTab:
            FocusNext(shift.shift);
            return true;
        default:
            return false;
    }
}

bool Form::PreviewKeyPress(char& key) {
    if (key_preview_ && OnKeyPress) OnKeyPress(key);
    return key == 0;
}

void Form::ClientResized(int width, int height) {
    SetBounds(left_, top_, width + FrameWidth(), height + FrameHeight());
}

void Form::Moved(int left, int top) {
    left_ = left;
    top_ = top;
}

void Form::DisplayScaleChanged() {
    std::vector<Control*> controls;
    CollectControls(*this, controls);
    for (Control* control : controls) control->OnDisplayScaleChanged();
}

void Form::FocusNext(bool backwards) {
    std::vector<Control*> controls;
    CollectControls(*this, controls);
    std::vector<Control*> candidates;
    for (Control* control : controls) {
        if (control->CanFocus() && control->Usable()) candidates.push_back(control);
    }
    if (candidates.empty()) return;
    size_t current = candidates.size();
    for (size_t index = 0; index < candidates.size(); ++index) {
        if (candidates[index] == active_control_) current = index;
    }
    size_t next = 0;
    if (current == candidates.size()) {
        next = backwards ? candidates.size() - 1 : 0;
    } else if (backwards) {
        next = (current + candidates.size() - 1) % candidates.size();
    } else {
        next = (current + 1) % candidates.size();
    }
    SetActiveControl(candidates[next]);
}

void Form::Forget(Control& control) {
    if (active_control_ == &control) active_control_ = nullptr;
}

}  // namespace platform::ui
