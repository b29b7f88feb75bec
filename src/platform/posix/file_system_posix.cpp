#include "platform/posix/file_system_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/code_page.h"
#include "platform/path_form.h"
#include "platform/posix/host_file.h"
#include "platform/posix/machine_state.h"
#include "platform/posix/posix_file.h"
#include "platform/posix/security_posix.h"
#include "platform/posix/system_error_texts.h"

namespace platform::posix {
namespace {

bool Stat(const std::string& host, struct stat& info) { return ::stat(host.c_str(), &info) == 0; }

bool IsReadOnly(const struct stat& info) { return (info.st_mode & S_IWUSR) == 0; }

// A host symbolic link stands for a Windows reparse point: the entry itself, not where it leads.
bool IsHostLink(const std::string& host) {
    struct stat link;
    return ::lstat(host.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
}

// The attributes of a link: the directory bit of its target, if it leads to one, and the
// reparse bit.
uint32_t LinkAttributes(const std::string& host, bool target_exists, const struct stat& target) {
    if (!target_exists) return attribute::kReparsePoint;
    return (AttributesOf(host, target) & ~attribute::kNormal) | attribute::kReparsePoint;
}

// The drive letter of a root such as "A:\" or "a:", lower case; 0 when there is none.
char DriveLetter(const std::string& root) {
    if (root.size() < 2 || root[1] != ':' || !std::isalpha(static_cast<unsigned char>(root[0]))) return 0;
    return static_cast<char>(std::tolower(static_cast<unsigned char>(root[0])));
}

// The text of the last failure, kept for each thread as the system keeps its last error.
std::string& LastError() {
    thread_local std::string text;
    return text;
}

}  // namespace


bool PosixFileSystem::Fail(const char* text) {
    LastError() = text;
    return false;
}

bool PosixFileSystem::FailWithErrno(int error_number) {
    switch (error_number) {
        case ENOENT: return Fail(kNotFound);
        case ENOTDIR: return Fail(kPathNotFound);
        case EEXIST: return Fail(kAlreadyExists);
        case ENOTEMPTY: return Fail(kNotEmpty);
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return Fail(kAccessDenied);
        default: LastError() = std::strerror(error_number); return false;
    }
}

std::string PosixFileSystem::LastErrorText() { return LastError(); }

std::unique_ptr<File> PosixFileSystem::OpenFile(const std::string& path, OpenMode mode) {
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid || mapped.is_root) {
        Fail(kPathNotFound);
        return nullptr;
    }
    unsigned desired_access = access::kRead;
    unsigned share = access::kRead;
    int flags = O_RDONLY;
    switch (mode) {
        case OpenMode::ReadDenyWrite: break;
        case OpenMode::Read: share = access::kRead | access::kWrite | access::kDelete; break;
        case OpenMode::Create: desired_access |= access::kWrite; flags = O_RDWR | O_CREAT | O_TRUNC; break;
        case OpenMode::ReadWrite: desired_access |= access::kWrite; flags = O_RDWR; break;
    }
    const bool writing = (desired_access & access::kWrite) != 0;

