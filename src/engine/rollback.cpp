#include "engine/rollback.h"

#include <chrono>
#include <set>

#include "engine/reparse_points.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/security.h"
#include "platform/shell.h"

namespace engine {

namespace {

bool Exists(platform::FileSystem& files, const std::string& path) {
    return files.GetAttributes(path) != platform::attribute::kInvalid;
}

// A short text that differs from run to run, so that the names of copies set aside are
// unlikely to meet a file of the user's.
std::string RunToken() {
    uint64_t value = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    std::string token;
    for (int digit = 0; digit < 7; ++digit) {
        token += "0123456789abcdefghijklmnopqrstuvwxyz"[value % 36];
        value /= 36;
    }
    return token;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::unique_ptr<platform::File> file = platform::Files().OpenFile(path, platform::OpenMode::Read);
    if (!file) return false;
    const int64_t size = file->Size();
    if (size < 0) return false;
    text.assign(static_cast<size_t>(size), '\0');
    return file->Read(text.data(), size) == size;
}

// Copies a file's bytes into a new file and flushes them to the disk.
bool CopyToDisk(const std::string& from, const std::string& to) {
    std::string bytes;
    if (!ReadWholeFile(from, bytes)) return false;
    std::unique_ptr<platform::File> file = platform::Files().OpenFile(to, platform::OpenMode::Create);
    return file && file->Write(bytes.data(), static_cast<int64_t>(bytes.size())) == static_cast<int64_t>(bytes.size()) &&
           file->Flush();
}

// Writes what the system still holds of a file through to the disk. Writing needs a handle
// that may write, which a read-only file refuses, so its bit is cleared for the while.
bool FlushToDisk(const std::string& path) {
    platform::FileSystem& files = platform::Files();
    const uint32_t attributes = files.GetAttributes(path);
    if (attributes == platform::attribute::kInvalid || (attributes & platform::attribute::kDirectory) != 0) return true;
    const bool read_only = (attributes & platform::attribute::kReadOnly) != 0;
    if (read_only) files.SetAttributes(path, attributes & ~platform::attribute::kReadOnly);
    std::unique_ptr<platform::File> file = files.OpenFile(path, platform::OpenMode::ReadWrite);
    const bool flushed = file && file->Flush();
    file.reset();
    if (read_only) files.SetAttributes(path, attributes);
    return flushed;
}

}  // namespace

RollbackJournal::RollbackJournal() : token_(RunToken()) {}

RollbackJournal::~RollbackJournal() = default;

bool RollbackJournal::Start(const std::string& path, const std::string& destination,
                            const std::vector<std::string>& folders) {
    platform::FileSystem& files = platform::Files();
    if (Exists(files, path)) return false;
    // Created without sharing write or delete access, and held so until the run ends.
    file_ = files.OpenFile(path, platform::OpenMode::Create);
    if (!file_) return false;
    // A new file's owner is the token's default owner, which a system's policy may make the
    // administrator's own account, and recovery trusts only the Administrators group among
    // administrators: the journal is given to it (in a folder only administrators may change,
    // by its name). Where that fails the run goes on, its journal as the policy made it.
    platform::Security& security = platform::SecurityServices();
    if (security.OwnersKept() == platform::Owners::Kept) security.TakeOwnership(path);
    file_path_ = path;
    roots_ = folders;
    roots_.push_back(destination);
    if (Append(VersionLine() + HeaderLine({destination, token_, folders}))) return true;
    Close();
    files.DeleteFile(path);
    file_path_.clear();
    return false;
}

void RollbackJournal::Resume(const std::string& path, std::unique_ptr<platform::File> file,
                             const JournalContents& contents) {
    file_path_ = path;
    file_ = std::move(file);
    length_ = file_ ? file_->Seek(0, platform::SeekOrigin::End) : 0;
    records_ = contents.records;
    next_number_ = contents.next_number;
    if (!contents.header) return;
    token_ = contents.header->token;
    roots_ = contents.header->folders;
    roots_.push_back(contents.header->destination);
}

bool RollbackJournal::Append(const std::string& text) {
    if (!file_) return true;
    const auto size = static_cast<int64_t>(text.size());
    const bool written = file_->Write(text.data(), size) == size && file_->Flush();
    length_ += size;
    return written;
}

bool RollbackJournal::Record(JournalRecord record) {
    record.number = next_number_;
    if (!Append(RecordLine(record))) return false;
    ++next_number_;
    records_.push_back(std::move(record));
    return true;
}

JournalRecord* RollbackJournal::Find(uint32_t number) {
    for (JournalRecord& record : records_) {
        if (record.number == number) return &record;
    }
    return nullptr;
}

JournalRecord* RollbackJournal::NewestInForce(const std::string& path) {
    for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
        if (it->undo_failed) continue;
        if (path.empty()) return &*it;
        const bool created = it->kind == RecordKind::FileCreated || it->kind == RecordKind::DirectoryCreated;
        if (created && it->path == path) return &*it;
    }
    return nullptr;
}

