#pragma once
// TZipExtractor, the extraction component: it reads an archive's catalogue, selects entries
// by DoAll or by wildcard patterns, and extracts them into a destination directory, with
// directories recreated, existing files replaced or kept, attributes and dates set, and
// events before and after each entry. Archives that span several volumes (numbered files or
// removable disks) are followed from volume to volume; a split archive of today's archivers
// (name.z01, ..., name.zip) may instead be read as one whole (ReadSplitArchives).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "unzip/entry_decoding.h"
#include "zip/end_central.h"
#include "zip/sorted_zip.h"
#include "zip/split_archive.h"
#include "zip/zip_file_stream.h"
#include "zip/zip_header_info.h"

namespace unzip {
struct TUnZipContext;
}

namespace zip {

enum class TUZOverwriteMode { Prompt, Always, Never };
enum class TIncompleteZipMode { izAssumeMulti, izAssumeBad };
// How grave a contradiction in the archive's structure is: a warning (bytes no record
// accounts for) or an error (records that disagree about where things are).
enum class TDamageLevel { dlWarning, dlError };
using unzip::TSkipReason;
using unzip::srBadPassword;
using unzip::srNoOverwrite;
using unzip::srFileOpenError;
using unzip::srUnsafePath;

class TZipExtractor;

// Event types; every event receives the component as Sender. FileIndex is the entry's index
// in the component's entry list (as sorted by SortMode).
using TStartUnzipInfo = std::function<void(TZipExtractor& sender, int num_files, int64_t total_bytes, bool& stop_now)>;
using TFilePercentDone = std::function<void(TZipExtractor& sender, int percent)>;
using TTotalPercentDone = std::function<void(TZipExtractor& sender, int percent)>;
using TStartUnZipEvent = std::function<void(TZipExtractor& sender, int file_index, const std::string& file_name, bool& skip)>;
using TEndUnZipEvent = std::function<void(TZipExtractor& sender, int file_index, const std::string& file_name)>;
using TPromptForOverwrite =
    std::function<void(TZipExtractor& sender, bool& overwrite_it, int file_index, std::string& file_name)>;
using TSkippingFile =
    std::function<void(TZipExtractor& sender, TSkipReason reason, const std::string& file_name, int file_index)>;
using TBadPassword = std::function<void(TZipExtractor& sender, int file_index, std::string& new_password)>;
using TBadCRC = std::function<void(TZipExtractor& sender, uint32_t calculated_crc, uint32_t stored_crc, int file_index)>;
using TIncompleteZip = std::function<void(TZipExtractor& sender, TIncompleteZipMode& incomplete_mode)>;
// The archive's records contradict each other (see OnArchiveDamage); problem is a fixed text.
using TArchiveDamage = std::function<void(TZipExtractor& sender, TDamageLevel level, const std::string& problem)>;
// An entry contradicts its own records and is not extracted; EntryDamageText(damage) says how.
using TEntryDamaged = std::function<void(TZipExtractor& sender, TEntryDamage damage, int file_index)>;
using TGetNextDisk = std::function<void(TZipExtractor& sender, int next_disk, std::string& file_name)>;

class TZipExtractor : private unzip::EntryHost {
public:
    TZipExtractor();
    // Forgets the archive (closing it) and frees everything the component owns.
    ~TZipExtractor() override;
    TZipExtractor(const TZipExtractor&) = delete;
    TZipExtractor& operator=(const TZipExtractor&) = delete;

    // ---- Properties ------------------------------------------------------------------

    // Version tag: always 217.
    int ThisVersion() const { return 217; }
    void SetThisVersion(int) {}

    const std::string& ZipName() const { return zip_name_; }
    // A name equal to the present one apart from letter case changes nothing. Another name
    // forgets the catalogue (it is read at the next opening). A name ending in '?' asks for
    // the file in the open-file dialog; cancelling raises EUserCanceled "User canceled
    // setting zip file name." and changes nothing.
    virtual void SetZipName(const std::string& name);

    // The destination, kept without a trailing backslash ("C:\" reads back as "C:"). "?"
    // asks in the directory dialog; cancelling raises EUserCanceled "User canceled Set
    // Desination Directory".
    const std::string& DestDir() const { return dest_dir_; }
    void SetDestDir(const std::string& directory);

    // The leading part removed from stored directories; kept with a trailing backslash.
    const std::string& RootDir() const { return root_dir_; }
    void SetRootDir(const std::string& directory);

