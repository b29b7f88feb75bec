#include "driver/files.h"

#include <windows.h>
#include <shlobj.h>

#include <fstream>
#include <sstream>

namespace e2e {

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string SystemDirectory() {
    char buffer[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

std::string RealSystemDirectory() {
    BOOL wow64 = FALSE;
    char buffer[MAX_PATH] = {};
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return SystemDirectory();
    const UINT length = GetSystemWow64DirectoryA(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : SystemDirectory();
}

std::string ProgramsFolder() {
    char buffer[MAX_PATH] = {};
    return SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_COMMON_PROGRAMS, FALSE) ? std::string(buffer) : std::string();
}

std::string UserProgramsFolder() {
    char buffer[MAX_PATH] = {};
    return SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_PROGRAMS, FALSE) ? std::string(buffer) : std::string();
}

namespace {

void CollectContents(const std::string& directory, const std::string& relative,
                     std::map<std::string, std::string>& contents) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            contents[relative + name + "\\"] = "";
            CollectContents(directory + "\\" + name, relative + name + "\\", contents);
        } else {
            // An unreadable file still shows up, so that a missing one is told from a locked one.
            contents[relative + name] = ReadWholeFile(directory + "\\" + name).value_or("<unreadable>");
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

std::map<std::string, std::string> DirectoryContents(const std::string& root) {
    std::map<std::string, std::string> contents;
    CollectContents(root, "", contents);
    return contents;
}

bool CanCreateFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    DeleteFileA(path.c_str());
    return true;
}

HeldFile::HeldFile(const std::string& path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                          nullptr)) {}

HeldFile::~HeldFile() { Release(); }

bool HeldFile::Held() const { return handle_ != INVALID_HANDLE_VALUE; }

void HeldFile::Release() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

}  // namespace e2e
