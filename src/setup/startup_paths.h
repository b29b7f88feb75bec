#pragma once
// The paths that start-up works out from the program's own path and from the machine: the
// setup directory, the payload's and the options file's names, the Program Files directory.

#include <string>

namespace setup {

// The directory part of a Windows path, without a trailing backslash ("D:" for a program in
// the root of drive D).
std::string DirectoryOf(const std::string& path);
// The name part of a Windows path (after the last backslash or drive colon).
std::string FileNameOf(const std::string& path);
// The path with the extension of its name part replaced (or added) by extension, which
// starts with the dot.
std::string ChangeExtension(const std::string& path, const std::string& extension);

// The Program Files directory: the registry's ProgramFilesDir; when that cannot be read, the
// first of "X:\Program Files (x86)" and "X:\Program Files" that exists, trying drives C to Z
// in order and the "(x86)" name first on each; failing that, "X:" for the first drive from C
// to Z whose root exists; empty when there is none.
std::string FindProgramFilesDir();

}  // namespace setup