bool RollbackJournal::Void(uint32_t number) {
    const JournalRecord* record = Find(number);
    if (record == nullptr) return true;
    const bool written = Append(VoidLine(number));
    records_.erase(records_.begin() + (record - records_.data()));
    return written;
}

bool RollbackJournal::MarkUndoFailed(JournalRecord& record) {
    if (record.undo_failed) return true;
    record.undo_failed = true;
    return Append(UndoFailedLine(record.number));
}

std::string RollbackJournal::RootOf(const std::string& path) const {
    std::string deepest;
    for (const std::string& root : roots_) {
        if (LiesInside(root, path) && root.size() > deepest.size()) deepest = root;
    }
    return deepest;
}

UndoContext RollbackJournal::ContextOf(const JournalRecord& record, bool with_other_records) const {
    UndoContext context;
    if (record.kind != RecordKind::ClassesRootKeyCreated && record.kind != RecordKind::ClassesRootValueSet) {
        context.root = RootOf(record.path);
        context.way_held = is_held_ && is_held_(DirectoryPart(record.path)) &&
                           (record.other.empty() || is_held_(DirectoryPart(record.other)));
    }
    if (!with_other_records) return context;
    for (const JournalRecord& other : records_) {
        if (other.number == record.number) continue;
        if (other.kind == RecordKind::FileCreated && SamePath(other.path, record.path)) {
            context.created_file_in_force = true;
        }
        const bool set_aside = other.kind == RecordKind::FileMovedAside || other.kind == RecordKind::FileCopiedAside;
        if (set_aside && record.kind == RecordKind::FileCreated && SamePath(other.other, record.path)) {
            context.is_copy_in_force = true;
        }
    }
    return context;
}

bool RollbackJournal::CreateFile(const std::string& path, const std::function<bool()>& create,
                                 const std::optional<FileStamp>& stamp) {
    JournalRecord record;
    record.kind = RecordKind::FileCreated;
    record.path = path;
    record.stamp = stamp;
    if (!Record(record)) return false;
    const uint32_t number = records_.back().number;
    if (!create()) {
        UndoLast();
        return false;
    }
    if (stamp) return true;
    // Made by the run itself: its size and time tell it from a file put there later. Without
    // them undoing deletes whatever stands there, as the first format did.
    const std::optional<FileStamp> made = StampOf(path);
    if (made && Append(StampLine(number, *made))) Find(number)->stamp = made;
    return true;
}

bool RollbackJournal::RecordCreated(const std::vector<std::string>& directories, const std::vector<NewFile>& files) {
    std::vector<JournalRecord> created;
    for (const std::string& path : directories) created.push_back({RecordKind::DirectoryCreated, path});
    for (const NewFile& file : files) {
        JournalRecord record{RecordKind::FileCreated, file.path};
        record.stamp = file.stamp;
        created.push_back(record);
    }
    if (created.empty()) return true;
    std::string lines;
    uint32_t number = next_number_;
    for (JournalRecord& record : created) {
        record.number = number++;
        lines += RecordLine(record);
    }
    if (!Append(lines)) return false;
    next_number_ = number;
    records_.insert(records_.end(), created.begin(), created.end());
    return true;
}

void RollbackJournal::ForgetCreated(const std::string& path) {
    if (path.empty()) return;
    if (const JournalRecord* record = NewestInForce(path)) Void(record->number);
}

std::string RollbackJournal::FreshName(const std::string& path) {
    platform::FileSystem& files = platform::Files();
    std::string name;
    do {
        name = path + ".~vi" + token_ + "-" + std::to_string(next_fresh_number_++);
    } while (Exists(files, name));
    return name;
}

bool RollbackJournal::MoveAside(const std::string& path, uint32_t attributes) {
    platform::FileSystem& files = platform::Files();
    const uint32_t present = files.GetAttributes(path);
    if (present == platform::attribute::kInvalid || (present & platform::attribute::kDirectory) != 0) return false;
    JournalRecord record{RecordKind::FileMovedAside, path, FreshName(path), attributes};
    if (!Record(record)) return false;
    if (files.MoveFile(path, record.other)) return true;
    Void(records_.back().number);
    return false;
}

