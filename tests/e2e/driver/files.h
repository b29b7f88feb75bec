#pragma once
// What an installation left on the machine, looked at through the same Windows the program
// used: files and directories by Windows path, and the shell folders it writes into.

#include <optional>
#include <string>

namespace e2e {

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// The system directory of a 32-bit program (GetSystemDirectoryA).
std::string SystemDirectory();
// The user's Start menu Programs folder, or empty.
std::string ProgramsFolder();

}  // namespace e2e
