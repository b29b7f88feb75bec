#include "engine/undo_steps.h"

#include <memory>

#include "engine/reparse_points.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/shell.h"

namespace engine {

namespace {

bool Exists(const std::string& path) { return platform::Files().GetAttributes(path) != platform::attribute::kInvalid; }

bool IsDirectory(const std::string& path) { return platform::Files().DirectoryExists(path); }

bool IsReparsePoint(const std::string& path) {
    const uint32_t attributes = platform::Files().GetAttributes(path);
    return attributes != platform::attribute::kInvalid && (attributes & platform::attribute::kReparsePoint) != 0;
}

// A step never acts through a link: a folder on the way that someone replaced with a junction
// after the run could lead it anywhere, the system directory among the places.
bool WayIsSafe(const JournalRecord& record, const UndoContext& context, std::vector<std::string>& report) {
    if (context.root.empty()) return true;
    for (const std::string* path : {&record.path, &record.other}) {
        if (path->empty()) continue;
        if (context.way_held ? !IsReparsePoint(*path) : !LeadsThroughReparsePoint(context.root, *path)) continue;
        report.push_back("Left " + *path + ": its way leads through a link");
        return false;
    }
    return true;
}

StepOutcome UndoCreatedFile(const JournalRecord& record, const UndoContext& context, std::vector<std::string>& report) {
    if (context.is_copy_in_force) return StepOutcome::Done;  // kept for the restore that still has to come
    if (!Exists(record.path)) return StepOutcome::Done;
    if (IsDirectory(record.path)) {
        report.push_back("Left " + record.path + ": a directory stands where the run made a file");
        return StepOutcome::LeftAlone;
    }
    // A file whose size or time differs is someone else's, put there after the run.
    if (record.stamp && StampOf(record.path) != record.stamp) {
        report.push_back("Left " + record.path + ": it is no longer the file the run made");
        return StepOutcome::LeftAlone;
    }
    if (!ForceDelete(record.path)) {
        report.push_back("Could not delete " + record.path + " (" + platform::Files().LastErrorText() + ")");
        return StepOutcome::Failed;
    }
    report.push_back("Deleted " + record.path);
    return StepOutcome::Done;
}

// The extraction directory goes with everything in it only while it is the directory the run
// made: one that someone put at its name after the run (a tree of theirs, a link) is left. A
// directory whose identity never reached the journal was made, if at all, before anything was
// extracted into it, and goes only when empty. The second format recorded no identity.
StepOutcome RemoveWorkDirectory(const JournalRecord& record, std::vector<std::string>& report) {
    platform::FileSystem& files = platform::Files();
    if (!IsDirectory(record.path)) return StepOutcome::Done;
    if (record.identity && record.identity->empty()) {
        if (files.RemoveDirectory(record.path)) {
            report.push_back("Removed " + record.path);
            return StepOutcome::Done;
        }
        report.push_back("Left " + record.path + ": the run never recorded it as its own");
        return StepOutcome::LeftAlone;
    }
    std::string identity;
    if (record.identity && !(files.GetFileId(record.path, identity) && identity == *record.identity)) {
        report.push_back("Left " + record.path + ": it is not the directory the run made");
        return StepOutcome::LeftAlone;
    }
    DeleteTree(record.path);
    if (IsDirectory(record.path)) {
        report.push_back("Could not remove " + record.path + " completely");
        return StepOutcome::Failed;
    }
    report.push_back("Removed " + record.path + " with its content");
    return StepOutcome::Done;
}

StepOutcome UndoSetAside(const JournalRecord& record, const UndoContext& context, std::vector<std::string>& report) {
    platform::FileSystem& files = platform::Files();
    // Without the copy, the original never left its place, or is back already.
    if (!Exists(record.other)) return StepOutcome::Done;
    bool back = false;
    if (record.kind == RecordKind::FileCopiedAside) {
        // The run wrote over the original; the copy replaces whatever stands there now.
        const uint32_t present = files.GetAttributes(record.path);
        if (present != platform::attribute::kInvalid && (present & platform::attribute::kReadOnly) != 0) {
            files.SetAttributes(record.path, present & ~platform::attribute::kReadOnly);
        }
        back = files.ReplaceFile(record.other, record.path);
    } else if (Exists(record.path)) {
        if (context.created_file_in_force) {
            report.push_back("Could not put back " + record.path + ": the run's file there could not be deleted");
            return StepOutcome::Failed;
        }
        report.push_back("Kept " + record.other + ": its place " + record.path + " is taken by a file the run did not make");
        return StepOutcome::LeftAlone;
    } else {
        back = files.MoveFile(record.other, record.path);
    }
    if (!back) {
        report.push_back("Could not put back " + record.path + " from " + record.other + " (" + files.LastErrorText() + ")");
        return StepOutcome::Failed;
    }
    files.SetAttributes(record.path, record.attributes);
    report.push_back("Put back " + record.path);
    return StepOutcome::Done;
}

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
    platform::FileSystem& files = platform::Files();
    std::unique_ptr<platform::File> file = files.OpenFile(path, platform::OpenMode::Read);
    platform::FileTime time;
    if (!file || !file->GetLastWriteTime(time)) return std::nullopt;
    const int64_t size = file->Size();
    if (size < 0) return std::nullopt;
    return FileStamp{size, time.ticks};
}

bool ForceDelete(const std::string& path) {
    platform::FileSystem& files = platform::Files();
    const uint32_t attributes = files.GetAttributes(path);
    if (attributes == platform::attribute::kInvalid) return true;
    if ((attributes & platform::attribute::kDirectory) != 0) return false;
    if ((attributes & platform::attribute::kReadOnly) != 0) {
        files.SetAttributes(path, attributes & ~platform::attribute::kReadOnly);
    }
    return files.DeleteFile(path);
}

StepOutcome UndoRecord(const JournalRecord& record, const UndoContext& context, std::vector<std::string>& report) {
    platform::FileSystem& files = platform::Files();
    platform::Shell& shell = platform::ShellServices();
    if (!WayIsSafe(record, context, report)) return StepOutcome::LeftAlone;
    switch (record.kind) {
        case RecordKind::FileCreated: return UndoCreatedFile(record, context, report);
        case RecordKind::FileMovedAside:
        case RecordKind::FileCopiedAside: return UndoSetAside(record, context, report);
        case RecordKind::DirectoryCreated:
            // A directory that stays, because something else is in it now, loses nothing.
            if (IsDirectory(record.path) && files.RemoveDirectory(record.path)) report.push_back("Removed " + record.path);
            return StepOutcome::Done;
        case RecordKind::WorkDirectoryCreated: return RemoveWorkDirectory(record, report);
        case RecordKind::KeptForRestart:
            if (!ForceDelete(record.other)) {
                report.push_back("Could not delete " + record.other);
                return StepOutcome::Failed;
            }
            return StepOutcome::Done;
        case RecordKind::ClassesRootKeyCreated:
            if (!shell.DeleteClassesRootKey(record.path)) {
                report.push_back("Could not delete the key HKEY_CLASSES_ROOT\\" + record.path);
                return StepOutcome::Failed;
            }
            return StepOutcome::Done;
        case RecordKind::ClassesRootValueSet:
            if (!shell.RestoreClassesRootValue(record.path, record.old_value)) {
                report.push_back("Could not restore the value of HKEY_CLASSES_ROOT\\" + record.path);
                return StepOutcome::Failed;
            }
            return StepOutcome::Done;
    }
    return StepOutcome::Failed;
}

StepOutcome FinishRecord(const JournalRecord& record, const UndoContext& context, std::vector<std::string>& report) {
    platform::FileSystem& files = platform::Files();
    // Created files and directories, and keys, need no finishing, and so no look at their way.
    const bool acts = record.kind == RecordKind::FileMovedAside || record.kind == RecordKind::FileCopiedAside ||
                      record.kind == RecordKind::WorkDirectoryCreated || record.kind == RecordKind::KeptForRestart;
    if (!acts) return StepOutcome::Done;
    if (!WayIsSafe(record, context, report)) return StepOutcome::LeftAlone;
    switch (record.kind) {
        case RecordKind::FileMovedAside:
        case RecordKind::FileCopiedAside:
            if (!Exists(record.other) || ForceDelete(record.other)) return StepOutcome::Done;
            // A library a running program has mapped goes at the next restart.
            if (files.DeleteAtRestart(record.other)) {
                report.push_back(record.other + " is deleted at the next restart");
                return StepOutcome::Done;
            }
            report.push_back("Could not delete " + record.other);
            return StepOutcome::Failed;
        case RecordKind::WorkDirectoryCreated: return RemoveWorkDirectory(record, report);
        case RecordKind::KeptForRestart:
            if (!Exists(record.other)) return StepOutcome::Done;
            if (files.ReplaceAtRestart(record.other, record.path)) {
                report.push_back(record.path + " is replaced by " + record.other + " at the next restart");
                return StepOutcome::Done;
            }
            report.push_back("Could not ask for " + record.path + " to be replaced at the next restart");
            return StepOutcome::Failed;
        case RecordKind::DirectoryCreated:
        case RecordKind::FileCreated:
        case RecordKind::ClassesRootKeyCreated:
        case RecordKind::ClassesRootValueSet: return StepOutcome::Done;
    }
    return StepOutcome::Done;
}

}  // namespace engine
