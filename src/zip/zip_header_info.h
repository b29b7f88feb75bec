#pragma once
// TZipHeaderInfo, one entry of the archive catalogue: the fields of a central directory
// header, field for field (sizes, offset and disk as wide as ZIP64 makes them), plus the name
// split into directory and file name.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "zip/entry_damage.h"
#include "zip/object_list.h"
#include "zip/stream.h"

namespace zip {

// Clamps the parts of a DOS date-time (time low 16 bits, date high 16 bits) into range: hour
// up to 24, minute and second up to 59, year 1980..2099, month 1..12, day 1..31. A value that
// needs no clamping comes back bit for bit.
uint32_t ClampDosDateTime(uint32_t value);

// Fixed sizes and signatures of the archive records.
constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kEndCentralSignature = 0x06054B50;
constexpr int kLocalHeaderSize = 30;
constexpr int kCentralHeaderSize = 46;
constexpr int kEndCentralSize = 22;
// A data descriptor without its signature and with 4-byte sizes: the least that follows the
// data of an entry whose flag says it has one.
constexpr uint64_t kSmallestDataDescriptor = 12;
// Bit 11 of the general purpose flag: the name (and comment) are UTF-8.
constexpr uint16_t kUtf8NameFlag = 0x0800;

class TZipHeaderInfo : public TObject {
public:
    TZipHeaderInfo() = default;
    TZipHeaderInfo(const TZipHeaderInfo& other) { Assign(other); }
    TZipHeaderInfo& operator=(const TZipHeaderInfo& other) {
        if (this != &other) Assign(other);
        return *this;
    }

    std::string ClassName() const override { return "TZipHeaderInfo"; }

    // Copies every field, both names, the comment (when the source has one) and Selected.
    void Assign(const TZipHeaderInfo& source);

    // Opens the next volume and returns it as the stream to go on reading from.
    using NextVolume = std::function<TStream*()>;

    // Fills the record from the central header at the stream's position and leaves the
    // stream after its name, extra field and comment. A header that runs past the end of a
    // volume is completed from the next one when next_volume is given (stream then points to
    // it). Values its classic fields cannot hold come from its ZIP64 record; the name is
    // converted to the ANSI code page (see UnrepresentableName). A name without its trailing
    // slash whose attributes mark a directory (the MS-DOS directory bit from MS-DOS, OS/2,
    // NTFS or VFAT, a Unix directory mode from Unix) becomes a directory when the entry holds
    // nothing; otherwise Damage is DirectoryWithData. false, with the stream back
    // at the header's start and the record unchanged, when the header is short, has the wrong
    // signature, its name or extra field is cut off or its ZIP64 record lacks a value.
    bool ReadCentralHeader(TStream*& stream, const NextVolume& next_volume);
    // Fills the record from the local header at the stream's position (sizes from its ZIP64
    // record when it has one) and leaves the stream just after the name. false, with the
    // stream back where it was, as above.
    bool ReadLocalHeader(TStream& stream);

    uint16_t VersionMadeBy = 20;
    uint16_t VersionNeeded = 20;
    uint16_t BitFlag = 0;
    uint16_t CompressionMethod = 8;
    uint32_t LastModFileDateTime = 0;  // DOS time low 16 bits, DOS date high 16 bits
    uint32_t CRC32 = 0xFFFFFFFF;
    uint64_t CompressedSize = 0;       // includes the 12-byte encryption header when encrypted
    uint64_t UncompressedSize = 0;
    uint16_t FileNameLength = 0;       // length of Directory plus length of FileName
    uint16_t ExtraFieldLength = 0;
    uint16_t FileCommentLength = 0;
    uint32_t DiskNumberStart = 0;
    uint16_t InternalAttributes = 1;
    uint32_t ExternalAttributes = 32;
    uint64_t RelativeOffset = 0;
    uint64_t CentralOffset = 0;
    bool Selected = false;
    // The header carried a ZIP64 record (a data descriptor after the data then has 8-byte sizes).
    bool Zip64 = false;
    // The stored name is UTF-8 (bit 11, or a matching Unicode path record) and holds a
    // character the ANSI code page lacks, or is not well-formed: the name kept here has '?' in
    // those places and is for showing only; the entry is refused as an unsafe path rather
    // than written under a substitute.
    bool UnrepresentableName = false;
    // The name's bytes as the header stores them (the local header must repeat them).
    std::string StoredName;
    // A contradiction the catalogue found (an overlap with another entry, data in a
    // directory); the entry is refused with it when it is reached.
    TEntryDamage Damage = TEntryDamage::None;
    // Where the entry's bytes must end on its volume: the next local header there, or the
    // central directory; the largest value when nothing is known to follow.
    uint64_t RangeLimit = UINT64_MAX;

    const std::string& FileName() const { return file_name_; }
    const std::string& Directory() const { return directory_; }
    // Each setter recomputes FileNameLength on a real change; SetDirectory appends a
    // backslash to a non-empty text that lacks one.
    void SetFileName(const std::string& name);
    void SetDirectory(const std::string& directory);

    // The comment, loaded on demand; nullptr when none is loaded.
    const std::string* FileComment() const { return file_comment_.get(); }
    // Replaces the comment and sets FileCommentLength (0 and no text for nullptr).
    void SetFileComment(const std::string* comment);

    bool Encrypted() const { return (BitFlag & 0x0001) != 0; }
    bool HasDataDescriptor() const { return (BitFlag & 0x0008) != 0; }
    bool HasComment() const { return FileCommentLength != 0; }
    // The version needed to extract is above 6.3, the highest the format defines (its low
    // byte is the version times ten; the high byte names the system).
    bool NeedsNewerVersion() const { return (VersionNeeded & 0xFF) > 63; }
    // Directory followed by FileName.
    std::string FullName() const { return directory_ + file_name_; }
    // Splits a stored name (backslashes already in place) after its last backslash or colon.
    void SetFullName(const std::string& name);

private:
    std::string file_name_;
    std::string directory_;
    std::unique_ptr<std::string> file_comment_;
};

}  // namespace zip
