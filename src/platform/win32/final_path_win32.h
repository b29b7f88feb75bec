#pragma once
// The final path of an open handle: where the object really is. The system's text is read in
// one place; platform::ProgramFormOfFinalPath (final_path.h) turns it into the program's form.

#include <string>

#include "platform/win32/windows_api.h"

namespace platform::win32 {

// GetFinalPathNameByHandleA (normalised, drive-letter form) as the system reports it, its
// "\\?\" prefix included; empty when the system cannot tell.
std::string SystemFinalPathOfHandle(HANDLE handle);

// Where the open object really is, in the program's form (no "\\?\" prefix, "\\server\share"
// for a network path) but with the system's own folders as they are (SysWOW64 stays SysWOW64
// for a 32-bit program): what the record of the run names. Empty when the system cannot tell.
std::string FinalPathOfHandle(HANDLE handle);

}  // namespace platform::win32
