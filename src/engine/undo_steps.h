#pragma once
// The steps that take one journal record back, or finish it once its run has completed.
// Every step looks at what is there first, so it may run for a change that never happened
// (the process died between the record and the change), and it takes back only what the run
// made: a file that is no longer the run's, or a place taken by someone else's file, is left
// and reported.

#include <optional>
#include <string>
#include <vector>

#include "engine/journal_format.h"
#include "engine/reparse_points.h"

namespace engine {

enum class StepOutcome {
    Done,       // the record needs nothing more
    Failed,     // the step could not be finished now (a file in use): the record stays in force
    LeftAlone,  // what stands there is not the run's: left, reported, and the record needs nothing more
};

// What an undo step needs to know of the other records in force.
struct UndoContext {
    // The journal holds a record of a file created at this path that is still in force: a
    // file there is the run's own even though its undo failed.
    bool created_file_in_force = false;
    // The file of this record is the copy of a file set aside whose record is still in force:
    // it goes only with that record's restore.
    bool is_copy_in_force = false;
    // The folder the journal names that the record's paths lie in (the destination, the system
    // directory, a shortcut folder); empty for registry records and paths in none of them.
    std::string root;
    // The folders of the record's paths are held by the run in progress: the way to them
    // cannot have changed since they were held, so only the paths themselves are looked at.
    bool way_held = false;
};

// Takes record back; report gains a line a person reads for each thing done or left.
StepOutcome UndoRecord(const JournalRecord& record, const UndoContext& context, std::vector<std::string>& report);

// Finishes record of a completed run: copies set aside are deleted (at the next restart when
// they are in use), the extraction directory is removed, a kept file's replacing move is
// requested for the next restart again (harmless to repeat).
StepOutcome FinishRecord(const JournalRecord& record, const UndoContext& context, std::vector<std::string>& report);

// The size and last-write time of the file at path; nullopt when it cannot be read.
std::optional<FileStamp> StampOf(const std::string& path);

// Deletes a file even when it carries the read-only bit; false when it is still there.
bool ForceDelete(const std::string& path);

}  // namespace engine
