#pragma once
// Windows paths of the program mapped onto host paths; internal to src/platform/posix/.

#include <sys/stat.h>

#include <string>

namespace platform::posix {

struct MachineState;

// A program path mapped onto the host.
struct MappedPath {
    bool valid = false;
    std::string host;  // UTF-8 host path, no trailing separator (except "/")
    std::string key;   // the same place, spelled so that equal places have equal keys
    std::string name;  // the last component, as given (Windows-1251); empty for a root
    bool is_root = false;  // a drive root (machine-root mode) or "/"
    // Whether the host file exists, and its status, as found while the path was mapped: a
    // call that changes nothing before it looks needs no second stat.
    bool exists = false;
    struct stat info = {};
};

// Maps a path of the program onto the host; see posix_machine.h for the two modes. Each
// existing component is found without regard to letter case in machine-root mode. Nothing
// is remembered from one call to the next, so changes made behind the backend's back are
// always seen.
MappedPath MapPath(const MachineState& state, const std::string& path);

// The full form of a program path as GetFullPathNameA gives it, nothing looked up: made full
// against the current directory, "." and ".." resolved, doubled separators and trailing dots
// and blanks of a name dropped; "C:\\" for a drive root. Empty for a form naming no drive.
std::string FullProgramPath(const MachineState& state, const std::string& path);

// The Windows path of a host path below the machine root ("<root>/c/setup" is "C:\setup");
// empty when it lies outside every drive. In host mode the host path itself.
std::string WindowsPathOfHost(const MachineState& state, const std::string& host);

}  // namespace platform::posix
