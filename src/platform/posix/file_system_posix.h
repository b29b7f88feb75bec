#pragma once
// The posix file system: Windows paths mapped onto the host with Windows semantics (see
// posix_machine.h).

#include "platform/file_system.h"

namespace platform::posix {

struct MappedPath;

class PosixFileSystem : public FileSystem {
public:
    std::unique_ptr<File> OpenFile(const std::string& path, OpenMode mode) override;
    std::unique_ptr<File> OpenForAppend(const std::string& path, bool& created) override;
    std::string RealPath(const std::string& path) override;
    uint32_t GetAttributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, uint32_t attributes) override;
    bool CreateDirectory(const std::string& path) override;
    bool RemoveDirectory(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool MoveFile(const std::string& from, const std::string& to) override;
    bool ReplaceFile(const std::string& from, const std::string& to) override;
    bool CanReplace(const std::string& path) override;
    bool DeleteAtRestart(const std::string& path) override;
    bool ReplaceAtRestart(const std::string& from, const std::string& to) override;
    bool FlushVolume(const std::string& path) override;
    bool CopyFile(const std::string& from, const std::string& to, bool fail_if_exists) override;
    std::vector<DirectoryEntry> ListDirectory(const std::string& path) override;
    std::unique_ptr<HeldFolder> HoldFolder(const std::string& path, HoldKind kind) override;
    const PathForms& Forms() override;
    bool GetLastWriteTime(const std::string& path, FileTime& time) override;
    bool SetLastWriteTime(const std::string& path, const FileTime& time) override;
    std::string CurrentDirectory() override;
    DriveType GetDriveType(const std::string& root) override;
    bool GetVolumeLabel(const std::string& root, std::string& label) override;
    std::string LastErrorText() override;
    bool FullPathName(const std::string& path, std::string& full) override;
    bool LongPathName(const std::string& path, std::string& long_path) override;
    bool GetFileId(const std::string& path, std::string& file_id) override;

    // The whole content of a file, for readers inside the backend; false when it cannot be read.
    bool ReadWholeFile(const std::string& path, std::string& content);

private:
    // Opens mapped's host file with flags, entered in the table of open handles with the
    // access and sharing given, checked before anything is touched; changes says the open may
    // change the machine (it creates or truncates). A file it makes takes what its folder
    // passes on. nullptr on failure, with the system's text for it.
    std::unique_ptr<File> OpenRegistered(const MappedPath& mapped, int flags, unsigned desired_access, unsigned share,
                                         bool changes);
    bool Fail(const char* text);
    bool FailWithErrno(int error_number);
};


}  // namespace platform::posix
