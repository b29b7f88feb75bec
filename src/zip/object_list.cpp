#include "zip/object_list.h"

#include <cstring>
#include <memory>

#include "zip/zip_errors.h"
#include "zip/zip_lib.h"

namespace zip {

namespace {

std::string FormatIndex(const char* text, int value) {
    std::string message(text);
    const size_t at = message.find("%d");
    if (at != std::string::npos) message.replace(at, 2, std::to_string(value));
    return message;
}

std::string FormatName(const char* text, const std::string& value) {
    std::string message(text);
    const size_t at = message.find("%s");
    if (at != std::string::npos) message.replace(at, 2, value);
    return message;
}

// One registered class: its name and the routines that make, read and write instances.
class tRegisterRec : public TObject {
public:
    std::string class_name;
    ObjectFactory factory;
    ObjectReader reader;
    ObjectWriter writer;
    std::string ClassName() const override { return "tRegisterRec"; }
};

class RegisterRecList : public TSortedObjectList {
public:
    RegisterRecList() { DuplicateMode = 2; }
    int Compare(const TObject* a, const TObject* b) const override {
        return CompareAsciiIgnoreCase(static_cast<const tRegisterRec*>(a)->class_name,
                                      static_cast<const tRegisterRec*>(b)->class_name);
    }
};

// Emptied and freed when the program ends.
RegisterRecList& Registry() {
    static RegisterRecList registry;
    return registry;
}

const tRegisterRec* FindRegistration(const std::string& class_name) {
    tRegisterRec key;
    key.class_name = class_name;
    int index = 0;
    if (!Registry().Find(&key, index)) return nullptr;
    return static_cast<const tRegisterRec*>(Registry().Get(index));
}

void WriteExact(TStream& stream, const void* bytes, int64_t count) {
    if (stream.Write(bytes, count) != count) throw EStreamError("Stream write error");
}

void ReadExact(TStream& stream, void* bytes, int64_t count) {
    if (stream.Read(bytes, count) != count) throw EStreamError("Stream read error");
}

}  // namespace

void RegisterObjectClass(const std::string& class_name, ObjectFactory factory, ObjectReader reader,
                         ObjectWriter writer) {
    UnregisterObjectClass(class_name);
    auto record = std::make_unique<tRegisterRec>();
    record->class_name = class_name;
    record->factory = std::move(factory);
    record->reader = std::move(reader);
    record->writer = std::move(writer);
    Registry().Add(record.release());
}

void UnregisterObjectClass(const std::string& class_name) {
    tRegisterRec key;
    key.class_name = class_name;
    int index = 0;
    if (!Registry().Find(&key, index)) return;
    TObject* found = Registry().Get(index);
    // Remove by rebuilding the tail: a sorted list has no delete of its own.
    std::vector<TObject*> rest;
    for (int i = 0; i < Registry().Count(); ++i) {
        if (i != index) rest.push_back(Registry().Get(i));
    }
    Registry().Clear();
    for (TObject* item : rest) Registry().Add(item);
    delete found;
}

// ---- TObjectList ----------------------------------------------------------------------

TObjectList::~TObjectList() {
    for (int i = 0; i < count_; ++i) FreeItem(items_[i]);
    count_ = 0;
    items_.clear();
}

void TObjectList::Error(const std::string& message) const { throw EListError(message); }

void TObjectList::Grow() {
    const int capacity = Capacity();
    int delta = 4;
    if (capacity > 8) {
        delta = 16;
    } else if (capacity > 4) {
        delta = 8;
    }
    SetCapacity(capacity + delta);
}

void TObjectList::FreeItem(TObject* item) {
    if (OwnsObjects) delete item;
}

void TObjectList::SetCapacity(int n) {
    if (n == Capacity()) return;
    if (n < count_ || n > MaxSize) Error(FormatIndex("List capacity out of bounds (%d)", n));
    items_.resize(static_cast<size_t>(n), nullptr);
}

void TObjectList::SetCount(int n) {
    if (n < 0 || n > MaxSize) Error(FormatIndex("List count out of bounds (%d)", n));
    if (n > Capacity()) SetCapacity(n);
    for (int i = count_; i < n; ++i) items_[i] = nullptr;
    count_ = n;
}

TObject* TObjectList::Get(int index) const {
    if (index < 0 || index >= count_) Error(FormatIndex("List index out of bounds (%d)", index));
    return items_[index];
}

void TObjectList::Put(int index, TObject* item) {
    if (index < 0 || index >= count_) Error(FormatIndex("List index out of bounds (%d)", index));
    items_[index] = item;
}

int TObjectList::Add(TObject* item) {
    if (count_ == Capacity()) Grow();
    items_[count_] = item;
    return count_++;
}

void TObjectList::Insert(int index, TObject* item) {
    if (index < 0 || index > count_) Error(FormatIndex("List index out of bounds (%d)", index));
    if (count_ == Capacity()) Grow();
    for (int i = count_; i > index; --i) items_[i] = items_[i - 1];
    items_[index] = item;
    ++count_;
}

int TObjectList::IndexOf(const TObject* item) const {
    for (int i = 0; i < count_; ++i) {
        if (items_[i] == item) return i;
    }
    return -1;
}

void TObjectList::Clear() {
    count_ = 0;
    items_.clear();
    items_.shrink_to_fit();
}

TObject* TObjectList::First() const { return Get(0); }
TObject* TObjectList::Last() const { return Get(count_ - 1); }

TObject* TObjectList::Neighbour(const TObject* item, int direction) const {
    if (item == nullptr) {
        if (count_ == 0) return nullptr;
        return direction == 1 ? items_[0] : items_[count_ - 1];
    }
    const int index = TObjectList::IndexOf(item);
    if (index < 0) Error(FormatName("tObject %s not in item list", item->ClassName()));
    const int neighbour = index + (direction == 1 ? 1 : -1);
    if (neighbour < 0 || neighbour >= count_) return nullptr;
    return items_[neighbour];
}

void TObjectList::WriteItems(TStream& stream) const {
    const uint8_t owns = OwnsObjects ? 1 : 0;
    WriteExact(stream, &owns, 1);
    const uint32_t count = static_cast<uint32_t>(count_);
    const uint8_t count_bytes[4] = {static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8),
                                    static_cast<uint8_t>(count >> 16), static_cast<uint8_t>(count >> 24)};
    WriteExact(stream, count_bytes, 4);
    for (int i = 0; i < count_; ++i) {
        const TObject* item = items_[i];
        if (item == nullptr) throw EClassNotFound("Nil Source Class!");
        const std::string class_name = item->ClassName();
        const tRegisterRec* record = FindRegistration(class_name);
        if (record == nullptr) throw EClassNotFound(FormatName("Source Class <%s> not registered", class_name));
        const std::string counted = LeftText(class_name, 63);
        const uint8_t length = static_cast<uint8_t>(counted.size());
        WriteExact(stream, &length, 1);
        WriteExact(stream, counted.data(), length);
        if (record->writer) record->writer(*item, stream);
    }
}

