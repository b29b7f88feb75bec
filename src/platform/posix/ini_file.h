#pragma once
// Reading INI files the way GetPrivateProfileStringA reads them.

#include <optional>
#include <string>
#include <vector>

namespace platform::posix {

// The value of a key in INI text: sections and keys compared without regard to case, blanks
// around names and values dropped, one pair of matching quotes around a whole value removed;
// the first section of a name and the first key of a name in it count; lines starting with
// ';' are comments. nullopt when the section or the key is missing.
std::optional<std::string> FindIniValue(const std::string& text, const std::string& section, const std::string& key);

// The key names of the first section of that name, in file order; empty when it is missing.
std::vector<std::string> ListIniKeys(const std::string& text, const std::string& section);

}  // namespace platform::posix