bool RollbackJournal::CopyAside(const std::string& path, uint32_t attributes) {
    // The copy is recorded as a file of the run while it is written, and as the original's
    // copy only once it is whole on the disk: a crash in between leaves no half copy that
    // undoing would put in the original's place. From then on the copy goes only with its
    // restore.
    const std::string copy = FreshName(path);
    if (!CreateFile(copy, [&] { return CopyToDisk(path, copy); })) return false;
    if (Record({RecordKind::FileCopiedAside, path, copy, attributes})) return true;
    UndoLast();
    return false;
}

bool RollbackJournal::RecordKeptForRestart(const std::string& path, const std::string& kept) {
    return Record({RecordKind::KeptForRestart, path, kept});
}

bool RollbackJournal::CreateDirectory(const std::string& path, const std::function<bool()>& create) {
    if (!Record({RecordKind::DirectoryCreated, path})) return false;
    if (create ? create() : platform::Files().CreateDirectory(path)) return true;
    Void(records_.back().number);
    return false;
}

bool RollbackJournal::CreateWorkDirectory(const std::string& path) {
    JournalRecord record{RecordKind::WorkDirectoryCreated, path};
    record.identity = std::string();
    if (!Record(record)) return false;
    const uint32_t number = records_.back().number;
    // Only administrators may change what the run extracts before it takes its place;
    // ordinary users may still look. A directory already there is never taken over.
    if (!platform::SecurityServices().CreateProtectedDirectory(path, platform::UserAccess::ReadAndExecute)) {
        Void(number);
        return false;
    }
    // Undoing removes the tree at path only while it is this very directory: without its
    // identity on the disk nothing may be extracted into it.
    // The identity is taken by path here; once the run holds the directory, take it through the hold.
    std::string identity;
    if (platform::Files().GetFileId(path, identity) && Append(IdentityLine(number, identity))) {
        Find(number)->identity = identity;
        return true;
    }
    UndoLast();
    return false;
}

void RollbackJournal::WorkDirectoryRemoved(const std::string& path) {
    if (platform::Files().DirectoryExists(path)) return;
    for (const JournalRecord& record : records_) {
        if (record.kind == RecordKind::WorkDirectoryCreated && record.path == path) {
            Void(record.number);
            return;
        }
    }
}

// A key below one the run created goes with it; it needs no record of its own.
bool RollbackJournal::InCreatedKey(const std::string& key) const {
    const std::string upper = platform::UpperCaseAnsi(key);
    for (const JournalRecord& record : records_) {
        if (record.kind != RecordKind::ClassesRootKeyCreated) continue;
        const std::string created = platform::UpperCaseAnsi(record.path);
        if (upper == created || upper.starts_with(created + "\\")) return true;
    }
    return false;
}

bool RollbackJournal::RecordClassesRootValue(const std::string& key) {
    if (key.empty()) return false;  // the classes root itself is never the run's
    platform::Shell& shell = platform::ShellServices();
    if (!shell.ClassesRootKeyExists(key)) {
        return InCreatedKey(key) || Record({RecordKind::ClassesRootKeyCreated, key});
    }
    JournalRecord record{RecordKind::ClassesRootValueSet, key};
    return shell.ReadClassesRootValue(key, record.old_value) && Record(record);
}

std::vector<std::string> RollbackJournal::MissingLevels(const std::string& path) {
    platform::FileSystem& files = platform::Files();
    // Found from the deepest up, returned from the top down.
    std::vector<std::string> missing;
    std::string level = path;
    while (!level.empty() && !files.DirectoryExists(level)) {
        if (level.size() > 2) missing.push_back(level);  // a bare drive cannot be created
        const size_t slash = level.rfind('\\');
        if (slash == std::string::npos || slash <= 2) break;  // reached "C:" or "C:\"
        level.erase(slash);
    }
    return {missing.rbegin(), missing.rend()};
}

bool RollbackJournal::CreateDirectories(const std::string& path) {
    for (const std::string& level : MissingLevels(path)) CreateDirectory(level);
    return platform::Files().DirectoryExists(path);
}

void RollbackJournal::UndoLast() {
    JournalRecord* newest = NewestInForce();
    if (newest == nullptr) return;
    // Undone first, voided then: a crash in between only repeats an undo step, which looks
    // at what is there first. A step that fails (the file set aside cannot come back) keeps
    // its record in force, or the copy would stay under its other name for good.
    std::vector<std::string> report;
    if (UndoRecord(*newest, ContextOf(*newest), report) == StepOutcome::Failed) {
        MarkUndoFailed(*newest);
        return;
    }
    Void(newest->number);
}

