#include "platform/win32/final_path_win32.h"

#include "platform/final_path.h"

namespace platform::win32 {

std::string SystemFinalPathOfHandle(HANDLE handle) {
    std::string path(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = ::GetFinalPathNameByHandleA(handle, path.data(), static_cast<DWORD>(path.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.assign(length + 1, '\0');  // too small: length is the size it needs
    }
    return {};
}

std::string FinalPathOfHandle(HANDLE handle) {
    const std::string final_path = SystemFinalPathOfHandle(handle);
    // No forms of the machine: only the system's prefixes are taken off.
    return final_path.empty() ? std::string() : ProgramFormOfFinalPath(final_path, {}, PathForms{});
}

}  // namespace platform::win32
