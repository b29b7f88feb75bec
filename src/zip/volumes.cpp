// Archives that span volumes: numbered volume files (pack.001, pack.002...) or removable
// disks whose labels end in the disk number. The component asks OnGetNextDisk for a volume's
// name and opens it as the archive stream. A split archive (pack.z01, ..., pack.zip) may
// instead be read as one, its segments joined beneath the catalogue.

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "unzip/unzip_context.h"
#include "zip/split_archive.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"
#include "zip/zip_lib.h"

namespace zip {

namespace {

constexpr char kUserCanceledDisk[] = "User canceled loading new disk.";
constexpr char kNotValidZip[] = "Not a valid zip file!";

}  // namespace

std::unique_ptr<TZipFileStream> TZipExtractor::OpenArchiveStream() const {
    if (!split_) return std::make_unique<TZipFileStream>(zip_name_, platform::OpenMode::ReadDenyWrite);
    return std::make_unique<TZipFileStream>(zip_name_, std::make_unique<SplitArchiveStream>(split_));
}

void TZipExtractor::JoinSplitSegments() {
    const bool was_joined = split_ != nullptr;
    split_.reset();
    const uint32_t last_disk = end_record_.ThisDiskNumber;
    // The name of the first segment tells a split archive from numbered volume files; when
    // neither is there, the first segment is the one reported missing.
    const bool split = ReadSplitArchives && VolumeMode() == 2 && last_disk != UINT32_MAX &&
                       (FileExists(SplitSegments::SegmentName(zip_name_, 0)) ||
                        !FileExists(ReplaceExtension(zip_name_, "." + ThreeDigits(1))));
    if (!split && !was_joined) return;
    if (split) split_ = std::make_shared<const SplitSegments>(zip_name_, last_disk + 1);
    archive_stream_ = OpenArchiveStream();
    if (context_ != nullptr) context_->ArchiveStream = archive_stream_.get();
    DiskPlacement place;
    if (split_) {
        place = [segments = split_](uint32_t disk, uint64_t offset) { return segments->PositionOrNone(disk, offset); };
    }
    end_record_.Clear();
    if (!FindEndCentral(end_record_, *archive_stream_, place)) throw EBadZipFile(kNotValidZip);
    current_disk_ = static_cast<int>(end_record_.ThisDiskNumber);
    if (!split_) return;
    // One archive of one disk from here on: the directory's place in the whole, and every
    // entry on disk 0 (so entries may be taken on several threads, and their own headers are
    // at hand for their times).
    end_record_.CentralDirOffset = static_cast<uint64_t>(
        split_->Position(end_record_.CentralStartDisk, end_record_.CentralDirOffset));
    end_record_.ThisDiskNumber = 0;
    end_record_.CentralStartDisk = 0;
    end_record_.EntriesOnDisk = end_record_.TotalEntries;
    current_disk_ = 0;
    SetVolumeMode(0);
}

void TZipExtractor::PlaceInSplitArchive(TZipHeaderInfo& entry) const {
    entry.RelativeOffset = static_cast<uint64_t>(split_->Position(entry.DiskNumberStart, entry.RelativeOffset));
    entry.DiskNumberStart = 0;
}

TStream* TZipExtractor::LoadVolume(int n) {
    archive_stream_.reset();
    if (context_ != nullptr) context_->ArchiveStream = nullptr;
    std::string file_name = zip_name_;
    std::string previous_answer;
    bool asked = false;
    while (true) {
        if (OnGetNextDisk) {
            OnGetNextDisk(*this, n, file_name);
        } else {
            DefaultGetNextDisk(*this, n, file_name);
        }
        if (file_name.empty()) throw EUserCanceled(kUserCanceledDisk);
        if ((!CheckVolumeLabel() || VolumeLabelMatches(n)) && FileExists(file_name)) break;
        // Without a disk to change, the same answer for a missing file would be given again
        // and again: that ends the request like a cancelled one.
        if (VolumeMode() != 1 && asked && file_name == previous_answer) throw EUserCanceled(kUserCanceledDisk);
        if (VolumeMode() != 1 && !OnGetNextDisk) throw EUserCanceled(kUserCanceledDisk);
        previous_answer = file_name;
        asked = true;
    }
    archive_stream_ = std::make_unique<TZipFileStream>(file_name, platform::OpenMode::ReadDenyWrite);
    current_disk_ = n - 1;
    archive_date_ = ArchiveFileDate();
    has_archive_date_ = true;
    zip_name_ = file_name;
    if (context_ != nullptr) {
        context_->ArchiveStream = archive_stream_.get();
        context_->CurrentDisk = current_disk_;
    }
    return archive_stream_.get();
}

void TZipExtractor::DefaultGetNextDisk(TZipExtractor& /*sender*/, int next_disk, std::string& file_name) {
    if (VolumeMode() != 1) {
        std::string extension = ".";
        extension += ThreeDigits(next_disk);
        file_name = ReplaceExtension(file_name, extension);
        return;
    }
    platform::Dialogs& dialogs = platform::UserDialogs();
    dialogs.SetBusyCursor(false);
    const std::string question = "Please insert disk " + std::to_string(next_disk) + " of the multi-disk set.";
    const platform::DialogResult answer = dialogs.ShowMessage(question, platform::MessageKind::Confirmation,
                                                              platform::buttons::kOkCancel, platform::DialogResult::Ok);
    if (answer == platform::DialogResult::Cancel) file_name.clear();
    dialogs.SetBusyCursor(true);
}

bool TZipExtractor::VolumeLabelMatches(int n) {
    if (VolumeMode() != 1) return true;
    const std::string label = LeftText(VolumeLabel(AsciiUpper(LeftText(zip_name_, 3))), 11);
    return RightText(label, 3) == ThreeDigits(n);
}

}  // namespace zip
