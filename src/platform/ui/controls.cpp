#include "platform/ui/controls.h"

#include <algorithm>

#include "platform/ui/backend.h"
#include "platform/ui/standard_texts.h"

namespace platform::ui {

Label::Label(Control& parent, int left, int top, int width, int height) : Control(parent, left, top, width, height) {}

void Label::SetCaption(const std::string& caption) {
    Control::SetCaption(caption);
    Fit();
}

void Label::SetAutoSize(bool auto_size) {
    auto_size_ = auto_size;
    Fit();
}

void Label::SetWordWrap(bool word_wrap) {
    if (word_wrap == word_wrap_) return;
    word_wrap_ = word_wrap;
    Changed(Change::Style);
    Fit();
}

void Label::SetTransparent(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Changed(Change::Style);
}

void Label::SetAlignment(TextAlignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    Changed(Change::Style);
}

void Label::SetFontColor(Color color) {
    Font font = GetFont();
    font.color = color;
    SetFont(font);
}

void Label::Fit() {
    if (!auto_size_) return;
    // The accelerator marks are not drawn, so they take no room.
    const backend::Size size = backend::MeasureText(OwnerForm(), GetFont(), StripAccelerator(Caption()),
                                                      word_wrap_ ? width_ : 0);
    const int width = word_wrap_ ? width_ : size.width;
    const int left = alignment_ == TextAlignment::Right ? left_ + width_ - width : left_;
    SetBounds(left, top_, width, size.height);
}

Edit::Edit(Control& parent, int left, int top, int width, int height) : Control(parent, left, top, width, height) {}

void Edit::SetCaption(const std::string& text) {
    if (text == Caption()) return;
    Control::SetCaption(text);
    if (OnChange) OnChange();
}

void Edit::SetReadOnly(bool read_only) {
    if (read_only == read_only_) return;
    read_only_ = read_only;
    Changed(Change::Style);
}

void Edit::TextEdited(const std::string& text) {
    if (text == Caption()) return;
    SetTextQuietly(text);
    if (OnChange) OnChange();
}

Button::Button(Control& parent, int left, int top, int width, int height) : Control(parent, left, top, width, height) {}

void Button::SetDefault(bool is_default) {
    if (is_default == default_) return;
    default_ = is_default;
    Changed(Change::Style);
}

void Button::Click() {
    if (!Usable()) return;
    if (modal_result_ != ModalResult::None) OwnerForm().SetModalResult(modal_result_);
    if (OnClick) OnClick();
}

RadioButton::RadioButton(Control& parent, int left, int top, int width, int height)
    : Control(parent, left, top, width, height) {}

void RadioButton::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    Changed(Change::Checked);
    if (!checked) return;
    // One checked radio button per parent: the group.
    for (Control* sibling : Parent()->Children()) {
        if (sibling == this || sibling->Kind() != ControlKind::RadioButton) continue;
        static_cast<RadioButton*>(sibling)->SetChecked(false);
    }
}

void RadioButton::Click() {
    if (!Usable()) return;
    SetChecked(true);
    if (OnClick) OnClick();
}

void RadioButton::DoubleClick() {
    if (!Usable()) return;
    SetChecked(true);
    if (OnDoubleClick) OnDoubleClick();
}

Bevel::Bevel(Control& parent, int left, int top, int width, int height) : Control(parent, left, top, width, height) {}

void Bevel::SetShape(BevelShape shape) {
    if (shape == shape_) return;
    shape_ = shape;
    Changed(Change::Style);
}

void Bevel::SetStyle(BevelStyle style) {
    if (style == style_) return;
    style_ = style;
    Changed(Change::Style);
}

Panel::Panel(Control& parent, int left, int top, int width, int height) : Control(parent, left, top, width, height) {}

void Panel::SetOuterBevel(PanelBevel bevel) {
    if (bevel == outer_bevel_) return;
    outer_bevel_ = bevel;
    Changed(Change::Style);
}

void Panel::SetBevelWidth(int width) {
    if (width == bevel_width_) return;
    bevel_width_ = width;
    Changed(Change::Style);
}

ProgressBar::ProgressBar(Control& parent, int left, int top, int width, int height)
    : Control(parent, left, top, width, height) {}

void ProgressBar::SetRange(int min, int max) {
    if (max < min) max = min;
    if (min == min_ && max == max_) return;
    min_ = min;
    max_ = max;
    position_ = std::clamp(position_, min_, max_);
    Changed(Change::Value);
}

void ProgressBar::SetPosition(int position) {
    position = std::clamp(position, min_, max_);
    if (position == position_) return;
    position_ = position;
    Changed(Change::Value);
}

StockImage::StockImage(Control& parent, int left, int top, int width, int height)
    : Control(parent, left, top, width, height) {}

void StockImage::SetIcon(StockIcon icon) {
    if (icon == icon_) return;
    icon_ = icon;
    Changed(Change::Style);
}

}  // namespace platform::ui
