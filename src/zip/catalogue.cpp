// The extraction component's catalogue: reading the end record and the central directory,
// rebuilding the list from the local headers when the directory is not where the end record
// says, the sorted view, and comments read on demand.

#include <memory>

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"
#include "zip/zip_lib.h"

namespace zip {

namespace {

constexpr char kNotValidZip[] = "Not a valid zip file!";
constexpr int64_t kSelfExtractorSize = 14000;  // the rebuild scan starts past the program
constexpr int kMessageInterval = 10240;

// Shows the busy cursor while it lives.
class BusyCursor {
public:
    BusyCursor() { platform::UserDialogs().SetBusyCursor(true); }
    ~BusyCursor() { platform::UserDialogs().SetBusyCursor(false); }
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

// Scans the file for local headers under the busy cursor; a file without any is not a ZIP
// archive, and the catalogue is left empty.
void TZipExtractor::RebuildOrReject() {
    bool found = false;
    {
        BusyCursor busy;
        found = RebuildFromLocalHeaders();
    }
    if (!found) {
        ClearArchive();
        throw EBadZipFile(kNotValidZip);
    }
}

void TZipExtractor::ReadCatalogue() {
    archive_date_ = ArchiveFileDate();
    has_archive_date_ = true;
    FreeCatalogue();
    end_record_.Clear();

    bool rebuilt = false;
    if (FindEndCentral(end_record_, *archive_stream_)) {
        current_disk_ = end_record_.ThisDiskNumber;
        if (end_record_.ThisDiskNumber != 0) {
            const bool removable = zip_name_.size() >= 2 && zip_name_[1] == ':' &&
                                   platform::Files().GetDriveType(LeftText(zip_name_, 3)) == platform::DriveType::Removable;
            SetVolumeMode(removable ? 1 : 2);
        } else {
            SetVolumeMode(0);
        }
        if (end_record_.TotalEntries != 0) {
            if (end_record_.ThisDiskNumber != 0 && end_record_.CentralStartDisk != current_disk_) {
                LoadVolume(end_record_.CentralStartDisk + 1);
            }
            archive_stream_->Seek(end_record_.CentralDirOffset, 0);
            uint8_t signature[4] = {};
            if (archive_stream_->Read(signature, 4) == 4 && ReadLe32(signature, 0) == kCentralHeaderSignature) {
                archive_stream_->Seek(-4, 1);
            } else {
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
    ReadCentralDirectory(rebuilt);

    const bool multi_volume = end_record_.ThisDiskNumber != 0;
    if (multi_volume && end_record_.ZipCommentLength != 0) {
        if (current_disk_ != end_record_.ThisDiskNumber) LoadVolume(end_record_.ThisDiskNumber + 1);
        auto comment = std::make_unique<std::string>(end_record_.ZipCommentLength, '\0');
        archive_stream_->Seek(end_record_.ZipCommentPos, 0);
        const int64_t got = archive_stream_->Read(comment->data(), end_record_.ZipCommentLength);
        comment->resize(static_cast<size_t>(got > 0 ? got : 0));
        end_record_.ZipComment = std::move(comment);
    }
    number_of_disks_ = end_record_.ThisDiskNumber + 1;
    // current_disk_ already names the volume that is open: after loading the volume of the
    // central directory it is that one, not the one holding the end record.
    ApplySortMode(SortMode);
}

void TZipExtractor::ReadCentralDirectory(bool rebuilt) {
    const bool multi_volume = end_record_.ThisDiskNumber != 0;
    TZipHeaderInfo::NextVolume next_volume;
    if (VolumeMode() != 0 && !rebuilt) {
        next_volume = [this]() -> TStream* { return LoadVolume(current_disk_ + 2); };
    }
    for (int i = 0; i < end_record_.TotalEntries; ++i) {
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
            const uint32_t own_offset = existing->RelativeOffset;
            existing->Assign(*entry);
            existing->RelativeOffset = own_offset;
        }
    }
}

bool TZipExtractor::RebuildFromLocalHeaders() {
    rebuilding_ = true;
    FreeCatalogue();
    TZipFileStream& stream = *archive_stream_;
    const bool self_extractor = RightText(zip_name_, 4) == ".EXE";
    stream.Seek(self_extractor ? kSelfExtractorSize : 0, 0);

    static constexpr uint8_t kSignature[4] = {'P', 'K', 3, 4};
    int matched = 0;
    int64_t other_bytes = 0;
    uint8_t byte = 0;
    while (matched < 4) {
        if (stream.Read(&byte, 1) != 1) return false;
        if (byte == kSignature[matched]) {
            ++matched;
            continue;
        }
        // A mismatch restarts the search at this very byte, so "PPK\3\4" is found.
        matched = byte == 'P' ? 1 : 0;
        if (byte != 'P' && ++other_bytes % kMessageInterval == 0 && DoProcessMessages) {
            platform::UserDialogs().ProcessMessages();
        }
    }
    stream.Seek(-4, 1);

    catalogue_ = std::make_unique<TSortedZip>(TZipSortMode::ByNone, 2, true);
    sorted_view_ = catalogue_.get();
    while (catalogue_->Count() < kMaxListSize) {
        auto entry = std::make_unique<TZipHeaderInfo>();
        if (!entry->ReadLocalHeader(stream)) break;
        // Sizes are taken as unsigned, so the scan only ever moves forward.
        int64_t skip = static_cast<int64_t>(static_cast<uint32_t>(entry->CompressedSize)) + entry->ExtraFieldLength;
        if (entry->HasDataDescriptor()) skip += 16;
        catalogue_->Add(entry.get());
        entry.release();
        stream.Seek(skip, 1);
    }
    end_record_.ThisDiskNumber = 0;
    current_disk_ = 0;
    end_record_.CentralDirOffset = static_cast<uint32_t>(stream.Position());
    end_record_.TotalEntries = static_cast<uint16_t>(catalogue_->Count());
    number_of_disks_ = 1;
    return true;
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
    OpenArchive();
    CheckIndex(index);  // the catalogue may have been read again
    TZipHeaderInfo& entry = *sorted_view_->Entry(index);
    if (entry.FileComment() != nullptr) return *entry.FileComment();
    std::string comment;
    archive_stream_->Seek(entry.CentralOffset, 0);
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
    OpenArchive();
    if (end_record_.ZipComment) return *end_record_.ZipComment;
    auto comment = std::make_unique<std::string>(end_record_.ZipCommentLength, '\0');
    archive_stream_->Seek(end_record_.ZipCommentPos, 0);
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
