// Files in use that a silent run replaces at the next restart. Nobody is there to close the
// program that holds such a file, so once its retries are over the new file is kept beside it
// under the run's token ("name.~vi<token>-<n>.new"), and the system is asked to move it into
// place at the next restart, before any program can hold it again. That request cannot be
// taken back, so it is made only once the run's completion is on the disk: a run that fails
// deletes its kept copies like any file it created. A later run over the same file sets the
// earlier kept copies aside (its delayed move then finds nothing to move), so an older copy
// never lands over a newer one.

#include "engine/installation.h"
#include "engine/text_utils.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace engine {

namespace {

constexpr char kKeptSuffix[] = ".new";

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool Installation::KeepForRestart(const std::string& source, const std::string& dest) {
    platform::FileSystem& files = platform::Files();
    const std::string kept = journal_.FreshName(dest) + kKeptSuffix;
    if (!journal_.CreateFile(kept, [&] { return files.MoveFile(source, kept); })) return false;
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
            const std::string name = platform::UpperCaseAnsi(entry.name);
            if (name.find(".~VI") != std::string::npos && EndsWith(name, ".NEW")) names.push_back(entry.name);
        }
        listed = kept_copies_by_directory_.emplace(key, std::move(names)).first;
    }
    const std::string prefix = platform::UpperCaseAnsi(dest.substr(directory.size() + 1)) + ".~VI";
    for (const std::string& name : listed->second) {
        if (platform::UpperCaseAnsi(name).rfind(prefix, 0) != 0) continue;
        const std::string earlier = directory + "\\" + name;
        const uint32_t attributes = files.GetAttributes(earlier);
        if (attributes == platform::attribute::kInvalid || !journal_.MoveAside(earlier, attributes)) continue;
        Report("Set aside: " + earlier + " (an earlier run's copy for the next restart)");
    }
}

void Installation::RequestRestartReplacements() {
    platform::FileSystem& files = platform::Files();
    for (const auto& [kept, dest] : restart_replacements_) {
        if (files.ReplaceAtRestart(kept, dest)) continue;
        Report("Failed: " + dest + ": the replacement at the next restart cannot be asked for: " + files.LastErrorText());
        UpdateFailures += FailureItem(dest);
    }
}

}  // namespace engine