    const struct stat& info = mapped.info;
    const bool exists = mapped.exists;
    if (exists && S_ISDIR(info.st_mode)) {
        Fail(kAccessDenied);
        return nullptr;
    }
    if (!exists && mode != OpenMode::Create) {
        Fail(kNotFound);
        return nullptr;
    }
    if (writing) {
        if (exists && IsReadOnly(info)) {
            Fail(kAccessDenied);
            return nullptr;
        }
        if (IsMarkedInUse(mapped) || (exists && IsLoaded(info))) {
            Fail(kSharingViolation);
            return nullptr;
        }
        if (IsInUnwritableDirectory(mapped)) {
            Fail(kAccessDenied);
            return nullptr;
        }
    }
    return OpenRegistered(mapped, flags | O_CLOEXEC, desired_access, share, mode == OpenMode::Create);
}

std::unique_ptr<File> PosixFileSystem::OpenRegistered(const MappedPath& mapped, int flags, unsigned desired_access,
                                                      unsigned share, bool changes) {
    // Share modes are checked before the file is touched, so a refused Create truncates nothing.
    uint64_t handle_id = 0;
    if (mapped.exists && !RegisterOpenHandle(mapped.info, desired_access, share, handle_id)) {
        Fail(kSharingViolation);
        return nullptr;
    }
    if (changes) BeforeChange();
    const int descriptor = ::open(mapped.host.c_str(), flags, 0666);
    if (descriptor < 0) {
        const int error_number = errno;
        UnregisterOpenHandle(handle_id);
        // A missing folder on the way is the system's "path not found"; with O_NOFOLLOW a loop
        // is a link at the name itself, which is refused.
        const bool creating = (flags & O_CREAT) != 0;
        const bool link_at_name = (flags & O_NOFOLLOW) != 0 && error_number == ELOOP;
        FailWithErrno(error_number == ENOENT && creating ? ENOTDIR : link_at_name ? EACCES : error_number);
        return nullptr;
    }
    if (!mapped.exists) {
        InheritDescriptor(mapped.host);
        struct stat created;
        if (::fstat(descriptor, &created) != 0 || !RegisterOpenHandle(created, desired_access, share, handle_id)) {
            ::close(descriptor);
            Fail(kSharingViolation);
            return nullptr;
        }
    }
    return OpenedHostFile(descriptor, handle_id);
}

std::unique_ptr<File> PosixFileSystem::OpenForAppend(const std::string& path, bool& created) {
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid || mapped.is_root) {
        Fail(kPathNotFound);
        return nullptr;
    }
    created = false;
    // O_NOFOLLOW opens a link at the name itself as what it is: the open fails, as the caller
    // would refuse it anyway.
    int flags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC;
    if (IsHostLink(mapped.host)) {
        Fail(kAccessDenied);
        return nullptr;
    }
    if (mapped.exists) {
        if (S_ISDIR(mapped.info.st_mode) || IsReadOnly(mapped.info)) {
            Fail(kAccessDenied);
            return nullptr;
        }
        if (IsMarkedInUse(mapped) || IsLoaded(mapped.info)) {
            Fail(kSharingViolation);
            return nullptr;
        }
    } else {
        flags |= O_CREAT | O_EXCL;
    }
    if (IsInUnwritableDirectory(mapped)) {
        Fail(kAccessDenied);
        return nullptr;
    }
    std::unique_ptr<File> file =
        OpenRegistered(mapped, flags, access::kWrite, access::kRead | access::kWrite, !mapped.exists);
    if (!file) return nullptr;
    const std::string problem = AppendTargetProblem(*file, FullLongPath(*this, path));
    if (!problem.empty()) {
        if (!mapped.exists) file->DeleteItself();
        LastError() = "The file is refused: " + problem + ".";
        return nullptr;
    }
    created = !mapped.exists;
    return file;
}


std::string PosixFileSystem::RealPath(const std::string& path) {
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid || !mapped.exists) return path;
    char* resolved = ::realpath(mapped.host.c_str(), nullptr);
    if (resolved == nullptr) return path;
    const std::string windows = WindowsPathOfHost(State(), resolved);
    ::free(resolved);
    return windows.empty() ? path : windows;
}

uint32_t PosixFileSystem::GetAttributes(const std::string& path) {
    const MappedPath mapped = MapPath(path);
    if (mapped.valid && IsHostLink(mapped.host)) return LinkAttributes(mapped.host, mapped.exists, mapped.info);
    if (!mapped.valid || !mapped.exists) {
        Fail(kNotFound);
        return attribute::kInvalid;
    }
    return AttributesOf(mapped.host, mapped.info);
}

bool PosixFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid || !mapped.exists) return Fail(kNotFound);
    BeforeChange();
    if (!StoreAttributes(mapped.host, mapped.info, attributes)) return FailWithErrno(errno);
    return true;
}

bool PosixFileSystem::CreateDirectory(const std::string& path) {
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid) return Fail(kPathNotFound);
    if (mapped.is_root || mapped.exists) return Fail(kAlreadyExists);
    if (IsInUnwritableDirectory(mapped)) return Fail(kAccessDenied);
    BeforeChange();
    if (::mkdir(mapped.host.c_str(), 0755) != 0) return FailWithErrno(errno == ENOENT ? ENOTDIR : errno);
    InheritDescriptor(mapped.host);
    return true;
}

