#pragma once
// The record of everything an installation changes on disk, so that a run that does not
// reach its end, because it failed or because the process died, leaves the destination and
// the system directory as it found them.
//
// A file that the run replaces or deletes is never destroyed at once: it is moved aside,
// beside itself (so the move stays on the same volume), and only a committed run deletes
// those copies. Undoing walks the record backwards: files the run created are deleted, the
// files moved aside are moved back with their old attributes, and directories the run
// created are removed when they are empty again (its extraction directory with everything
// in it).
//
// The record is written ahead: each change is appended to the journal file in the
// destination and flushed to the disk before the change is made, so after a crash the next
// start of the setup program finds every change that may have happened. The journal is a
// text file, one record a line, fields separated by a tab (no Windows path holds one), lines
// ending in CR LF:
//
//   VIrovARI2 install journal 1      first line
//   D <path>                         directory created
//   T <path>                         extraction directory created (removed with its content)
//   F <path>                         file created where nothing was
//   K <key>                          key created under HKEY_CLASSES_ROOT (deleted with its subkeys)
//   V <key>                          default value about to be set on an existing key that had none
//   V <key> <type> <bytes>           ... that had this one (type decimal, bytes as the system keeps them)
//   R <path> <copy> <attributes>     file moved (or copied) aside to copy; attributes decimal
//   X                                the newest record in force is void (undone or never made)
//   U                                the newest record in force could not be undone when the run
//                                    took it back: it stays in force, is no longer the newest
//                                    for X and U, and is undone even when the run completes
//   X <path>                         the newest D or F record of path in force is void
//   C                                the run is complete; what follows only deletes the copies
//
// A registry key or value may hold any byte, so in K and V records every byte below 0x20, 0x7F
// and '%' itself is written as '%' and two upper-case hexadecimal digits; the text reads back
// exactly.
//
// Each undo step tolerates a change that never happened (the crash came between the record
// and the change). A last line without its line end is a record whose change never started
// and is ignored; any other line that cannot be read makes the whole journal unreadable.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/shell.h"

namespace platform {
class File;
}

namespace engine {

// The journal's file name in the destination directory.
inline constexpr char kJournalName[] = "VIrovARI2.journal";

class RollbackJournal {
public:
    RollbackJournal();
    ~RollbackJournal();
    RollbackJournal(const RollbackJournal&) = delete;
    RollbackJournal& operator=(const RollbackJournal&) = delete;

    // Creates the journal file at path, which must not exist yet; false when it cannot be
    // created or written. Without a file, changes are recorded in memory only.
    bool Start(const std::string& path);

    // Records path, then runs create, which makes the file at path where nothing was. When
    // create fails, whatever it left at path is deleted and the record dropped; false then.
    bool CreateFile(const std::string& path, const std::function<bool()>& create);

    // Records the directories (parents first) and files a batch is about to create where
    // nothing is, all with one flush; false (nothing recorded) when the records cannot be
    // written. The caller then creates them, in that order, the files by moves (which leave
    // nothing behind when they fail), and hands each one it could not create to
    // ForgetCreated. A crash before one is made costs nothing: undoing a directory or file
    // that was never made does nothing.
    bool RecordCreated(const std::vector<std::string>& directories, const std::vector<std::string>& files);

    // The directory or file at path, recorded by RecordCreated, was not created: its record
    // is void.
    void ForgetCreated(const std::string& path);

    // Moves the existing file at path aside, so that its place is free and its bytes can be
    // restored; attributes are the ones to give it back on restore. False (nothing recorded)
    // for a directory, or when the file cannot be moved.
    bool MoveAside(const std::string& path, uint32_t attributes);

    // Copies the existing file at path aside (the file stays), so that undoing puts the copy
    // back in its place; false (nothing recorded) when the copy cannot be made.
    bool CopyAside(const std::string& path, uint32_t attributes);

    // CreateDirectoryA for one level, recorded when it succeeds.
    bool CreateDirectory(const std::string& path);

    // Creates path and every missing parent, recording each level it creates; true when
    // the directory exists afterwards.
    bool CreateDirectories(const std::string& path);

