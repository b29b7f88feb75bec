#pragma once
// The win32 file system: the ANSI file functions of kernel32.

#include "platform/file_system.h"
#include "platform/final_path.h"
#include "platform/win32/handles_win32.h"

namespace platform::win32 {

class Win32FileSystem : public FileSystem {
public:
    std::unique_ptr<File> OpenFile(const std::string& path, OpenMode mode) override;
    std::unique_ptr<File> OpenForAppend(const std::string& path, bool& created) override;
    std::string RealPath(const std::string& path) override;
    uint32_t GetAttributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, uint32_t attributes) override;
    bool CreateDirectory(const std::string& path) override;
    bool RemoveDirectory(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool DeleteItself(const std::string& path) override;
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

private:
    // Keeps the text of GetLastError for LastErrorText and returns false.
    bool Fail();

    std::string last_error_;
};

// An open file handle as the backend's File.
std::unique_ptr<File> OpenedFile(UniqueHandle handle);

// The final path of an open handle (GetFinalPathNameByHandle, looked up at run time) in the
// program's form; named_as is the path the program opened it by, returned where the system
// cannot say.
std::string FinalPathOf(HANDLE handle, const std::string& named_as);

// The system's text for an error code, without the trailing line break.
std::string ErrorText(unsigned long error);

}  // namespace platform::win32