    // The order of the entry list; takes effect when the catalogue is next read.
    TZipSortMode SortMode = TZipSortMode::ByNone;
    bool RecreateDirs = false;
    TUZOverwriteMode OverwriteMode = TUZOverwriteMode::Prompt;
    // Wildcard patterns of the entries to extract when DoAll is false.
    std::vector<std::string> FilesList;
    bool DoAll = false;
    TIncompleteZipMode IncompleteZipMode = TIncompleteZipMode::izAssumeMulti;
    bool KeepZipOpen = false;
    bool DoProcessMessages = true;
    bool RetainAttributes = true;
    // A file's modification time from the entry's NTFS or extended timestamp extra field when
    // it has one (in an archive of one volume), else from its DOS time. Off: the DOS time
    // always, as the setup program keeps it; a command-line extractor sets it, as others do.
    bool ExtraFieldTimes = false;
    // Decode and check every selected entry without writing anything: no directories, no
    // output files, no overwrite questions (a tester's mode).
    bool TestOnly = false;
    // When set, the decoded bytes of every selected entry go to this stream one after the
    // other instead of to files: no directories, no output files, no overwrite questions
    // (a tool writing entries to its standard output). The stream stays the caller's.
    TStream* OutputStream = nullptr;
    // An output file that cannot be created is skipped (OnSkippingFile with srFileOpenError)
    // and the run goes on, instead of its EFileError ending the run.
    bool SkipUncreatableFiles = false;

    // Password for encrypted entries; OnBadPassword may replace it.
    std::string Password;

    // When set, asked just before each selected entry is run; an entry it declines is left
    // to another component sharing the archive (a tool running entries on several threads):
    // nothing happens for it here, and the count UnZip returns still includes it.
    std::function<bool(int file_index)> RunEntry;
    // When set, asked just before an entry's output file is created over whatever is at the
    // output path; false: the file cannot be created (the entry is skipped, or the run ends
    // without SkipUncreatableFiles), as when the creation itself fails.
    std::function<bool(const std::string& output_path)> BeforeCreateFile;
    // When set, told of each directory the component is about to create for an entry, every
    // missing level from the top down.
    std::function<void(const std::string& directory)> BeforeCreateDirectory;

    // A spanned archive in numbered volume files whose first segment is ZipName with the
    // extension ".z01" (or whose first numbered volume ".001" is not there) is a split archive:
    // its segments are read as one archive of one disk, with every place the archive names
    // as (disk, offset) taken as a position in the joined whole. A missing or short segment
    // raises EBadZipFile naming it. Off: the volume scheme alone, as the setup program uses it.
    bool ReadSplitArchives = false;

    virtual bool CheckVolumeLabel() const { return check_volume_label_; }
    virtual void SetCheckVolumeLabel(bool value) { check_volume_label_ = value; }
    // 0 single file, 1 removable disks, 2 numbered volume files.
    virtual int VolumeMode() const { return volume_mode_; }
    virtual void SetVolumeMode(int value) { volume_mode_ = value; }

    // ---- Events ----------------------------------------------------------------------

    TStartUnzipInfo OnStartUnZipInfo;
    TFilePercentDone OnFilePercentDone;
    TTotalPercentDone OnTotalPercentDone;
    TStartUnZipEvent OnStartUnZip;
    TEndUnZipEvent OnEndUnZip;
    TPromptForOverwrite OnPromptForOverwrite;
    TSkippingFile OnSkippingFile;
    TBadPassword OnBadPassword;
    TBadCRC OnBadCRC;
    TIncompleteZip OnInCompleteZip;
    // Told when the end records and the central directory contradict each other (a ZIP64
    // locator without its record, bytes the offsets do not account for, an entry count or
    // directory size that differs from what the directory holds) while every entry can still
    // be found. Unassigned, such an archive is refused with EBadZipFile and the problem's
    // text; assigned, the reading goes on (a tool that reports the warning).
    TArchiveDamage OnArchiveDamage;
    // An entry found damaged by its own records (sizes, local header, overlap, version)
    // before or while it is decoded; nothing of it is kept and the run goes on.
    TEntryDamaged OnEntryDamaged;
    // Supplies a volume's file name; DefaultGetNextDisk unless replaced (an empty function
    // falls back to it too).
    TGetNextDisk OnGetNextDisk;

    // ---- Operations ------------------------------------------------------------------

    // Extracts the selected entries of ZipName into DestDir; returns the number of selected
    // entries less those skipped or rejected. Exceptions leave after the output file is
    // closed and the sort mode restored.
    int UnZip();

    // Entries of the catalogue (opening the archive and reading it first when needed).
    // Index errors raise EListError "Index %d is out of range".
    int Count();
    std::string EntryFileName(int index);
    std::string EntryFullName(int index);
    const TZipHeaderInfo& Entry(int index);
    std::string EntryComment(int index);
    void SetEntryComment(int index, const std::string& comment);
    std::string ArchiveComment();
    void SetArchiveComment(const std::string& comment);
    const TEndCentral& EndRecord() const { return end_record_; }

    // Opens the archive and (re)reads the catalogue when there is none or the file's date
    // changed since it was read.
    void OpenArchive();
    // Closes the archive file unless KeepZipOpen.
    void CloseArchive();
    // Forgets the archive: closes it, drops the catalogue and empties ZipName.
    void ClearArchive();
    // Opens volume n (counted from 1) as the archive stream, asking OnGetNextDisk for its name
    // until the file is there; EUserCanceled "User canceled loading new disk." when the
    // answer is an empty name (also for a numbered volume file that does not exist).
    TStream* LoadVolume(int n);
    // The component's own answer to OnGetNextDisk.
    void DefaultGetNextDisk(TZipExtractor& sender, int next_disk, std::string& file_name);
    // True unless volumes are removable disks whose label does not end in n ("%3.3d").
    bool VolumeLabelMatches(int n);

