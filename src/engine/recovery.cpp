#include "engine/recovery.h"

#include <algorithm>
#include <memory>

#include "engine/journal_folder.h"
#include "engine/rollback.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace engine {

namespace {

bool ReadAll(platform::File& file, std::string& text) {
    const int64_t size = file.Size();
    if (size < 0 || file.Seek(0, platform::SeekOrigin::Begin) != 0) return false;
    text.assign(static_cast<size_t>(size), '\0');
    return file.Read(text.data(), size) == size;
}

RecoveryResult LeftAlone(RecoveryResult result, RecoveryOutcome outcome, const std::string& reason) {
    result.outcome = outcome;
    result.reason = reason;
    result.report.push_back("Journal " + result.journal_path + " left alone: " + reason);
    return result;
}

}  // namespace

RecoveryResult RecoverJournal(const std::string& path, const RecoveryRules& rules) {
    RecoveryResult result;
    result.journal_path = path;
    platform::FileSystem& files = platform::Files();
    if (!files.FileExists(path)) return result;

    std::string reason;
    if (!IsTrustedJournal(path, reason)) return LeftAlone(result, RecoveryOutcome::Refused, reason);
    // Only a journal nobody else holds is acted on: one in use may belong to a run that is
    // still going on.
    std::unique_ptr<platform::File> file = files.OpenFile(path, platform::OpenMode::ReadWrite);
    if (!file) return LeftAlone(result, RecoveryOutcome::InUse, "it is in use (" + files.LastErrorText() + ")");
    std::string text;
    JournalContents contents;
    if (!ReadAll(*file, text)) return LeftAlone(result, RecoveryOutcome::Unreadable, "it cannot be read");
    if (ReadJournalText(text, contents, reason) == JournalReading::Unreadable) {
        return LeftAlone(result, RecoveryOutcome::Unreadable, "it holds " + reason);
    }
    if (contents.header) result.destination = contents.header->destination;
    if (!JournalStaysInside(contents, rules.places, reason)) {
        return LeftAlone(result, RecoveryOutcome::Refused, "it names " + reason);
    }
    if (contents.version < 2) {
        return LeftAlone(result, RecoveryOutcome::Refused, "it was written by an earlier version");
    }
    // A torn tail is changes that never started; it goes before the first undo record is
    // appended, or that record would follow a bad line and make the journal unreadable.
    if (contents.good_length < text.size() && !(file->SetSize(static_cast<int64_t>(contents.good_length)) && file->Flush())) {
        return LeftAlone(result, RecoveryOutcome::Incomplete, "its torn end cannot be cut off");
    }

    result.report.push_back("Journal " + path + ": " +
                            (contents.complete ? "a completed run into " : "an unfinished run into ") +
                            (result.destination.empty() ? std::string("an unknown destination") : result.destination) +
                            (contents.complete ? ", finished" : ", undone"));
    RollbackJournal journal;
    journal.Resume(path, std::move(file), contents);
    const bool done = contents.complete ? journal.FinishCompleted(result.report) : journal.Undo(result.report);
    result.left = journal.Left();
    result.outcome = done ? RecoveryOutcome::Recovered : RecoveryOutcome::Incomplete;
    if (!done) result.report.push_back("Journal " + path + " kept: what is left is undone at a later start");
    return result;
}

RecoveryResult RecoverJournalFolder(const std::string& folder, const RecoveryRules& rules) {
    std::vector<std::string> names;
    for (const platform::DirectoryEntry& entry : platform::Files().ListDirectory(folder)) {
        if ((entry.attributes & platform::attribute::kDirectory) == 0 && entry.name.ends_with(kJournalExtension)) {
            names.push_back(entry.name);
        }
    }
    std::sort(names.begin(), names.end());
    RecoveryResult worst;
    std::vector<std::string> report;
    std::vector<std::string> left;
    for (const std::string& name : names) {
        RecoveryResult result = RecoverJournal(folder + "\\" + name, rules);
        report.insert(report.end(), result.report.begin(), result.report.end());
        left.insert(left.end(), result.left.begin(), result.left.end());
        if (result.outcome >= worst.outcome) worst = std::move(result);
    }
    worst.report = std::move(report);
    worst.left = std::move(left);
    return worst;
}

bool ReportJournalInDestination(const std::string& destination, RecoveryResult& result) {
    const std::string path = destination + "\\" + kJournalName;
    if (!platform::Files().FileExists(path)) return false;
    result.report.push_back("Journal " + path +
                            " left alone: it lies where anyone who may write the destination could have written "
                            "it; check the destination, then delete it");
    if (result.journal_path.empty()) result.journal_path = path;
    return true;
}

}  // namespace engine
