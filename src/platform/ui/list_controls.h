#pragma once
// The controls that show lists of texts: the multi-line memo, list boxes, the drop-down combo
// box and the check list.

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/string_list.h"

namespace platform::ui {

enum class ScrollBars { None, Vertical, Horizontal, Both };

// A multi-line text field holding a list of lines.
class Memo : public Control {
public:
    Memo(Control& parent, int left, int top, int width, int height);
    ControlKind Kind() const override { return ControlKind::Memo; }
    bool CanFocus() const override { return true; }

    // The lines; changes show at once. Caption()/Text() are not used by a memo: read Lines().
    StringList& Lines() { return lines_; }
    const StringList& Lines() const { return lines_; }

    bool ReadOnly() const { return read_only_; }
    void SetReadOnly(bool read_only);
    bool WordWrap() const { return word_wrap_; }
    void SetWordWrap(bool word_wrap);
    ScrollBars GetScrollBars() const { return scroll_bars_; }
    void SetScrollBars(ScrollBars bars);
    // Whether Enter types a line break (otherwise it reaches the form's default button).
    bool WantReturns() const { return want_returns_; }
    void SetWantReturns(bool want) { want_returns_ = want; }

    // The caret, as a character offset into the text; 0 also scrolls to the top.
    int SelStart() const { return sel_start_; }
    void SetSelStart(int position);

    // Input: the user scrolled or moved the caret.
    void CaretMoved(int position) { sel_start_ = position; }

private:
    StringList lines_;
    bool read_only_ = false;
    bool word_wrap_ = true;
    bool want_returns_ = true;
    ScrollBars scroll_bars_ = ScrollBars::None;
    int sel_start_ = 0;
};

// A list of texts with one selected item.
class ListBox : public Control {
public:
    ListBox(Control& parent, int left, int top, int width, int height);
    ControlKind Kind() const override { return ControlKind::ListBox; }
    bool CanFocus() const override { return true; }

    StringList& Items() { return items_; }
    const StringList& Items() const { return items_; }
    // The selected item, -1 for none.
    int ItemIndex() const { return item_index_; }
    void SetItemIndex(int index);

    // Whether the list's window is trimmed to a whole number of items, so that no item is
    // cut at the bottom (as the native list does it; the control keeps the height it was
    // given). Takes effect when the list is realised; off by default.
    bool IntegralHeight() const { return integral_height_; }
    void SetIntegralHeight(bool integral_height) { integral_height_ = integral_height; }

    std::function<void()> OnClick;
    std::function<void()> OnDoubleClick;

    // Input: the user selected item index (OnClick).
    void ItemClicked(int index);
    // Input: the user double-clicked item index (selects it, then OnDoubleClick).
    void ItemDoubleClicked(int index);

protected:
    void ItemsChanged(ListChange change, int index);

    StringList items_;
    int item_index_ = -1;
    bool integral_height_ = false;
};

// A drop-down list to pick one of its items from.
class ComboBox : public Control {
public:
    ComboBox(Control& parent, int left, int top, int width, int height);
    ControlKind Kind() const override { return ControlKind::ComboBox; }
    bool CanFocus() const override { return true; }

    StringList& Items() { return items_; }
    const StringList& Items() const { return items_; }
    // The selected item, -1 for none; Text() is its text.
    int ItemIndex() const { return item_index_; }
    void SetItemIndex(int index);

    std::function<void()> OnChange;

    // Input: the user picked item index (OnChange).
    void ItemPicked(int index);

private:
    void ItemsChanged(ListChange change, int index);

    StringList items_;
    int item_index_ = -1;
};

// A list box whose items carry check marks. It scrolls when its items do not fit.
class CheckListBox : public ListBox {
public:
    CheckListBox(Control& parent, int left, int top, int width, int height);
    ControlKind Kind() const override { return ControlKind::CheckListBox; }

    // The check mark of item index; false for an index out of range.
    bool Checked(int index) const;
    // Sets a check mark (no event: only the user's ticks raise OnClickCheck).
    void SetChecked(int index, bool checked);
    int ItemHeight() const { return item_height_; }
    void SetItemHeight(int height);

    // After the user ticked or unticked an item.
    std::function<void()> OnClickCheck;

    // Input: the user toggled item index's check mark (selects it, then OnClickCheck).
    void ItemToggled(int index);

private:
    void CheckedItemsChanged(ListChange change, int index);

    std::vector<bool> checked_;
    int item_height_ = 13;
};

}  // namespace platform::ui