bool PosixFileSystem::RemoveDirectory(const std::string& path) {
    const MappedPath mapped = MapPath(path);
    // A link to a directory (or to nothing) is removed itself, never what it leads to.
    if (mapped.valid && !mapped.is_root && IsHostLink(mapped.host)) {
        if (mapped.exists && !S_ISDIR(mapped.info.st_mode)) return Fail("The directory name is invalid.");
        if (IsInUnwritableDirectory(mapped)) return Fail(kAccessDenied);
        BeforeChange();
        return ::unlink(mapped.host.c_str()) == 0 ? true : FailWithErrno(errno);
    }
    if (!mapped.valid || !mapped.exists) return Fail(kNotFound);
    const struct stat& info = mapped.info;
    if (!S_ISDIR(info.st_mode)) return Fail("The directory name is invalid.");
    if (mapped.is_root || IsReadOnly(info) || IsMarkedInUse(mapped) || IsInUnwritableDirectory(mapped)) {
        return Fail(kAccessDenied);
    }
    if (OpenHandlesForbidDelete(info)) return Fail(kSharingViolation);
    BeforeChange();
    if (::rmdir(mapped.host.c_str()) != 0) return FailWithErrno(errno);
    return true;
}

bool PosixFileSystem::DeleteFile(const std::string& path) {
    const MappedPath mapped = MapPath(path);
    // A link to a file (or to nothing) is deleted itself; one to a directory is a directory.
    if (mapped.valid && !mapped.is_root && IsHostLink(mapped.host)) {
        if ((mapped.exists && S_ISDIR(mapped.info.st_mode)) || IsInUnwritableDirectory(mapped)) {
            return Fail(kAccessDenied);
        }
        BeforeChange();
        return ::unlink(mapped.host.c_str()) == 0 ? true : FailWithErrno(errno);
    }
    if (!mapped.valid || !mapped.exists) return Fail(kNotFound);
    const struct stat& info = mapped.info;
    if (S_ISDIR(info.st_mode) || IsReadOnly(info) || IsInUnwritableDirectory(mapped) || IsLoaded(info)) {
        return Fail(kAccessDenied);
    }
    if (IsMarkedInUse(mapped) || OpenHandlesForbidDelete(info)) return Fail(kSharingViolation);
    BeforeChange();
    if (::unlink(mapped.host.c_str()) != 0) return FailWithErrno(errno);
    return true;
}

bool PosixFileSystem::MoveFile(const std::string& from, const std::string& to) {
    const MappedPath source = MapPath(from);
    const MappedPath target = MapPath(to);
    if (!source.valid || !source.exists) return Fail(kNotFound);
    const struct stat& source_info = source.info;
    if (!target.valid || target.is_root || source.is_root) return Fail(kAccessDenied);
    // The target keeps the case it was given, also when only the case of the name changes.
    const size_t slash = target.host.find_last_of('/');
    const std::string target_host = target.host.substr(0, slash + 1) + HostText(target.name);
    if (target.exists && target.host != source.host) return Fail(kAlreadyExists);
    if (IsMarkedInUse(source) || OpenHandlesForbidDelete(source_info)) return Fail(kSharingViolation);
    // A held folder, or one above it, keeps its name; the move opens the target's folder for
    // adding an entry, which a handle there that does not share writing refuses.
    if (S_ISDIR(source_info.st_mode) && OpenHandlesForbidRenameOf(source.host)) return Fail(kSharingViolation);
    if (OpenHandlesForbidAdding(target.host.substr(0, std::max<size_t>(slash, 1)))) return Fail(kSharingViolation);
    if (IsInUnwritableDirectory(source) || IsInUnwritableDirectory(target)) return Fail(kAccessDenied);
    if (IsDeletionDenied(source.host)) return Fail(kAccessDenied);
    if (S_ISDIR(source_info.st_mode) && (target.key + "\\").starts_with(source.key + "\\") && target.key != source.key) {
        return Fail(kAccessDenied);  // a directory cannot move into itself
    }
    BeforeChange();
    if (::rename(source.host.c_str(), target_host.c_str()) == 0) return true;
    if (errno != EXDEV || S_ISDIR(source_info.st_mode)) return FailWithErrno(errno == ENOENT ? ENOTDIR : errno);
    // Another host file system: a file is copied and the original deleted, as MoveFile does
    // across volumes.
    if (!CopyFile(from, to, true)) return false;
    if (::unlink(source.host.c_str()) != 0) {
        const int error_number = errno;
        ::unlink(target_host.c_str());
        return FailWithErrno(error_number);
    }
    return true;
}

