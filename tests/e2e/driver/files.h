#pragma once
// What an installation left on the machine, looked at through the same Windows the program
// used: files and directories by Windows path, and the shell folders it writes into.

#include <map>
#include <optional>
#include <string>

namespace e2e {

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// The system directory of a 32-bit program (GetSystemDirectoryA).
std::string SystemDirectory();
// Where that directory really is: SysWOW64 (GetSystemWow64DirectoryA) on 64-bit Windows.
std::string RealSystemDirectory();
// The all-users Start menu Programs folder, where the program puts its group (every Wine
// process runs elevated), or empty.
std::string ProgramsFolder();
// The user's own Start menu Programs folder, or empty.
std::string UserProgramsFolder();

// Every file and directory under root by its path relative to root ("LIB\\x.dat"), files with
// their bytes, directories with a trailing backslash and no content: a picture of a tree to
// compare before and after a run. Empty when root does not exist.
std::map<std::string, std::string> DirectoryContents(const std::string& root);

// Creates path as a new file and deletes it again: whether anything can be written there.
bool CanCreateFile(const std::string& path);

// A file held open the way a running program holds its library: others may read it but not
// write, rename or delete it until it is released (or the holder goes).
class HeldFile {
public:
    explicit HeldFile(const std::string& path);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    bool Held() const;
    void Release();

private:
    void* handle_;
};

}  // namespace e2e
