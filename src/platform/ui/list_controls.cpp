#include "platform/ui/list_controls.h"

#include "platform/ui/backend.h"

namespace platform::ui {

namespace {

// Keeps a selected index pointing at the same item across a change of the list.
int FollowChange(int selected, ListChange change, int index, int count) {
    switch (change) {
        case ListChange::Reset:
            return -1;
        case ListChange::Added:
            return selected >= index && selected >= 0 ? selected + 1 : selected;
        case ListChange::Deleted:
            if (selected == index) return -1;
            return selected > index ? selected - 1 : selected;
        case ListChange::Replaced:
            break;
    }
    return selected < count ? selected : -1;
}

}  // namespace

Memo::Memo(Control& parent, int left, int top, int width, int height) : Control(parent, left, top, width, height) {
    lines_.SetObserver([this](ListChange change, int index) {
        if (Peer() != nullptr) Peer()->ItemsChanged(change, index);
    });
}

void Memo::SetReadOnly(bool read_only) {
    if (read_only == read_only_) return;
    read_only_ = read_only;
    Changed(Change::Style);
}

void Memo::SetWordWrap(bool word_wrap) {
    if (word_wrap == word_wrap_) return;
    word_wrap_ = word_wrap;
    Changed(Change::Style);
}

void Memo::SetScrollBars(ScrollBars bars) {
    if (bars == scroll_bars_) return;
    scroll_bars_ = bars;
    Changed(Change::Style);
}

void Memo::SetSelStart(int position) {
    sel_start_ = position < 0 ? 0 : position;
    Changed(Change::Selection);
}

ListBox::ListBox(Control& parent, int left, int top, int width, int height) : Control(parent, left, top, width, height) {
    items_.SetObserver([this](ListChange change, int index) { ItemsChanged(change, index); });
}

void ListBox::ItemsChanged(ListChange change, int index) {
    item_index_ = FollowChange(item_index_, change, index, items_.Count());
    if (Peer() != nullptr) Peer()->ItemsChanged(change, index);
}

void ListBox::SetItemIndex(int index) {
    if (index < -1 || index >= items_.Count()) index = -1;
    if (index == item_index_) return;
    item_index_ = index;
    Changed(Change::Selection);
}

void ListBox::ItemClicked(int index) {
    if (!Usable()) return;
    SetItemIndex(index);
    if (OnClick) OnClick();
}

void ListBox::ItemDoubleClicked(int index) {
    if (!Usable()) return;
    SetItemIndex(index);
    if (OnDoubleClick) OnDoubleClick();
}

ComboBox::ComboBox(Control& parent, int left, int top, int width, int height) : Control(parent, left, top, width, height) {
    items_.SetObserver([this](ListChange change, int index) { ItemsChanged(change, index); });
}

void ComboBox::ItemsChanged(ListChange change, int index) {
    item_index_ = FollowChange(item_index_, change, index, items_.Count());
    SetTextQuietly(item_index_ >= 0 ? items_[item_index_] : std::string());
    if (Peer() != nullptr) Peer()->ItemsChanged(change, index);
}

void ComboBox::SetItemIndex(int index) {
    if (index < -1 || index >= items_.Count()) index = -1;
    if (index == item_index_) return;
    item_index_ = index;
    SetTextQuietly(index >= 0 ? items_[index] : std::string());
    Changed(Change::Selection);
}

void ComboBox::ItemPicked(int index) {
    if (!Usable()) return;
    SetItemIndex(index);
    if (OnChange) OnChange();
}

CheckListBox::CheckListBox(Control& parent, int left, int top, int width, int height)
    : ListBox(parent, left, top, width, height) {
    items_.SetObserver([this](ListChange change, int index) { CheckedItemsChanged(change, index); });
}

void CheckListBox::CheckedItemsChanged(ListChange change, int index) {
    switch (change) {
        case ListChange::Added:
            checked_.insert(checked_.begin() + index, false);
            break;
        case ListChange::Deleted:
            checked_.erase(checked_.begin() + index);
            break;
        case ListChange::Reset:
            checked_.assign(static_cast<size_t>(items_.Count()), false);
            break;
        case ListChange::Replaced:
            break;
    }
    ItemsChanged(change, index);
}

bool CheckListBox::Checked(int index) const {
    if (index < 0 || index >= static_cast<int>(checked_.size())) return false;
    return checked_[static_cast<size_t>(index)];
}

void CheckListBox::SetChecked(int index, bool checked) {
    if (index < 0 || index >= static_cast<int>(checked_.size())) return;
    if (checked_[static_cast<size_t>(index)] == checked) return;
    checked_[static_cast<size_t>(index)] = checked;
    if (Peer() != nullptr) Peer()->ItemsChanged(ListChange::Replaced, index);
}

void CheckListBox::SetItemHeight(int height) {
    if (height == item_height_ || height <= 0) return;
    item_height_ = height;
    Changed(Change::Style);
}

void CheckListBox::ItemToggled(int index) {
    if (!Usable() || index < 0 || index >= items_.Count()) return;
    SetItemIndex(index);
    SetChecked(index, !Checked(index));
    if (OnClickCheck) OnClickCheck();
}

}  // namespace platform::ui
