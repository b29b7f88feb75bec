// Archives that span volumes: numbered volume files (pack.001, pack.002...) or removable
// disks whose labels end in the disk number. The component asks OnGetNextDisk for a volume's
// name and opens it as the archive stream.

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "unzip/unzip_context.h"
#include "zip/zip_errors.h"
#include "zip/zip_extractor.h"
#include "zip/zip_lib.h"

namespace zip {

namespace {

constexpr char kUserCanceledDisk[] = "User canceled loading new disk.";

// Replaces the extension of the file name part of path (or appends one).
std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    const size_t name_start = path.find_last_of("\\/:");
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (name_start != std::string::npos && dot < name_start)) return path + extension;
    return path.substr(0, dot) + extension;
}

}  // namespace

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