bool PosixFileSystem::ReplaceFile(const std::string& from, const std::string& to) {
    const MappedPath source = MapPath(from);
    const MappedPath target = MapPath(to);
    const struct stat& source_info = source.info;
    const struct stat& target_info = target.info;
    if (!source.valid || !source.exists || S_ISDIR(source_info.st_mode)) return Fail(kNotFound);
    if (!target.valid || target.is_root || IsInUnwritableDirectory(source) || IsInUnwritableDirectory(target)) {
        return Fail(kAccessDenied);
    }
    if (!target.exists) return MoveFile(from, to);
    if (S_ISDIR(target_info.st_mode) || IsReadOnly(target_info) || IsLoaded(target_info)) return Fail(kAccessDenied);
    if (IsMarkedInUse(source) || IsMarkedInUse(target) || OpenHandlesForbidDelete(source_info) ||
        OpenHandlesForbidDelete(target_info)) {
        return Fail(kSharingViolation);
    }
    BeforeChange();
    if (::rename(source.host.c_str(), target.host.c_str()) != 0) return FailWithErrno(errno);
    // Write-through: the new directory entry is on the disk before the call returns.
    const size_t slash = target.host.find_last_of('/');
    const int directory = ::open(slash == 0 ? "/" : target.host.substr(0, slash).c_str(), O_RDONLY | O_CLOEXEC);
    if (directory >= 0) {
        if (State().flush_to_disk) ::fsync(directory);
        ::close(directory);
    }
    return true;
}

bool PosixFileSystem::CanReplace(const std::string& path) {
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid || !mapped.exists) return Fail(kNotFound);
    const struct stat& info = mapped.info;
    if (S_ISDIR(info.st_mode)) return Fail(kAccessDenied);
    if (IsLoaded(info) || IsMarkedInUse(mapped) || OpenHandlesForbidDelete(info) || OpenHandlesForbidWrite(info)) {
        return Fail(kSharingViolation);
    }
    return true;
}

bool PosixFileSystem::DeleteAtRestart(const std::string& path) {
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid || !mapped.exists) return Fail(kNotFound);
    State().deletes_at_restart.push_back(path);
    return true;
}

bool PosixFileSystem::FlushVolume(const std::string& path) {
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid) return Fail(kPathNotFound);
    // The host file system holding the path's nearest existing folder stands for the volume.
    std::string host = mapped.host;
    struct stat info;
    while (host.size() > 1 && ::stat(host.c_str(), &info) != 0) host.erase(host.find_last_of('/') == 0 ? 1 : host.find_last_of('/'));
    const int descriptor = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return FailWithErrno(errno);
    const bool flushed = !State().flush_to_disk || ::syncfs(descriptor) == 0;
    ::close(descriptor);
    return flushed || FailWithErrno(errno);
}

bool PosixFileSystem::ReplaceAtRestart(const std::string& from, const std::string& to) {
    const MappedPath mapped = MapPath(from);
    if (!mapped.valid || !mapped.exists) return Fail(kNotFound);
    State().replaces_at_restart.emplace_back(from, to);
    return true;
}

bool PosixFileSystem::CopyFile(const std::string& from, const std::string& to, bool fail_if_exists) {
    const MappedPath source = MapPath(from);
    const MappedPath target = MapPath(to);
    if (!source.valid || !source.exists) return Fail(kNotFound);
    const struct stat& source_info = source.info;
    if (S_ISDIR(source_info.st_mode) || !target.valid || target.is_root) return Fail(kAccessDenied);
    const struct stat& target_info = target.info;
    if (target.exists) {
        if (fail_if_exists) return Fail("The file exists.");
        if (S_ISDIR(target_info.st_mode) || IsReadOnly(target_info)) return Fail(kAccessDenied);
        if (target_info.st_dev == source_info.st_dev && target_info.st_ino == source_info.st_ino) {
            return Fail(kSharingViolation);
        }
    }

    std::unique_ptr<File> input = OpenFile(from, OpenMode::Read);
    if (!input) return false;
    std::unique_ptr<File> output = OpenFile(to, OpenMode::Create);
    if (!output) return false;
    char buffer[65536];
    while (true) {
        const int64_t count = input->Read(buffer, sizeof buffer);
        if (count <= 0) break;
        if (output->Write(buffer, count) != count) {
            output.reset();
            ::unlink(target.host.c_str());
            return Fail("There is not enough space on the disk.");
        }
    }
    output->SetLastWriteTime(ToFileTime(source_info.st_mtim));
    output.reset();
    // The copy carries the original's attributes, the read-only bit included.
    const MappedPath written = MapPath(to);
    if (written.exists) {
        ::chmod(written.host.c_str(), source_info.st_mode & 07777);
        CopyStoredAttributes(source.host, written.host);
    }
    return true;
}