    // The levels of path that are missing, from the top down (a bare drive never is).
    static std::vector<std::string> MissingLevels(const std::string& path);

    // Creates a directory of the run's own, which undoing removes with everything in it.
    bool CreateWorkDirectory(const std::string& path);

    // Records what setting the default value of key under HKEY_CLASSES_ROOT is about to change:
    // a key that does not exist yet is recorded as created (undoing deletes it with everything
    // below it) unless it lies below a key the run created; an existing key's default value, or
    // its absence, is recorded, and undoing puts it back. False when the key cannot be read or
    // the record written: the value must not be set then.
    bool RecordClassesRootValue(const std::string& key);

    // A name beside path that nothing bears yet, for a copy set aside or a file being written:
    // path + ".~vi" + a token of this run + "-" + a number that grows over the run.
    std::string FreshName(const std::string& path);

    // Undoes only the newest change (a file just moved aside goes back at once). When that
    // fails, the change stays recorded, to be undone again at the run's end, committed or not,
    // or by the recovery at a later start.
    void UndoLast();

    // Undoes the record, newest first, then forgets it and deletes the file. When a step fails
    // (a file in use cannot be deleted or put back), the file stays and holds what is left to
    // undo, for the recovery at a later start.
    void Undo();

    // Keeps the changes: deletes the files set aside (a copy that cannot be deleted, such as a
    // library a running program has mapped, is deleted at the next restart) and undoes the
    // changes UndoLast could not, then forgets the record and deletes the file. A change that
    // still cannot be undone stays in the file, for the recovery at a later start.
    void Commit();

    // The files moved aside so far, as (original path, copy) pairs; for tests and reports.
    std::vector<std::pair<std::string, std::string>> SetAside() const;

    enum class Recovery { NothingToDo, Recovered, Unreadable, Incomplete };

    // Finishes what the run that wrote the journal file at path left: an incomplete run is
    // undone, a complete one gets its copies deleted; the file is deleted afterwards. A file
    // that cannot be read is left as it is (Unreadable). When an undo step fails, the file
    // keeps only what is left to undo (Incomplete), so that a later start can finish it.
    static Recovery Recover(const std::string& path);

private:
    enum class ChangeKind {
        DirectoryCreated,
        WorkDirectoryCreated,
        FileCreated,
        FileSetAside,
        ClassesRootKeyCreated,
        ClassesRootValueSet,
    };
    struct Change {
        ChangeKind kind;
        std::string path;  // or the key under HKEY_CLASSES_ROOT
        std::string backup;
        uint32_t attributes = 0;
        std::optional<platform::RegistryValue> old_value{};  // ClassesRootValueSet: the value before
        bool undo_failed = false;  // UndoLast could not undo it: it is undone whatever the end
    };
    // The newest change UndoLast has not given up on, or with a path, the newest such record
    // of a directory or file created at path; nullptr when there is none.
    static Change* NewestInForce(std::vector<Change>& changes, const std::string& path = {});
    // The end of a completed run: deletes the copies of the changes kept and undoes the ones
    // UndoLast failed to; returns those still not undone, oldest first.
    static std::vector<Change> FinishCompleted(const std::vector<Change>& changes);
    bool InCreatedKey(const std::string& key) const;
    bool Record(const Change& change);
    bool Append(const std::string& line);
    bool Write(const std::string& text);
    void Drop(const std::string& path = {});
    void Finish();
    static std::string Line(const Change& change);
    static bool UndoChange(const Change& change);
    // Undoes changes newest first; returns those whose undo failed, oldest first.
    static std::vector<Change> UndoAll(const std::vector<Change>& changes);
    static bool Rewrite(const std::string& path, const std::vector<Change>& changes);
    static bool Parse(const std::string& text, std::vector<Change>& changes, bool& complete);
    static bool ParseRegistryRecord(const std::vector<std::string>& fields, std::vector<Change>& changes);

    std::vector<Change> changes_;
    std::unique_ptr<platform::File> file_;
    std::string file_path_;
    std::string token_;
    unsigned next_backup_number_ = 1;
};

}  // namespace engine
