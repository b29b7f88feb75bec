#pragma once
// The record of everything an installation changes on disk, so that a run that does not
// reach its end can leave the destination and the system directory as it found them.
//
// A file that the run replaces or deletes is never destroyed at once: it is moved aside,
// beside itself (so the move stays on the same volume), and only a committed run deletes
// those copies. Undoing walks the record backwards: files the run created are deleted, the
// files moved aside are moved back with their old attributes, and directories the run
// created are removed when they are empty again.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace engine {

class RollbackJournal {
public:
    // Records a file (or shortcut) that this run has created where nothing was before.
    void FileCreated(const std::string& path);

    // Moves the existing file at path aside, so that its place is free and its bytes can be
    // restored; attributes are the ones to give it back on restore. False (nothing recorded)
    // when the file cannot be moved, for instance because another program holds it open.
    bool MoveAside(const std::string& path, uint32_t attributes);

    // CreateDirectoryA for one level, recorded when it succeeds.
    bool CreateDirectory(const std::string& path);

    // Creates path and every missing parent, recording each level it creates; true when
    // the directory exists afterwards.
    bool CreateDirectories(const std::string& path);

    // Undoes only the newest change (a file just moved aside goes back at once).
    void UndoLast();

    // Undoes the record, newest first, ignoring errors, and forgets it.
    void Undo();

    // Keeps the changes: deletes the files moved aside (a copy that cannot be deleted, such
    // as a library still mapped by a running program, is left behind) and forgets the record.
    void Commit();

    // The files moved aside so far, as (original path, copy) pairs; for tests and reports.
    std::vector<std::pair<std::string, std::string>> SetAside() const;

private:
    enum class ChangeKind { FileCreated, FileMovedAside, DirectoryCreated };
    struct Change {
        ChangeKind kind;
        std::string path;
        std::string backup;
        uint32_t attributes = 0;
    };
    void UndoChange(const Change& change);

    std::vector<Change> changes_;
    unsigned next_backup_number_ = 1;
};

// Deletes dir with everything in it; what cannot be deleted stays, and so does dir then.
void DeleteTree(const std::string& dir);

}  // namespace engine