std::vector<DirectoryEntry> PosixFileSystem::ListDirectory(const std::string& path) {
    std::vector<DirectoryEntry> entries;
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid) return entries;
    DIR* listing = ::opendir(mapped.host.c_str());
    if (listing == nullptr) {
        FailWithErrno(errno);
        return entries;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string host = mapped.host + (mapped.host == "/" ? "" : "/") + name;
        struct stat info;
        const bool exists = Stat(host, info);
        if (entry->d_type == DT_LNK || (entry->d_type == DT_UNKNOWN && IsHostLink(host))) {
            entries.push_back({ProgramText(name), LinkAttributes(host, exists, info)});
            continue;
        }
        if (!exists) continue;
        entries.push_back({ProgramText(name), AttributesOf(host, info)});
    }
    ::closedir(listing);
    return entries;
}

bool PosixFileSystem::GetLastWriteTime(const std::string& path, FileTime& time) {
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid || !mapped.exists) return Fail(kNotFound);
    time = ToFileTime(mapped.info.st_mtim);
    return true;
}

bool PosixFileSystem::SetLastWriteTime(const std::string& path, const FileTime& time) {
    const MappedPath mapped = MapPath(path);
    if (!mapped.valid || !mapped.exists) return Fail(kNotFound);
    BeforeChange();
    const struct timespec times[2] = {{0, UTIME_OMIT}, ToTimespec(time)};
    if (::utimensat(AT_FDCWD, mapped.host.c_str(), times, 0) != 0) return FailWithErrno(errno);
    return true;
}

std::string PosixFileSystem::CurrentDirectory() {
    const MachineState& state = State();
    if (!state.machine_root.empty()) {
        std::string directory = state.current_directory;
        while (directory.size() > 3 && directory.back() == '\\') directory.pop_back();
        return directory;
    }
    char buffer[4096];
    if (::getcwd(buffer, sizeof buffer) == nullptr) return {};
    return ProgramText(buffer);
}

DriveType PosixFileSystem::GetDriveType(const std::string& root) {
    const MachineState& state = State();
    const char letter = DriveLetter(root);
    if (letter != 0) {
        const auto drive = state.drives.find(letter);
        if (drive != state.drives.end() && drive->second.removable) return DriveType::Removable;
        if (state.machine_root.empty()) return DriveType::NoRootDir;
    }
    const MappedPath mapped = MapPath(letter != 0 ? std::string(1, letter) + ":\\" : root);
    if (!mapped.valid || !mapped.exists || !S_ISDIR(mapped.info.st_mode)) return DriveType::NoRootDir;
    return DriveType::Fixed;
}

bool PosixFileSystem::GetVolumeLabel(const std::string& root, std::string& label) {
    const char letter = DriveLetter(root);
    if (letter == 0) return Fail(kPathNotFound);
    const auto drive = State().drives.find(letter);
    const bool removable = drive != State().drives.end() && drive->second.removable;
    if (!removable && GetDriveType(root) != DriveType::Fixed) return Fail(kPathNotFound);
    label = drive != State().drives.end() ? drive->second.volume_label : std::string();
    return true;
}

bool PosixFileSystem::ReadWholeFile(const std::string& path, std::string& content) {
    std::unique_ptr<File> file = OpenFile(path, OpenMode::Read);
    if (!file) return false;
    content.clear();
    char buffer[65536];
    while (true) {
        const int64_t count = file->Read(buffer, sizeof buffer);
        if (count <= 0) break;
        content.append(buffer, static_cast<size_t>(count));
    }
    return true;
}

}  // namespace platform::posix
