#pragma once
// The record of everything an installation changes on disk, so that a run that does not
// reach its end, because it failed or because the process died, leaves the machine as it
// found it.
//
// A file that the run replaces or deletes is never destroyed at once: it is moved aside,
// beside itself (so the move stays on the same volume), and only a committed run deletes
// those copies. Undoing walks the record backwards: files the run created are deleted when
// they are still the ones it made, the files moved aside are moved back with their old
// attributes, and directories the run created are removed when they are empty again (its
// extraction directory with everything in it).
//
// The record is written ahead: each change is appended to the run's journal file (format in
// journal_format.h) and flushed to the disk before the change is made, and so is each step
// of an undo before the next one, so after a crash, also one during an undo, the next start
// of the setup program finds every change that may have happened and undoes each only once.
// The run holds its journal open without letting others write or delete it.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/journal_format.h"
#include "engine/undo_steps.h"

namespace platform {
class File;
}

namespace engine {

// The journal's file name in a destination, where earlier versions kept it.
inline constexpr char kJournalName[] = "VIrovARI2.journal";
// The extension of the journals in the journal folder, one per run.
inline constexpr char kJournalExtension[] = ".journal";

// A file the run is about to create where nothing is, with the size and time of the file it
// puts there when they are known beforehand (a file moved into place).
struct NewFile {
    NewFile(std::string file_path, std::optional<FileStamp> file_stamp = std::nullopt)
        : path(std::move(file_path)), stamp(file_stamp) {}
    std::string path;
    std::optional<FileStamp> stamp;
};

class RollbackJournal {
public:
    RollbackJournal();
    ~RollbackJournal();
    RollbackJournal(const RollbackJournal&) = delete;
    RollbackJournal& operator=(const RollbackJournal&) = delete;

    // Creates the journal file at path, which must not exist yet, and records the run: its
    // destination and the machine's folders it may change. False when the file cannot be
    // created or written. Without a file, changes are recorded in memory only.
    bool Start(const std::string& path, const std::string& destination, const std::vector<std::string>& folders);

    // Takes over the journal file at path, read into contents and open in file (exclusively,
    // its torn tail already cut off), to finish or undo its run.
    void Resume(const std::string& path, std::unique_ptr<platform::File> file, const JournalContents& contents);

    // The file of this run's journal; empty without one.
    const std::string& Path() const { return file_path_; }

    // Records path, then runs create, which makes the file at path where nothing was. stamp is
    // that of the file create puts there when known beforehand; otherwise it is taken once the
    // file is made. When create fails, whatever it left at path is deleted and the record
    // dropped; false then.
    bool CreateFile(const std::string& path, const std::function<bool()>& create,
                    const std::optional<FileStamp>& stamp = std::nullopt);

    // Records the directories (parents first) and files a batch is about to create where
    // nothing is, all with one flush; false (nothing recorded) when the records cannot be
    // written. The caller then creates them, in that order, the files by moves (which leave
    // nothing behind when they fail), and hands each one it could not create to
    // ForgetCreated. A crash before one is made costs nothing: undoing a directory or file
    // that was never made does nothing.
    bool RecordCreated(const std::vector<std::string>& directories, const std::vector<NewFile>& files);

    // The directory or file at path, recorded by RecordCreated, was not created: its record
    // is void.
    void ForgetCreated(const std::string& path);

    // Moves the existing file at path aside, so that its place is free and its bytes can be
    // restored; attributes are the ones to give it back on restore. False (nothing recorded)
    // for a directory, or when the file cannot be moved.
    bool MoveAside(const std::string& path, uint32_t attributes);

    // Copies the existing file at path aside (the file stays, and the run writes over it), so
    // that undoing puts the copy back in its place; false (nothing recorded) when the copy
    // cannot be made.
    bool CopyAside(const std::string& path, uint32_t attributes);

    // Records kept, a new file the caller is about to write beside path under FreshName(path),
    // to replace path at the next restart: undoing the run deletes kept; once the run has
    // completed, the replacing move is requested (again at each recovery, which is harmless).
    // False when the record cannot be written: kept must not be written then.
    bool RecordKeptForRestart(const std::string& path, const std::string& kept);

    // CreateDirectoryA for one level (or create, which makes it), recorded when it succeeds.
    bool CreateDirectory(const std::string& path, const std::function<bool()>& create = {});

    // Creates path and every missing parent, recording each level it creates; true when
    // the directory exists afterwards.
    bool CreateDirectories(const std::string& path);

