#pragma once
// TEndCentral, the end-of-central-directory record: where the central directory is, how many
// entries it has, and where the archive comment lies. An archive whose values do not fit the
// record (more than 65,535 entries, a directory beyond 4 GiB) or whose writer always says so
// has a ZIP64 end record and its locator before it; their values then stand here.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "zip/object_list.h"
#include "zip/stream.h"

namespace zip {

// What was wrong with the ZIP64 end record that a locator announced.
enum class Zip64EndFault {
    None,
    Missing,    // not where the locator says, nor right before the locator
    Malformed,  // its size field does not reach the locator, or a value is beyond any file position
};

class TEndCentral : public TObject {
public:
    TEndCentral() { Clear(); }
    TEndCentral(const TEndCentral& other) : TObject() { Assign(other); }
    TEndCentral& operator=(const TEndCentral& other) {
        if (this != &other) Assign(other);
        return *this;
    }
    std::string ClassName() const override { return "TEndCentral"; }

    // Back to the cleared values; the comment is freed.
    void Clear();
    // Copies the record's fields, the comment length, a copy of the comment and its position.
    void Assign(const TEndCentral& source);
    bool HasComment() const { return ZipCommentLength != 0; }

    uint32_t Signature = 0x06054B50;
    uint32_t ThisDiskNumber = 0;    // non-zero: the archive spans volumes
    uint32_t CentralStartDisk = 0;
    uint64_t EntriesOnDisk = 0;
    uint64_t TotalEntries = 0;
    uint64_t CentralSize = 0;
    uint64_t CentralDirOffset = 0;
    uint16_t ZipCommentLength = 0;
    std::unique_ptr<std::string> ZipComment;  // loaded on demand
    uint64_t ZipCommentPos = 0;               // just after the record
    bool CommentChanged = false;
    // Where the central directory ends as the file lies: the ZIP64 end record's position when
    // there is one, else the end record's (bytes in front of an archive show as the difference
    // from CentralDirOffset + CentralSize).
    uint64_t DirectoryEndPos = 0;
    bool Zip64 = false;             // the values came from a ZIP64 end record
    Zip64EndFault Zip64Fault = Zip64EndFault::None;
};

// The largest tail searched for the end record.
constexpr int kEndCentralSearchBytes = 0xFFF8;

// Searches the last 65,528 bytes of stream backwards for the end record and fills
// end_record from the occurrence nearest the end, and from the ZIP64 end record when a
// locator before it leads to one (in this stream: the last volume of a spanned archive); a
// locator whose record is missing or malformed is noted in Zip64Fault. false
// when the stream is shorter than a record, the tail cannot be read or no signature is found;
// end_record is then unchanged. place, when given, says where an offset from the start of a
// disk lies in stream (-1: nowhere), for the segments of a split archive read as one.
using DiskPlacement = std::function<int64_t(uint32_t disk, uint64_t offset)>;
bool FindEndCentral(TEndCentral& end_record, TStream& stream, const DiskPlacement& place = {});

}  // namespace zip
