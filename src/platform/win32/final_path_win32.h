#pragma once
// The final path of an open handle in the program's form: where the object really is, as the
// record of the run names it and as paths are compared with it.

#include <string>

#include "platform/win32/windows_api.h"

namespace platform::win32 {

// GetFinalPathNameByHandleA (normalised, with the drive letter) without the "\\?\" prefix,
// "\\?\UNC\server\share" given back as "\\server\share"; empty when the system cannot tell.
std::string FinalPathOfHandle(HANDLE handle);

}  // namespace platform::win32
