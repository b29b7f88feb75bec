#include "platform/win32/file_system_win32.h"

#include "platform/win32/windows_api.h"

#include <algorithm>

#include "platform/path_form.h"
#include "platform/win32/filetime_win32.h"
#include "platform/win32/final_path_win32.h"
#include "platform/win32/handles_win32.h"

namespace platform::win32 {
namespace {

class Win32File : public File {
public:
    explicit Win32File(UniqueHandle handle) : handle_(std::move(handle)) {}

    int64_t Read(void* buffer, int64_t count) override {
        int64_t total = 0;
        while (total < count) {
            const DWORD chunk = static_cast<DWORD>(std::min<int64_t>(count - total, 1 << 30));
            DWORD done = 0;
            if (!::ReadFile(handle_.Get(), static_cast<char*>(buffer) + total, chunk, &done, nullptr) || done == 0) break;
            total += done;
        }
        return total;
    }

    int64_t Write(const void* buffer, int64_t count) override {
        int64_t total = 0;
        while (total < count) {
            const DWORD chunk = static_cast<DWORD>(std::min<int64_t>(count - total, 1 << 30));
            DWORD done = 0;
            if (!::WriteFile(handle_.Get(), static_cast<const char*>(buffer) + total, chunk, &done, nullptr) ||
                done == 0) {
                break;
            }
            total += done;
        }
        return total;
    }

    int64_t Seek(int64_t offset, SeekOrigin origin) override {
        LARGE_INTEGER distance;
        distance.QuadPart = offset;
        LARGE_INTEGER position;
        const DWORD method = origin == SeekOrigin::Begin ? FILE_BEGIN : origin == SeekOrigin::Current ? FILE_CURRENT : FILE_END;
        if (!::SetFilePointerEx(handle_.Get(), distance, &position, method)) return -1;
        return position.QuadPart;
    }

    int64_t Size() override {
        LARGE_INTEGER size;
        return ::GetFileSizeEx(handle_.Get(), &size) ? size.QuadPart : -1;
    }

    bool SetSize(int64_t size) override {
        const int64_t position = Seek(0, SeekOrigin::Current);
        if (position < 0 || Seek(size, SeekOrigin::Begin) < 0) return false;
        const bool done = ::SetEndOfFile(handle_.Get()) != 0;
        Seek(position, SeekOrigin::Begin);
        return done;
    }

    bool GetLastWriteTime(FileTime& time) override {
        FILETIME written;
        if (!::GetFileTime(handle_.Get(), nullptr, nullptr, &written)) return false;
        time = FromFiletime(written);
        return true;
    }

    bool SetLastWriteTime(const FileTime& time) override {
        const FILETIME written = ToFiletime(time);
        return ::SetFileTime(handle_.Get(), nullptr, nullptr, &written) != 0;
    }

    bool Flush() override { return ::FlushFileBuffers(handle_.Get()) != 0; }

    std::string FinalPath() override { return FinalPathOfHandle(handle_.Get()); }

    bool Valid() const { return handle_.Valid(); }
    HANDLE Handle() const { return handle_.Get(); }
    void Close() { handle_.Reset(); }

    uint32_t NameCount() override {
        BY_HANDLE_FILE_INFORMATION information;
        return ::GetFileInformationByHandle(handle_.Get(), &information) ? information.nNumberOfLinks : 0;
    }