bool RollbackJournal::UndoInForce(std::vector<std::string>& report, bool only_failed) {
    std::vector<uint32_t> newest_first;
    for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
        if (!only_failed || it->undo_failed) newest_first.push_back(it->number);
    }
    bool all_undone = true;
    for (const uint32_t number : newest_first) {
        JournalRecord* record = Find(number);
        if (record == nullptr) continue;
        const StepOutcome outcome = UndoRecord(*record, ContextOf(*record), report);
        if (outcome == StepOutcome::Failed) {
            all_undone = false;
            if (!MarkUndoFailed(*record)) return false;
            continue;
        }
        if (outcome == StepOutcome::LeftAlone) {
            // A file that is not the run's, and the copy kept because such a file took its place.
            left_.push_back(record->kind == RecordKind::FileCreated ? record->path : record->other);
        }
        // A step that is not on the disk as done could be taken again after a crash, over
        // what a later step put back: the undo stops here instead.
        if (!Void(number)) {
            report.push_back("Could not record an undone step in " + file_path_);
            return false;
        }
    }
    return all_undone;
}

void RollbackJournal::Close() {
    file_.reset();
    records_.clear();
}

bool RollbackJournal::Discard() {
    Close();
    if (file_path_.empty()) return true;
    const bool deleted = ForceDelete(file_path_);
    file_path_.clear();
    return deleted;
}

bool RollbackJournal::Undo(std::vector<std::string>& report) {
    const bool undone = UndoInForce(report, false);
    if (!undone) {
        // The file holds what is left to undo, for a later start.
        Close();
        file_path_.clear();
        return false;
    }
    if (Discard()) return true;
    report.push_back("Could not delete the journal " + file_path_);
    return false;
}

bool RollbackJournal::Commit(std::vector<std::string>& report) {
    // The files the run made are on the disk before the record that keeps them: one flush of
    // each volume they lie on, which an administrator may ask for, costs far less than one per
    // file; where it is refused, each file is flushed on its own.
    std::set<std::string> flushed_volumes;
    std::set<std::string> refused_volumes;
    for (const JournalRecord& record : records_) {
        if (record.kind != RecordKind::FileCreated) continue;
        const std::string volume = platform::UpperCaseAnsi(record.path.substr(0, 2));
        if (!flushed_volumes.contains(volume) && !refused_volumes.contains(volume)) {
            (platform::Files().FlushVolume(record.path) ? flushed_volumes : refused_volumes).insert(volume);
        }
        if (flushed_volumes.contains(volume)) continue;
        if (!FlushToDisk(record.path)) {
            report.push_back("Could not write " + record.path + " through to the disk");
            return false;
        }
    }
    const int64_t before = length_;
    if (!Append(CompletedLine())) {
        // Whatever part of the record reached the file must not make the run look complete.
        if (file_ && file_->SetSize(before)) file_->Flush();
        if (file_) file_->Seek(0, platform::SeekOrigin::End);
        length_ = before;
        report.push_back("Could not record the end of the run in " + file_path_);
        return false;
    }
    FinishCompleted(report);
    return true;
}

bool RollbackJournal::FinishCompleted(std::vector<std::string>& report) {
    // Once "C" is on the disk, a crash is finished instead of undone. Undoing a change the run
    // could not take back is recorded step by step, as any undo; the finishing steps (deleting
    // a copy, removing the extraction directory, asking for a replacing move at the next
    // restart) are safe to repeat and need no record of their own.
    bool finished = UndoInForce(report, true);
    for (const JournalRecord& record : records_) {
        if (!record.undo_failed && FinishRecord(record, ContextOf(record, false), report) == StepOutcome::Failed) finished = false;
    }
    if (!finished) {
        Close();
        file_path_.clear();
        return false;
    }
    // A finished journal that cannot be deleted is finished again, harmlessly, at a later start.
    Discard();
    return true;
}

std::vector<std::pair<std::string, std::string>> RollbackJournal::SetAside() const {
    std::vector<std::pair<std::string, std::string>> result;
    for (const JournalRecord& record : records_) {
        if (record.kind == RecordKind::FileMovedAside || record.kind == RecordKind::FileCopiedAside) {
            result.emplace_back(record.path, record.other);
        }
    }
    return result;
}

}  // namespace engine
