#pragma once
// Split archives of today's archivers: one ZIP cut into segments of the size the user chose,
// name.z01, name.z02, ... and the last one name.zip, which holds the end records. The
// archive's records name a place as a disk number (0 for name.z01) and an offset from the
// start of that segment; read as one, the segments follow each other and a place becomes
// the start of its segment plus its offset, so that an entry or the central directory that
// runs on from one segment into the next reads straight through.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "zip/stream.h"

namespace zip {

// The segments of one split archive, as they lie on the disk.
class SplitSegments {
public:
    // Finds the segment_count segments of the archive whose last segment is last_segment and
    // measures them. EBadZipFile naming the segment when one is missing, or when one before
    // the last is shorter than the others (every segment but the last is of the split size).
    SplitSegments(const std::string& last_segment, uint32_t segment_count);

    // The file name of segment disk (counted from 0).
    static std::string SegmentName(const std::string& last_segment, uint32_t disk);

    uint32_t Count() const { return static_cast<uint32_t>(names_.size()); }
    const std::string& Name(uint32_t disk) const { return names_[disk]; }
    int64_t Start(uint32_t disk) const { return starts_[disk]; }
    // The length of all segments together.
    int64_t Length() const { return starts_.back(); }
    // The position in the joined whole of offset in segment disk. EBadZipFile naming the
    // segment when it does not reach that far (or is not one of the archive's).
    int64_t Position(uint32_t disk, uint64_t offset) const;
    // The same, -1 where Position raises.
    int64_t PositionOrNone(uint32_t disk, uint64_t offset) const;

private:
    std::vector<std::string> names_;
    std::vector<int64_t> starts_;  // one more than the segments: the last is the whole length
};

// The segments read as one stream, one segment file open at a time. Read only: writing
// gives nothing and SetSize raises EStreamError.
class SplitArchiveStream : public TStream {
public:
    explicit SplitArchiveStream(std::shared_ptr<const SplitSegments> segments);
    // Reads across segment ends; fewer bytes only at the end of the last segment, or where a
    // segment gives fewer than it measured (EBadZipFile naming it when it cannot be opened).
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, int origin) override;
    int64_t GetSize() override { return segments_->Length(); }
    void SetSize(int64_t size) override;

private:
    std::shared_ptr<const SplitSegments> segments_;
    int64_t position_ = 0;
    uint32_t open_disk_ = 0;
    std::unique_ptr<platform::File> open_file_;  // segment open_disk_, when one is open
};

}  // namespace zip
