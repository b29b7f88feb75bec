// The posix backend's services: one object of each, living as long as the process.

#include "platform/platform.h"
#include "platform/posix/file_system_posix.h"
#include "platform/posix/security_posix.h"
#include "platform/posix/shell_posix.h"
#include "platform/posix/system_posix.h"

namespace platform {

Services DefaultServices() {
    static posix::PosixFileSystem files;
    static posix::PosixSystem system;
    static posix::PosixShell shell;
    static posix::PosixSecurity security;
    return Services{&files, &system, &shell, nullptr, &security};
}

}  // namespace platform
