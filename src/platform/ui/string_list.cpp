#include "platform/ui/string_list.h"

namespace platform::ui {

int StringList::Add(const std::string& text) {
    items_.push_back(text);
    const int index = Count() - 1;
    Notify(ListChange::Added, index);
    return index;
}

void StringList::Insert(int index, const std::string& text) {
    if (index < 0 || index > Count()) return;
    items_.insert(items_.begin() + index, text);
    Notify(ListChange::Added, index);
}

void StringList::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    items_.erase(items_.begin() + index);
    Notify(ListChange::Deleted, index);
}

void StringList::Set(int index, const std::string& text) {
    if (index < 0 || index >= Count()) return;
    items_[static_cast<size_t>(index)] = text;
    Notify(ListChange::Replaced, index);
}

void StringList::Clear() {
    items_.clear();
    Notify(ListChange::Reset, -1);
}

void StringList::Assign(const std::vector<std::string>& items) {
    items_ = items;
    Notify(ListChange::Reset, -1);
}

int StringList::IndexOf(const std::string& text) const {
    for (int index = 0; index < Count(); ++index) {
        if (items_[static_cast<size_t>(index)] == text) return index;
    }
    return -1;
}

std::string StringList::Text() const {
    std::string text;
    for (size_t index = 0; index < items_.size(); ++index) {
        if (index > 0) text += "\r\n";
        text += items_[index];
    }
    return text;
}

void StringList::SetText(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t position = 0; position < text.size(); ++position) {
        const char character = text[position];
        if (character == '\r' || character == '\n') {
            lines.push_back(line);
            line.clear();
            if (character == '\r' && position + 1 < text.size() && text[position + 1] == '\n') ++position;
            continue;
        }
        line += character;
    }
    if (!line.empty()) lines.push_back(line);
    Assign(lines);
}

void StringList::Notify(ListChange change, int index) {
    if (observer_) observer_(change, index);
}

}  // namespace platform::ui
