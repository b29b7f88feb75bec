// The journal folder and the checks made before a journal is trusted.

#include "engine/journal_folder.h"

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/security.h"
#include "platform/system.h"

namespace engine {
namespace {

// How many fresh names are tried for a folder moved aside; others may have taken some.
constexpr int kAsideAttempts = 100;

std::string ParentOf(const std::string& path) {
    const size_t separator = path.find_last_of('\\');
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// Moves what stands at folder aside under a name nobody has taken; the new name, or empty.
std::string MoveAside(const std::string& folder) {
    platform::FileSystem& files = platform::Files();
    for (int attempt = 1; attempt <= kAsideAttempts; ++attempt) {
        const std::string aside = folder + ".untrusted-" + std::to_string(attempt);
        if (files.GetAttributes(aside) != platform::attribute::kInvalid) continue;
        if (files.MoveFile(folder, aside)) return aside;
    }
    return {};
}

}  // namespace

std::string PrepareJournalFolder(std::vector<std::string>& log_lines) {
    platform::FileSystem& files = platform::Files();
    platform::Security& security = platform::SecurityServices();
    const std::string base = platform::Machine().SpecialFolderPath(platform::SpecialFolder::CommonAppData);
    // The system keeps this folder; only a bare test machine lacks it.
    if (base.empty() || !files.ForceDirectories(base)) {
        log_lines.push_back("The all-users application data folder cannot be found: no journal folder.");
        return {};
    }
    const std::string folder = (base.back() == '\\' ? base : base + "\\") + kJournalFolderName;

    const platform::TrustVerdict verdict = security.CheckTrusted(folder);
    const bool is_directory = files.DirectoryExists(folder);
    if (verdict == platform::TrustVerdict::Trusted && is_directory) return folder;
    if (verdict != platform::TrustVerdict::Missing) {
        const std::string why = is_directory || verdict != platform::TrustVerdict::Trusted
                                    ? platform::DescribeVerdict(verdict)
                                    : std::string("not a folder");
        const std::string aside = MoveAside(folder);
        if (aside.empty()) {
            log_lines.push_back("The journal folder " + folder + " is " + why +
                                " and cannot be moved aside: " + files.LastErrorText());
            return {};
        }
        log_lines.push_back("The journal folder " + folder + " was " + why + "; it was moved to " + aside +
                            " and made anew.");
    }
    if (!security.CreateProtectedDirectory(folder, platform::UserAccess::None)) {
        log_lines.push_back("The journal folder " + folder + " cannot be created: " + security.LastErrorText());
        return {};
    }
    // Someone may have slipped something in between the check and the creation; what stands
    // there now must pass too.
    if (security.CheckTrusted(folder) != platform::TrustVerdict::Trusted) {
        log_lines.push_back("The journal folder " + folder + " is not safe after it was made.");
        return {};
    }
    return folder;
}

bool IsTrustedJournal(const std::string& journal_path, std::string& reason) {
    platform::Security& security = platform::SecurityServices();
    const platform::TrustVerdict file_verdict = security.CheckTrusted(journal_path);
    if (file_verdict != platform::TrustVerdict::Trusted) {
        reason = "The journal " + journal_path + " is " + platform::DescribeVerdict(file_verdict) + ".";
        return false;
    }
    const std::string folder = ParentOf(journal_path);
    const platform::TrustVerdict folder_verdict =
        folder.empty() ? platform::TrustVerdict::Missing : security.CheckTrusted(folder);
    if (folder_verdict != platform::TrustVerdict::Trusted) {
        reason = "The folder of the journal " + journal_path + " is " + platform::DescribeVerdict(folder_verdict) + ".";
        return false;
    }
    reason.clear();
    return true;
}

}  // namespace engine
