#pragma once
// The one form the program gives a folder it is told about (a destination typed, chosen or
// passed on the command line), so that every record of it, the journal's among them, names it
// the same way and a later check of that record accepts it.

#include <string>

namespace platform {

class FileSystem;

// What became of a path given for a folder.
enum class PathForm {
    Normalised,  // a full, long, local path
    Relative,    // not a full path with a drive letter ("VE4", "\VE4", "C:VE4")
    DevicePath,  // "\\?\..." or "\\.\...": the system's own forms, taken without its rules
    Network,     // a network name ("\\server\share") or a drive letter mapped to one
    Unusable,    // the system cannot make it full or long
};

// Turns path into the program's form: drive letter (upper case), colon, names separated by
// single backslashes, no trailing backslash (a drive root keeps its own: "C:\"), no "." or
// "..", each existing part under its long name, and a part that does not exist yet kept as
// typed after the long form of its existing parent. normalised is set only for Normalised.
PathForm NormaliseFolderPath(FileSystem& files, const std::string& path, std::string& normalised);

// The same form for any path the program is given, a file's too, a relative one first made
// full against the current directory: what a final path reported for it must equal. Where that
// form is refused (a network path) the path made full alone, where not even that works path.
std::string FullLongPath(FileSystem& files, const std::string& path);

}  // namespace platform
