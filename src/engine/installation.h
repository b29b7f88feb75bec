#pragma once
// The installation itself, apart from its window: the run over the payload volumes, the
// placement of each extracted file, the final stage and the failure path. The progress
// window (TInstF3) owns one Installation and hands it the extraction component's events;
// tests drive it with a view and an extractor of their own.

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/folder_holds.h"
#include "engine/install_settings.h"
#include "engine/rollback.h"
#include "platform/exit_code.h"

namespace engine {

// What the installation asks of the window that shows it.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void SetProgressMax(int maximum) = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual int ProgressPosition() = 0;
    // Lets pending window messages run, so the window keeps painting.
    virtual void ProcessMessages() = 0;
    virtual void HideWindow() = 0;
    // The run's changes are committed or undone: nothing of it is left to put right.
    virtual void Settled() {}
    // Asks the application to end with code once the current modal loops return.
    virtual void Terminate(platform::ExitCode code) = 0;
};

// What the installation asks of the extraction component. UnZip extracts every entry of the
// archive named last into the destination directory, calling back TotalPercentDone and
// EndUnZip of the installation as it goes, and raises an exception when the archive cannot
// be read or an event handler fails.
class PayloadExtractor {
public:
    virtual ~PayloadExtractor() = default;
    virtual void SetPassword(const std::string& password) = 0;
    virtual void SetDestDir(const std::string& directory) = 0;
    virtual void SetZipName(const std::string& name) = 0;
    virtual void UnZip() = 0;
    virtual int Count() = 0;
    // The entry's stored directory and file name, relative, with backslashes.
    virtual std::string EntryFullName(int index) = 0;
};

// Takes the lines of an administrator's record of the run, one at a time: what was placed,
// replaced, kept or could not be placed, the cause of a data-copy error, the set-up utility
// started or not. The setup layer writes them to the record /LOG= asks for.
using ReportLine = std::function<void(const std::string& line)>;

