// Held folders of the posix backend: a descriptor of the host folder, registered in the table
// of open handles with the share mode of a hold, so that renames of the folder or of a folder
// above it are refused as Windows refuses them. Names are found as the path mapping finds them
// (without regard to case); the changes themselves are made relative to the descriptor.

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/final_path.h"
#include "platform/held_folder.h"
#include "platform/posix/file_system_posix.h"
#include "platform/posix/host_file.h"
#include "platform/posix/machine_state.h"
#include "platform/posix/posix_file.h"
#include "platform/posix/security_posix.h"
#include "platform/posix/system_error_texts.h"

namespace platform::posix {
namespace {

std::string HostName(const MappedPath& mapped) { return mapped.host.substr(mapped.host.find_last_of('/') + 1); }

bool IsLinkAt(const MappedPath& mapped) {
    struct stat link;
    return mapped.valid && ::lstat(mapped.host.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
}

class PosixHeldFolder : public HeldFolder {
public:
    PosixHeldFolder(int descriptor, uint64_t handle_id, std::string host, std::string path, HoldKind kind)
        : descriptor_(descriptor), handle_id_(handle_id), host_(std::move(host)), path_(std::move(path)), kind_(kind) {}
    ~PosixHeldFolder() override {
        ::close(descriptor_);
        UnregisterOpenHandle(handle_id_);
    }

    const std::string& Path() const override { return path_; }
    std::string LastErrorText() override { return last_error_; }

    std::unique_ptr<HeldFolder> HoldChild(const std::string& name, HoldKind kind) override {
        if (!IsPlainName(name)) return Refuse(kInvalidName);
        const MappedPath mapped = Map(name);
        if (!mapped.exists) return Refuse(kNotFound);
        return Hold(mapped, path_ + "\\" + ProgramText(HostName(mapped)), kind, descriptor_, last_error_);
    }

    std::unique_ptr<HeldFolder> CreateChild(const std::string& name, HoldKind kind) override {
        if (!IsPlainName(name)) return Refuse(kInvalidName);
        const MappedPath mapped = Map(name);
        if (mapped.exists || ::faccessat(descriptor_, HostText(name).c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0) {
            return Refuse(kAlreadyExists);
        }
        if (IsInUnwritableDirectory(mapped)) return Refuse(kAccessDenied);
        if (OpenHandlesForbidAdding(host_)) return Refuse(kSharingViolation);
        BeforeChange();
        const std::string host_name = HostText(name);
        if (::mkdirat(descriptor_, host_name.c_str(), 0755) != 0) return Refuse(kAccessDenied);
        InheritDescriptor(host_ + "/" + host_name);
        return HoldChild(name, kind);
    }

    std::unique_ptr<File> CreateNewFile(const std::string& name) override {
        if (!IsPlainName(name)) return Refuse<File>(kInvalidName);
        const MappedPath mapped = Map(name);
        const std::string host_name = HostText(name);
        // O_NOFOLLOW with O_EXCL: a link at the name, even one leading nowhere, is something there.
        if (mapped.exists || ::faccessat(descriptor_, host_name.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0) {
            return Refuse<File>(kAlreadyExists);
        }
        if (IsInUnwritableDirectory(mapped)) return Refuse<File>(kAccessDenied);
        if (OpenHandlesForbidAdding(host_)) return Refuse<File>(kSharingViolation);
        BeforeChange();
        const int file = ::openat(descriptor_, host_name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (file < 0) return Refuse<File>(errno == EEXIST ? kAlreadyExists : kAccessDenied);
        InheritDescriptor(host_ + "/" + host_name);
        struct stat created;
        uint64_t handle_id = 0;
        const int folder = ::fcntl(descriptor_, F_DUPFD_CLOEXEC, 0);
        if (folder < 0 || ::fstat(file, &created) != 0 ||
            !RegisterOpenHandle(created, access::kRead | access::kWrite, access::kRead | access::kWrite, handle_id)) {
            if (folder >= 0) ::close(folder);
            ::close(file);
            return Refuse<File>(kSharingViolation);
        }
        return OpenedHostFile(file, handle_id, folder, host_name);
    }

    bool MoveHere(HeldFolder& from, const std::string& from_name, const std::string& name) override {
        auto* source_folder = dynamic_cast<PosixHeldFolder*>(&from);
        if (source_folder == nullptr || !IsPlainName(from_name) || !IsPlainName(name)) return Fail(kInvalidName);
        const MappedPath source = source_folder->Map(from_name);
        const MappedPath target = Map(name);
        if (!source.exists && !IsLinkAt(source)) return Fail(kNotFound);
        if (target.exists || ::faccessat(descriptor_, HostText(name).c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0) {
            return Fail(kAlreadyExists);
        }
        if (IsMarkedInUse(source) || (source.exists && OpenHandlesForbidDelete(source.info))) return Fail(kSharingViolation);
        if (source.exists && S_ISDIR(source.info.st_mode) && OpenHandlesForbidRenameOf(source.host)) {
            return Fail(kSharingViolation);
        }
        // The move opens this folder for adding an entry.
        if (OpenHandlesForbidAdding(host_)) return Fail(kSharingViolation);
        if (IsInUnwritableDirectory(source) || IsInUnwritableDirectory(target)) return Fail(kAccessDenied);
        BeforeChange();
        if (::renameat2(source_folder->descriptor_, HostName(source).c_str(), descriptor_, HostText(name).c_str(),
                        RENAME_NOREPLACE) == 0) {
            return true;
        }
        return Fail(errno == EEXIST ? kAlreadyExists : errno == EXDEV ? "The system cannot move the file to a different disk drive." : kAccessDenied);
    }

    bool DeleteItself() override {
        if (kind_ != HoldKind::MayDelete) return Fail(kAccessDenied);
        struct stat held;
        struct stat entry;
        // Only while the entry is still the folder held: the hold kept it from being renamed.
        if (::fstat(descriptor_, &held) != 0 || ::lstat(host_.c_str(), &entry) != 0 || entry.st_ino != held.st_ino) {
            return Fail(kNotFound);
        }
        BeforeChange();
        if (::rmdir(host_.c_str()) == 0) return true;
        return Fail(errno == ENOTEMPTY || errno == EEXIST ? kNotEmpty : kAccessDenied);
    }

    // Holds the existing folder mapped, opened relative to parent (AT_FDCWD for a full path).
    static std::unique_ptr<HeldFolder> Hold(const MappedPath& mapped, const std::string& path, HoldKind kind, int parent,
                                            std::string& error) {
        const std::string at = parent == AT_FDCWD ? mapped.host : HostName(mapped);
        const int descriptor = ::openat(parent, at.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (descriptor < 0) {
            error = errno == ELOOP || errno == ENOTDIR ? "The name is a link or not a folder." : kNotFound;
            return nullptr;
        }
        struct stat info;
        uint64_t handle_id = 0;
        if (::fstat(descriptor, &info) != 0 || !S_ISDIR(info.st_mode) ||
            !RegisterOpenHandle(info, kind == HoldKind::MayDelete ? access::kRead | access::kDelete : access::kRead,
                                access::kRead | access::kWrite, handle_id, mapped.host)) {
            ::close(descriptor);
            error = kSharingViolation;
            return nullptr;
        }
        return std::make_unique<PosixHeldFolder>(descriptor, handle_id, mapped.host, path, kind);
    }

private:
    MappedPath Map(const std::string& name) const { return MapPath(path_ + "\\" + name); }

    template <typename Result = HeldFolder>
    std::unique_ptr<Result> Refuse(const char* text) {
        last_error_ = text;
        return nullptr;
    }
    bool Fail(const char* text) {
        last_error_ = text;
        return false;
    }

    int descriptor_;
    uint64_t handle_id_;
    std::string host_;
    std::string path_;
    HoldKind kind_;
    std::string last_error_;
};

}  // namespace

std::unique_ptr<HeldFolder> PosixFileSystem::HoldFolder(const std::string& path, HoldKind kind) {
    std::string folder = path;
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    const MappedPath mapped = MapPath(folder);
    if (!mapped.valid || !mapped.exists) {
        Fail(kNotFound);
        return nullptr;
    }
    std::string error;
    std::unique_ptr<HeldFolder> held = PosixHeldFolder::Hold(mapped, folder, kind, AT_FDCWD, error);
    if (!held) Fail(error.c_str());
    return held;
}

const PathForms& PosixFileSystem::Forms() {
    static PathForms forms;
    forms.system_directory = forms.system_directory_final = State().system_directory;
    return forms;
}

}  // namespace platform::posix
