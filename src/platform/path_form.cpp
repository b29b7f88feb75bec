// The normal form of a folder path: the system makes the path full, then long as far as it
// exists; the checks before keep out the forms it would take by other rules than a local
// drive's.

#include "platform/path_form.h"

#include <cctype>

#include "platform/file_system.h"

namespace platform {
namespace {

bool IsSeparator(char character) { return character == '\\' || character == '/'; }

bool IsDriveFull(const std::string& path) {
    return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) != 0 && path[1] == ':' &&
           IsSeparator(path[2]);
}

// The long form of a full path: that of its deepest existing part, then the rest as typed.
// Where not even the drive's root exists, there is nothing to look up and the full form stands.
bool LongForm(FileSystem& files, const std::string& full, std::string& long_form) {
    size_t end = full.size();  // the existing part is full[0, end), the rest starts after end
    while (files.GetAttributes(full.substr(0, end)) == attribute::kInvalid) {
        if (end <= 3) {
            long_form = full;
            return true;
        }
        end = full.rfind('\\', end - 1);
        if (end == 2) end = 3;  // the root keeps its backslash
    }
    if (!files.LongPathName(full.substr(0, end), long_form)) return false;
    if (end >= full.size()) return true;
    const size_t rest = full[end] == '\\' ? end + 1 : end;
    if (!long_form.ends_with('\\')) long_form += '\\';
    long_form.append(full, rest, std::string::npos);
    return true;
}

}  // namespace

PathForm NormaliseFolderPath(FileSystem& files, const std::string& path, std::string& normalised) {
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        return path.size() >= 4 && (path[2] == '?' || path[2] == '.') && IsSeparator(path[3]) ? PathForm::DevicePath
                                                                                                : PathForm::Network;
    }
    if (!IsDriveFull(path)) return PathForm::Relative;
    std::string full;
    if (!files.FullPathName(path, full) || !IsDriveFull(full)) return PathForm::Unusable;
    full[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(full[0])));
    // "C:\VE4\\x" names C:\VE4\x on Windows; the form keeps one separator.
    for (size_t doubled = full.find("\\\\", 2); doubled != std::string::npos; doubled = full.find("\\\\", 2)) {
        full.erase(doubled, 1);
    }
    while (full.size() > 3 && full.back() == '\\') full.pop_back();
    if (files.GetDriveType(full.substr(0, 3)) == DriveType::Remote) return PathForm::Network;
    std::string long_form;
    if (!LongForm(files, full, long_form) || !IsDriveFull(long_form)) return PathForm::Unusable;
    long_form[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(long_form[0])));
    while (long_form.size() > 3 && long_form.back() == '\\') long_form.pop_back();
    normalised = long_form;
    return PathForm::Normalised;
}

std::string FullLongPath(FileSystem& files, const std::string& path) {
    std::string full;
    if (!files.FullPathName(path, full)) return path;
    std::string normalised;
    return NormaliseFolderPath(files, full, normalised) == PathForm::Normalised ? normalised : full;
}

}  // namespace platform
