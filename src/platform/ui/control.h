#pragma once
// The base of every window of the toolkit: forms and the controls on them. A control keeps its
// state (geometry, caption, font, visibility...) in memory, the same on every backend; a
// native backend attaches a peer that mirrors each change onto a real window and turns the
// user's actions back into calls on the control.

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/font.h"

namespace platform::ui {

class Form;

namespace backend {
class Peer;
}

// What kind of window a control is; the backend picks the native window class by it.
enum class ControlKind {
    Form, Label, StaticText, Edit, Button, RadioButton, Bevel, Panel, Memo, ProgressBar,
    CheckListBox, ListBox, ComboBox, StockImage
};

// What changed on a control, so that a peer updates only that.
enum class Change { Bounds, Visible, Enabled, Text, Font, Style, Items, Checked, Value, Selection, Focus };

// Docking of a control inside its parent's client area; re-applied when the parent resizes.
enum class Align { None, Top, Bottom, Left, Right, Client };

// Edges of the parent that a control keeps its distance to when the parent resizes.
namespace anchors {
constexpr unsigned kLeft = 1;
constexpr unsigned kTop = 2;
constexpr unsigned kRight = 4;
constexpr unsigned kBottom = 8;
constexpr unsigned kDefault = kLeft | kTop;
}  // namespace anchors

class Control {
public:
    // A control on parent (a form or a panel) at the given pixel geometry, relative to the
    // parent's client area. It belongs to parent's form, which must outlive it. A native
    // backend gives it a window when the form is next shown.
    Control(Control& parent, int left, int top, int width, int height);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    virtual ControlKind Kind() const = 0;

    // The control's name (Label1, Button4...), for people and test drivers; no behaviour.
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
    void SetTop(int top) { SetBounds(left_, top, width_, height_); }
    void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
    void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
    virtual void SetBounds(int left, int top, int width, int height);
    // The size of the area the children are placed in.
    virtual int ClientWidth() const { return width_; }
    virtual int ClientHeight() const { return height_; }

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Visible and enabled, and so are all its parents (a hidden form counts as visible here,
    // so a form can ask this of its controls before it is shown).
    bool Usable() const;

    // The caption of labels, buttons and forms, the text of edits: one text per control.
    const std::string& Caption() const { return text_; }
    virtual void SetCaption(const std::string& caption);
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text) { SetCaption(text); }

    // The control's own font, or its parent's while it has none of its own.
    const Font& GetFont() const;
    void SetFont(const Font& font);
    bool HasOwnFont() const { return own_font_ != nullptr; }

    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    Align GetAlign() const { return align_; }
    void SetAlign(Align align);
    unsigned Anchors() const { return anchors_; }
    void SetAnchors(unsigned anchors) { anchors_ = anchors; }

    // Takes part in Tab order and can hold the keyboard focus.
    virtual bool CanFocus() const { return false; }
    // Makes this the active control of its form.
    void SetFocus();
    bool Focused() const;

    Control* Parent() const { return parent_; }
    Form& OwnerForm() const { return *form_; }
    const std::vector<Control*>& Children() const { return children_; }

    // The backend's mirror of this control, when it has one (headless has none).
    backend::Peer* Peer() const { return peer_.get(); }
    void AttachPeer(std::unique_ptr<backend::Peer> peer);
    void DetachPeer();

protected:
    // The root of a tree of controls: a form.
    explicit Control(Form& self);
    // Tells the peer what changed.
    void Changed(Change change);
    // Re-applies alignment and anchors of the children after this control's client area
    // changed from old_width x old_height.
    void LayoutChildren(int old_width, int old_height);
    // Places the aligned children in the client area.
    void Realign();
    // Takes a text that came from the native window, without echoing it back.
    void SetTextQuietly(const std::string& text) { text_ = text; }

    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;

private:
    friend class Form;
    void FontChangedAbove();
    virtual void OnFontChanged() {}
    // The form now shows at another display scale; what was measured is measured again.
    virtual void OnDisplayScaleChanged() {}

    std::string name_;
    std::string text_;
    bool visible_ = true;
    bool enabled_ = true;
    int tag_ = 0;
    Align align_ = Align::None;
    unsigned anchors_ = anchors::kDefault;
    std::unique_ptr<Font> own_font_;
    Control* parent_ = nullptr;
    Form* form_ = nullptr;
    std::vector<Control*> children_;
    std::unique_ptr<backend::Peer> peer_;
    bool aligning_ = false;
};

}  // namespace platform::ui
