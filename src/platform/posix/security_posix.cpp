#include "platform/posix/security_posix.h"

#include "platform/posix/system_error_texts.h"

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/machine_state.h"

namespace platform::posix {
namespace {

constexpr const char* kDescriptorName = "user.windows.security";
constexpr const char* kOwnerName = "user.windows.owner";
constexpr const char* kOthersName = "user.windows.others";
constexpr const char* kOthersWrite = "write";
constexpr const char* kDeletionDeniedName = "user.windows.deletion-denied";

// Modify rights: everything but permissions and ownership.
constexpr uint32_t kModify = 0x1301BF;
// Read, list, read attributes and permissions, synchronise, execute and traverse.
constexpr uint32_t kReadAndExecute = 0x1200A9;
constexpr uint32_t kFullControl = 0x1F01FF;

std::string ReadAttribute(const std::string& host, const char* name) {
    char text[1024] = {};
    const ssize_t length = ::getxattr(host.c_str(), name, text, sizeof text - 1);
    return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}

bool WriteAttribute(const std::string& host, const char* name, const std::string& value) {
    return ::setxattr(host.c_str(), name, value.data(), value.size(), 0) == 0;
}

}  // namespace

std::string StoredDescriptor(const std::string& host) { return ReadAttribute(host, kDescriptorName); }

void InheritDescriptor(const std::string& host) {
    const size_t slash = host.find_last_of('/');
    if (slash == std::string::npos) return;
    const std::string folder = StoredDescriptor(slash == 0 ? "/" : host.substr(0, slash));
    if (!folder.empty()) WriteAttribute(host, kDescriptorName, folder);
}

bool StoreForeignOwner(const std::string& host) { return WriteAttribute(host, kOwnerName, kForeignAccount); }

bool StoreWritableByOthers(const std::string& host) { return WriteAttribute(host, kOthersName, kOthersWrite); }

bool StoreDeletionDenied(const std::string& host) { return WriteAttribute(host, kDeletionDeniedName, "denied"); }

bool IsDeletionDenied(const std::string& host) { return !ReadAttribute(host, kDeletionDeniedName).empty(); }

bool PosixSecurity::Fail(const std::string& text) {
    last_error_ = text;
    return false;
}

std::string PosixSecurity::LastErrorText() { return last_error_; }

bool PosixSecurity::CreateProtectedDirectory(const std::string& path, UserAccess users) {
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid) return Fail(kPathNotFound);
    struct stat link;
    if (mapped.is_root || mapped.exists || ::lstat(mapped.host.c_str(), &link) == 0) {
        return Fail("Cannot create a file when that file already exists.");
    }
    if (IsInUnwritableDirectory(mapped)) return Fail(kAccessDenied);
    BeforeChange();
    if (::mkdir(mapped.host.c_str(), users == UserAccess::None ? 0700 : 0755) != 0) {
        return Fail(errno == ENOENT ? kPathNotFound : std::strerror(errno));
    }
    if (!WriteAttribute(mapped.host, kDescriptorName, ProtectedDirectoryDescriptor(users))) {
        const int error_number = errno;
        ::rmdir(mapped.host.c_str());
        return Fail(std::strerror(error_number));
    }
    return true;
}

TrustVerdict PosixSecurity::CheckTrusted(const std::string& path) {
    const MappedPath mapped = MapPath(path);
    struct stat link;
    if (!mapped.valid || ::lstat(mapped.host.c_str(), &link) != 0) return TrustVerdict::Missing;
    if (S_ISLNK(link.st_mode)) return TrustVerdict::ReparsePoint;

    const std::string own_account = CurrentAccount();
    SecurityDescriptor descriptor;
    const std::string stored = StoredDescriptor(mapped.host);
    if (!stored.empty()) {
        const std::optional<SecurityDescriptor> parsed = ParseSecurityDescriptor(stored);
        if (!parsed) return TrustVerdict::Unreadable;
        descriptor = *parsed;
    } else {
        // What a file made by the program's account gets from an ordinary folder.
        descriptor.entries = {{true, account::kSystem, kFullControl, false},
                              {true, account::kAdministrators, kFullControl, false},
                              {true, own_account, kFullControl, false},
                              {true, account::kEveryone, kReadAndExecute, false}};
    }
    const Owners owners = OwnersKept();
    // A mark wins; else, where owners are kept, the stored descriptor's; else the program's account.
    std::string owner = ReadAttribute(mapped.host, kOwnerName);
    if (owner.empty() && owners == Owners::Kept) owner = descriptor.owner;
    descriptor.owner = owner.empty() ? own_account : owner;
    if (ReadAttribute(mapped.host, kOthersName) == kOthersWrite) {
        descriptor.entries.push_back({true, account::kEveryone, kModify, false});
    }
    return JudgeDescriptor(descriptor, own_account, owners);
}

bool PosixSecurity::TakeOwnership(const std::string& path) {
    const MappedPath mapped = MapPath(path);
    struct stat link;
    if (!mapped.valid || ::lstat(mapped.host.c_str(), &link) != 0) return Fail(kNotFound);
    if (S_ISLNK(link.st_mode)) return Fail(kAccessDenied);  // the model keeps no marks on links
    BeforeChange();
    for (const char* mark : {kOwnerName, kOthersName, kDeletionDeniedName}) ::removexattr(mapped.host.c_str(), mark);
    return WriteAttribute(mapped.host, kDescriptorName, ProtectedDirectoryDescriptor(UserAccess::None))
               ? true
               : Fail(std::strerror(errno));
}

Owners PosixSecurity::OwnersKept() { return State().owners_kept ? Owners::Kept : Owners::NotKept; }

std::string PosixSecurity::CurrentAccount() { return "S-1-5-21-0-0-0-" + std::to_string(::getuid()); }

bool PosixSecurity::ResetToInherited(const std::string& path) {
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid || !mapped.exists) return Fail(kNotFound);
    BeforeChange();
    // What the folder passes on replaces what the file carried; an ordinary folder passes on
    // nothing the model keeps.
    if (::removexattr(mapped.host.c_str(), kDescriptorName) != 0 && errno != ENODATA) return Fail(std::strerror(errno));
    InheritDescriptor(mapped.host);
    return true;
}

}  // namespace platform::posix
