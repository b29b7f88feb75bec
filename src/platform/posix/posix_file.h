#pragma once
// The posix backend's open file: a host descriptor with its entry in the table of open
// handles, read, written, flushed and deleted as the system's File would be.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace platform::posix {

// An open host file as the backend's File: descriptor and its entry in the table of open
// handles; folder (a descriptor the file takes over) and host_name name its entry for
// File::DeleteItself, -1 and empty where it may not delete itself.
std::unique_ptr<File> OpenedHostFile(int descriptor, uint64_t handle_id, int folder = -1, const std::string& host_name = {});

}  // namespace platform::posix
