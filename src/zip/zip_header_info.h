#pragma once
// TZipHeaderInfo, one entry of the archive catalogue: the fields of a central directory
// header, field for field, plus the name split into directory and file name.

#include <cstdint>
#include <memory>
#include <string>

namespace zip {

class TZipHeaderInfo {
public:
    TZipHeaderInfo() = default;
    TZipHeaderInfo(const TZipHeaderInfo& other) { Assign(other); }
    TZipHeaderInfo& operator=(const TZipHeaderInfo& other) {
        if (this != &other) Assign(other);
        return *this;
    }

    // Copies every field, both names, the comment (when the source has one) and Selected.
    void Assign(const TZipHeaderInfo& source);

    uint16_t VersionMadeBy = 20;
    uint16_t VersionNeeded = 20;
    uint16_t BitFlag = 0;
    uint16_t CompressionMethod = 8;
    uint32_t LastModFileDateTime = 0;  // DOS time low 16 bits, DOS date high 16 bits
    uint32_t CRC32 = 0xFFFFFFFF;
    int32_t CompressedSize = 0;        // includes the 12-byte encryption header when encrypted
    int32_t UncompressedSize = 0;
    uint16_t FileNameLength = 0;       // length of Directory plus length of FileName
    uint16_t ExtraFieldLength = 0;
    uint16_t FileCommentLength = 0;
    uint16_t DiskNumberStart = 0;
    uint16_t InternalAttributes = 1;
    uint32_t ExternalAttributes = 32;
    uint32_t RelativeOffset = 0;
    uint32_t CentralOffset = 0;
    bool Selected = false;

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

private:
    std::string file_name_;
    std::string directory_;
    std::unique_ptr<std::string> file_comment_;
};

}  // namespace zip
