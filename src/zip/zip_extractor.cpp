// The extraction component: properties, opening and forgetting the archive, the UnZip run
// and the component's own steps around the decoding of each entry.

#include "zip/zip_extractor.h"

#include <algorithm>

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "unzip/unzip_context.h"
#include "zip/entry_path.h"
#include "zip/extra_field_times.h"
#include "zip/wildcard_match.h"
#include "zip/zip_errors.h"
#include "zip/zip_lib.h"

namespace zip {

namespace {

// Where the decoded bytes of an entry go when no file is written: counted, and passed on to
// the component's OutputStream when there is one (dropped when testing). The count is the
// entry's own, which the decoders' size guard reads as the output's position.
class EntryOutputStream : public TStream {
public:
    explicit EntryOutputStream(TStream* target) : target_(target) {}
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void* buffer, int64_t count) override {
        if (target_ != nullptr) count = std::max<int64_t>(0, target_->Write(buffer, count));
        position_ += count;
        if (position_ > size_) size_ = position_;
        return count;
    }
    int64_t Seek(int64_t offset, int origin) override {
        if (origin == 0) position_ = offset;
        if (origin == 1) position_ += offset;
        if (origin == 2) position_ = size_ + offset;
        return position_;
    }
    int64_t GetSize() override { return size_; }
    void SetSize(int64_t size) override { size_ = size; }

private:
    TStream* target_;
    int64_t position_ = 0;
    int64_t size_ = 0;
};

}  // namespace

TZipExtractor::TZipExtractor() = default;

TZipExtractor::~TZipExtractor() { ClearArchive(); }

// ---- Properties ----------------------------------------------------------------------

void TZipExtractor::SetZipName(const std::string& name) {
    if (platform::Machine().CompareTextIgnoreCase(name, zip_name_) == 0 && name.size() == zip_name_.size()) return;
    std::string chosen = name;
    if (!name.empty() && name.back() == '?') {
        const std::string directory = ExtractFileDirectory(name.substr(0, name.size() - 1));
        chosen = !directory.empty() && DirectoryExists(directory) ? directory : "C:\\";
        const bool picked = platform::UserDialogs().OpenFile(
            "Open a Zip File", "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|All Files (*.*)|*.*",
            chosen);
        if (!picked) throw EUserCanceled("User canceled setting zip file name.");
    }
    zip_name_ = chosen;
    FreeCatalogue();
    archive_date_ = 0;
    has_archive_date_ = false;
    end_record_.Clear();
    archive_stream_.reset();
    split_.reset();
    rebuilding_ = false;
}

void TZipExtractor::SetDestDir(const std::string& directory) {
    std::string value = directory;
    if (directory == "?") {
        value = dest_dir_;
        if (!DirectoryExists(dest_dir_ + "\\")) value = CurrentDirectory();
        if (!platform::UserDialogs().SelectDirectory(value, true)) {
            throw EUserCanceled("User canceled Set Desination Directory");
        }
    }
    if (!value.empty() && value.back() == '\\') value.pop_back();
    dest_dir_ = value;
}

void TZipExtractor::SetRootDir(const std::string& directory) {
    root_dir_ = directory;
    if (!root_dir_.empty() && root_dir_.back() != '\\') root_dir_ += '\\';
}

// ---- Opening and closing ---------------------------------------------------------------

void TZipExtractor::OpenArchive() {
    if (!archive_stream_) archive_stream_ = OpenArchiveStream();
    // The catalogue is kept while the archive file's date is the one it was read at.
    if (catalogue_ && has_archive_date_ && ArchiveFileDate() == archive_date_) return;
    ReadCatalogue();
}

void TZipExtractor::CloseArchive() {
    // A comment read from an event handler in the middle of a run must not close the stream
    // the run is reading from.
    if (context_ != nullptr) return;
    if (!KeepZipOpen) archive_stream_.reset();
}

void TZipExtractor::ClearArchive() {
    archive_stream_.reset();
    split_.reset();
    if (context_ != nullptr) context_->ArchiveStream = nullptr;
    FreeCatalogue();
    end_record_.Clear();
    rebuilding_ = false;
    archive_date_ = 0;
    has_archive_date_ = false;
    number_of_disks_ = 1;
    SetVolumeMode(0);
    zip_name_.clear();
}

// ---- The UnZip run -----------------------------------------------------------------------

