#pragma once
// Small pieces the posix file system, shell and system share: Windows attributes and times of
// host files, and the table of open files that stands in for Windows share modes.

#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace platform::posix {

// The Windows attributes of a host file whose stat is known.
uint32_t AttributesOf(const std::string& host, const struct stat& info);
// Sets the attributes of an existing host file; false when they cannot be stored.
bool StoreAttributes(const std::string& host, const struct stat& info, uint32_t attributes);
// Copies the stored hidden, system and archive bits from one host file to another.
void CopyStoredAttributes(const std::string& from_host, const std::string& to_host);

FileTime ToFileTime(const struct timespec& time);
struct timespec ToTimespec(const FileTime& time);

// What an open handle may do and lets others do, as Windows access and share bits.
namespace access {
constexpr unsigned kRead = 1;
constexpr unsigned kWrite = 2;
constexpr unsigned kDelete = 4;  // delete access (a hold that may delete its folder), or its share bit
}  // namespace access

// Registers an open handle on a host file; false (and nothing registered) when an earlier
// handle's share mode refuses it or it refuses an earlier handle. The id names the handle.
// folder_host is the host path of a folder the handle holds (HeldFolder), else empty.
bool RegisterOpenHandle(const struct stat& info, unsigned desired_access, unsigned share, uint64_t& id,
                        const std::string& folder_host = {});
void UnregisterOpenHandle(uint64_t id);
// True when an open handle on the file does not let others delete or rename it.
bool OpenHandlesForbidDelete(const struct stat& info);
// True when an open handle on the file does not let others write it.
bool OpenHandlesForbidWrite(const struct stat& info);
// True when the entry at host may not be renamed or deleted: a folder at or below it is held
// without letting others delete it (on NTFS a held folder's parents cannot be renamed).
bool OpenHandlesForbidRenameOf(const std::string& host);
// True when a handle on the folder at folder_host does not let others write it: a move or
// creation that adds an entry there opens the folder for adding one and is refused.
bool OpenHandlesForbidAdding(const std::string& folder_host);

}  // namespace platform::posix
