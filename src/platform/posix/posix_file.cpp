#include "platform/posix/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "platform/posix/host_file.h"
#include "platform/posix/machine_state.h"
#include "platform/posix/path_mapping.h"

namespace platform::posix {
namespace {

class PosixFile : public File {
public:
    PosixFile(int descriptor, uint64_t handle_id, int folder = -1, std::string name = {})
        : descriptor_(descriptor), handle_id_(handle_id), folder_(folder), name_(std::move(name)) {}
    ~PosixFile() override {
        ::close(descriptor_);
        if (folder_ >= 0) ::close(folder_);
        UnregisterOpenHandle(handle_id_);
    }

    // Deletes the file only while its name still leads to this very file: through the folder
    // it was made in where it has one (HeldFolder::CreateNewFile), else at the place its
    // descriptor reports.
    bool DeleteItself() override {
        struct stat open_file;
        struct stat entry;
        if (::fstat(descriptor_, &open_file) != 0) return false;
        const std::string host = folder_ >= 0 ? std::string() : HostFinalPath();
        const int found = folder_ >= 0 ? ::fstatat(folder_, name_.c_str(), &entry, AT_SYMLINK_NOFOLLOW)
                                       : (host.empty() ? -1 : ::lstat(host.c_str(), &entry));
        if (found != 0 || entry.st_ino != open_file.st_ino || entry.st_dev != open_file.st_dev) return false;
        BeforeChange();
        return (folder_ >= 0 ? ::unlinkat(folder_, name_.c_str(), 0) : ::unlink(host.c_str())) == 0;
    }

    int64_t Read(void* buffer, int64_t count) override {
        int64_t total = 0;
        while (total < count) {
            const ssize_t done = ::read(descriptor_, static_cast<char*>(buffer) + total, count - total);
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) break;
            total += done;
        }
        position_ += total;
        return total;
    }

    int64_t Write(const void* buffer, int64_t count) override {
        BeforeChange();
        int64_t total = 0;
        while (total < count) {
            const ssize_t done = ::write(descriptor_, static_cast<const char*>(buffer) + total, count - total);
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) break;
            total += done;
        }
        position_ += total;
        return total;
    }

    int64_t Seek(int64_t offset, SeekOrigin origin) override {
        // The position is kept here, so asking for it costs no call; only the descriptor
        // moves it.
        if (origin == SeekOrigin::Current && offset == 0) return position_;
        const int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
        const off_t position = ::lseek(descriptor_, static_cast<off_t>(offset), whence);
        if (position < 0) return -1;
        position_ = static_cast<int64_t>(position);
        return position_;
    }

    int64_t Size() override {
        struct stat info;
        return ::fstat(descriptor_, &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
    }

    bool SetSize(int64_t size) override {
        BeforeChange();
        return size >= 0 && ::ftruncate(descriptor_, static_cast<off_t>(size)) == 0;
    }

    bool GetLastWriteTime(FileTime& time) override {
        struct stat info;
        if (::fstat(descriptor_, &info) != 0) return false;
        time = ToFileTime(info.st_mtim);
        return true;
    }

    bool SetLastWriteTime(const FileTime& time) override {
        BeforeChange();
        const struct timespec times[2] = {{0, UTIME_OMIT}, ToTimespec(time)};
        return ::futimens(descriptor_, times) == 0;
    }

    bool Flush() override { return !State().flush_to_disk || ::fsync(descriptor_) == 0; }

    std::string FinalPath() override { return WindowsPathOfHost(State(), HostFinalPath()); }

    uint32_t NameCount() override {
        struct stat info;
        return ::fstat(descriptor_, &info) == 0 ? static_cast<uint32_t>(info.st_nlink) : 0;
    }

    bool IsLinkOrDirectory() override {
        struct stat info;
        return ::fstat(descriptor_, &info) != 0 || !S_ISREG(info.st_mode);
    }

private:
    // Where the descriptor's file is on the host, every link on the way resolved.
    std::string HostFinalPath() const {
        char buffer[4096];
        const std::string link = "/proc/self/fd/" + std::to_string(descriptor_);
        const ssize_t length = ::readlink(link.c_str(), buffer, sizeof buffer - 1);
        return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string();
    }

    int descriptor_;
    uint64_t handle_id_;
    int folder_;        // a descriptor of the folder the file was made in, for DeleteItself; else -1
    std::string name_;  // the file's host name in that folder
    int64_t position_ = 0;  // where the descriptor stands: every open starts at the beginning
};

}  // namespace

std::unique_ptr<File> OpenedHostFile(int descriptor, uint64_t handle_id, int folder, const std::string& host_name) {
    return std::make_unique<PosixFile>(descriptor, handle_id, folder, host_name);
}

}  // namespace platform::posix
