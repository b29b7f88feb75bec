#pragma once
// HKEY_CLASSES_ROOT of the posix machine: a text file in the machine root,
// <root>/registry/HKEY_CLASSES_ROOT.reg, one key per block:
//
//   [.dat]
//   @="VE4.Data"
//
// Key paths are kept as given and compared without regard to letter case; a key without a
// default value has no "@=" line. Backslashes and double quotes in values are escaped with a
// backslash. The file is UTF-8, like every host name.

#include <optional>
#include <string>

namespace platform::posix {

// Creates the key if missing and sets its default value; false in host mode or when the file
// cannot be written.
bool WriteClassesRootValue(const std::string& key_path, const std::string& value);

// Whether the key exists (with or without a value).
bool ClassesRootKeyPresent(const std::string& key_path);

// Deletes the key and every key below it; true when none is left (false in host mode or when
// the file cannot be written).
bool DeleteClassesRootTree(const std::string& key_path);

// Deletes the default value of the key, which stays; true when the key has none afterwards
// (false in host mode or when the file cannot be written).
bool DeleteClassesRootValue(const std::string& key_path);

// The default value of a key; nullopt when the key, its value or the file is missing.
std::optional<std::string> ReadClassesRootValue(const std::string& key_path);

}  // namespace platform::posix
