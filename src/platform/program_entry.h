#pragma once
// What the program entry does before anything else is loaded.

namespace platform {

// Restricts where DLLs are searched to the system directory, so that a DLL planted beside the
// setup program (a download folder, say) is never loaded in place of the system's. Nothing to
// do on posix.
void RestrictDllSearchPath();

}  // namespace platform
