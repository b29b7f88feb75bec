#include "platform/program_entry.h"

#include "platform/win32/windows_api.h"

namespace platform {

void RestrictDllSearchPath() {
    // SetDefaultDllDirectories is missing from old systems, so it is looked up, not linked.
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    if (HMODULE kernel = ::GetModuleHandleA("kernel32.dll")) {
        const FARPROC address = ::GetProcAddress(kernel, "SetDefaultDllDirectories");
        if (address != nullptr) {
            auto set_default_directories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
                reinterpret_cast<void*>(address));
            set_default_directories(kSearchSystem32);
        }
    }
    // Takes the current directory out of the search order as well.
    ::SetDllDirectoryA("");
}

}  // namespace platform
