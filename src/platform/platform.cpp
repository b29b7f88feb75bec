#include "platform/platform.h"

#include "platform/fallback_dialogs.h"
#include "platform/file_system.h"
#include "platform/system.h"

namespace platform {
namespace {

Dialogs*& InstalledDialogs() {
    static Dialogs* dialogs = nullptr;
    return dialogs;
}

Dialogs& Fallback() {
    static FallbackDialogs dialogs;
    return dialogs;
}

}  // namespace

Services& Current() {
    static Services services = DefaultServices();
    return services;
}

FileSystem& Files() { return *Current().files; }
System& Machine() { return *Current().system; }
Shell& ShellServices() { return *Current().shell; }
Security& SecurityServices() { return *Current().security; }

Dialogs& UserDialogs() {
    if (Current().dialogs != nullptr) return *Current().dialogs;
    if (InstalledDialogs() != nullptr) return *InstalledDialogs();
    return Fallback();
}

void SetDefaultDialogs(Dialogs* dialogs) { InstalledDialogs() = dialogs; }

ScopedServices::ScopedServices(const Services& replacement) : previous_(Current()) {
    Services& current = Current();
    // A replacement that leaves a member null keeps the service in force for it.
    if (replacement.files != nullptr) current.files = replacement.files;
    if (replacement.system != nullptr) current.system = replacement.system;
    if (replacement.shell != nullptr) current.shell = replacement.shell;
    if (replacement.dialogs != nullptr) current.dialogs = replacement.dialogs;
    if (replacement.security != nullptr) current.security = replacement.security;
}

ScopedServices::~ScopedServices() { Current() = previous_; }

bool FileSystem::DirectoryExists(const std::string& path) {
    const uint32_t attributes = GetAttributes(path);
    return attributes != attribute::kInvalid && (attributes & attribute::kDirectory) != 0;
}

bool FileSystem::FileExists(const std::string& path) {
    const uint32_t attributes = GetAttributes(path);
    return attributes != attribute::kInvalid && (attributes & attribute::kDirectory) == 0;
}

std::string AppendTargetProblem(File& file, const std::string& full_path) {
    if (file.IsLinkOrDirectory()) return "it is a link or a folder";
    if (file.NameCount() != 1) return "the file has more than one name";
    const std::string final_path = file.FinalPath();
    if (final_path.empty()) return "the system cannot tell where the file is";
    if (Machine().CompareTextIgnoreCase(final_path, full_path) != 0) return "a link on the way leads to " + final_path;
    return {};
}

bool FileSystem::DeleteItself(const std::string& path) {
    const uint32_t attributes = GetAttributes(path);
    if (attributes == attribute::kInvalid) return false;
    // A link to a directory is removed as a directory entry, a link to a file or to nothing
    // as a file; the posix backend and Windows both remove the link itself then.
    const bool directory = (attributes & attribute::kDirectory) != 0;
    return directory ? RemoveDirectory(path) : DeleteFile(path);
}

bool FileSystem::ForceDirectories(const std::string& path) {
    std::string directory = path;
    while (directory.size() > 1 && (directory.back() == '\\' || directory.back() == '/')) directory.pop_back();
    if (directory.empty()) return false;
    if (DirectoryExists(directory)) return true;
    // Parents first; a drive root (C:) is never created, only found.
    const size_t separator = directory.find_last_of("\\/");
    if (separator != std::string::npos && separator > 0) {
        const std::string parent = directory.substr(0, separator);
        const bool parent_is_drive = parent.size() == 2 && parent[1] == ':';
        if (parent_is_drive ? !DirectoryExists(parent + "\\") : !ForceDirectories(parent)) return false;
    }
    CreateDirectory(directory);
    return DirectoryExists(directory);
}

}  // namespace platform
