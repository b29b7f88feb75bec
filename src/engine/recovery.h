#pragma once
// Recovery at start-up: every journal a run left behind is read, checked against the places
// a run may change, and then finished (a run that had completed gets its copies deleted) or
// undone, newest change first. A journal that is in use, cannot be read, or names anything
// outside those places is left alone and reported; nothing in it is acted on.

#include <string>
#include <vector>

#include "engine/journal_check.h"

namespace engine {

// Worst last: the outcome of a folder of journals is the worst of theirs.
enum class RecoveryOutcome {
    NothingToDo,
    Recovered,   // undone, or finished when the run had completed
    InUse,       // held open by someone else: perhaps a run still going on
    Incomplete,  // a step could not be undone now: the journal holds what is left
    Unreadable,  // damaged (not just torn): never guessed at
    Refused,     // names something a run of this product never changes, or is not safe to trust
};

struct RecoveryResult {
    RecoveryOutcome outcome = RecoveryOutcome::NothingToDo;
    std::string journal_path;  // the journal that decided the outcome
    std::string destination;   // the destination it names, when it names one
    std::string reason;        // why it was refused or could not be read
    // Lines a person reads, for the record of the run: one for each journal and each step.
    std::vector<std::string> report;
    // Files recovery left where they were (no longer the run's) or kept (their place taken),
    // full paths.
    std::vector<std::string> left;
};

// What a journal may name on this machine.
struct RecoveryRules {
    JournalPlaces places;
};

// Recovers the journal at path; NothingToDo when there is none. A journal that someone other
// than administrators could have written (IsTrustedJournal) is refused before it is read.
RecoveryResult RecoverJournal(const std::string& path, const RecoveryRules& rules);

// Recovers every journal in folder, oldest name first; the worst outcome is reported, with
// the report lines of all.
RecoveryResult RecoverJournalFolder(const std::string& folder, const RecoveryRules& rules);

// A journal at the place earlier versions kept it, in destination, is not trusted: whoever
// can write the destination could have written it. It is reported (report lines, and
// journal_path set) and left alone; false when there is none.
bool ReportJournalInDestination(const std::string& destination, RecoveryResult& result);

}  // namespace engine
