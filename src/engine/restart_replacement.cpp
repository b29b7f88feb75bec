// Files in use that a silent run replaces at the next restart. Nobody is there to close the
// program that holds such a file, so once its retries are over the new file is kept beside it
// under the run's token ("name.~vi<token>-<n>"), recorded in the journal first, and the system
// is asked to move it into place at the next restart, before any program can hold it again.
// That request cannot be taken back, so the journal makes it only once the run's completion
// is on the disk (and again at a recovery of a completed run); a run that fails deletes its
// kept copies like any file it made. A later run over the same file sets every copy an earlier
// run left beside it aside first (a delayed move then finds nothing to move), so an older
// copy never lands over a newer one.

#include "engine/installation.h"
#include "engine/text_utils.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/held_folder.h"
#include "platform/platform.h"
#include "platform/security.h"

namespace engine {

namespace {

// Whether name (upper case) is that of a copy a run left beside file (upper case):
// file + ".~VI" + a token + "-" + a number.
bool IsRunsCopyOf(const std::string& name, const std::string& file) {
    const std::string prefix = file + ".~VI";
    if (name.rfind(prefix, 0) != 0) return false;
    const size_t dash = name.rfind('-');
    return dash != std::string::npos && dash > prefix.size() && dash + 1 < name.size() &&
           name.find_first_not_of("0123456789", dash + 1) == std::string::npos;
}

}  // namespace

bool Installation::KeepForRestart(const std::string& source, const std::string& dest) {
    // The system carries the move out at the next restart by path, long after the run has let
    // its folders go: only a folder nobody else can change still leads there then.
    const std::string folder = DirectoryPart(dest);
    if (platform::SecurityServices().CheckTrusted(folder) != platform::TrustVerdict::Trusted) return false;
    platform::HeldFolder* from = holds_.Hold(DirectoryPart(source));
    platform::HeldFolder* to = holds_.Hold(folder);
    const std::string kept = journal_.FreshName(dest);
    if (from == nullptr || to == nullptr || !journal_.RecordKeptForRestart(dest, kept)) return false;
    if (!to->MoveHere(*from, NamePart(source), NamePart(kept))) {
        journal_.UndoLast();  // nothing was kept: the record is void
        return false;
    }
    restart_replacements_.emplace_back(kept, dest);
    Report("Replaced at the next restart: " + dest + " (in use; the new copy waits as " + kept + ")");
    return true;
}

void Installation::SetAsideEarlierKeptCopies(const std::string& dest) {
    platform::FileSystem& files = platform::Files();
    const std::string directory = DirectoryPart(dest);
    const std::string key = platform::UpperCaseAnsi(directory);
    auto listed = kept_copies_by_directory_.find(key);
    if (listed == kept_copies_by_directory_.end()) {
        std::vector<std::string> names;
        for (const platform::DirectoryEntry& entry : files.ListDirectory(directory)) {
            if (platform::UpperCaseAnsi(entry.name).find(".~VI") != std::string::npos) names.push_back(entry.name);
        }
        listed = kept_copies_by_directory_.emplace(key, std::move(names)).first;
    }
    const std::string file = platform::UpperCaseAnsi(dest.substr(directory.size() + 1));
    for (const std::string& name : listed->second) {
        if (!IsRunsCopyOf(platform::UpperCaseAnsi(name), file)) continue;
        const std::string earlier = directory + "\\" + name;
        const uint32_t attributes = files.GetAttributes(earlier);
        if (attributes == platform::attribute::kInvalid || !journal_.MoveAside(earlier, attributes)) continue;
        Report("Set aside: " + earlier + " (a copy an earlier run left for the next restart)");
    }
}

}  // namespace engine
