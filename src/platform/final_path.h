#pragma once
// The one place where a path the system reports for an open handle (its final path) becomes a
// path in the program's form, the form the program itself names folders by and compares them
// in. Holds take their folder's final path through it once, when the folder is first held; the
// record of the run and the destination's single form use it too.

#include <string>
#include <utility>
#include <vector>

namespace platform {

// What the program's form depends on, read from the machine once (Files().PathForms()).
struct PathForms {
    // The system directory as the program names it ("C:\windows\system32"), and as the system
    // reports a handle on it ("C:\Windows\SysWOW64" for a 32-bit program on a 64-bit Windows,
    // the same folder for that program); both empty where they are not known.
    std::string system_directory;
    std::string system_directory_final;
    // Drives that stand for a folder (SUBST): the drive ("S:") and the folder's final path in
    // drive form ("C:\work").
    std::vector<std::pair<std::string, std::string>> substituted_drives;
};

// Turns final_path, as GetFinalPathNameByHandle reports it, into the program's form:
// - "\\?\C:\x" becomes "C:\x" and "\\?\UNC\server\share\x" becomes "\\server\share\x";
// - a path inside forms.system_directory_final lies inside forms.system_directory instead;
// - a path inside a substituted drive's folder is put on that drive when named_as, the path
//   the program named the object by, lies on that drive (the longest such folder wins);
// - a trailing backslash is dropped except after a drive root ("C:\").
// Letter case is kept as the system reports it. Any other text comes back as it is.
std::string ProgramFormOfFinalPath(const std::string& final_path, const std::string& named_as, const PathForms& forms);

}  // namespace platform