    // The levels of path that are missing, from the top down (a bare drive never is).
    static std::vector<std::string> MissingLevels(const std::string& path);

    // Creates a directory of the run's own, which undoing removes with everything in it.
    bool CreateWorkDirectory(const std::string& path);

    // The run removed its directory at path itself: when it is gone, its record is void.
    void WorkDirectoryRemoved(const std::string& path);

    // Records what setting the default value of key under HKEY_CLASSES_ROOT is about to change:
    // a key that does not exist yet is recorded as created (undoing deletes it with everything
    // below it) unless it lies below a key the run created; an existing key's default value, or
    // its absence, is recorded, and undoing puts it back. False when the key cannot be read or
    // the record written: the value must not be set then.
    bool RecordClassesRootValue(const std::string& key);

    // A name beside path that nothing bears yet, for a copy set aside or a file being written:
    // path + ".~vi" + the run's token + "-" + a number that grows over the run.
    std::string FreshName(const std::string& path);
    const std::string& Token() const { return token_; }

    // Undoes only the newest change (a file just moved aside goes back at once). When that
    // fails, the change stays recorded, to be undone again at the run's end, committed or not,
    // or by the recovery at a later start.
    void UndoLast();

    // Undoes the record, newest first, each step recorded on the disk before the next, then
    // deletes the file. False when the undo could not be finished (a step failed, a step could
    // not be recorded, the file could not be deleted): the file then holds what is left, for
    // the recovery at a later start. report gains a line for each step done or left.
    bool Undo(std::vector<std::string>& report);

    // Keeps the changes: every file the run made is flushed to the disk, then the completion
    // record is written; then the files set aside are deleted (a copy that cannot be deleted,
    // such as a library a running program has mapped, is deleted at the next restart), the
    // changes UndoLast could not undo are undone, and the file is deleted. False, changing
    // nothing, when the completion record cannot be written: the run must be undone then. A
    // step that still fails stays in the file, for the recovery at a later start.
    bool Commit(std::vector<std::string>& report);

    // Finishes a run whose completion record is on the disk, as Commit does after writing it;
    // false when something is left for a later start.
    bool FinishCompleted(std::vector<std::string>& report);

    // The files undo left where they were because they are not the run's, and the copies it
    // kept because such a file took their place; for the recovery's message.
    const std::vector<std::string>& Left() const { return left_; }

    // Tells the journal which folders the run holds (folder_holds.h): a step in a held folder
    // needs no walk of its way, which cannot have changed since it was held.
    void SetHeldFolders(std::function<bool(const std::string& folder)> is_held) { is_held_ = std::move(is_held); }

    // The files moved aside so far, as (original path, copy) pairs; for tests and reports.
    std::vector<std::pair<std::string, std::string>> SetAside() const;

private:
    JournalRecord* Find(uint32_t number);
    // The newest record in force not marked U or, with a path, the newest such record of a
    // directory or file created at path; nullptr when there is none.
    JournalRecord* NewestInForce(const std::string& path = {});
    // The folder of roots_ that path lies in (the deepest); empty when none.
    std::string RootOf(const std::string& path) const;
    // What undoing or finishing record needs to know; the other records are looked at only
    // with with_other_records (finishing needs nothing of them).
    UndoContext ContextOf(const JournalRecord& record, bool with_other_records = true) const;
    bool InCreatedKey(const std::string& key) const;
    bool Record(JournalRecord record);
    // Writes text and flushes it to the disk; true without a file.
    bool Append(const std::string& text);
    // The record numbered number needs nothing more; false when that cannot be written.
    bool Void(uint32_t number);
    bool MarkUndoFailed(JournalRecord& record);
    // Undoes the records in force, newest first (only those marked U when only_failed);
    // false when one is left.
    bool UndoInForce(std::vector<std::string>& report, bool only_failed);
    // Closes the file and deletes it; false when it stays.
    bool Discard();
    void Close();

    std::vector<JournalRecord> records_;  // in force, oldest first
    uint32_t next_number_ = 1;
    std::unique_ptr<platform::File> file_;
    std::string file_path_;
    int64_t length_ = 0;  // bytes written to the file
    std::string token_;
    // The destination and the machine folders the journal names: a step never acts through a
    // link below them.
    std::vector<std::string> roots_;
    unsigned next_fresh_number_ = 1;
    std::vector<std::string> left_;
    std::function<bool(const std::string&)> is_held_;
};

}  // namespace engine
