#pragma once
// An ordered list of texts: the lines of a memo and the items of list boxes. The control that
// owns a list watches its changes, so a native window can follow them.

#include <functional>
#include <string>
#include <vector>

namespace platform::ui {

enum class ListChange { Added, Deleted, Replaced, Reset };

class StringList {
public:
    // Called after every change with its kind and the index it touched (-1 for Reset).
    using Observer = std::function<void(ListChange change, int index)>;

    StringList() = default;
    StringList(const StringList&) = delete;
    StringList& operator=(const StringList&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    // The text at index; index must be in 0..Count()-1.
    const std::string& operator[](int index) const { return items_.at(static_cast<size_t>(index)); }
    const std::vector<std::string>& Items() const { return items_; }

    // Appends a text; returns its index.
    int Add(const std::string& text);
    // Inserts before index (Count() appends).
    void Insert(int index, const std::string& text);
    // Removes the text at index; an index out of range changes nothing.
    void Delete(int index);
    // Replaces the text at index; an index out of range changes nothing.
    void Set(int index, const std::string& text);
    void Clear();
    void Assign(const std::vector<std::string>& items);

    // The first index whose text equals text exactly, -1 when there is none.
    int IndexOf(const std::string& text) const;
    // The texts joined with line breaks (\r\n), without a break after the last one.
    std::string Text() const;
    // Replaces the list by the lines of text (split at \r\n, \n or \r).
    void SetText(const std::string& text);

    void SetObserver(Observer observer) { observer_ = std::move(observer); }

private:
    void Notify(ListChange change, int index);

    std::vector<std::string> items_;
    Observer observer_;
};

}  // namespace platform::ui
