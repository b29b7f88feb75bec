#include "platform/posix/host_file.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace platform::posix {
namespace {

// The hidden, system and archive bits of a file, as decimal text; absent means the default
// for its kind (archive for files, nothing for directories). The read-only bit is not kept
// here but in the owner-write permission bit, which copies and renames carry along.
constexpr const char* kAttributeName = "user.windows.attributes";
constexpr uint32_t kStoredBits = attribute::kHidden | attribute::kSystem | attribute::kArchive;
constexpr int64_t kUnixEpochInFileTimeSeconds = 11644473600;

uint32_t DefaultStoredBits(const struct stat& info) { return S_ISDIR(info.st_mode) ? 0 : attribute::kArchive; }

struct OpenHandle {
    dev_t device;
    ino_t inode;
    unsigned access;
    unsigned share;
    std::string folder_host;  // a folder's host path, for the renames above it; else empty
};

// The open handles of the process, shared by every thread (as the system's are); each
// function below holds this lock while it looks at them.
std::map<uint64_t, OpenHandle>& OpenHandles() {
    static std::map<uint64_t, OpenHandle> handles;
    return handles;
}
std::mutex& HandlesLock() {
    static std::mutex lock;
    return lock;
}

bool SameFile(const OpenHandle& handle, const struct stat& info) {
    return handle.device == info.st_dev && handle.inode == info.st_ino;
}

}  // namespace

uint32_t AttributesOf(const std::string& host, const struct stat& info) {
    uint32_t attributes = S_ISDIR(info.st_mode) ? attribute::kDirectory : 0;
    if ((info.st_mode & S_IWUSR) == 0) attributes |= attribute::kReadOnly;
    char text[16] = {};
    const ssize_t length = ::getxattr(host.c_str(), kAttributeName, text, sizeof text - 1);
    attributes |= length > 0 ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10)) & kStoredBits
                             : DefaultStoredBits(info);
    return attributes == 0 ? attribute::kNormal : attributes;
}

bool StoreAttributes(const std::string& host, const struct stat& info, uint32_t attributes) {
    const mode_t mode = (attributes & attribute::kReadOnly) != 0
                            ? info.st_mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)
                            : info.st_mode | S_IWUSR;
    if ((mode & 07777) != (info.st_mode & 07777) && ::chmod(host.c_str(), mode & 07777) != 0) return false;
    const uint32_t stored = attributes & kStoredBits;
    if (stored == DefaultStoredBits(info)) {
        ::removexattr(host.c_str(), kAttributeName);  // already absent is as good as removed
        return true;
    }
    const std::string text = std::to_string(stored);
    return ::setxattr(host.c_str(), kAttributeName, text.data(), text.size(), 0) == 0;
}

void CopyStoredAttributes(const std::string& from_host, const std::string& to_host) {
    char text[16] = {};
    const ssize_t length = ::getxattr(from_host.c_str(), kAttributeName, text, sizeof text - 1);
    if (length > 0) {
        ::setxattr(to_host.c_str(), kAttributeName, text, length, 0);
    } else {
        ::removexattr(to_host.c_str(), kAttributeName);
    }
}

FileTime ToFileTime(const struct timespec& time) {
    const int64_t seconds = static_cast<int64_t>(time.tv_sec) + kUnixEpochInFileTimeSeconds;
    if (seconds < 0) return FileTime{};
    return FileTime{static_cast<uint64_t>(seconds) * 10'000'000u + static_cast<uint64_t>(time.tv_nsec) / 100u};
}

struct timespec ToTimespec(const FileTime& time) {
    struct timespec converted = {};
    converted.tv_sec = static_cast<time_t>(static_cast<int64_t>(time.ticks / 10'000'000u) - kUnixEpochInFileTimeSeconds);
    converted.tv_nsec = static_cast<long>(time.ticks % 10'000'000u) * 100;
    return converted;
}

bool RegisterOpenHandle(const struct stat& info, unsigned desired_access, unsigned share, uint64_t& id,
                        const std::string& folder_host) {
    const std::lock_guard<std::mutex> lock(HandlesLock());
    for (const auto& [other_id, handle] : OpenHandles()) {
        if (!SameFile(handle, info)) continue;
        const bool refused = ((desired_access & access::kWrite) && !(handle.share & access::kWrite)) ||
                             ((desired_access & access::kRead) && !(handle.share & access::kRead)) ||
                             ((desired_access & access::kDelete) && !(handle.share & access::kDelete)) ||
                             ((handle.access & access::kWrite) && !(share & access::kWrite)) ||
                             ((handle.access & access::kRead) && !(share & access::kRead)) ||
                             ((handle.access & access::kDelete) && !(share & access::kDelete));
        if (refused) return false;
    }
    static uint64_t next_id = 0;
    id = ++next_id;
    OpenHandles()[id] = OpenHandle{info.st_dev, info.st_ino, desired_access, share, folder_host};
    return true;
}

void UnregisterOpenHandle(uint64_t id) {
    const std::lock_guard<std::mutex> lock(HandlesLock());
    OpenHandles().erase(id);
}

bool OpenHandlesForbidDelete(const struct stat& info) {
    const std::lock_guard<std::mutex> lock(HandlesLock());
    for (const auto& [id, handle] : OpenHandles()) {
        if (SameFile(handle, info) && !(handle.share & access::kDelete)) return true;
    }
    return false;
}

bool OpenHandlesForbidWrite(const struct stat& info) {
    const std::lock_guard<std::mutex> lock(HandlesLock());
    for (const auto& [id, handle] : OpenHandles()) {
        if (SameFile(handle, info) && !(handle.share & access::kWrite)) return true;
    }
    return false;
}

bool OpenHandlesForbidAdding(const std::string& folder_host) {
    const std::lock_guard<std::mutex> lock(HandlesLock());
    for (const auto& [id, handle] : OpenHandles()) {
        if (handle.folder_host == folder_host && !(handle.share & access::kWrite)) return true;
    }
    return false;
}

bool OpenHandlesForbidRenameOf(const std::string& host) {
    const std::lock_guard<std::mutex> lock(HandlesLock());
    for (const auto& [id, handle] : OpenHandles()) {
        if (handle.folder_host.empty() || (handle.share & access::kDelete)) continue;
        if (handle.folder_host == host || handle.folder_host.starts_with(host == "/" ? host : host + "/")) return true;
    }
    return false;
}

}  // namespace platform::posix
