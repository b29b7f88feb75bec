#pragma once
// The object containers beneath the entry lists: TObjectList (an array of object references
// that may own them, growing in small steps) and TSortedObjectList (kept in key order, with
// three ways of treating a duplicate key). Lists can be written to and read from a stream;
// each object is written under its class name, which must be registered with the routines
// that read and write it.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "zip/stream.h"

namespace zip {

// Root of the objects a list can hold; ClassName identifies the class for streaming.
class TObject {
public:
    virtual ~TObject() = default;
    virtual std::string ClassName() const { return "TObject"; }
};

// The largest capacity and count a list accepts unless it sets its own MaxSize.
constexpr int kMaxListSize = 65534;

class TObjectList : public TObject {
public:
    TObjectList() = default;
    // Frees every item when the list owns its objects.
    ~TObjectList() override;
    TObjectList(const TObjectList&) = delete;
    TObjectList& operator=(const TObjectList&) = delete;

    std::string ClassName() const override { return "TObjectList"; }

    bool OwnsObjects = true;
    // The largest capacity and count this list accepts.
    int MaxSize = kMaxListSize;

    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(items_.size()); }
    // EListError when n is below Count or above MaxSize.
    void SetCapacity(int n);
    // EListError when n is negative or above MaxSize; new slots hold no object.
    void SetCount(int n);

    // The item at index; EListError outside 0..Count-1.
    TObject* Get(int index) const;
    // Replaces the reference at index without freeing the old item.
    virtual void Put(int index, TObject* item);
    // Appends item; returns its index.
    virtual int Add(TObject* item);
    // Inserts item at index (0..Count); EListError otherwise.
    virtual void Insert(int index, TObject* item);
    // The first position holding that very object, or -1.
    virtual int IndexOf(const TObject* item) const;
    // Forgets every item (without freeing) and releases the array.
    virtual void Clear();
    TObject* First() const;
    TObject* Last() const;
    // direction 0 previous, 1 next. With no item, next is the first and previous the last.
    // nullptr past either end; EListError when item is not in the list.
    TObject* Neighbour(const TObject* item, int direction) const;

    // The stream form of the list (the "ObjectContainer" property); only worth storing when
    // the list has items.
    bool ObjectContainerStored() const { return count_ > 0; }
    virtual void ReadData(TStream& stream);
    virtual void WriteData(TStream& stream) const;

protected:
    [[noreturn]] virtual void Error(const std::string& message) const;
    virtual void Grow();
    // Frees item when the list owns its objects.
    virtual void FreeItem(TObject* item);
    void ReadItems(TStream& stream);
    void WriteItems(TStream& stream) const;

private:
    std::vector<TObject*> items_;  // size() is the capacity
    int count_ = 0;
};

class TSortedObjectList : public TObjectList {
public:
    std::string ClassName() const override { return "TSortedObjectList"; }

    // 0 a duplicate is not inserted, 1 duplicates are kept, 2 a duplicate raises EListError.
    uint8_t DuplicateMode = 0;

    // The key an item sorts by (the item itself here).
    virtual const TObject* KeyOf(const TObject* item) const { return item; }
    // Negative when a sorts before b.
    virtual int Compare(const TObject* a, const TObject* b) const = 0;
    // Binary search for key; index is where it is or would be inserted (with DuplicateMode 1
    // the first of the equal items).
    virtual bool Find(const TObject* key, int& index) const;

    // Add and Insert put the item at its sort position (Insert ignores index). With
    // DuplicateMode 0 an item equal to one in the list is not inserted: Add returns -1 and the
    // item stays the caller's.
    int Add(TObject* item) override;
    void Insert(int index, TObject* item) override;
    // Always EListError: a sorted list decides positions itself.
    void Put(int index, TObject* item) override;
    int IndexOf(const TObject* item) const override;

    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) const override;

private:
    int InsertSorted(TObject* item);
};

// Registration of a class for streaming: how to make an instance, and how to read and write
// its own data.
using ObjectFactory = std::function<TObject*()>;
using ObjectReader = std::function<void(TObject&, TStream&)>;
using ObjectWriter = std::function<void(const TObject&, TStream&)>;

// Registers (or replaces) class_name. Registration lasts until program end.
void RegisterObjectClass(const std::string& class_name, ObjectFactory factory, ObjectReader reader,
                         ObjectWriter writer);
void UnregisterObjectClass(const std::string& class_name);

}  // namespace zip
