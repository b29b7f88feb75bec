#include "platform/ui/control.h"

#include <algorithm>

#include "platform/ui/backend.h"
#include "platform/ui/form.h"

namespace platform::ui {

Control::Control(Control& parent, int left, int top, int width, int height)
    : left_(left), top_(top), width_(width), height_(height), parent_(&parent), form_(parent.form_) {
    // The native window comes with the form's next Show: the derived control is not built yet.
    parent.children_.push_back(this);
}

Control::Control(Form& self) : visible_(false), form_(&self) {}

Control::~Control() {
    peer_.reset();
    if (form_ != nullptr && form_ != this) form_->Forget(*this);
    if (parent_ != nullptr) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

void Control::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    const int old_client_width = ClientWidth();
    const int old_client_height = ClientHeight();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Changed(Change::Bounds);
    if (ClientWidth() != old_client_width || ClientHeight() != old_client_height) {
        LayoutChildren(old_client_width, old_client_height);
    }
    if (align_ != Align::None && parent_ != nullptr && !parent_->aligning_) parent_->Realign();
}

void Control::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    Changed(Change::Visible);
    if (!visible && form_ != nullptr && form_->ActiveControl() == this) form_->FocusChanged(nullptr);
    if (align_ != Align::None && parent_ != nullptr) parent_->Realign();
}

void Control::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Changed(Change::Enabled);
}

bool Control::Usable() const {
    for (const Control* control = this; control != nullptr && control->parent_ != nullptr; control = control->parent_) {
        if (!control->visible_ || !control->enabled_) return false;
    }
    return true;
}

void Control::SetCaption(const std::string& caption) {
    if (caption == text_) return;
    text_ = caption;
    Changed(Change::Text);
}

const Font& Control::GetFont() const {
    if (own_font_ != nullptr) return *own_font_;
    if (parent_ != nullptr) return parent_->GetFont();
    static const Font default_font = DefaultFont();
    return default_font;
}

void Control::SetFont(const Font& font) {
    if (own_font_ != nullptr && *own_font_ == font) return;
    own_font_ = std::make_unique<Font>(font);
    Changed(Change::Font);
    OnFontChanged();
    for (Control* child : children_) child->FontChangedAbove();
}

void Control::FontChangedAbove() {
    if (own_font_ != nullptr) return;
    Changed(Change::Font);
    OnFontChanged();
    for (Control* child : children_) child->FontChangedAbove();
}

void Control::SetAlign(Align align) {
    if (align == align_) return;
    align_ = align;
    if (parent_ != nullptr) parent_->Realign();
}

void Control::SetFocus() { form_->SetActiveControl(this); }

bool Control::Focused() const { return form_ != nullptr && form_->ActiveControl() == this; }

void Control::AttachPeer(std::unique_ptr<backend::Peer> peer) { peer_ = std::move(peer); }

void Control::DetachPeer() { peer_.reset(); }

void Control::Changed(Change change) {
    if (peer_ != nullptr) peer_->Update(change);
}

void Control::LayoutChildren(int old_width, int old_height) {
    const int width_change = ClientWidth() - old_width;
    const int height_change = ClientHeight() - old_height;
    aligning_ = true;
    for (Control* child : children_) {
        if (child->align_ != Align::None) continue;
        int left = child->left_;
        int top = child->top_;
        int width = child->width_;
        int height = child->height_;
        if ((child->anchors_ & anchors::kRight) != 0) {
            if ((child->anchors_ & anchors::kLeft) != 0) {
                width += width_change;
            } else {
                left += width_change;
            }
        }
        if ((child->anchors_ & anchors::kBottom) != 0) {
            if ((child->anchors_ & anchors::kTop) != 0) {
                height += height_change;
            } else {
                top += height_change;
            }
        }
        child->SetBounds(left, top, std::max(width, 0), std::max(height, 0));
    }
    aligning_ = false;
    Realign();
}

void Control::Realign() {
    if (aligning_) return;
    aligning_ = true;
    int left = 0;
    int top = 0;
    int right = ClientWidth();
    int bottom = ClientHeight();
    // Edges first, in creation order, then the client-filling control in what is left.
    for (Align pass : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client}) {
        for (Control* child : children_) {
            if (child->align_ != pass || !child->visible_) continue;
            switch (pass) {
                case Align::Top:
                    child->SetBounds(left, top, std::max(right - left, 0), child->height_);
                    top += child->height_;
                    break;
                case Align::Bottom:
                    child->SetBounds(left, bottom - child->height_, std::max(right - left, 0), child->height_);
                    bottom -= child->height_;
                    break;
                case Align::Left:
                    child->SetBounds(left, top, child->width_, std::max(bottom - top, 0));
                    left += child->width_;
                    break;
                case Align::Right:
                    child->SetBounds(right - child->width_, top, child->width_, std::max(bottom - top, 0));
                    right -= child->width_;
                    break;
                case Align::Client:
                    child->SetBounds(left, top, std::max(right - left, 0), std::max(bottom - top, 0));
                    break;
                case Align::None:
                    break;
            }
        }
    }
    aligning_ = false;
}

}  // namespace platform::ui
