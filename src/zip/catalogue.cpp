// The extraction component's catalogue: reading the end record and the central directory,
// rebuilding the list from the local headers when the directory is not where the end record
// says, the sorted view, and comments read on demand.

#include <memory>

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "zip/entry_ranges.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"
#include "zip/zip_lib.h"

namespace zip {

namespace {

constexpr char kNotValidZip[] = "Not a valid zip file!";
// The contradictions between the end records and the directory.
constexpr char kZip64EndMissing[] = "ZIP64 end record missing where its locator says";
constexpr char kZip64EndMalformed[] = "ZIP64 end record malformed";
constexpr char kDirectoryBeforeFile[] = "central directory would start before the beginning of the file";
constexpr char kDirectoryNotFound[] = "central directory not where the end record says";
constexpr char kExtraBytes[] = "extra bytes at beginning or within zipfile";
constexpr char kEntryCountDiffers[] = "entry count in the end record differs from the central directory";
constexpr char kDirectorySizeDiffers[] = "central directory size differs from the end record";

// True when stream is at a central header; the stream stays where it was.
bool AtCentralHeader(TStream& stream) {
    uint8_t signature[4] = {};
    const int64_t got = stream.Read(signature, 4);
    if (got > 0) stream.Seek(-got, 1);
    return got == 4 && ReadLe32(signature, 0) == kCentralHeaderSignature;
}

// Keeps the archive stream's position across a read that an event handler may make in the
// middle of a run (a comment), so the entry being decoded goes on from where it was. Nothing
// is restored when the stream was closed or replaced meanwhile.
class KeptPosition {
public:
    explicit KeptPosition(const std::unique_ptr<TZipFileStream>& stream)
        : stream_(stream), kept_(stream.get()), position_(kept_ != nullptr ? kept_->Position() : 0) {}
    ~KeptPosition() {
        if (kept_ != nullptr && stream_.get() == kept_) kept_->Seek(position_, 0);
    }
    KeptPosition(const KeptPosition&) = delete;
    KeptPosition& operator=(const KeptPosition&) = delete;

private:
    const std::unique_ptr<TZipFileStream>& stream_;
    TZipFileStream* kept_;
    int64_t position_;
};

}  // namespace

void TZipExtractor::FreeCatalogue() {
    separate_view_.reset();
    sorted_view_ = nullptr;
    catalogue_.reset();
}

uint64_t TZipExtractor::ArchiveFileDate() {
    platform::FileTime time;
    if (!archive_stream_ || !archive_stream_->Handle().GetLastWriteTime(time)) return 0;
    return time.ticks;
}

void TZipExtractor::ReadCatalogue() {
    archive_date_ = ArchiveFileDate();
    has_archive_date_ = true;
    FreeCatalogue();
    end_record_.Clear();
    try {
        ReadCatalogueParts();
    } catch (...) {
        // No partial list survives: the next operation reads the archive again and meets
        // the same fault.
        FreeCatalogue();
        end_record_.Clear();
        archive_date_ = 0;
        has_archive_date_ = false;
        rebuilding_ = false;
        throw;
    }
}

void TZipExtractor::ArchiveDamage(TDamageLevel level, const std::string& problem) {
    if (OnArchiveDamage) {
        OnArchiveDamage(*this, level, problem);
        return;
    }
    ClearArchive();
    throw EBadZipFile(problem);
}

void TZipExtractor::ReadCatalogueParts() {
    bool rebuilt = false;
    uint64_t offset_shift = 0;
    uint64_t directory_start = 0;
    if (FindEndCentral(end_record_, *archive_stream_)) {
        current_disk_ = end_record_.ThisDiskNumber;
        if (end_record_.ThisDiskNumber != 0) {
            const bool removable = zip_name_.size() >= 2 && zip_name_[1] == ':' &&
                                   platform::Files().GetDriveType(LeftText(zip_name_, 3)) == platform::DriveType::Removable;
            SetVolumeMode(removable ? 1 : 2);
        } else {
            SetVolumeMode(0);
        }
        JoinSplitSegments();
        if (end_record_.Zip64Fault == Zip64EndFault::Missing) {
            ArchiveDamage(TDamageLevel::dlError, kZip64EndMissing);
        } else if (end_record_.Zip64Fault == Zip64EndFault::Malformed) {
            ArchiveDamage(TDamageLevel::dlError, kZip64EndMalformed);
        }
        // The directory ends where the (ZIP64) end record starts; one that would have to
        // start before the file's first byte is not where the end record says.
        const uint64_t directory_end = end_record_.DirectoryEndPos;
        const bool starts_before_file = end_record_.CentralSize > directory_end;
        if (end_record_.TotalEntries == 0 && end_record_.CentralSize != 0) {
            ArchiveDamage(TDamageLevel::dlError, kEntryCountDiffers);
        }
        if (end_record_.TotalEntries != 0) {
            if (end_record_.ThisDiskNumber != 0 && static_cast<int>(end_record_.CentralStartDisk) != current_disk_) {
                LoadVolume(static_cast<int>(end_record_.CentralStartDisk) + 1);
            }
            if (starts_before_file) ArchiveDamage(TDamageLevel::dlError, kDirectoryBeforeFile);
            directory_start = end_record_.CentralDirOffset;
            archive_stream_->Seek(static_cast<int64_t>(directory_start), 0);
            // Bytes in front of the archive (a self-extracting program, a prepended download
            // header) move everything by their length while the offsets stay as written: the
            // directory then ends right before the end record (or the ZIP64 end record), and
            // the difference is added to every offset, with a warning, since the end record
            // does not account for them (a self-extractor's offsets that do stay valid). Only
            // when it is not there either is the list rebuilt.
            const uint64_t implied = starts_before_file ? 0 : directory_end - end_record_.CentralSize;
            bool found = AtCentralHeader(*archive_stream_);
            if (!found && end_record_.ThisDiskNumber == 0 && implied > end_record_.CentralDirOffset) {
                archive_stream_->Seek(static_cast<int64_t>(implied), 0);
                found = AtCentralHeader(*archive_stream_);
                if (found) {
                    offset_shift = implied - end_record_.CentralDirOffset;
                    directory_start = implied;
                    ArchiveDamage(TDamageLevel::dlWarning, kExtraBytes);
                }
            }
            if (!found) {
                ArchiveDamage(TDamageLevel::dlError, kDirectoryNotFound);
                RebuildOrReject();
                rebuilt = true;
            }
        }
    } else {
        TIncompleteZipMode mode = IncompleteZipMode;
        if (OnInCompleteZip) {
            OnInCompleteZip(*this, mode);
            IncompleteZipMode = mode;
        }
        if (mode == TIncompleteZipMode::izAssumeMulti) {
            ClearArchive();
            throw EIncompleteZip("Incomplete Zip File");
        }
        RebuildOrReject();
        rebuilt = true;
    }

    if (!rebuilt) catalogue_ = std::make_unique<TSortedZip>(TZipSortMode::ByNone, 2, true);
    sorted_view_ = catalogue_.get();
    ReadCentralDirectory(rebuilt, offset_shift);
    if (!rebuilt && end_record_.TotalEntries != 0) CheckDirectoryAgainstEndRecord(directory_start, offset_shift);

    const bool multi_volume = end_record_.ThisDiskNumber != 0;
    if (multi_volume && end_record_.ZipCommentLength != 0) {
        if (current_disk_ != static_cast<int>(end_record_.ThisDiskNumber)) {
            LoadVolume(static_cast<int>(end_record_.ThisDiskNumber) + 1);
        }
        auto comment = std::make_unique<std::string>(end_record_.ZipCommentLength, '\0');
        archive_stream_->Seek(static_cast<int64_t>(end_record_.ZipCommentPos), 0);
        const int64_t got = archive_stream_->Read(comment->data(), end_record_.ZipCommentLength);
        comment->resize(static_cast<size_t>(got > 0 ? got : 0));
        end_record_.ZipComment = std::move(comment);
    }
    number_of_disks_ = static_cast<int>(end_record_.ThisDiskNumber) + 1;
    // current_disk_ already names the volume that is open: after loading the volume of the
    // central directory it is that one, not the one holding the end record.
    ApplySortMode(SortMode);
}

void TZipExtractor::CheckDirectoryAgainstEndRecord(uint64_t directory_start, uint64_t offset_shift) {
    const uint64_t directory_end = end_record_.DirectoryEndPos;
    MarkOverlappingEntries(*catalogue_, end_record_.CentralStartDisk, directory_start);
    // Past the headers the end record counts, the directory of one volume may hold more: an
    // old tool writes a count above 65,535 without ZIP64 as the count modulo 65,536. Such
    // headers are taken when they fill the directory exactly to the end record, silently
    // when their number is a multiple of 65,536; any other difference is damage.
    const bool one_volume = end_record_.ThisDiskNumber == 0 && end_record_.CentralStartDisk == 0;
    if (!one_volume) return;
    uint64_t beyond_count = 0;
    while (static_cast<uint64_t>(archive_stream_->Position()) < directory_end && AtCentralHeader(*archive_stream_)) {
        auto entry = std::make_unique<TZipHeaderInfo>();
        TStream* stream = archive_stream_.get();
        if (!entry->ReadCentralHeader(stream, {})) break;
        entry->RelativeOffset += offset_shift;
        catalogue_->Add(entry.get());
        entry.release();
        ++beyond_count;
    }
    if (beyond_count != 0) MarkOverlappingEntries(*catalogue_, end_record_.CentralStartDisk, directory_start);
    const bool fills_directory = static_cast<uint64_t>(archive_stream_->Position()) == directory_end;
    if (beyond_count != 0 && (end_record_.Zip64 || beyond_count % 0x10000 != 0 || !fills_directory)) {
        ArchiveDamage(TDamageLevel::dlError, kEntryCountDiffers);
    }
    if (!fills_directory) ArchiveDamage(TDamageLevel::dlError, kDirectorySizeDiffers);
    end_record_.TotalEntries += beyond_count;
}

void TZipExtractor::ReadCentralDirectory(bool rebuilt, uint64_t offset_shift) {
    const bool multi_volume = end_record_.ThisDiskNumber != 0;
    TZipHeaderInfo::NextVolume next_volume;
    if (VolumeMode() != 0 && !rebuilt) {
        next_volume = [this]() -> TStream* { return LoadVolume(current_disk_ + 2); };
    }
    for (uint64_t i = 0; i < end_record_.TotalEntries; ++i) {
        auto entry = std::make_unique<TZipHeaderInfo>();
        TStream* stream = archive_stream_.get();
        const bool read = entry->ReadCentralHeader(stream, next_volume);
        if (!read) {
            if (rebuilt) continue;
            // A header that cannot be read would leave a default record behind, which would
            // clash with a real entry at offset 0: the directory is damaged, say so.
            ClearArchive();
            throw EBadZipFile(kNotValidZip);
        }
        // The shift is less than the file's length, and ZIP64 offsets are below 2^63: the
        // sum cannot overflow, and an offset it carries past the directory is an overlap.
        entry->RelativeOffset += offset_shift;
        if (split_) PlaceInSplitArchive(*entry);
        if (multi_volume && entry->FileCommentLength != 0) {
            // Comments of a multi-volume archive are read now, while their volume is open.
            const uint16_t length = entry->FileCommentLength;
            archive_stream_->Seek(-static_cast<int64_t>(length), 1);
            std::string comment(length, '\0');
            const int64_t got = archive_stream_->Read(comment.data(), length);
            comment.resize(static_cast<size_t>(got > 0 ? got : 0));
            entry->SetFileComment(&comment);
            entry->FileCommentLength = length;
        }
        if (!rebuilt) {
            // Add may refuse a duplicate with an exception: the record is the list's only
            // once it has been taken.
            catalogue_->Add(entry.get());
            entry.release();
            continue;
        }
        int index = 0;
        if (catalogue_->Find(entry.get(), index)) {
            TZipHeaderInfo* existing = catalogue_->Entry(index);
            const uint64_t own_offset = existing->RelativeOffset;
            existing->Assign(*entry);
            existing->RelativeOffset = own_offset;
        }
    }
}

void TZipExtractor::ApplySortMode(TZipSortMode mode) {
    separate_view_.reset();
    if (!catalogue_ || mode == TZipSortMode::ByNone) {
        sorted_view_ = catalogue_.get();
        SortMode = mode;
        return;
    }
    auto view = std::make_unique<TSortedZip>(mode, 1, false);
    for (int i = 0; i < catalogue_->Count(); ++i) view->Add(catalogue_->Get(i));
    separate_view_ = std::move(view);
    sorted_view_ = separate_view_.get();
    SortMode = mode;
}

int TZipExtractor::Count() { return catalogue_ ? catalogue_->Count() : 0; }

void TZipExtractor::CheckIndex(int index) const {
    const int count = catalogue_ ? catalogue_->Count() : 0;
    if (index >= 0 && index < count && sorted_view_ != nullptr) return;
    std::string message = "Index %d is out of range";
    message.replace(message.find("%d"), 2, std::to_string(index));
    throw EListError(message);
}

const TZipHeaderInfo& TZipExtractor::Entry(int index) {
    CheckIndex(index);
    return *sorted_view_->Entry(index);
}

const TZipHeaderInfo& TZipExtractor::EntryAt(int file_index) { return Entry(file_index); }

std::string TZipExtractor::EntryFileName(int index) { return Entry(index).FileName(); }

std::string TZipExtractor::EntryFullName(int index) { return Entry(index).FullName(); }

std::string TZipExtractor::EntryComment(int index) {
    CheckIndex(index);
    {
        const TZipHeaderInfo& entry = *sorted_view_->Entry(index);
        if (entry.FileCommentLength == 0) return {};
        if (entry.FileComment() != nullptr) return *entry.FileComment();
    }
    KeptPosition kept(archive_stream_);
    OpenArchive();
    CheckIndex(index);  // the catalogue may have been read again
    TZipHeaderInfo& entry = *sorted_view_->Entry(index);
    if (entry.FileComment() != nullptr) return *entry.FileComment();
    std::string comment;
    archive_stream_->Seek(static_cast<int64_t>(entry.CentralOffset), 0);
    uint8_t header[kCentralHeaderSize];
    if (archive_stream_->Read(header, kCentralHeaderSize) == kCentralHeaderSize &&
        ReadLe32(header, 0) == kCentralHeaderSignature) {
        archive_stream_->Seek(static_cast<int64_t>(ReadLe16(header, 28)) + ReadLe16(header, 30), 1);
        comment.assign(ReadLe16(header, 32), '\0');
        const int64_t got = archive_stream_->Read(comment.data(), static_cast<int64_t>(comment.size()));
        comment.resize(static_cast<size_t>(got > 0 ? got : 0));
        const uint16_t length = entry.FileCommentLength;
        entry.SetFileComment(&comment);
        entry.FileCommentLength = length;
    }
    CloseArchive();
    return comment;
}

void TZipExtractor::SetEntryComment(int index, const std::string& comment) {
    CheckIndex(index);
    TZipHeaderInfo& entry = *sorted_view_->Entry(index);
    const std::string present = entry.FileComment() != nullptr ? *entry.FileComment() : std::string();
    if (comment == present && (entry.FileComment() != nullptr || entry.FileCommentLength == 0)) return;
    entry.SetFileComment(comment.empty() ? nullptr : &comment);
    end_record_.CommentChanged = true;
}

std::string TZipExtractor::ArchiveComment() {
    if (end_record_.ZipCommentLength == 0) return {};
    if (end_record_.ZipComment) return *end_record_.ZipComment;
    KeptPosition kept(archive_stream_);
    OpenArchive();
    if (end_record_.ZipComment) return *end_record_.ZipComment;
    auto comment = std::make_unique<std::string>(end_record_.ZipCommentLength, '\0');
    archive_stream_->Seek(static_cast<int64_t>(end_record_.ZipCommentPos), 0);
    const int64_t got = archive_stream_->Read(comment->data(), end_record_.ZipCommentLength);
    comment->resize(static_cast<size_t>(got > 0 ? got : 0));
    std::string text = *comment;
    end_record_.ZipComment = std::move(comment);
    CloseArchive();
    return text;
}

void TZipExtractor::SetArchiveComment(const std::string& comment) {
    const std::string present = end_record_.ZipComment ? *end_record_.ZipComment : std::string();
    if (comment == present && (end_record_.ZipComment || end_record_.ZipCommentLength == 0)) return;
    end_record_.ZipComment = comment.empty() ? nullptr : std::make_unique<std::string>(comment);
    end_record_.ZipCommentLength = static_cast<uint16_t>(comment.size());
    end_record_.CommentChanged = true;
}

}  // namespace zip