    // Catalogue operations.
    void ReadCatalogue();
    // Lists the entries from their local headers; false when there is none, or when an
    // entry's size is known neither from its header nor from a data descriptor after it.
    bool RebuildFromLocalHeaders();
    // RebuildFromLocalHeaders, or EBadZipFile "Not a valid zip file!" when it fails.
    void RebuildOrReject();
    void ApplySortMode(TZipSortMode mode);

    bool Rebuilding() const { return rebuilding_; }
    int NumberOfDisks() const { return number_of_disks_; }
    int CurrentDisk() const { return current_disk_; }

private:
    // EntryHost: the component's steps inside the decoding of one entry.
    const TZipHeaderInfo& EntryAt(int file_index) override;
    bool IsMultiVolume() override { return end_record_.ThisDiskNumber > 0; }
    TStream* LoadVolumeStream(int volume_number) override { return LoadVolume(volume_number); }
    bool ComposeDirectory(const TZipHeaderInfo& entry, std::string& directory) override;
    void DirectoryEntryReached(int file_index, const std::string& directory) override;
    bool DecideOverwrite(int file_index, const TZipHeaderInfo& entry, std::string& output_path) override;
    std::unique_ptr<TStream> CreateOutputFile(const std::string& output_path) override;
    bool StartUnZip(int file_index, const std::string& output_path) override;
    void ApplyAttributesAndDate(const TZipHeaderInfo& entry, const std::string& output_path) override;
    void EndUnZip(int file_index, const std::string& output_path) override;
    void SkippingFile(TSkipReason reason, const std::string& name, int file_index) override;
    bool BadPassword(int file_index, std::string& new_password) override;
    void BadCrc(uint32_t calculated_crc, uint32_t stored_crc, int file_index) override;
    void EntryDamaged(TEntryDamage damage, int file_index) override;
    void UnknownCompressionMethod(int method) override;
    void DeleteOutputFile(const std::string& output_path) override;
    std::string& CurrentPassword() override { return Password; }

    // False in the modes that write no files (TestOnly, OutputStream).
    bool WritesFiles() const { return !TestOnly && OutputStream == nullptr; }
    void FreeCatalogue();
    void CheckIndex(int index) const;
    uint64_t ArchiveFileDate();
    // The parts of ReadCatalogue that may fail; ReadCatalogue clears what they left.
    void ReadCatalogueParts();
    // Reads the end record's entries; offset_shift is added to every local header offset.
    void ReadCentralDirectory(bool rebuilt, uint64_t offset_shift);
    // With end_record_ just read from archive_stream_: reads a split archive's segments as one
    // from here on (the archive stream joins them, the end record names positions in the
    // whole and disk 0), or goes back to the last segment alone when the archive is no longer
    // split. Nothing changes for any other archive.
    void JoinSplitSegments();
    // An entry of a split archive read as one: its local header's place as a position in the
    // whole, on disk 0.
    void PlaceInSplitArchive(TZipHeaderInfo& entry) const;
    // The archive stream: the last segment alone, or the segments joined when split_.
    std::unique_ptr<TZipFileStream> OpenArchiveStream() const;
    void RunSelectedEntries(unzip::TUnZipContext& context);
    // Reports a contradiction in the archive's structure through OnArchiveDamage, or refuses
    // the archive (ClearArchive, EBadZipFile with problem) when no handler takes it.
    void ArchiveDamage(TDamageLevel level, const std::string& problem);
    // After the directory was read from directory_start (its offsets moved by offset_shift):
    // marks overlapping entries, and in an archive of one volume takes headers beyond the
    // count and checks the count and the directory's end against the end record.
    void CheckDirectoryAgainstEndRecord(uint64_t directory_start, uint64_t offset_shift);

    std::string zip_name_;
    std::string dest_dir_;
    std::string root_dir_;
    bool check_volume_label_ = true;
    int volume_mode_ = 0;

    std::unique_ptr<TZipFileStream> archive_stream_;
    std::shared_ptr<const SplitSegments> split_;  // the segments, while a split archive is read as one
    std::unique_ptr<TSortedZip> catalogue_;
    std::unique_ptr<TSortedZip> separate_view_;  // the SortedView when it is not the catalogue
    TSortedZip* sorted_view_ = nullptr;
    TEndCentral end_record_;
    TZipSortMode applied_sort_mode_ = TZipSortMode::ByNone;
    uint64_t archive_date_ = 0;
    bool has_archive_date_ = false;
    int current_disk_ = 0;
    int number_of_disks_ = 1;
    bool rebuilding_ = false;
    unzip::TUnZipContext* context_ = nullptr;  // the run's decoding context while UnZip runs
};

}  // namespace zip
