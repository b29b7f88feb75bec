#pragma once
// The modification time an entry's extra field may carry, finer and in universal time where
// the DOS time of its header is local and in steps of two seconds. Two records of the extra
// field (see extra_fields.h) carry times:
//   NTFS (0x000A): 4 reserved bytes, then attributes (2-byte tag, 2-byte size, data); tag 1
//     of size 24 holds the modification, access and creation times as FILETIMEs;
//   extended timestamp (0x5455): a flags byte, then the times it flags as signed 32-bit Unix
//     times, the modification time first (flag bit 0).

#include <cstddef>
#include <cstdint>

#include "platform/file_system.h"
#include "zip/stream.h"
#include "zip/zip_header_info.h"

namespace zip {

// The modification time of the extra field extra[0..size): the first NTFS block's, else the
// first extended timestamp's (blocks found by FindExtraRecord). false, with time unchanged,
// when neither holds one; a block cut short by the end of the field, or an attribute by the
// end of its block, holds nothing.
bool ExtraFieldModificationTime(const uint8_t* extra, size_t size, platform::FileTime& time);

// The same for the entry's extra field in archive: its central header's (where 7z writes the
// NTFS block), or its local header's when the catalogue was rebuilt from the local headers.
// false when the header cannot be read or its field holds no time. The archive's position is
// left as it was.
bool EntryModificationTime(TStream& archive, const TZipHeaderInfo& entry, platform::FileTime& time);

}  // namespace zip
