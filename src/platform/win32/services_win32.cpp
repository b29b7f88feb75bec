// The win32 backend's services: one object of each, living as long as the process.

#include "platform/platform.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/security_win32.h"
#include "platform/win32/shell_win32.h"
#include "platform/win32/system_win32.h"

namespace platform {

Services DefaultServices() {
    static win32::Win32FileSystem files;
    static win32::Win32System system;
    static win32::Win32Shell shell;
    static win32::Win32Security security;
    return Services{&files, &system, &shell, nullptr, &security};
}

}  // namespace platform