void TObjectList::ReadItems(TStream& stream) {
    uint8_t owns = 0;
    ReadExact(stream, &owns, 1);
    OwnsObjects = owns != 0;
    uint8_t count_bytes[4];
    ReadExact(stream, count_bytes, 4);
    const int64_t count = static_cast<int32_t>(ReadLe32(count_bytes, 0));
    if (count < 0 || count > MaxSize) Error(FormatIndex("List capacity out of bounds (%d)", static_cast<int>(count)));
    if (count_ + count > Capacity()) SetCapacity(static_cast<int>(count_ + count));
    for (int64_t i = 0; i < count; ++i) {
        uint8_t length = 0;
        ReadExact(stream, &length, 1);
        std::string class_name(length, '\0');
        ReadExact(stream, class_name.data(), length);
        const tRegisterRec* record = FindRegistration(class_name);
        if (record == nullptr || !record->factory) throw EClassNotFound(FormatName("Class <%s> not registered", class_name));
        std::unique_ptr<TObject> item(record->factory());
        if (record->reader) record->reader(*item, stream);
        if (Add(item.get()) >= 0) item.release();
    }
}

void TObjectList::ReadData(TStream& stream) { ReadItems(stream); }
void TObjectList::WriteData(TStream& stream) const { WriteItems(stream); }

// ---- TSortedObjectList ------------------------------------------------------------------

bool TSortedObjectList::Find(const TObject* key, int& index) const {
    bool found = false;
    int low = 0;
    int high = Count() - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int comparison = Compare(KeyOf(Get(middle)), key);
        if (comparison < 0) {
            low = middle + 1;
            continue;
        }
        high = middle - 1;
        if (comparison == 0) {
            found = true;
            // Mode 1 keeps searching to the left, so the first of the equal items is found.
            if (DuplicateMode != 1) low = middle;
        }
    }
    index = low;
    return found;
}

int TSortedObjectList::InsertSorted(TObject* item) {
    int index = 0;
    if (Find(KeyOf(item), index)) {
        if (DuplicateMode == 0) return -1;
        if (DuplicateMode == 2) Error("Duplicate Object index");
    }
    TObjectList::Insert(index, item);
    return index;
}

int TSortedObjectList::Add(TObject* item) { return InsertSorted(item); }

void TSortedObjectList::Insert(int /*index*/, TObject* item) { InsertSorted(item); }

void TSortedObjectList::Put(int /*index*/, TObject* /*item*/) { Error("Cannot <Put> an Object in a sorted list!"); }

int TSortedObjectList::IndexOf(const TObject* item) const {
    int index = 0;
    if (!Find(KeyOf(item), index)) return -1;
    return index;
}

void TSortedObjectList::ReadData(TStream& stream) {
    uint8_t mode = 0;
    ReadExact(stream, &mode, 1);
    DuplicateMode = mode;
    ReadItems(stream);
}

void TSortedObjectList::WriteData(TStream& stream) const {
    const uint8_t mode = DuplicateMode;
    WriteExact(stream, &mode, 1);
    WriteItems(stream);
}

}  // namespace zip
