#pragma once
// The bytes each entry occupies on its volume: from its local header through its name, extra
// field, data and data descriptor. No byte may belong to two entries, nor to an entry and the
// central directory; an entry whose data runs over the next one's local header is the shape
// of a known zip bomb (many entries sharing one compressed stream).

#include <cstdint>

#include "zip/sorted_zip.h"

namespace zip {

// Sets each entry's RangeLimit (the next local header on its volume, or the central
// directory's start, directory_start on volume directory_disk) and marks Overlap on every
// entry whose least possible range passes it, and on the entry it runs into. catalogue is in
// archive order (volume, then local header offset). The local header's own extra field is not
// known here; the entry's range is measured again with it when the entry is reached.
void MarkOverlappingEntries(TSortedZip& catalogue, uint32_t directory_disk, uint64_t directory_start);

}  // namespace zip
