#pragma once
// The resources of a program file as Windows reads them: its manifest and the strings of its
// version information.

#include <optional>
#include <string>

namespace e2e {

// The text of the program's manifest (resource type RT_MANIFEST, id 1), or nothing.
std::optional<std::string> ManifestOf(const std::string& program);

// The version string name ("FileDescription") from the string table block ("040904E4"), as
// UTF-8, or nothing when the program has no such value.
std::optional<std::string> VersionString(const std::string& program, const std::string& block,
                                         const std::string& name);

// The fixed part's file version as "major.minor.build.revision", or nothing.
std::optional<std::string> FileVersion(const std::string& program);

}  // namespace e2e
