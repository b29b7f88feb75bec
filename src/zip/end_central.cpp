#include "zip/end_central.h"

#include <cstdint>
#include <vector>

#include "zip/zip_header_info.h"
#include "zip/zip_lib.h"

namespace zip {

void TEndCentral::Clear() {
    Signature = kEndCentralSignature;
    ThisDiskNumber = 0;
    CentralStartDisk = 0;
    EntriesOnDisk = 0;
    TotalEntries = 0;
    CentralSize = 0;
    CentralDirOffset = 0;
    ZipCommentLength = 0;
    ZipComment.reset();
    ZipCommentPos = 0;
    CommentChanged = false;
    DirectoryEndPos = 0;
    Zip64 = false;
    Zip64Fault = Zip64EndFault::None;
}

void TEndCentral::Assign(const TEndCentral& source) {
    if (&source == this) return;
    Signature = source.Signature;
    ThisDiskNumber = source.ThisDiskNumber;
    CentralStartDisk = source.CentralStartDisk;
    EntriesOnDisk = source.EntriesOnDisk;
    TotalEntries = source.TotalEntries;
    CentralSize = source.CentralSize;
    CentralDirOffset = source.CentralDirOffset;
    ZipCommentLength = source.ZipCommentLength;
    ZipComment = source.ZipComment ? std::make_unique<std::string>(*source.ZipComment) : nullptr;
    ZipCommentPos = source.ZipCommentPos;
    DirectoryEndPos = source.DirectoryEndPos;
    Zip64 = source.Zip64;
    Zip64Fault = source.Zip64Fault;
}

namespace {

constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr int kZip64LocatorSize = 20;
constexpr int kZip64EndSize = 56;  // without its extensible data

// Reads the ZIP64 end record at position into record; false when it is not there whole.
bool ReadZip64End(TStream& stream, int64_t position, uint8_t (&record)[kZip64EndSize]) {
    if (position < 0 || position > stream.GetSize() - kZip64EndSize) return false;
    stream.Seek(position, 0);
    return stream.Read(record, kZip64EndSize) == kZip64EndSize && ReadLe32(record, 0) == kZip64EndSignature;
}

// Takes the values of the ZIP64 end record that the locator just before the end record at
// end_position leads to (place turns the locator's disk and offset into a position of the
// stream, where the stream joins several). Nothing changes when there is no locator; a locator
// without its record, or with one that is malformed, leaves the end record's own values and
// is noted.
void ReadZip64Values(TEndCentral& end_record, TStream& stream, int64_t end_position, const DiskPlacement& place) {
    const int64_t locator_position = end_position - kZip64LocatorSize;
    if (locator_position < 0) return;
    uint8_t locator[kZip64LocatorSize];
    stream.Seek(locator_position, 0);
    if (stream.Read(locator, kZip64LocatorSize) != kZip64LocatorSize || ReadLe32(locator, 0) != kZip64LocatorSignature) {
        return;
    }
    uint8_t record[kZip64EndSize];
    const uint64_t written_offset = ReadLe64(locator, 8);
    int64_t position = written_offset > static_cast<uint64_t>(INT64_MAX) ? -1 : static_cast<int64_t>(written_offset);
    if (place) position = place(ReadLe32(locator, 4), written_offset);
    if (!ReadZip64End(stream, position, record)) {
        // Bytes in front of the archive move the record away from its written offset; it
        // usually ends right before the locator.
        position = locator_position - kZip64EndSize;
        if (!ReadZip64End(stream, position, record) || ReadLe64(record, 4) != kZip64EndSize - 12) {
            end_record.Zip64Fault = Zip64EndFault::Missing;
            return;
        }
    }
    // The record, with its extensible data, ends where the locator starts.
    const uint64_t rest_size = ReadLe64(record, 4);
    const uint64_t record_span = static_cast<uint64_t>(locator_position - position);
    if (rest_size < kZip64EndSize - 12 || rest_size != record_span - 12) end_record.Zip64Fault = Zip64EndFault::Malformed;
    // Counts, sizes and offsets beyond any file position are no values: the record is ignored.
    for (const size_t field : {24, 32, 40, 48}) {
        if (ReadLe64(record, field) > static_cast<uint64_t>(INT64_MAX)) {
            end_record.Zip64Fault = Zip64EndFault::Malformed;
            return;
        }
    }
    end_record.ThisDiskNumber = ReadLe32(record, 16);
    end_record.CentralStartDisk = ReadLe32(record, 20);
    end_record.EntriesOnDisk = ReadLe64(record, 24);
    end_record.TotalEntries = ReadLe64(record, 32);
    end_record.CentralSize = ReadLe64(record, 40);
    end_record.CentralDirOffset = ReadLe64(record, 48);
    end_record.DirectoryEndPos = static_cast<uint64_t>(position);
    end_record.Zip64 = true;
}

}  // namespace

bool FindEndCentral(TEndCentral& end_record, TStream& stream, const DiskPlacement& place) {
    const int64_t size = stream.GetSize();
    if (size < kEndCentralSize) return false;
    const int64_t tail = size < kEndCentralSearchBytes ? size : kEndCentralSearchBytes;
    std::vector<uint8_t> buffer(static_cast<size_t>(tail));
    stream.Seek(size - tail, 0);
    if (stream.Read(buffer.data(), tail) != tail) return false;
    // Backwards from the last place a whole record fits. A record whose comment ends exactly
    // at the end of the file is preferred, so an archive comment that happens to hold the
    // signature bytes cannot hide the real record behind it; when no record fits that way the
    // one nearest the end is taken.
    int64_t nearest = -1;
    int64_t consistent = -1;
    for (int64_t at = tail - kEndCentralSize; at >= 0; --at) {
        if (buffer[at] != 'P' || ReadLe32(buffer.data(), static_cast<size_t>(at)) != kEndCentralSignature) continue;
        if (nearest < 0) nearest = at;
        const int64_t comment_length = ReadLe16(buffer.data(), static_cast<size_t>(at) + 20);
        if (at + kEndCentralSize + comment_length == tail) {
            consistent = at;
            break;
        }
    }
    const int64_t found = consistent >= 0 ? consistent : nearest;
    if (found >= 0) {
        const uint8_t* record = buffer.data() + found;
        end_record.ThisDiskNumber = ReadLe16(record, 4);
        end_record.CentralStartDisk = ReadLe16(record, 6);
        end_record.EntriesOnDisk = ReadLe16(record, 8);
        end_record.TotalEntries = ReadLe16(record, 10);
        end_record.CentralSize = ReadLe32(record, 12);
        end_record.CentralDirOffset = ReadLe32(record, 16);
        end_record.ZipCommentLength = ReadLe16(record, 20);
        // The comment follows the record, also when bytes trail the archive.
        const int64_t end_position = size - tail + found;
        end_record.ZipCommentPos = static_cast<uint64_t>(end_position + kEndCentralSize);
        end_record.DirectoryEndPos = static_cast<uint64_t>(end_position);
        end_record.Zip64 = false;
        end_record.Zip64Fault = Zip64EndFault::None;
        ReadZip64Values(end_record, stream, end_position, place);
        return true;
    }
    return false;
}

}  // namespace zip
