#include "zip/sorted_zip.h"

#include "zip/zip_lib.h"

namespace zip {

namespace {

// A DOS date-time as a number that orders chronologically; 0 for a value that names no real
// date and time.
uint32_t DateKey(uint32_t dos_date_time) {
    const uint32_t time = dos_date_time & 0xFFFF;
    const uint32_t date = dos_date_time >> 16;
    const uint32_t hour = time >> 11;
    const uint32_t minute = (time >> 5) & 0x3F;
    const uint32_t second = (time & 0x1F) * 2;
    const uint32_t month = (date >> 5) & 0x0F;
    const uint32_t day = date & 0x1F;
    if (hour > 23 || minute > 59 || second > 59 || month < 1 || month > 12 || day < 1 || day > 31) return 0;
    return dos_date_time >> 16 << 16 | time;
}

int Rate(const TZipHeaderInfo& entry) { return FilePercent(entry.CompressedSize, entry.UncompressedSize); }

}  // namespace

int TSortedZip::Compare(const TObject* a_object, const TObject* b_object) const {
    const TZipHeaderInfo& a = *static_cast<const TZipHeaderInfo*>(a_object);
    const TZipHeaderInfo& b = *static_cast<const TZipHeaderInfo*>(b_object);
    switch (SortMode) {
        case TZipSortMode::ByName:
            return CompareAsciiIgnoreCase(a.FullName(), b.FullName());
        case TZipSortMode::ByFileName:
            return CompareAsciiIgnoreCase(a.FileName(), b.FileName());
        case TZipSortMode::ByDirectoryName:
            return CompareAsciiIgnoreCase(a.Directory(), b.Directory());
        case TZipSortMode::ByDate:
            return DateKey(b.LastModFileDateTime) > DateKey(a.LastModFileDateTime) ? 1 : -1;
        case TZipSortMode::ByCompressedSize:
            return b.CompressedSize > a.CompressedSize ? 1 : -1;
        case TZipSortMode::ByUnCompressedSize:
            return b.UncompressedSize > a.UncompressedSize ? 1 : -1;
        case TZipSortMode::ByRate:
            return Rate(a) - Rate(b);
        case TZipSortMode::ByNone:
            break;
    }
    if (a.DiskNumberStart != b.DiskNumberStart) return a.DiskNumberStart < b.DiskNumberStart ? -1 : 1;
    if (a.RelativeOffset == b.RelativeOffset) return 0;
    return a.RelativeOffset < b.RelativeOffset ? -1 : 1;
}

}  // namespace zip
