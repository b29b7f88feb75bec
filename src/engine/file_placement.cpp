#include "engine/file_placement.h"

#include <map>
#include <set>

#include "engine/folder_holds.h"
#include "engine/installation.h"
#include "engine/reparse_points.h"
#include "engine/text_utils.h"
#include "locale/format_text.h"
#include "locale/text_case.h"
#include "platform/code_page.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/security.h"

namespace engine {

namespace {

bool SameTextIgnoringCase(const std::string& left, const std::string& right) {
    return platform::UpperCaseAnsi(left) == platform::UpperCaseAnsi(right);
}

// A strictly later write time of source wins; a time that cannot be read never does.
bool IsStrictlyLater(const std::string& source, const std::string& target) {
    platform::FileSystem& files = platform::Files();
    platform::FileTime source_time;
    platform::FileTime target_time;
    if (!files.GetLastWriteTime(source, source_time) || !files.GetLastWriteTime(target, target_time)) return false;
    return source_time.ticks > target_time.ticks;
}

}  // namespace

bool IsExcludedDir(const std::string& path, const std::vector<std::string>& excluded_dirs) {
    std::string top = DirectoryPart(path);
    const size_t slash = top.find('\\');
    if (slash != std::string::npos) top.erase(slash);
    top = locale::Trim(platform::UpperCaseAnsi(top));
    for (const std::string& excluded : excluded_dirs) {
        if (SameTextIgnoringCase(excluded, top)) return true;
    }
    return false;
}

bool IsSystemEntry(const std::string& path) { return locale::UpperAscii(path).rfind("SYSTEM\\", 0) == 0; }

bool IsCoreLibrary(const std::string& dest) {
    const std::string upper = platform::UpperCaseAnsi(dest);
    return upper.find("VE4.DLL") != std::string::npos || upper.find("VE4TOOLS.DLL") != std::string::npos;
}

bool MayOverwrite(const std::string& path, const std::vector<std::string>& keep_files) {
    for (const std::string& kept : keep_files) {
        if (SameTextIgnoringCase(kept, path)) return false;
    }
    return true;
}

std::string SystemDestination(const std::string& path, const std::string& system_dir) {
    return (system_dir + "\\" + path.substr(7)).substr(0, 200);
}

bool Installation::MoveIntoPlace(platform::HeldFolder& from, platform::HeldFolder& to, const std::string& source,
                                 const std::string& dest, std::string& error) {
    if (!to.MoveHere(from, NamePart(source), NamePart(dest))) {
        error = to.LastErrorText();
        return false;
    }
    // A moved file keeps the permissions it had in the extraction directory, which only
    // administrators may change; at its place it takes what its folder gives instead, so users
    // can run what was installed as they could any file created there. Should that fail, the
    // file keeps the extraction directory's permissions, which let users read and run it.
    platform::SecurityServices().ResetToInherited(dest);
    return true;
}

void ClearReadOnly(const std::string& file) {
    platform::FileSystem& files = platform::Files();
    const uint32_t attributes = files.GetAttributes(file);
    if (attributes == platform::attribute::kInvalid) return;
    if ((attributes & platform::attribute::kReadOnly) == 0) return;
    files.SetAttributes(file, attributes & ~platform::attribute::kReadOnly);
}

std::string Installation::RetryText(const std::string& dest) const {
    return locale::FormatText(settings_.texts.fmt_update_error, {dest, settings_.texts.product_name});
}

// Frees the place of an existing file by moving it aside, asking the user to close the
// programs that hold it until that works or the user goes on without it. The file must be
// replaceable now: a library that a running program has loaded can be moved but not
// deleted, and would otherwise stay aside for good.
bool Installation::ReplaceWithRetry(const std::string& dest, uint32_t attributes) {
    platform::FileSystem& files = platform::Files();
    const auto try_once = [&] { return files.CanReplace(dest) && journal_.MoveAside(dest, attributes); };
    bool ok = try_once();
    while (!ok) {
        const platform::DialogResult answer = platform::UserDialogs().ShowMessage(
            RetryText(dest), platform::MessageKind::Warning, platform::buttons::kRetry | platform::buttons::kIgnore,
            platform::DialogResult::Retry);
        // Only "Next" gives up; the close box and anything else count as "Repeat".
        if (answer == platform::DialogResult::Ignore) break;
        ok = try_once();
    }
    return ok;
}

void Installation::RecordDirectory(const std::string& directory) {
    const std::string upper = locale::UpperAscii(directory);
    for (const std::string& known : settings_.dirs) {
        if (locale::UpperAscii(known) == upper) return;
    }
    if (settings_.dirs.size() >= kMaxDirs) return;
    settings_.dirs.push_back(upper);
}

std::string Installation::Destination(const std::string& path) const {
    // Files of an excluded top-level directory stay in the extraction directory, which goes
    // as a whole later.
    if (IsExcludedDir(path, settings_.excluded_dirs)) return {};
    if (!IsSystemEntry(path)) return settings_.install_dir + "\\" + path;
    const std::string dest = SystemDestination(path, settings_.system_dir);
    // Shared files of other products are only ever updated, never downgraded; the core
    // libraries of the family are the exception and are always replaced.
    if (platform::Files().FileExists(dest) && !IsCoreLibrary(dest) && !IsStrictlyLater(extraction_dir_ + "\\" + path, dest)) {
        Report("Kept: " + dest + " (the installed copy is as new or newer)");
        return {};
    }
    return dest;
}

bool Installation::HoldWay(const std::string& path, const std::string& dest, bool create_missing,
                           platform::HeldFolder*& from, platform::HeldFolder*& to) {
    if (!holds_.IsHeld(settings_.install_dir)) HoldRoots();
    from = holds_.Hold(DirectoryPart(extraction_dir_ + "\\" + path));
    const std::string directory = DirectoryPart(dest);
    FolderHolds::Way way = holds_.Find(directory);
    if (way.missing && create_missing) {
        for (const std::string& level : RollbackJournal::MissingLevels(directory)) {
            // A failure shows up as a folder that is not held.
            journal_.CreateDirectory(level, [&] { return holds_.CreateAndHold(level) != nullptr; });
        }
        RecordDirectory(directory);
        way = holds_.Find(directory);
    }
    to = way.folder;
    if (from == nullptr || to == nullptr) return false;
    const uint32_t attributes = platform::Files().GetAttributes(dest);
    return attributes == platform::attribute::kInvalid || (attributes & platform::attribute::kReparsePoint) == 0;
}

void Installation::PlaceFile(const std::string& path) {
    const std::string dest = Destination(path);
    if (dest.empty()) return;
    // Nothing is moved, deleted or created through a link; the extracted file stays where it
    // is and goes with the extraction directory.
    platform::HeldFolder* from = nullptr;
    platform::HeldFolder* to = nullptr;
    if (!HoldWay(path, dest, true, from, to)) {
        Report("Failed: " + dest + ": its way leads through a link, or its folder cannot be made");
        (MayOverwrite(path, settings_.keep_files) ? UpdateFailures : CreateFailures) += FailureItem(dest);
        return;
    }

    platform::FileSystem& files = platform::Files();
    const std::string source = extraction_dir_ + "\\" + path;
    const uint32_t attributes = files.GetAttributes(dest);
    const bool existed = attributes != platform::attribute::kInvalid;
    // A directory where the file is to go is the user's and stays where it is.
    const bool directory_in_place = existed && (attributes & platform::attribute::kDirectory) != 0;
    // Why the file could not be placed, for the report, kept before the cleaning up fails too.
    std::string move_error;
    const auto move_into_place = [&] { return MoveIntoPlace(*from, *to, source, dest, move_error); };
    const auto failure = [&] {
        if (directory_in_place) return std::string("a directory stands in its place");
        return move_error.empty() ? files.LastErrorText() : move_error;
    };
    // The file keeps its size and time when it moves: undoing can tell it from a later one.
    const std::optional<FileStamp> stamp = StampOf(source);
    if (MayOverwrite(path, settings_.keep_files)) {
        // A copy an earlier run keeps for the next restart must not land over this one.
        if (existed && !directory_in_place) SetAsideEarlierKeptCopies(dest);
        const bool set_aside = existed && !directory_in_place && ReplaceWithRetry(dest, attributes);
        const bool in_use = existed && !directory_in_place && !set_aside;
        if (in_use && settings_.replace_in_use_at_restart && KeepForRestart(source, dest)) {
            if (!IsSystemEntry(path)) LogLines.push_back(dest);
            return;
        }
        const bool ok = (!existed || set_aside) && journal_.CreateFile(dest, move_into_place, stamp);
        if (!ok) {
            Report(in_use ? "Left in use: " + dest + " (the earlier version stays)" : "Failed: " + dest + ": " + failure());
            // The old file must not be lost because the new one could not take its place.
            if (set_aside) journal_.UndoLast();
            UpdateFailures += FailureItem(dest);
            files.DeleteFile(source);
            return;
        }
        Report(set_aside ? "Replaced: " + dest + " (the earlier copy set aside as " + journal_.SetAside().back().second + ")"
                         : "Placed: " + dest);
    } else if (directory_in_place || (!existed && !journal_.CreateFile(dest, move_into_place, stamp))) {
        Report("Failed: " + dest + ": " + failure());
        CreateFailures += FailureItem(dest);
        files.DeleteFile(source);
        return;
    } else if (existed) {
        Report("Kept: " + dest + " (the installed copy stays)");
        files.DeleteFile(source);  // the user's own copy stays untouched
    } else {
        Report("Placed: " + dest);
    }

    if (!IsSystemEntry(path)) LogLines.push_back(dest);
}

void Installation::PlacePending() {
    platform::FileSystem& files = platform::Files();
    std::vector<std::string> paths;
    paths.swap(pending_);
    pending_names_.clear();

    // What the batch creates where nothing is: the missing directories, parents first, and
    // the files of the destination whose place is free (no two go to one place: the names
    // waiting are unique). System files and replacements take the way of a single file.
    std::vector<std::string> dests;
    std::map<std::string, bool> directory_missing;  // by upper-case path
    std::set<std::string> refused;                  // upper-case paths of folders on a way through a link
    std::set<std::string> planned;                  // upper-case paths of new_directories
    std::vector<std::string> new_directories;
    std::vector<bool> free_place(paths.size(), false);
    std::vector<NewFile> new_files;
    for (size_t index = 0; index < paths.size(); ++index) {
        dests.push_back(Destination(paths[index]));
        const std::string& dest = dests.back();
        // A file whose way leads through a link takes the single way, which reports it.
        if (dest.empty() || holds_.Hold(DirectoryPart(extraction_dir_ + "\\" + paths[index])) == nullptr) continue;
        const std::string directory = DirectoryPart(dest);
        const std::string key = platform::UpperCaseAnsi(directory);
        if (refused.count(key) != 0) continue;
        const auto [known, first] = directory_missing.try_emplace(key, false);
        if (first) {
            const FolderHolds::Way way = holds_.Find(directory);
            if (way.folder == nullptr && !way.missing) {
                refused.insert(key);
                continue;
            }
            if (way.missing) {
                for (const std::string& level : RollbackJournal::MissingLevels(directory)) {
                    known->second = true;
                    if (planned.insert(platform::UpperCaseAnsi(level)).second) new_directories.push_back(level);
                }
                if (known->second) RecordDirectory(directory);
            }
        }
        const bool missing = known->second;
        if (IsSystemEntry(paths[index]) || (!missing && files.GetAttributes(dest) != platform::attribute::kInvalid))
            continue;
        free_place[index] = true;
        new_files.push_back({dest, StampOf(extraction_dir_ + "\\" + paths[index])});
    }
    if (journal_.RecordCreated(new_directories, new_files)) {
        for (const std::string& directory : new_directories) {
            // A failure shows up as a folder that is not held, which the single way reports.
            if (holds_.CreateAndHold(directory) == nullptr) journal_.ForgetCreated(directory);
        }
    } else {
        // Without the records, each file takes the single way, which reports it.
        free_place.assign(paths.size(), false);
    }

    for (size_t index = 0; index < paths.size(); ++index) {
        const std::string& path = paths[index];
        const std::string& dest = dests[index];
        if (dest.empty()) continue;  // stays in the extraction directory
        if (!free_place[index]) {
            PlaceFile(path);
            continue;
        }
        const std::string source = extraction_dir_ + "\\" + path;
        platform::HeldFolder* from = holds_.Hold(DirectoryPart(source));
        platform::HeldFolder* to = holds_.Hold(DirectoryPart(dest));
        if (from == nullptr || to == nullptr) {
            journal_.ForgetCreated(dest);
            PlaceFile(path);
            continue;
        }
        std::string failure;
        if (MoveIntoPlace(*from, *to, source, dest, failure)) {
            Report("Placed: " + dest);
            LogLines.push_back(dest);
            continue;
        }
        // A move inside the destination is a rename, which leaves nothing when it fails.
        journal_.ForgetCreated(dest);
        // The place was taken after all: by a file of the batch under another name for the
        // same file (a short name, say), or by someone else. The single way sets it aside.
        if (files.GetAttributes(dest) != platform::attribute::kInvalid) {
            PlaceFile(path);
            continue;
        }
        Report("Failed: " + dest + ": " + failure);
        (MayOverwrite(path, settings_.keep_files) ? UpdateFailures : CreateFailures) += FailureItem(dest);
        files.DeleteFile(source);
    }
}

void Installation::QueuePlacement(const std::string& path) {
    pending_.push_back(path);
    pending_names_.insert(platform::UpperCaseAnsi(path));
}

// The next entry is extracted to where a file waiting for its place lies, or below it.
bool Installation::NextEntryMeetsPending(int32_t next_index) const {
    if (next_index >= extractor_->Count()) return false;
    std::string name = platform::UpperCaseAnsi(extractor_->EntryFullName(next_index));
    if (!name.empty() && name.back() == '\\') name.pop_back();
    for (size_t slash = name.find('\\'); slash != std::string::npos; slash = name.find('\\', slash + 1)) {
        if (pending_names_.count(name.substr(0, slash)) != 0) return true;
    }
    return pending_names_.count(name) != 0;
}

}  // namespace engine