int TZipExtractor::UnZip() {
    OpenArchive();
    auto context = std::make_unique<unzip::TUnZipContext>();
    context->ArchiveStream = archive_stream_.get();
    context->CurrentDisk = current_disk_;
    context->MultiVolume = end_record_.ThisDiskNumber > 0;
    context->DoProcessMessages = DoProcessMessages;
    context->hooks.process_messages = [] { platform::UserDialogs().ProcessMessages(); };
    context->hooks.load_volume = [this](int volume_number) { return LoadVolume(volume_number); };
    if (OnFilePercentDone) context->hooks.file_percent_done = [this](int percent) { OnFilePercentDone(*this, percent); };
    if (OnTotalPercentDone) context->hooks.total_percent_done = [this](int percent) { OnTotalPercentDone(*this, percent); };

    // The context goes, and the sort mode comes back, however the run ends.
    struct RunGuard {
        TZipExtractor& component;
        bool restore_sort = false;
        TZipSortMode previous = TZipSortMode::ByNone;
        ~RunGuard() {
            component.context_ = nullptr;
            if (restore_sort) component.ApplySortMode(previous);
        }
    } guard{*this};
    context_ = context.get();

    if (WritesFiles() && !dest_dir_.empty() && !DirectoryExists(dest_dir_)) ForceDirectories(dest_dir_);
    if (end_record_.ThisDiskNumber != 0 && SortMode != TZipSortMode::ByNone) {
        // Volumes are taken in archive order, so each is asked for only once.
        guard.restore_sort = true;
        guard.previous = SortMode;
        ApplySortMode(TZipSortMode::ByNone);
    }

    context->TotalBytes = 0;
    context->TotalBytesDone = 0;
    context->FilesExtracted = Count();
    for (int i = 0; i < Count(); ++i) {
        TZipHeaderInfo& entry = *sorted_view_->Entry(i);
        entry.Selected = DoAll;
        if (!entry.FileName().empty() || RecreateDirs) {
            const std::string name = AsciiLower(entry.FullName());
            for (const std::string& pattern : FilesList) {
                if (WildcardMatch(AsciiLower(pattern), name) == kWildcardMatch) {
                    entry.Selected = true;
                    break;
                }
            }
        } else {
            entry.Selected = false;  // a directory entry while directories are not recreated
        }
        if (entry.Selected) {
            context->TotalBytes += entry.UncompressedSize;
        } else {
            --context->FilesExtracted;
        }
    }

    bool stop_now = false;
    if (OnStartUnZipInfo) OnStartUnZipInfo(*this, context->FilesExtracted, context->TotalBytes, stop_now);
    if (context->FilesExtracted > 0 && !stop_now) RunSelectedEntries(*context);
    const int extracted = context->FilesExtracted;
    context_ = nullptr;
    CloseArchive();
    return extracted;
}

void TZipExtractor::RunSelectedEntries(unzip::TUnZipContext& context) {
    for (int i = 0; i < Count(); ++i) {
        if (!DoAll && !sorted_view_->Entry(i)->Selected) continue;
        if (RunEntry && !RunEntry(i)) continue;
        do {
            context.ArchiveStream = archive_stream_.get();
            context.CurrentDisk = current_disk_;
            unzip::UnZipEntry(context, *this, i);
        } while (context.RetryEntry);
    }
}

// ---- Steps around the decoding of one entry ----------------------------------------------

bool TZipExtractor::ComposeDirectory(const TZipHeaderInfo& entry, std::string& directory) {
    // A name the ANSI code page cannot hold is never written under a substitute.
    if (entry.UnrepresentableName) return false;
    if (!entry.FileName().empty() && !IsSafeFileName(entry.FileName())) return false;
    if (!RecreateDirs || entry.Directory().empty()) {
        directory = dest_dir_ + "\\";
        return true;
    }
    std::string stored = entry.Directory();
    if (!root_dir_.empty() && stored.size() >= root_dir_.size() &&
        platform::Machine().CompareTextIgnoreCase(stored.substr(0, root_dir_.size()), root_dir_) == 0) {
        stored.erase(0, root_dir_.size());
    }
    if (!ComposeEntryDirectory(dest_dir_, stored, directory)) return false;
    if (!WritesFiles()) return true;
    const std::string without_separator = directory.substr(0, directory.size() - 1);
    if (without_separator.empty() || DirectoryExists(without_separator)) return true;
    if (BeforeCreateDirectory) {
        std::vector<std::string> missing{without_separator};
        for (size_t slash = without_separator.rfind('\\'); slash != std::string::npos && slash > 0;
             slash = without_separator.rfind('\\', slash - 1)) {
            const std::string level = without_separator.substr(0, slash);
            if (DirectoryExists(level)) break;
            missing.push_back(level);
        }
        for (auto level = missing.rbegin(); level != missing.rend(); ++level) BeforeCreateDirectory(*level);
    }
    ForceDirectories(without_separator);
    return true;
}

void TZipExtractor::DirectoryEntryReached(int file_index, const std::string& directory) {
    if (!RecreateDirs || !OnStartUnZip) return;
    bool skip = false;  // has no effect on a directory
    OnStartUnZip(*this, file_index, directory, skip);
}