// Raised by the final stage when the uninstall log cannot be read or written, and by the
// end-of-entry event when an entry was left out; it leaves the extraction, and the run then
// takes its failure path.
class InstallError : public std::exception {
public:
    explicit InstallError(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Clears the read-only bit of file when it is set.
void ClearReadOnly(const std::string& file);

// Writes one file association under the classes root; the first failing write abandons the
// rest of that association, silently. Each key is recorded in journal before its value is
// set: undoing the run deletes the keys it created and gives the others their old values.
void RegisterFileExt(const std::string& ext, const std::string& program_dir, const std::string& program_file,
                     const std::string& description, int32_t icon_index, RollbackJournal& journal);

// Writes the shortcut file link_file opening target; true only when every step succeeded.
// Names longer than the shell link's 199 characters are cut to 199.
bool CreateShortcut(const std::string& target, const std::string& args, const std::string& work_dir,
                    const std::string& link_file);

// The shortcut file name as CreateShortcut saves it.
std::string ShortcutFileName(const std::string& link_file);

// Starts program through the shell without waiting; mode 0 shows it normally.
bool StartProgram(const std::string& program, const std::string& params, const std::string& dir, int32_t mode);

// How the base product's set-up utility is started after a clean run.
enum class UtilityStart {
    None,           // not at all: none named, missing, or switched off
    Elevated,       // with the program's own rights: only administrators can change it
    AsDesktopUser,  // others can change it: as the desktop's user, without administrator rights
    Refused,        // others can change it and the system cannot start it without those rights
};

class Installation {
public:
    // settings and view must outlive the installation.
    Installation(InstallSettings& settings, ProgressView& view);

    // Where the run reports what it does; without one, nowhere.
    void SetReport(ReportLine report) { report_ = std::move(report); }
    // Why the entry (archive path) failed, as the extractor told it (a CRC error, a wrong
    // password, damaged data, a system error with its text): the data-copy error names it in
    // the report. The first cause of a run is kept.
    void NoteEntryFailure(const std::string& entry, const std::string& cause);

    // The whole run: expands the macros of the settings, prepares the destination, extracts
    // every volume and places its files, and ends in the final stage or in AbortInstall.
    // Entered once; a second call does nothing.
    void Run(PayloadExtractor& extractor);

    // Progress event of the extractor: percent done of the current volume.
    void TotalPercentDone(int32_t percent);
    // End-of-entry event: the entry file_index has been written to the extraction directory
    // and passed its check. Raises InstallError when an entry before it was not reported.
    // The file waits for its place with the ones after it (see PlacePending), at the latest
    // until the last entry of its volume is reported.
    void EndUnZip(int32_t file_index);

    // Moves one extracted file (archive path, backslashes) from the extraction directory to
    // its place.
    void PlaceFile(const std::string& path);
    // Places the extracted files that wait for their place, in the order they came. The
    // records of the files that go where nothing is are flushed to the disk together, not
    // one by one; a waiting file must not be extracted over, so an entry whose extraction
    // would meet one places them first.
    void PlacePending();
    // Shortcuts, associations, the uninstall log, the final message and the set-up utility.
    void FinishInstall();
    // The failure path: reports, undoes every change of the run and ends the program.
    void AbortInstall();

    // The final message for the present failure lists (turned into messages in place), and
    // whether there were problems. Without problems it says whether the set-up utility will
    // be started, as PlanUtilityStart decides (kept for the start itself).
    std::string ComposeFinalMessage(bool& problems);
    // How the set-up utility would be started now: as administrator only when nobody but
    // administrators can change it, its folder, the destination or a library, manifest or
    // redirection file beside it, and its folder can be held (until the process has started).
    UtilityStart PlanUtilityStart();

    // State of the run, readable by the window and by tests.
    std::vector<std::string> LogLines;
    std::string UpdateFailures;
    std::string CreateFailures;
    std::string LinkFailures;
    std::string GroupFailure;
    bool Completed = false;
    int32_t CurrentVolume = 0;
    // A line for each step of the failure path's undo, or of the finishing of a completed run.
    std::vector<std::string> UndoReport;

    const InstallSettings& Settings() const { return settings_; }
    RollbackJournal& Journal() { return journal_; }

private:
    void ExpandSettings();
    void PrepareDirectories(bool& prepared);
    // Holds the destination and the system directory; false when the destination cannot be held.
    bool HoldRoots();
    void CheckEntriesReportedBefore(int32_t file_index);
    std::string RetryText(const std::string& dest) const;
    std::string ProgramGroupName() const;
    // Sets the existing file at dest, whose attributes are given, aside; false when the user gave up.
    bool ReplaceWithRetry(const std::string& dest, uint32_t attributes);
    // Restart replacement (restart_replacement.cpp). Keeps the extracted file source beside
    // dest, which is in use, to take its place at the next restart (the journal asks for the
    // move once the run has completed); false when it cannot be kept (source is left for the
    // caller).
    bool KeepForRestart(const std::string& source, const std::string& dest);
    // Sets aside the copies of dest that earlier runs left beside it for the next restart, so
    // that an older copy never lands over the one this run places.
    void SetAsideEarlierKeptCopies(const std::string& dest);
    void RecordDirectory(const std::string& directory);
    // Where the extracted file goes; empty when it stays in the extraction directory (a file
    // of an excluded directory, or a shared system file no newer than the one installed).
    std::string Destination(const std::string& path) const;
    // The held folders the extracted file path moves between: its folder in the extraction
    // directory (from) and the folder of its place dest (to), each level held once, the missing
    // levels of dest's folder created (recorded) when create_missing. False when either way
    // leads through a link or a level that is no folder (or, without create_missing, is
    // missing), or dest itself is a link.
    bool HoldWay(const std::string& path, const std::string& dest, bool create_missing, platform::HeldFolder*& from,
                 platform::HeldFolder*& to);
    // Moves the extracted file source from its held folder to its place dest in the held
    // folder to (failing when anything is there), and gives it the permissions its new folder
    // passes on; false, with the reason in error, when the move fails.
    bool MoveIntoPlace(platform::HeldFolder& from, platform::HeldFolder& to, const std::string& source,
                       const std::string& dest, std::string& error);
    void QueuePlacement(const std::string& path);
    // Extracting the entry next_index would write where a waiting file lies, or below it.
    bool NextEntryMeetsPending(int32_t next_index) const;
    void CreateShortcuts();
    // Writes the shortcut link in the extraction directory and moves it to link_file in its
    // held folder, recorded; false when it cannot be placed.
    bool PlaceShortcut(const ShortcutEntry& link, const std::string& link_file);
    void Report(const std::string& line) const {
        if (report_) report_(line);
    }
    // The data-copy error's line: the entry and its cause, as far as they are known.
    void ReportDataCopyError();
    // Shows the final message and starts the set-up utility; true when the message lists problems.
    bool ShowFinalMessageAndRun();

    InstallSettings& settings_;
    ProgressView& view_;
    PayloadExtractor* extractor_ = nullptr;
    RollbackJournal journal_;
    // The destination, the system directory, the extraction directory and every folder on a
    // file's way below them, held from the first time the run reaches them.
    FolderHolds holds_;
    // InstallDir\TEMP when the run creates it, else a fresh directory beside it: a TEMP the
    // destination already has is the user's and is never touched.
    std::string extraction_dir_;
    // The first entry of the current volume not yet reported.
    int32_t next_entry_ = 0;
    // Extracted files waiting for their place (archive paths), and their names in upper case.
    std::vector<std::string> pending_;
    std::set<std::string> pending_names_;
    bool started_ = false;
    ReportLine report_;
    // (kept copy, place) of the files that take their place at the next restart.
    std::vector<std::pair<std::string, std::string>> restart_replacements_;
    // The names of the copies earlier runs left beside their files, by directory (upper case),
    // listed once a run.
    std::map<std::string, std::vector<std::string>> kept_copies_by_directory_;
    std::string failed_entry_;
    std::string failure_cause_;
    // What the final message said about the set-up utility.
    UtilityStart utility_start_ = UtilityStart::None;
    // The utility as it is started with administrator rights: by its held folder's final path.
    std::string utility_path_;
};

}  // namespace engine
