// The object lists: growth, bounds, the duplicate modes of the sorted list, streaming.

#include <gtest/gtest.h>

#include <memory>

#include "support/memory_stream.h"
#include "zip/object_list.h"
#include "zip/zip_errors.h"

namespace {

using zip::TObject;
using zip::TObjectList;
using zip::TSortedObjectList;

class Number : public TObject {
public:
    explicit Number(int value = 0, int tag = 0) : value(value), tag(tag) { ++alive; }
    ~Number() override { --alive; }
    std::string ClassName() const override { return "TNumber"; }
    int value;
    int tag;
    static int alive;
};
int Number::alive = 0;

class NumberList : public TSortedObjectList {
public:
    explicit NumberList(uint8_t mode) { DuplicateMode = mode; }
    int Compare(const TObject* a, const TObject* b) const override {
        return static_cast<const Number*>(a)->value - static_cast<const Number*>(b)->value;
    }
};

std::vector<int> Values(const TObjectList& list) {
    std::vector<int> values;
    for (int i = 0; i < list.Count(); ++i) values.push_back(static_cast<Number*>(list.Get(i))->value);
    return values;
}

TEST(ObjectList, GrowsInSmallThenLargerSteps) {
    TObjectList list;
    list.OwnsObjects = false;
    Number item;
    std::vector<int> capacities;
    for (int i = 0; i < 64; ++i) {
        const int before = list.Capacity();
        list.Add(&item);
        if (list.Capacity() != before) capacities.push_back(list.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 16, 32, 48, 64}));
}

TEST(ObjectList, IndexesOutsideTheListAreErrors) {
    TObjectList list;
    list.Add(new Number(1));
    EXPECT_THROW(list.Get(1), zip::EListError);
    EXPECT_THROW(list.Get(-1), zip::EListError);
    EXPECT_THROW(list.Insert(2, nullptr), zip::EListError);
    EXPECT_THROW(list.SetCount(-1), zip::EListError);
    EXPECT_THROW(list.SetCapacity(65535), zip::EListError);
    EXPECT_THROW(list.SetCapacity(0), zip::EListError);  // below Count
}

TEST(ObjectList, InsertNeighbourAndIndexOf) {
    TObjectList list;
    auto* a = new Number(1);
    auto* b = new Number(2);
    auto* c = new Number(3);
    list.Add(a);
    list.Add(c);
    list.Insert(1, b);
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(list.IndexOf(c), 2);
    EXPECT_EQ(list.Neighbour(nullptr, 1), a);
    EXPECT_EQ(list.Neighbour(nullptr, 0), c);
    EXPECT_EQ(list.Neighbour(b, 0), a);
    EXPECT_EQ(list.Neighbour(c, 1), nullptr);
    Number stranger;
    try {
        list.Neighbour(&stranger, 1);
        FAIL() << "no exception";
    } catch (const zip::EListError& error) {
        EXPECT_STREQ(error.what(), "tObject TNumber not in item list");
    }
}

TEST(ObjectList, OnlyAnOwningListFreesItsItems) {
    Number::alive = 0;
    {
        TObjectList owning;
        owning.Add(new Number(1));
        owning.Add(new Number(2));
    }
    EXPECT_EQ(Number::alive, 0);
    Number kept(5);
    {
        TObjectList borrowing;
        borrowing.OwnsObjects = false;
        borrowing.Add(&kept);
    }
    EXPECT_EQ(Number::alive, 1);
}

TEST(SortedObjectList, KeepsKeyOrderWhateverTheInsertionOrder) {
    NumberList list(1);
    for (int value : {5, 1, 4, 2, 3}) list.Add(new Number(value));
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3, 4, 5}));
    Number key(4);
    EXPECT_EQ(list.IndexOf(&key), 3);
    Number missing(9);
    EXPECT_EQ(list.IndexOf(&missing), -1);
}

TEST(SortedObjectList, DuplicateModesSkipKeepOrRefuse) {
    NumberList skipping(0);
    skipping.Add(new Number(1));
    auto second = std::make_unique<Number>(1);
    EXPECT_EQ(skipping.Add(second.get()), -1);
    EXPECT_EQ(skipping.Count(), 1);

    NumberList keeping(1);
    keeping.Add(new Number(1, 1));
    keeping.Add(new Number(2, 1));
    keeping.Add(new Number(1, 2));
    // A duplicate goes before the equal items already there.
    EXPECT_EQ(static_cast<Number*>(keeping.Get(0))->tag, 2);
    EXPECT_EQ(keeping.Count(), 3);

    NumberList refusing(2);
    refusing.Add(new Number(1));
    auto third = std::make_unique<Number>(1);
    try {
        refusing.Add(third.get());
        FAIL() << "no exception";
    } catch (const zip::EListError& error) {
        EXPECT_STREQ(error.what(), "Duplicate Object index");
    }
    EXPECT_THROW(refusing.Put(0, third.get()), zip::EListError);
}

TEST(SortedObjectList, StreamsThroughTheClassRegistry) {
    zip::RegisterObjectClass(
        "TNumber", [] { return new Number(); },
        [](TObject& object, zip::TStream& stream) { stream.Read(&static_cast<Number&>(object).value, 4); },
        [](const TObject& object, zip::TStream& stream) { stream.Write(&static_cast<const Number&>(object).value, 4); });
    NumberList list(1);
    for (int value : {3, 1, 2}) list.Add(new Number(value));
    test_support::MemoryStream stream;
    list.WriteData(stream);
    EXPECT_EQ(stream.Bytes()[0], 1);  // the duplicate mode comes first
    stream.Seek(0, 0);
    NumberList copy(0);
    copy.ReadData(stream);
    EXPECT_EQ(copy.DuplicateMode, 1);
    EXPECT_EQ(Values(copy), (std::vector<int>{1, 2, 3}));

    zip::UnregisterObjectClass("TNumber");
    stream.Seek(0, 0);
    NumberList unknown(0);
    try {
        unknown.ReadData(stream);
        FAIL() << "no exception";
    } catch (const zip::EClassNotFound& error) {
        EXPECT_STREQ(error.what(), "Class <TNumber> not registered");
    }
    test_support::MemoryStream out;
    EXPECT_THROW(list.WriteData(out), zip::EClassNotFound);
}

}  // namespace
