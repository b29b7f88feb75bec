// The journal folder and the checks made before a journal is trusted.

#include "engine/journal_folder.h"

#include <random>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/security.h"
#include "platform/system.h"

namespace engine {
namespace {

// How many names are tried for a folder moved aside.
constexpr int kAsideAttempts = 8;

std::string ParentOf(const std::string& path) {
    const size_t separator = path.find_last_of('\\');
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// A name beside folder that nobody can have taken in advance: sixteen random hexadecimal digits.
std::string UnguessableName(const std::string& folder) {
    static std::random_device random;
    constexpr char kDigits[] = "0123456789abcdef";
    std::string suffix;
    for (int digit = 0; digit < 16; ++digit) suffix += kDigits[random() % 16];
    return folder + ".untrusted-" + suffix;
}

// Moves what stands at folder aside under an unguessable name; the new name, or empty. Where
// the object's permissions stop the move, administrators take it over first. Each failed try
// is logged.
std::string MoveAside(const std::string& folder, std::vector<std::string>& log_lines) {
    platform::FileSystem& files = platform::Files();
    bool taken_over = false;
    for (int attempt = 1; attempt <= kAsideAttempts; ++attempt) {
        const std::string aside = UnguessableName(folder);
        if (files.MoveFile(folder, aside)) return aside;
        const std::string error = files.LastErrorText();
        const bool name_taken = files.GetAttributes(aside) != platform::attribute::kInvalid;
        log_lines.push_back("The journal folder " + folder + " could not be moved to " + aside + ": " +
                            (name_taken ? std::string("the name is taken") : error));
        if (name_taken || taken_over) continue;
        taken_over = true;
        platform::Security& security = platform::SecurityServices();
        log_lines.push_back(security.TakeOwnership(folder)
                                ? "Administrators took ownership of " + folder + " and reset its permissions."
                                : "Ownership of " + folder + " could not be taken: " + security.LastErrorText());
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
    if (security.OwnersKept() == platform::Owners::NotKept) {
        log_lines.push_back("The system keeps no owners of files: who owns a folder or journal is not checked, who "
                            "else may change it still is.");
    }

    const platform::TrustVerdict verdict = security.CheckTrusted(folder);
    const bool is_directory = files.DirectoryExists(folder);
    if (verdict == platform::TrustVerdict::Trusted && is_directory) return folder;
    if (verdict != platform::TrustVerdict::Missing) {
        const std::string why = is_directory || verdict != platform::TrustVerdict::Trusted
                                    ? platform::DescribeVerdict(verdict)
                                    : std::string("not a folder");
        const std::string aside = MoveAside(folder, log_lines);
        if (aside.empty()) {
            log_lines.push_back("The journal folder " + folder + " is " + why + " and cannot be moved aside.");
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
