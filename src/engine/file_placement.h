#pragma once
// The rules by which an extracted file finds its place: left out, sent to the system
// directory, kept, or replaced. The placement itself is Installation::PlaceFile.

#include <string>
#include <vector>

namespace engine {

// The first directory component of the archive path is one of the excluded directories
// (upper-case names; the lookup ignores letter case). A file at the archive root never is.
bool IsExcludedDir(const std::string& path, const std::vector<std::string>& excluded_dirs);

// The archive path begins with "SYSTEM\" in any letter case.
bool IsSystemEntry(const std::string& path);

// The destination path names one of the product family's core libraries, which are always
// replaced in the system directory whatever their dates.
bool IsCoreLibrary(const std::string& dest);

// False when the archive path is one of the kept files, compared without regard to case.
bool MayOverwrite(const std::string& path, const std::vector<std::string>& keep_files);

// Where a system entry goes: the system directory and what follows "SYSTEM\", at most 200
// characters in all.
std::string SystemDestination(const std::string& path, const std::string& system_dir);

}  // namespace engine
