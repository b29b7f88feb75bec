#pragma once
// TSortedZip: a list of entry records kept in one of several orders. The catalogue itself
// is kept in archive order (ByNone); other orders are views over the same records.

#include "zip/object_list.h"
#include "zip/zip_header_info.h"

namespace zip {

// The most entries a catalogue holds: a ZIP64 archive may have far more than the 65,534
// items of an ordinary list.
constexpr int kMaxCatalogueEntries = 0x7FFFFFF0;

enum class TZipSortMode { ByName, ByFileName, ByDirectoryName, ByDate, ByCompressedSize, ByUnCompressedSize, ByRate, ByNone };

class TSortedZip : public TSortedObjectList {
public:
    TSortedZip(TZipSortMode mode, uint8_t duplicate_mode, bool owns_objects) : SortMode(mode) {
        DuplicateMode = duplicate_mode;
        OwnsObjects = owns_objects;
        MaxSize = kMaxCatalogueEntries;
    }
    std::string ClassName() const override { return "TSortedZip"; }

    // Negative when a sorts before b under SortMode; ByDate and the size orders never answer
    // 0 (newest and largest first); ByNone is archive order: disk, then local header offset.
    int Compare(const TObject* a, const TObject* b) const override;

    TZipHeaderInfo* Entry(int index) const { return static_cast<TZipHeaderInfo*>(Get(index)); }

    TZipSortMode SortMode;
};

}  // namespace zip
