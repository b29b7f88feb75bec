#include "platform/final_path.h"

#include "platform/code_page.h"

namespace platform {
namespace {

// path lies at or below folder, compared without regard to letter case; the rest of path
// after folder ("" or "\x...") goes to rest.
bool LiesAtOrBelow(const std::string& path, const std::string& folder, std::string& rest) {
    if (folder.empty() || path.size() < folder.size()) return false;
    if (UpperCaseAnsi(path.substr(0, folder.size())) != UpperCaseAnsi(folder)) return false;
    rest = path.substr(folder.size());
    if (folder.back() == '\\' && !rest.empty()) rest.insert(0, 1, '\\');
    return rest.empty() || rest[0] == '\\';
}

std::string WithoutTrailingBackslash(std::string path) {
    while (path.size() > 1 && path.back() == '\\' && !(path.size() == 3 && path[1] == ':')) path.pop_back();
    return path;
}

}  // namespace

std::string ProgramFormOfFinalPath(const std::string& final_path, const std::string& named_as, const PathForms& forms) {
    std::string path = final_path;
    if (path.rfind("\\\\?\\UNC\\", 0) == 0) {
        path = "\\\\" + path.substr(8);
    } else if (path.rfind("\\\\?\\", 0) == 0) {
        path = path.substr(4);
    }
    path = WithoutTrailingBackslash(path);
    std::string rest;
    if (LiesAtOrBelow(path, WithoutTrailingBackslash(forms.system_directory_final), rest) &&
        !forms.system_directory.empty()) {
        return WithoutTrailingBackslash(forms.system_directory) + rest;
    }
    const std::pair<std::string, std::string>* best = nullptr;
    for (const auto& substituted : forms.substituted_drives) {
        const std::string& drive = substituted.first;
        if (drive.size() < 2 || named_as.size() < 2 || UpperCaseAnsi(named_as.substr(0, 2)) != UpperCaseAnsi(drive.substr(0, 2)))
            continue;
        if (!LiesAtOrBelow(path, WithoutTrailingBackslash(substituted.second), rest)) continue;
        if (best == nullptr || substituted.second.size() > best->second.size()) best = &substituted;
    }
    if (best != nullptr) {
        LiesAtOrBelow(path, WithoutTrailingBackslash(best->second), rest);
        return rest.empty() ? best->first.substr(0, 2) + "\\" : best->first.substr(0, 2) + rest;
    }
    return path;
}

}  // namespace platform
