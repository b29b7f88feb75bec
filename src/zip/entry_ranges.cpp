#include "zip/entry_ranges.h"

#include "zip/zip_lib.h"

namespace zip {

void MarkOverlappingEntries(TSortedZip& catalogue, uint32_t directory_disk, uint64_t directory_start) {
    const int count = catalogue.Count();
    for (int i = 0; i < count; ++i) {
        TZipHeaderInfo& entry = *catalogue.Entry(i);
        TZipHeaderInfo* next = i + 1 < count ? catalogue.Entry(i + 1) : nullptr;
        if (next != nullptr && next->DiskNumberStart != entry.DiskNumberStart) next = nullptr;
        uint64_t limit = next != nullptr ? next->RelativeOffset : UINT64_MAX;
        if (entry.DiskNumberStart == directory_disk && directory_start < limit) {
            limit = directory_start;
            next = nullptr;  // the entry runs into the central directory
        }
        entry.RangeLimit = limit;
        // The least an entry takes: the fixed header and the name the directory gives, the
        // data, and the smallest data descriptor when it has one.
        const uint64_t least = kLocalHeaderSize + entry.StoredName.size() + entry.CompressedSize +
                               (entry.HasDataDescriptor() ? kSmallestDataDescriptor : 0);
        if (FitsWithin(entry.RelativeOffset, least, limit)) continue;
        entry.Damage = TEntryDamage::Overlap;
        if (next != nullptr) next->Damage = TEntryDamage::Overlap;
    }
}

}  // namespace zip
