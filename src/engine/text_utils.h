#pragma once
// Small text helpers of the install engine: the quoted failure-list item, path splitting and
// the %STARTDIR% macro of the setup description.

#include <string>

namespace engine {

// An item of a failure list: a double quote, path, a double quote, a comma and a blank.
std::string FailureItem(const std::string& path);

// Replaces every "%STARTDIR%" (in any letter case) by setup_dir, left to right, resuming after
// the inserted text; a drive root such as "C:" is inserted as "C:\".
std::string ExpandStartDir(const std::string& text, const std::string& setup_dir);

// Whether two Windows paths name the same place, compared without regard to letter case.
bool SamePath(const std::string& left, const std::string& right);

// True when path names something below root (compared without regard to letter case; root
// may end with a backslash, as a drive root does).
bool LiesInside(const std::string& root, const std::string& path);

// The directory part of a Windows path (everything before its last backslash), or empty.
std::string DirectoryPart(const std::string& path);

// The last component of a Windows path (what follows its last backslash; path itself without one).
std::string NamePart(const std::string& path);

}  // namespace engine
