#pragma once
// The simple controls: texts, fields, buttons, frames, panels and the progress bar. Each one
// is created on a parent (its form or a panel) at a pixel geometry; see form.h for the shape
// of a window class.

#include <functional>
#include <string>

#include "platform/ui/control.h"
#include "platform/ui/form.h"

namespace platform::ui {

enum class TextAlignment { Left, Right, Center };

// A text on the form: font (with its colour), transparency, alignment, optional word wrap and
// auto-size.
class Label : public Control {
public:
    Label(Control& parent, int left, int top, int width, int height);
    ControlKind Kind() const override { return ControlKind::Label; }

    void SetCaption(const std::string& caption) override;

    // With auto-size on, the label takes the size its text needs in its font (one line, or
    // wrapped at the current width with word wrap on); a right-aligned label keeps its right
    // edge. Width() then tells the computed width.
    bool AutoSize() const { return auto_size_; }
    void SetAutoSize(bool auto_size);
    bool WordWrap() const { return word_wrap_; }
    void SetWordWrap(bool word_wrap);
    // Draws over whatever lies behind it instead of filling its rectangle.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    TextAlignment Alignment() const { return alignment_; }
    void SetAlignment(TextAlignment alignment);

    // The colour of the text (the font's colour).
    void SetFontColor(Color color);

private:
    void OnFontChanged() override { Fit(); }
    void OnDisplayScaleChanged() override { Fit(); }
    void Fit();

    bool auto_size_ = false;
    bool word_wrap_ = false;
    bool transparent_ = false;
    TextAlignment alignment_ = TextAlignment::Left;
};

// A label with a window of its own; otherwise the same as Label.
class StaticText : public Label {
public:
    using Label::Label;
    ControlKind Kind() const override { return ControlKind::StaticText; }
};

// A one-line text field.
class Edit : public Control {
public:
    Edit(Control& parent, int left, int top, int width, int height);
    ControlKind Kind() const override { return ControlKind::Edit; }
    bool CanFocus() const override { return true; }

    void SetCaption(const std::string& text) override;
    bool ReadOnly() const { return read_only_; }
    void SetReadOnly(bool read_only);

    // After every change of the text, by the program or the user.
    std::function<void()> OnChange;

    // Input: the user changed the text (typing, pasting); fires OnChange.
    void TextEdited(const std::string& text);

private:
    bool read_only_ = false;
};

// A push button. Pressing it sets its form's modal result (when its own is not None) and then
// runs OnClick.
class Button : public Control {
public:
    Button(Control& parent, int left, int top, int width, int height);
    ControlKind Kind() const override { return ControlKind::Button; }
    bool CanFocus() const override { return true; }

    // Pressed by Enter when the focus is not on another button.
    bool Default() const { return default_; }
    void SetDefault(bool is_default);
    // Pressed by Escape.
    bool Cancel() const { return cancel_; }
    void SetCancel(bool is_cancel) { cancel_ = is_cancel; }
    ModalResult GetModalResult() const { return modal_result_; }
    void SetModalResult(ModalResult result) { modal_result_ = result; }

    std::function<void()> OnClick;

    // Presses the button as a click would (nothing when it is hidden or disabled).
    void Click();

private:
    bool default_ = false;
    bool cancel_ = false;
    ModalResult modal_result_ = ModalResult::None;
};

// A radio button. Checking one unchecks the other radio buttons of the same parent.
class RadioButton : public Control {
public:
    RadioButton(Control& parent, int left, int top, int width, int height);
    ControlKind Kind() const override { return ControlKind::RadioButton; }
    bool CanFocus() const override { return true; }

    bool Checked() const { return checked_; }
    void SetChecked(bool checked);

    std::function<void()> OnClick;
    std::function<void()> OnDoubleClick;

    // Input: the user clicked it (checks it, then OnClick).
    void Click();
    // Input: the user double-clicked it (checks it, then OnDoubleClick).
    void DoubleClick();

private:
    bool checked_ = false;
};

enum class BevelShape { Frame, TopLine, BottomLine, LeftLine, RightLine };
enum class BevelStyle { Lowered, Raised };

// An etched line or frame; draws nothing else and takes no input.
class Bevel : public Control {
public:
    Bevel(Control& parent, int left, int top, int width, int height);
    ControlKind Kind() const override { return ControlKind::Bevel; }

    BevelShape Shape() const { return shape_; }
    void SetShape(BevelShape shape);
    BevelStyle Style() const { return style_; }
    void SetStyle(BevelStyle style);

private:
    BevelShape shape_ = BevelShape::Frame;
    BevelStyle style_ = BevelStyle::Lowered;
};

enum class PanelBevel { None, Raised, Lowered };

// A container for other controls, such as the strip of buttons at a window's bottom.
class Panel : public Control {
public:
    Panel(Control& parent, int left, int top, int width, int height);
    ControlKind Kind() const override { return ControlKind::Panel; }

    PanelBevel OuterBevel() const { return outer_bevel_; }
    void SetOuterBevel(PanelBevel bevel);
    int BevelWidth() const { return bevel_width_; }
    void SetBevelWidth(int width);

private:
    PanelBevel outer_bevel_ = PanelBevel::Raised;
    int bevel_width_ = 1;
};

// A horizontal progress bar from Min to Max.
class ProgressBar : public Control {
public:
    ProgressBar(Control& parent, int left, int top, int width, int height);
    ControlKind Kind() const override { return ControlKind::ProgressBar; }

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    // The range; the position is kept inside it.
    void SetRange(int min, int max);
    void SetMin(int min) { SetRange(min, max_); }
    void SetMax(int max) { SetRange(min_, max); }
    // The position, clamped to the range.
    void SetPosition(int position);

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};

enum class StockIcon { None, Warning, Error, Information, Question };

// One of the system's standard 32x32 icons, as message boxes show them.
class StockImage : public Control {
public:
    StockImage(Control& parent, int left, int top, int width, int height);
    ControlKind Kind() const override { return ControlKind::StockImage; }

    StockIcon Icon() const { return icon_; }
    void SetIcon(StockIcon icon);

private:
    StockIcon icon_ = StockIcon::None;
};

}  // namespace platform::ui
