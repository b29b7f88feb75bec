#include "zip/zip_header_info.h"

#include <vector>

#include "platform/platform.h"
#include "platform/system.h"
#include "zip/extra_fields.h"
#include "zip/zip_lib.h"

namespace zip {

uint32_t ClampDosDateTime(uint32_t value) {
    const uint32_t time = value & 0xFFFF;
    const uint32_t date = value >> 16;
    uint32_t hour = time >> 11;
    uint32_t minute = (time >> 5) & 0x3F;
    uint32_t second = (time & 0x1F) * 2;
    uint32_t year = 1980 + (date >> 9);
    uint32_t month = (date >> 5) & 0x0F;
    uint32_t day = date & 0x1F;
    bool clamped = false;
    auto clamp_above = [&clamped](uint32_t& part, uint32_t limit) {
        if (part > limit) {
            part = limit;
            clamped = true;
        }
    };
    auto clamp_below = [&clamped](uint32_t& part, uint32_t limit) {
        if (part < limit) {
            part = limit;
            clamped = true;
        }
    };
    clamp_above(hour, 24);  // 24:00 is accepted as it is
    clamp_above(minute, 59);
    clamp_above(second, 59);
    clamp_above(year, 2099);
    clamp_above(month, 12);
    clamp_below(month, 1);
    clamp_above(day, 31);
    clamp_below(day, 1);
    if (!clamped) return value;
    const uint32_t new_time = (hour << 11) | (minute << 5) | (second / 2);
    const uint32_t new_date = ((year - 1980) << 9) | (month << 5) | day;
    return (new_date << 16) | new_time;
}

void TZipHeaderInfo::Assign(const TZipHeaderInfo& source) {
    if (&source == this) return;
    VersionMadeBy = source.VersionMadeBy;
    VersionNeeded = source.VersionNeeded;
    BitFlag = source.BitFlag;
    CompressionMethod = source.CompressionMethod;
    LastModFileDateTime = source.LastModFileDateTime;
    CRC32 = source.CRC32;
    CompressedSize = source.CompressedSize;
    UncompressedSize = source.UncompressedSize;
    FileNameLength = source.FileNameLength;
    ExtraFieldLength = source.ExtraFieldLength;
    FileCommentLength = source.FileCommentLength;
    DiskNumberStart = source.DiskNumberStart;
    InternalAttributes = source.InternalAttributes;
    ExternalAttributes = source.ExternalAttributes;
    RelativeOffset = source.RelativeOffset;
    CentralOffset = source.CentralOffset;
    Zip64 = source.Zip64;
    UnrepresentableName = source.UnrepresentableName;
    StoredName = source.StoredName;
    Damage = source.Damage;
    RangeLimit = source.RangeLimit;
    file_name_ = source.file_name_;
    directory_ = source.directory_;
    if (source.file_comment_) {
        file_comment_ = std::make_unique<std::string>(*source.file_comment_);
    } else {
        file_comment_.reset();
    }
    Selected = source.Selected;
}

void TZipHeaderInfo::SetFileName(const std::string& name) {
    if (name == file_name_) return;
    file_name_ = name;
    FileNameLength = static_cast<uint16_t>(directory_.size() + file_name_.size());
}

void TZipHeaderInfo::SetDirectory(const std::string& directory) {
    std::string value = directory;
    if (!value.empty() && value.back() != '\\') value += '\\';
    if (value == directory_) return;
    directory_ = value;
    FileNameLength = static_cast<uint16_t>(directory_.size() + file_name_.size());
}

void TZipHeaderInfo::SetFileComment(const std::string* comment) {
    if (comment == nullptr) {
        file_comment_.reset();
        FileCommentLength = 0;
        return;
    }
    file_comment_ = std::make_unique<std::string>(*comment);
    FileCommentLength = static_cast<uint16_t>(comment->size());
}

void TZipHeaderInfo::SetFullName(const std::string& name) {
    const size_t split = name.find_last_of("\\:");
    if (split == std::string::npos) {
        SetDirectory({});
        SetFileName(name);
    } else {
        SetDirectory(name.substr(0, split + 1));
        SetFileName(name.substr(split + 1));
    }
    FileNameLength = static_cast<uint16_t>(directory_.size() + file_name_.size());
}

namespace {

// Reads count bytes of a header's variable part; false when they are not all there.
bool ReadBytes(TStream& stream, uint16_t count, std::string& bytes) {
    bytes.assign(count, '\0');
    return count == 0 || stream.Read(bytes.data(), count) == count;
}

// A stored name as the program holds it: converted to the ANSI code page, from UTF-8 when the
// entry says so (bit 11) or a Unicode path record matches the name, else from the OEM code
// page; then '/' become '\', so that every later check sees the name as it will be used.
// representable is false when a UTF-8 name cannot be held by the code page.
std::string ConvertedName(const std::string& stored, uint16_t bit_flag, const std::string& extra, bool& representable) {
    std::string utf8;
    const bool is_utf8 = (bit_flag & kUtf8NameFlag) != 0;
    if (is_utf8) utf8 = stored;
    std::string name;
    if (is_utf8 || UnicodePathName(reinterpret_cast<const uint8_t*>(extra.data()), extra.size(), stored, utf8)) {
        representable = platform::Machine().Utf8ToAnsi(utf8, name);
    } else {
        representable = true;
        name = platform::Machine().OemToAnsi(stored);
    }
    SlashesToBackslashes(name);
    return name;
}

// True when the external attributes mark a directory in the way of the system that made the
// entry (the high byte of "version made by"): the MS-DOS directory attribute for MS-DOS, OS/2
// and NTFS (and the FAT of Windows tools), or a Unix mode of a directory.
bool AttributesMarkDirectory(uint16_t version_made_by, uint32_t external_attributes) {
    constexpr uint32_t kDosDirectory = 0x10;
    constexpr uint32_t kUnixTypeMask = 0xF000;
    constexpr uint32_t kUnixDirectory = 0x4000;
    switch (version_made_by >> 8) {
        case 0:   // MS-DOS
        case 6:   // OS/2
        case 11:  // NTFS
        case 14:  // VFAT
            return (external_attributes & kDosDirectory) != 0;
        case 3:  // Unix
            return ((external_attributes >> 16) & kUnixTypeMask) == kUnixDirectory;
        default:
            return false;
    }
}

}  // namespace

bool TZipHeaderInfo::ReadCentralHeader(TStream*& stream, const NextVolume& next_volume) {
    int64_t start = stream->Position();
    uint8_t header[kCentralHeaderSize];
    int64_t got = stream->Read(header, kCentralHeaderSize);
    if (got < 0) got = 0;
    const bool signature_seen = got >= 4 && ReadLe32(header, 0) == kCentralHeaderSignature;
    if ((got == 0 || (got < kCentralHeaderSize && signature_seen)) && next_volume) {
        // The header continues on the next volume.
        stream = next_volume();
        start = stream->Position() - got;
        const int64_t more = stream->Read(header + got, kCentralHeaderSize - got);
        if (more > 0) got += more;
    }
    auto fail = [&stream, &start] {
        stream->Seek(start < 0 ? 0 : start, 0);
        return false;
    };
    if (got != kCentralHeaderSize || ReadLe32(header, 0) != kCentralHeaderSignature) return fail();
    const uint16_t extra_length = ReadLe16(header, 30);
    const uint16_t comment_length = ReadLe16(header, 32);
    std::string stored_name;
    std::string extra;
    if (!ReadBytes(*stream, ReadLe16(header, 28), stored_name) || !ReadBytes(*stream, extra_length, extra)) {
        return fail();
    }
    uint64_t relative_offset = ReadLe32(header, 42);
    uint32_t disk_number_start = ReadLe16(header, 34);
    Zip64Values values{ReadLe32(header, 24), ReadLe32(header, 20), &relative_offset, &disk_number_start};
    bool zip64 = false;
    if (!ApplyZip64Record(reinterpret_cast<const uint8_t*>(extra.data()), extra.size(), values, zip64)) return fail();
    stream->Seek(comment_length, 1);

    const uint16_t bit_flag = ReadLe16(header, 8);
    bool representable = true;
    const std::string name = ConvertedName(stored_name, bit_flag, extra, representable);
    VersionMadeBy = ReadLe16(header, 4);
    VersionNeeded = ReadLe16(header, 6);
    BitFlag = bit_flag;
    CompressionMethod = ReadLe16(header, 10);
    LastModFileDateTime = ClampDosDateTime(ReadLe32(header, 12));
    CRC32 = ReadLe32(header, 16);
    CompressedSize = values.compressed_size;
    UncompressedSize = values.uncompressed_size;
    ExtraFieldLength = extra_length;
    FileCommentLength = comment_length;
    DiskNumberStart = disk_number_start;
    InternalAttributes = ReadLe16(header, 36);
    ExternalAttributes = ReadLe32(header, 38);
    RelativeOffset = relative_offset;
    Zip64 = zip64;
    UnrepresentableName = !representable;
    StoredName = stored_name;
    Damage = TEntryDamage::None;
    RangeLimit = UINT64_MAX;
    SetFullName(name);
    // A directory named without its trailing slash is one only while it holds nothing;
    // otherwise the entry contradicts itself.
    if (!file_name_.empty() && AttributesMarkDirectory(VersionMadeBy, ExternalAttributes)) {
        if (UncompressedSize == 0) {
            SetFullName(name + "\\");
        } else {
            Damage = TEntryDamage::DirectoryWithData;
        }
    }
    file_comment_.reset();
    Selected = false;
    CentralOffset = static_cast<uint64_t>(start);
    return true;
}

bool TZipHeaderInfo::ReadLocalHeader(TStream& stream) {
    const int64_t start = stream.Position();
    uint8_t header[kLocalHeaderSize];
    auto fail = [&stream, start] {
        stream.Seek(start, 0);
        return false;
    };
    if (stream.Read(header, kLocalHeaderSize) != kLocalHeaderSize || ReadLe32(header, 0) != kLocalHeaderSignature) {
        return fail();
    }
    const uint16_t extra_length = ReadLe16(header, 28);
    std::string stored_name;
    std::string extra;
    if (!ReadBytes(stream, ReadLe16(header, 26), stored_name)) return fail();
    const int64_t after_name = stream.Position();
    if (!ReadBytes(stream, extra_length, extra)) return fail();
    Zip64Values values{ReadLe32(header, 22), ReadLe32(header, 18)};
    bool zip64 = false;
    if (!ApplyZip64Record(reinterpret_cast<const uint8_t*>(extra.data()), extra.size(), values, zip64)) return fail();
    stream.Seek(after_name, 0);

    const uint16_t bit_flag = ReadLe16(header, 6);
    bool representable = true;
    const std::string name = ConvertedName(stored_name, bit_flag, extra, representable);
    VersionMadeBy = 0;
    VersionNeeded = ReadLe16(header, 4);
    BitFlag = bit_flag;
    CompressionMethod = ReadLe16(header, 8);
    LastModFileDateTime = ClampDosDateTime(ReadLe32(header, 10));
    CRC32 = ReadLe32(header, 14);
    CompressedSize = values.compressed_size;
    UncompressedSize = values.uncompressed_size;
    ExtraFieldLength = extra_length;
    FileCommentLength = 0;
    DiskNumberStart = 0;
    InternalAttributes = 0;
    ExternalAttributes = 0;
    CentralOffset = 0;
    RelativeOffset = static_cast<uint64_t>(start);
    Zip64 = zip64;
    UnrepresentableName = !representable;
    StoredName = stored_name;
    Damage = TEntryDamage::None;
    RangeLimit = UINT64_MAX;
    SetFullName(name);
    file_comment_.reset();
    Selected = false;
    return true;
}

}  // namespace zip
