// The names a path has for the system: its full form, its long form and the identity of the
// object it names.

#include "platform/win32/file_system_win32.h"

#include "platform/win32/windows_api.h"

#include <cstdio>

#include "platform/win32/handles_win32.h"

namespace platform::win32 {

bool Win32FileSystem::FullPathName(const std::string& path, std::string& full) {
    const DWORD needed = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return Fail();
    std::string buffer(needed, '\0');
    const DWORD length = ::GetFullPathNameA(path.c_str(), needed, buffer.data(), nullptr);
    if (length == 0 || length >= needed) return Fail();
    full = buffer.substr(0, length);
    return true;
}

bool Win32FileSystem::LongPathName(const std::string& path, std::string& long_path) {
    const DWORD needed = ::GetLongPathNameA(path.c_str(), nullptr, 0);
    if (needed == 0) return Fail();
    std::string buffer(needed, '\0');
    const DWORD length = ::GetLongPathNameA(path.c_str(), buffer.data(), needed);
    if (length == 0 || length >= needed) return Fail();
    long_path = buffer.substr(0, length);
    return true;
}

bool Win32FileSystem::GetFileId(const std::string& path, std::string& file_id) {
    // The object itself, a link included; no access is asked for beyond its attributes.
    UniqueHandle handle(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle.Valid()) return Fail();
    BY_HANDLE_FILE_INFORMATION information;
    if (!::GetFileInformationByHandle(handle.Get(), &information)) return Fail();
    char text[32];
    std::snprintf(text, sizeof text, "%08lX:%08lX%08lX", static_cast<unsigned long>(information.dwVolumeSerialNumber),
                  static_cast<unsigned long>(information.nFileIndexHigh),
                  static_cast<unsigned long>(information.nFileIndexLow));
    file_id = text;
    return true;
}

}  // namespace platform::win32
