// The times of an entry's extra field (see the header for the blocks' layout).

#include "zip/extra_field_times.h"

#include <vector>

#include "zip/extra_fields.h"
#include "zip/zip_lib.h"

namespace zip {
namespace {

constexpr uint16_t kNtfsBlock = 0x000A;
constexpr uint16_t kNtfsTimesTag = 0x0001;
constexpr uint16_t kNtfsTimesSize = 24;
constexpr uint16_t kExtendedTimestampBlock = 0x5455;
constexpr uint8_t kModificationTimeFlag = 0x01;
// Seconds from 1 January 1601 to 1 January 1970, and FILETIME ticks in a second.
constexpr int64_t kUnixEpochInFileTimeSeconds = 11644473600;
constexpr int64_t kTicksPerSecond = 10000000;

bool NtfsModificationTime(const uint8_t* block, size_t size, platform::FileTime& time) {
    // After 4 reserved bytes, the attributes.
    for (size_t at = 4; at + 4 <= size;) {
        const uint16_t tag = ReadLe16(block, at);
        const uint16_t attribute_size = ReadLe16(block, at + 2);
        at += 4;
        if (attribute_size > size - at) return false;
        if (tag == kNtfsTimesTag && attribute_size == kNtfsTimesSize) {
            time.ticks = ReadLe64(block, at);
            return true;
        }
        at += attribute_size;
    }
    return false;
}

bool ExtendedModificationTime(const uint8_t* block, size_t size, platform::FileTime& time) {
    if (size < 5 || (block[0] & kModificationTimeFlag) == 0) return false;
    const auto unix_seconds = static_cast<int32_t>(ReadLe32(block, 1));
    time.ticks = static_cast<uint64_t>((unix_seconds + kUnixEpochInFileTimeSeconds) * kTicksPerSecond);
    return true;
}

}  // namespace

bool ExtraFieldModificationTime(const uint8_t* extra, size_t size, platform::FileTime& time) {
    const uint8_t* block = nullptr;
    size_t block_size = 0;
    if (FindExtraRecord(extra, size, kNtfsBlock, block, block_size) && NtfsModificationTime(block, block_size, time))
        return true;
    return FindExtraRecord(extra, size, kExtendedTimestampBlock, block, block_size) &&
           ExtendedModificationTime(block, block_size, time);
}

bool EntryModificationTime(TStream& archive, const TZipHeaderInfo& entry, platform::FileTime& time) {
    const int64_t position = archive.Position();
    uint8_t header[kCentralHeaderSize];  // room for either header's fixed part
    std::vector<uint8_t> name_and_extra;
    size_t name_length = 0;
    // The name is read rather than skipped: a seek would cost the buffer its bytes.
    const auto read_extra = [&](int64_t offset, uint32_t signature, int fixed_size, size_t lengths_at) {
        archive.Seek(offset, 0);
        if (archive.Read(header, fixed_size) != fixed_size || ReadLe32(header, 0) != signature) return false;
        name_length = ReadLe16(header, lengths_at);
        name_and_extra.resize(name_length + ReadLe16(header, lengths_at + 2));
        const auto size = static_cast<int64_t>(name_and_extra.size());
        return archive.Read(name_and_extra.data(), size) == size;
    };
    const bool found =
        (read_extra(entry.CentralOffset, kCentralHeaderSignature, kCentralHeaderSize, 28) ||
         read_extra(entry.RelativeOffset, kLocalHeaderSignature, kLocalHeaderSize, 26)) &&
        ExtraFieldModificationTime(name_and_extra.data() + name_length, name_and_extra.size() - name_length, time);
    archive.Seek(position, 0);
    return found;
}

}  // namespace zip
