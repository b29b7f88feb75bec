#include "zip/end_central.h"

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
}

bool FindEndCentral(TEndCentral& end_record, TStream& stream) {
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
        end_record.ZipCommentPos = static_cast<uint32_t>(size - tail + found + kEndCentralSize);
        return true;
    }
    return false;
}

}  // namespace zip