bool TZipExtractor::DecideOverwrite(int file_index, const TZipHeaderInfo& entry, std::string& output_path) {
    if (!WritesFiles() || OverwriteMode == TUZOverwriteMode::Always || !FileExists(output_path)) return true;
    bool overwrite = false;
    if (OverwriteMode == TUZOverwriteMode::Prompt) {
        if (OnPromptForOverwrite) {
            OnPromptForOverwrite(*this, overwrite, file_index, output_path);
        } else {
            const platform::DialogResult answer = platform::UserDialogs().ShowMessage(
                "Replace existing file " + entry.FileName() + "?", platform::MessageKind::Custom,
                platform::buttons::kYesNo, platform::DialogResult::Yes, "File Exists Alert");
            overwrite = answer == platform::DialogResult::Yes;
        }
    }
    if (overwrite) return true;
    SkippingFile(srNoOverwrite, entry.FullName(), file_index);
    return false;
}

std::unique_ptr<TStream> TZipExtractor::CreateOutputFile(const std::string& output_path) {
    if (!WritesFiles()) return std::make_unique<EntryOutputStream>(TestOnly ? nullptr : OutputStream);
    if (BeforeCreateFile && !BeforeCreateFile(output_path)) {
        if (SkipUncreatableFiles) return nullptr;
        throw EFileError("Cannot create file \"" + output_path + "\"");
    }
    if (!SkipUncreatableFiles) return std::make_unique<TZipFileStream>(output_path, platform::OpenMode::Create);
    try {
        return std::make_unique<TZipFileStream>(output_path, platform::OpenMode::Create);
    } catch (const EFileError&) {
        return nullptr;
    }
}

bool TZipExtractor::StartUnZip(int file_index, const std::string& output_path) {
    bool skip = false;
    if (OnStartUnZip) OnStartUnZip(*this, file_index, output_path, skip);
    return skip;
}

void TZipExtractor::ApplyAttributesAndDate(const TZipHeaderInfo& entry, const std::string& output_path) {
    if (!WritesFiles()) return;
    platform::FileSystem& files = platform::Files();
    // The date goes first: a file that becomes read-only could not take it afterwards.
    platform::FileTime time;
    // The entry's headers lie in one stream only in an archive of one volume.
    const bool headers_at_hand = context_ != nullptr && context_->ArchiveStream != nullptr && !context_->MultiVolume;
    if ((ExtraFieldTimes && headers_at_hand && EntryModificationTime(*context_->ArchiveStream, entry, time)) ||
        platform::DosDateTimeToFileTime(entry.LastModFileDateTime, time))
        files.SetLastWriteTime(output_path, time);
    if (!RetainAttributes) return;
    // Only the attribute bits a file can carry; the high half of the field holds the
    // permissions of the system that made the archive.
    uint32_t attributes = entry.ExternalAttributes &
                          (platform::attribute::kReadOnly | platform::attribute::kHidden |
                           platform::attribute::kSystem | platform::attribute::kArchive);
    if (attributes == 0) attributes = platform::attribute::kNormal;
    files.SetAttributes(output_path, attributes);
}

void TZipExtractor::EndUnZip(int file_index, const std::string& output_path) {
    if (OnEndUnZip) OnEndUnZip(*this, file_index, output_path);
}

void TZipExtractor::SkippingFile(TSkipReason reason, const std::string& name, int file_index) {
    if (OnSkippingFile) OnSkippingFile(*this, reason, name, file_index);
}

bool TZipExtractor::BadPassword(int file_index, std::string& new_password) {
    if (!OnBadPassword) return false;
    OnBadPassword(*this, file_index, new_password);
    return true;
}

void TZipExtractor::BadCrc(uint32_t calculated_crc, uint32_t stored_crc, int file_index) {
    if (OnBadCRC) OnBadCRC(*this, calculated_crc, stored_crc, file_index);
}

void TZipExtractor::EntryDamaged(TEntryDamage damage, int file_index) {
    if (OnEntryDamaged) OnEntryDamaged(*this, damage, file_index);
}

void TZipExtractor::UnknownCompressionMethod(int /*method*/) {
    platform::UserDialogs().ShowMessage("Unknown Compression Method", platform::MessageKind::Custom,
                                        platform::buttons::kOk, platform::DialogResult::Ok, "Zip Error");
}

void TZipExtractor::DeleteOutputFile(const std::string& output_path) {
    if (!WritesFiles()) return;
    platform::FileSystem& files = platform::Files();
    // The stored attributes were applied already; a read-only mark must not keep a rejected
    // file on disk.
    files.SetAttributes(output_path, platform::attribute::kNormal);
    files.DeleteFile(output_path);
}

}  // namespace zip
