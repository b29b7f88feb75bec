#include "engine/installation.h"

#include "engine/text_utils.h"
#include "platform/held_folder.h"
#include "engine/uninstall_log.h"
#include "locale/format_text.h"
#include "locale/text_case.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "setup/install_dir_macro.h"
#include "setup/setup_description.h"

namespace engine {

namespace {

constexpr int kVolumeProgress = 100;
constexpr int kShortcutProgress = 5;
// Files placed together, with one flush of their records.
constexpr size_t kPlacementBatch = 64;

}  // namespace

Installation::Installation(InstallSettings& settings, ProgressView& view)
    : settings_(settings), view_(view), extraction_dir_(settings.install_dir + "\\TEMP") {
    journal_.SetHeldFolders([this](const std::string& folder) { return holds_.IsHeld(folder); });
}

void Installation::ExpandSettings() {
    const std::string& install_dir = settings_.install_dir;
    auto expand = [&install_dir](std::string& text) { text = setup::ExpandInstallDir(text, install_dir); };

    expand(settings_.run_program);
    expand(settings_.run_work_dir);
    settings_.opt_params = locale::Trim(ExpandStartDir(setup::ExpandInstallDir(settings_.opt_params, install_dir), settings_.setup_dir));
    if (!settings_.opt_params.empty()) {
        settings_.run_params = settings_.opt_params;
    } else {
        expand(settings_.run_params);
    }
    for (std::string& dir : settings_.dirs) expand(dir);
    for (ShortcutEntry& link : settings_.links) {
        expand(link.target);
        expand(link.args);
        expand(link.work_dir);
        expand(link.folder);
    }
    for (FileAssociation& association : settings_.file_exts) expand(association.program_dir);
}

// The destination is held for the whole run: nobody can rename it, or a folder above it, and
// rebuild it elsewhere while the run works in it; without it nothing is placed. A system
// directory that cannot be held shows up as system files that are not placed.
bool Installation::HoldRoots() {
    if (!settings_.system_dir.empty()) holds_.HoldRoot(settings_.system_dir, platform::HoldKind::Keep);
    return holds_.HoldRoot(settings_.install_dir, platform::HoldKind::Keep);
}

// Starts the journal, then creates the product's directories, UNINST and the extraction
// directory. The product's directories are created on a best-effort basis (a missing one
// shows up when a file cannot be placed); without the journal, UNINST or the extraction
// directory nothing can be installed, so prepared turns false.
void Installation::PrepareDirectories(bool& prepared) {
    platform::FileSystem& files = platform::Files();
    std::vector<std::string> folders;
    for (const std::string& folder : {settings_.system_dir, settings_.programs_folder, settings_.desktop_folder}) {
        if (!folder.empty()) folders.push_back(folder);
    }
    prepared = !settings_.journal_folder.empty() &&
               journal_.Start(settings_.journal_folder + "\\VIrovARI2-" + journal_.Token() + kJournalExtension,
                              settings_.install_dir, folders);
    prepared = prepared && HoldRoots();
    if (!prepared) return;
    for (const std::string& dir : settings_.dirs) {
        if (!files.DirectoryExists(dir)) journal_.CreateDirectories(dir);
    }
    const std::string uninstall_dir = settings_.install_dir + "\\UNINST";
    if (!files.DirectoryExists(uninstall_dir)) journal_.CreateDirectory(uninstall_dir);
    const std::string temp_dir = settings_.install_dir + "\\TEMP";
    extraction_dir_ = files.GetAttributes(temp_dir) == platform::attribute::kInvalid ? temp_dir
                                                                                   : journal_.FreshName(temp_dir);
    prepared = files.DirectoryExists(uninstall_dir) && journal_.CreateWorkDirectory(extraction_dir_) &&
               holds_.Hold(extraction_dir_) != nullptr;
}

void Installation::Run(PayloadExtractor& extractor) {
    if (started_) return;
    started_ = true;
    extractor_ = &extractor;
    platform::FileSystem& files = platform::Files();

    view_.ProcessMessages();
    ExpandSettings();

    extractor.SetPassword(kArchivePassword);

    view_.SetProgressPosition(0);
    view_.SetProgressMax(settings_.volume_count * kVolumeProgress +
                         static_cast<int>(settings_.links.size()) * kShortcutProgress);
    UpdateFailures.clear();
    CreateFailures.clear();
    LinkFailures.clear();
    GroupFailure.clear();

    bool prepared = false;
    PrepareDirectories(prepared);
    extractor.SetDestDir(extraction_dir_);

    if (prepared && !settings_.self_copy_name.empty()) {
        const std::string copy = extraction_dir_ + "\\" + settings_.self_copy_name;
        // A failed copy shows up later, when the copy cannot be placed.
        if (files.CopyFile(settings_.setup_program, copy, false)) ClearReadOnly(copy);
    }

    LogLines.clear();
    LogLines.push_back(UninstallLogHeader(settings_.texts.uninstall_texts));
    for (const std::string& entry : settings_.extra_log_entries) {
        LogLines.push_back(setup::ExpandInstallDir(entry, settings_.install_dir));
    }
    Completed = false;

    if (!prepared) NoteEntryFailure({}, "the destination cannot be prepared: " + files.LastErrorText());
    if (prepared) {
        for (int32_t volume = 1; volume <= settings_.volume_count; ++volume) {
            try {
                extractor.SetZipName(settings_.setup_dir + "\\" + settings_.archive_name + setup::VolumeSuffix(volume));
                CurrentVolume = volume;
                next_entry_ = 0;
                extractor.UnZip();
                // What the volume gave is placed before the volume is checked, as it would
                // have been entry by entry: a last entry that was not reported (a directory,
                // or a damaged file that fails the run) leaves files waiting.
                PlacePending();
                CheckEntriesReportedBefore(extractor.Count());
            } catch (const std::exception& error) {
                // Whatever went wrong, the failure path below reports it as a data-copy error.
                NoteEntryFailure(next_entry_ < extractor.Count() ? extractor.EntryFullName(next_entry_) : std::string(),
                                 error.what());
                break;
            } catch (...) {
                break;
            }
        }
    }
    if (!Completed) AbortInstall();
}

void Installation::TotalPercentDone(int32_t percent) {
    view_.SetProgressPosition((CurrentVolume - 1) * kVolumeProgress + percent);
}

// Every entry of the payload belongs to the product: one that failed its check, or was
// skipped for any other reason, fails the installation. Directory entries are never reported.
void Installation::CheckEntriesReportedBefore(int32_t file_index) {
    for (int32_t index = next_entry_; index < file_index; ++index) {
        const std::string name = extractor_->EntryFullName(index);
        if (!name.empty() && name.back() != '\\') throw InstallError("The entry " + name + " was not extracted");
    }
    next_entry_ = file_index + 1;
}

void Installation::EndUnZip(int32_t file_index) {
    view_.SetStatus(settings_.texts.install_caption + settings_.texts.sfx_copying);
    CheckEntriesReportedBefore(file_index);
    QueuePlacement(extractor_->EntryFullName(file_index));
    const bool volume_done = file_index + 1 == extractor_->Count();
    if (volume_done || pending_.size() >= kPlacementBatch || NextEntryMeetsPending(file_index + 1)) PlacePending();
    if (volume_done && CurrentVolume == settings_.volume_count) FinishInstall();
}

void Installation::NoteEntryFailure(const std::string& entry, const std::string& cause) {
    if (!failure_cause_.empty()) return;
    failed_entry_ = entry;
    failure_cause_ = cause;
}

void Installation::ReportDataCopyError() {
    std::string line = "Data-copy error";
    if (!failed_entry_.empty()) line += ": entry " + failed_entry_;
    Report(line + ": " + (failure_cause_.empty() ? std::string("the entry was not extracted") : failure_cause_));
}

void Installation::AbortInstall() {
    ReportDataCopyError();
    // Only what this run changed is undone: files it placed go, files it replaced come back,
    // its extraction directory goes, files it kept or found are left alone, and so are
    // directories that were there before. The undo comes before the error box, so that a box
    // left open holds nothing back: the machine is settled once it shows.
    LogLines.clear();
    UndoReport.clear();
    // Undoing removes the folders the run made, which its own holds would keep in place.
    holds_.Release();
    const bool undone = journal_.Undo(UndoReport);
    for (const std::string& line : UndoReport) Report(line);
    Report(undone ? "Rolled back: every change of the run was undone"
                  : "Rollback unfinished: the record of changes stays for the next start");
    platform::Files().RemoveDirectory(settings_.install_dir);
    view_.Settled();

    const int32_t volume = CurrentVolume > 0 ? CurrentVolume : 1;
    platform::UserDialogs().ShowMessage(
        locale::FormatText(settings_.texts.fmt_data_copy_error, {settings_.archive_name + setup::VolumeSuffix(volume)}),
        platform::MessageKind::Error, platform::buttons::kOk, platform::DialogResult::Ok);
    // What could not be undone is left to the recovery at a later start; the run says so.
    view_.Terminate(undone ? platform::ExitCode::InstallFailed : platform::ExitCode::RecoveryFailed);
}

}  // namespace engine