    bool IsLinkOrDirectory() override {
        BY_HANDLE_FILE_INFORMATION information;
        if (!::GetFileInformationByHandle(handle_.Get(), &information)) return true;
        return (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0;
    }

    // Works for a handle opened with delete access (HeldFolder::CreateNewFile, a record's file
    // made by OpenForAppend), fails otherwise.
    bool DeleteItself() override {
        FILE_DISPOSITION_INFO disposition{TRUE};
        return ::SetFileInformationByHandle(handle_.Get(), FileDispositionInfo, &disposition, sizeof disposition) != 0;
    }

private:
    UniqueHandle handle_;
};

}  // namespace

std::unique_ptr<File> OpenedFile(UniqueHandle handle) { return std::make_unique<Win32File>(std::move(handle)); }

std::string ErrorText(unsigned long error) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string message = length > 0 && text != nullptr ? std::string(text, length) : "Error " + std::to_string(error);
    if (text != nullptr) ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

bool Win32FileSystem::Fail() {
    last_error_ = ErrorText(::GetLastError());
    return false;
}

std::string Win32FileSystem::LastErrorText() { return last_error_; }

std::unique_ptr<File> Win32FileSystem::OpenFile(const std::string& path, OpenMode mode) {
    DWORD access = GENERIC_READ;
    DWORD share = FILE_SHARE_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
        case OpenMode::ReadDenyWrite: break;
        case OpenMode::Read: share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE; break;
        case OpenMode::Create: access |= GENERIC_WRITE; disposition = CREATE_ALWAYS; break;
        case OpenMode::ReadWrite: access |= GENERIC_WRITE; break;
    }
    UniqueHandle handle(
        ::CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.Valid()) {
        Fail();
        return nullptr;
    }
    return std::make_unique<Win32File>(std::move(handle));
}

std::unique_ptr<File> Win32FileSystem::OpenForAppend(const std::string& path, bool& created) {
    // Append access alone: every write lands at the end, so runs that share the file never
    // write over each other's lines. A new file is made only where none is, so an existing
    // one is never truncated.
    const DWORD access = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const std::string full_path = FullLongPath(*this, path);
    const auto refuse = [this](const std::string& problem) {
        last_error_ = "The file is refused: " + problem + ".";
        return nullptr;
    };
    for (int attempt = 0; attempt < 3; ++attempt) {
        UniqueHandle handle(::CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (handle.Valid()) {
            auto file = std::make_unique<Win32File>(std::move(handle));
            const std::string problem = AppendTargetProblem(*file, full_path);
            if (!problem.empty()) return refuse(problem);
            created = false;
            return file;
        }
        if (::GetLastError() != ERROR_FILE_NOT_FOUND) break;
        // Made with delete access, so that a file made behind a link goes again through its
        // own handle; then opened again without it, since a handle with delete access would
        // keep every other run (which shares no deleting) out of the file.
        Win32File made(UniqueHandle(::CreateFileA(path.c_str(), access | DELETE, share, nullptr, CREATE_NEW,
                                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
        if (!made.Valid()) {
            // Another run made it in between: open that one.
            if (::GetLastError() == ERROR_FILE_EXISTS) continue;
            break;
        }
        const std::string problem = AppendTargetProblem(made, full_path);
        if (!problem.empty()) {
            made.DeleteItself();
            return refuse(problem);
        }
        BY_HANDLE_FILE_INFORMATION made_information;
        if (!::GetFileInformationByHandle(made.Handle(), &made_information)) break;
        made.Close();
        UniqueHandle reopened(::CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION information;
        if (!reopened.Valid() || !::GetFileInformationByHandle(reopened.Get(), &information)) break;
        if (information.dwVolumeSerialNumber != made_information.dwVolumeSerialNumber ||
            information.nFileIndexHigh != made_information.nFileIndexHigh ||
            information.nFileIndexLow != made_information.nFileIndexLow) {
            return refuse("another file took its place");
        }
        created = true;
        return std::make_unique<Win32File>(std::move(reopened));
    }
    Fail();
    return nullptr;
}

std::string Win32FileSystem::RealPath(const std::string& path) {
    const UniqueHandle object(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!object.Valid()) return path;
    const std::string final_path = FinalPathOfHandle(object.Get());
    return final_path.empty() ? path : final_path;
}

uint32_t Win32FileSystem::GetAttributes(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) Fail();
    return attributes;
}

bool Win32FileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
    return ::SetFileAttributesA(path.c_str(), attributes) ? true : Fail();
}

bool Win32FileSystem::CreateDirectory(const std::string& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) ? true : Fail();
}

bool Win32FileSystem::RemoveDirectory(const std::string& path) {
    return ::RemoveDirectoryA(path.c_str()) ? true : Fail();
}

bool Win32FileSystem::DeleteFile(const std::string& path) { return ::DeleteFileA(path.c_str()) ? true : Fail(); }

bool Win32FileSystem::DeleteItself(const std::string& path) {
    // Opened as the object itself, not what a link leads to, and deleted through that very
    // handle: nothing can swap the entry for another between the look and the deletion.
    UniqueHandle handle(::CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                      nullptr));
    if (!handle.Valid()) return Fail();
    FILE_DISPOSITION_INFO disposition{TRUE};
    return ::SetFileInformationByHandle(handle.Get(), FileDispositionInfo, &disposition, sizeof disposition) ? true
                                                                                                            : Fail();
}

bool Win32FileSystem::MoveFile(const std::string& from, const std::string& to) {
    return ::MoveFileA(from.c_str(), to.c_str()) ? true : Fail();
}

bool Win32FileSystem::ReplaceFile(const std::string& from, const std::string& to) {
    return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? true : Fail();
}

bool Win32FileSystem::CanReplace(const std::string& path) {
    // Opening for writing with every kind of sharing fails for a library mapped as an image and
    // for a file another handle holds without write or delete sharing. Write access is refused
    // for a read-only file whatever its use, so such a file is asked for delete access only.
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Fail();
    const DWORD access = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? DELETE : GENERIC_WRITE | DELETE;
    UniqueHandle handle(::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return handle.Valid() ? true : Fail();
}


namespace {

// The path the file system itself knows path by. The moves at restart are carried out by the
// system, outside this 32-bit process, so a path into the system directory must name the
// folder the process's view of it leads to (SysWOW64 on a 64-bit system), not system32.
// A path that does not exist yet is its directory's real path and its name.
std::string RestartPath(Win32FileSystem& files, const std::string& path) {
    if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return files.RealPath(path);
    const size_t slash = path.rfind('\\');
    if (slash == std::string::npos || slash + 1 == path.size()) return path;
    const std::string directory = RestartPath(files, path.substr(0, slash));
    return directory + (directory.back() == '\\' ? "" : "\\") + path.substr(slash + 1);
}

}  // namespace

bool Win32FileSystem::DeleteAtRestart(const std::string& path) {
    return ::MoveFileExA(RestartPath(*this, path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? true : Fail();
}

bool Win32FileSystem::FlushVolume(const std::string& path) {
    char root[MAX_PATH];
    if (!::GetVolumePathNameA(path.c_str(), root, MAX_PATH)) return Fail();
    std::string volume = root;
    if (!volume.empty() && volume.back() == '\\') volume.pop_back();
    // A drive's volume is opened as \\.\C:, which only administrators may write to.
    UniqueHandle handle(::CreateFileA(("\\\\.\\" + volume).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle.Valid()) return Fail();
    return ::FlushFileBuffers(handle.Get()) ? true : Fail();
}

bool Win32FileSystem::ReplaceAtRestart(const std::string& from, const std::string& to) {
    return ::MoveFileExA(RestartPath(*this, from).c_str(), RestartPath(*this, to).c_str(),
                         MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)
               ? true
               : Fail();
}

bool Win32FileSystem::CopyFile(const std::string& from, const std::string& to, bool fail_if_exists) {
    return ::CopyFileA(from.c_str(), to.c_str(), fail_if_exists ? TRUE : FALSE) ? true : Fail();
}

std::vector<DirectoryEntry> Win32FileSystem::ListDirectory(const std::string& path) {
    std::vector<DirectoryEntry> entries;
    std::string pattern = path;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += "*";
    WIN32_FIND_DATAA found;
    FindHandle search(::FindFirstFileA(pattern.c_str(), &found));
    if (!search.Valid()) {
        Fail();
        return entries;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        entries.push_back({name, found.dwFileAttributes});
    } while (::FindNextFileA(search.Get(), &found));
    return entries;
}

bool Win32FileSystem::GetLastWriteTime(const std::string& path, FileTime& time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return Fail();
    time = FromFiletime(data.ftLastWriteTime);
    return true;
}

bool Win32FileSystem::SetLastWriteTime(const std::string& path, const FileTime& time) {
    // Attribute access only: a read-only file's time can be set, and directories need the
    // backup-semantics flag to be opened at all.
    UniqueHandle handle(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.Valid()) return Fail();
    const FILETIME written = ToFiletime(time);
    return ::SetFileTime(handle.Get(), nullptr, nullptr, &written) ? true : Fail();
}

std::string Win32FileSystem::CurrentDirectory() {
    const DWORD needed = ::GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) return {};
    std::string directory(needed, '\0');
    const DWORD length = ::GetCurrentDirectoryA(needed, directory.data());
    directory.resize(length < needed ? length : 0);
    return directory;
}

DriveType Win32FileSystem::GetDriveType(const std::string& root) {
    return static_cast<DriveType>(::GetDriveTypeA(root.c_str()));
}

bool Win32FileSystem::GetVolumeLabel(const std::string& root, std::string& label) {
    char name[MAX_PATH + 1] = {};
    if (!::GetVolumeInformationA(root.c_str(), name, sizeof name, nullptr, nullptr, nullptr, nullptr, 0)) return Fail();
    label = name;
    return true;
}

}  // namespace platform::win32
