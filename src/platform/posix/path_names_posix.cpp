// The names a path has in the posix model: its full form, its long form (the path itself, the
// model having no short names) and the identity of the object it names.

#include <sys/stat.h>
#include <sys/xattr.h>

#include <random>

#include "platform/posix/file_system_posix.h"
#include "platform/posix/machine_state.h"
#include "platform/posix/system_error_texts.h"

namespace platform::posix {
namespace {

// Where an object keeps the identity it was given when first asked for: a host inode number
// is reused as soon as its object is deleted, a Windows file id is not.
constexpr const char* kFileIdName = "user.windows.file-id";

}  // namespace

bool PosixFileSystem::FullPathName(const std::string& path, std::string& full) {
    full = FullProgramPath(State(), path);
    return full.empty() ? Fail(kInvalidName) : true;
}

bool PosixFileSystem::LongPathName(const std::string& path, std::string& long_path) {
    // The model has no short names, and the system keeps a long name as it was typed.
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid || !mapped.exists) return Fail(kNotFound);
    long_path = path;
    return true;
}

bool PosixFileSystem::GetFileId(const std::string& path, std::string& file_id) {
    const MappedPath mapped = MapPath(path);
    struct stat link;
    if (!mapped.valid || ::lstat(mapped.host.c_str(), &link) != 0) return Fail(kNotFound);
    const std::string inode = std::to_string(link.st_dev) + ":" + std::to_string(link.st_ino);
    char stored[128] = {};
    const ssize_t length = ::lgetxattr(mapped.host.c_str(), kFileIdName, stored, sizeof stored - 1);
    if (length > 0 && std::string(stored, static_cast<size_t>(length)).starts_with(inode + ":")) {
        file_id = std::string(stored, static_cast<size_t>(length));
        return true;
    }
    // A sequence number of the model: fresh for each object that is asked for its identity.
    static std::mt19937_64 generator{std::random_device{}()};
    file_id = inode + ":" + std::to_string(generator());
    if (::lsetxattr(mapped.host.c_str(), kFileIdName, file_id.data(), file_id.size(), 0) != 0) {
        return Fail("The identity of the file cannot be kept.");
    }
    return true;
}

}  // namespace platform::posix
