#include "zip/split_archive.h"

#include <algorithm>
#include <cstdio>

#include "platform/platform.h"
#include "zip/zip_errors.h"
#include "zip/zip_lib.h"

namespace zip {

namespace {

std::string MissingSegment(const std::string& name) { return "Segment \"" + name + "\" of the split archive is missing"; }

std::string ShortSegment(const std::string& name) {
    return "Segment \"" + name + "\" of the split archive is shorter than the archive needs";
}

std::unique_ptr<platform::File> OpenSegment(const std::string& name) {
    std::unique_ptr<platform::File> file = platform::Files().OpenFile(name, platform::OpenMode::ReadDenyWrite);
    if (!file) throw EBadZipFile(MissingSegment(name));
    return file;
}

}  // namespace

std::string SplitSegments::SegmentName(const std::string& last_segment, uint32_t disk) {
    // ".z01" to ".z99", then as many digits as the number has.
    char extension[16];
    std::snprintf(extension, sizeof extension, ".z%02u", static_cast<unsigned>(disk + 1));
    return ReplaceExtension(last_segment, extension);
}

SplitSegments::SplitSegments(const std::string& last_segment, uint32_t segment_count) {
    starts_.push_back(0);
    int64_t longest_before_last = 0;
    for (uint32_t disk = 0; disk < segment_count; ++disk) {
        const bool last = disk + 1 == segment_count;
        names_.push_back(last ? last_segment : SegmentName(last_segment, disk));
        const int64_t length = std::max<int64_t>(0, OpenSegment(names_.back())->Size());
        if (!last) longest_before_last = std::max(longest_before_last, length);
        starts_.push_back(starts_.back() + length);
    }
    // A segment cut short (a download that stopped early) would move everything after it;
    // the archiver filled every segment but the last to the same size.
    for (uint32_t disk = 0; disk + 1 < segment_count; ++disk) {
        if (starts_[disk + 1] - starts_[disk] < longest_before_last) throw EBadZipFile(ShortSegment(names_[disk]));
    }
}

int64_t SplitSegments::PositionOrNone(uint32_t disk, uint64_t offset) const {
    if (disk >= Count()) return -1;
    // A place just past a segment's end is where the next one begins (or, in the last, where
    // an empty directory ends).
    if (offset > static_cast<uint64_t>(starts_[disk + 1] - starts_[disk])) return -1;
    return starts_[disk] + static_cast<int64_t>(offset);
}

int64_t SplitSegments::Position(uint32_t disk, uint64_t offset) const {
    const int64_t position = PositionOrNone(disk, offset);
    if (position >= 0) return position;
    if (disk >= Count()) throw EBadZipFile(MissingSegment(SegmentName(names_.back(), disk)));
    throw EBadZipFile(ShortSegment(names_[disk]));
}

SplitArchiveStream::SplitArchiveStream(std::shared_ptr<const SplitSegments> segments)
    : segments_(std::move(segments)) {}

int64_t SplitArchiveStream::Read(void* buffer, int64_t count) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    int64_t got = 0;
    while (got < count && position_ < segments_->Length()) {
        // The segment holding position_: the last whose start is not beyond it.
        uint32_t disk = open_disk_;
        if (!open_file_ || position_ < segments_->Start(disk) || position_ >= segments_->Start(disk + 1)) {
            disk = 0;
            while (position_ >= segments_->Start(disk + 1)) ++disk;
            open_file_.reset();
            open_file_ = OpenSegment(segments_->Name(disk));
            open_disk_ = disk;
        }
        const int64_t offset = position_ - segments_->Start(disk);
        if (open_file_->Seek(offset, platform::SeekOrigin::Begin) != offset) break;
        const int64_t wanted = std::min(count - got, segments_->Start(disk + 1) - position_);
        const int64_t read = open_file_->Read(bytes + got, wanted);
        if (read <= 0) break;
        got += read;
        position_ += read;
        if (read < wanted) break;
    }
    return got;
}

int64_t SplitArchiveStream::Seek(int64_t offset, int origin) {
    int64_t base = 0;
    if (origin == 1) base = position_;
    if (origin == 2) base = segments_->Length();
    const int64_t position = base + offset;
    if (position < 0) throw EStreamError("Seek error");
    position_ = position;
    return position_;
}

void SplitArchiveStream::SetSize(int64_t) { throw EStreamError("Cannot set the size of the file"); }

}  // namespace zip
