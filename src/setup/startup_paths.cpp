#include "setup/startup_paths.h"

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"

namespace setup {

std::string DirectoryOf(const std::string& path) {
    const size_t separator = path.find_last_of("\\:");
    if (separator == std::string::npos) return {};
    std::string directory = path.substr(0, separator + 1);
    if (!directory.empty() && directory.back() == '\\') directory.pop_back();
    return directory;
}

std::string FileNameOf(const std::string& path) {
    const size_t separator = path.find_last_of("\\:");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string ChangeExtension(const std::string& path, const std::string& extension) {
    const size_t name_start = path.find_last_of("\\:");
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (name_start != std::string::npos && dot < name_start)) return path + extension;
    return path.substr(0, dot) + extension;
}

std::string FindProgramFilesDir() {
    std::string directory = platform::Machine().ProgramFilesDirFromRegistry();
    if (!directory.empty()) return directory;

    platform::FileSystem& files = platform::Files();
    for (char drive = 'C'; drive <= 'Z'; ++drive) {
        const std::string root = std::string(1, drive) + ":";
        if (files.DirectoryExists(root + "\\Program Files (x86)\\")) return root + "\\Program Files (x86)";
        if (files.DirectoryExists(root + "\\Program Files\\")) return root + "\\Program Files";
    }
    for (char drive = 'C'; drive <= 'Z'; ++drive) {
        const std::string root = std::string(1, drive) + ":";
        if (files.DirectoryExists(root + "\\")) return root;
    }
    return {};
}

}  // namespace setup
