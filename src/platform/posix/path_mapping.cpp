// Windows paths of the program mapped onto host paths: in machine-root mode each component is
// found without regard to letter case among what exists, in host mode the path is taken as it
// is. Mapping sits under every file-system call, so it asks the host as little as it can: one
// stat for a path that exists as written, a directory listing only where a name as written is
// missing and another case of it might exist.

#include "platform/posix/path_mapping.h"

#include <dirent.h>

#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/code_page.h"
#include "platform/posix/machine_state.h"

namespace platform::posix {
namespace {

bool StatHost(const std::string& host, struct stat& info) { return ::stat(host.c_str(), &info) == 0; }

// The host name of the entry of a host directory that equals a component without regard to
// letter case; empty when none does or the directory cannot be listed.
std::string FindIgnoringCase(const std::string& directory, const std::string& component) {
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr) return {};
    std::string found;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (SameTextIgnoreCase(ProgramText(name), component)) {
            found = name;
            break;
        }
    }
    ::closedir(listing);
    return found;
}

// Windows drops trailing dots and blanks from a path component ("name. " is "name").
std::string TrimComponent(const std::string& component) {
    if (component == "." || component == "..") return component;
    std::string trimmed = component;
    while (!trimmed.empty() && (trimmed.back() == '.' || trimmed.back() == ' ')) trimmed.pop_back();
    return trimmed;
}

std::vector<std::string> SplitComponents(const std::string& text) {
    std::vector<std::string> components;
    std::string current;
    for (char character : text) {
        if (character == '\\' || character == '/') {
            components.push_back(current);
            current.clear();
        } else {
            current += character;
        }
    }
    components.push_back(current);
    return components;
}

// Finds the host names of the components below the drive folder. A component that exists as
// written is taken as written; otherwise the entry of its directory that equals it without
// regard to case, if any; below a missing component every name is taken as written.
void ResolveComponents(const std::string& drive_folder, const std::vector<std::string>& components,
                       MappedPath& mapped) {
    // The host path as written, and where each level of it ends (level 0: the drive folder).
    std::string written = drive_folder;
    std::vector<size_t> ends{written.size()};
    for (const std::string& component : components) {
        written += "/" + HostText(component);
        ends.push_back(written.size());
    }
    // Most paths exist as written, or all but their last levels do: the deepest level that
    // exists as written is found by stat alone, from the bottom up.
    size_t level = components.size();
    while (!StatHost(written.substr(0, ends[level]), mapped.info)) {
        if (level == 0) {  // no such drive: every name as written
            mapped.host = written;
            return;
        }
        --level;
    }
    mapped.host = written.substr(0, ends[level]);
    mapped.exists = true;
    // Below it the next name as written is known to be missing, so the first lookup goes
    // straight to the listing.
    bool written_missing = true;
    for (size_t index = level; index < components.size(); ++index) {
        const std::string as_written = HostText(components[index]);
        if (!mapped.exists) {
            mapped.host += "/" + as_written;
            continue;
        }
        if (!written_missing && StatHost(mapped.host + "/" + as_written, mapped.info)) {
            mapped.host += "/" + as_written;
            continue;
        }
        written_missing = false;
        const std::string found = FindIgnoringCase(mapped.host, components[index]);
        mapped.host += "/" + (found.empty() ? as_written : found);
        mapped.exists = !found.empty() && StatHost(mapped.host, mapped.info);
    }
    if (!mapped.exists) mapped.info = {};
}

// The drive and the components of a path made full against the current directory, "." and
// ".." resolved, empty components and trailing dots and blanks dropped; false for a form that
// names no drive (a network name, nothing).
bool FullComponents(const MachineState& state, const std::string& path, char& drive,
                    std::vector<std::string>& components) {
    std::string full = path;
    for (char& character : full) {
        if (character == '/') character = '\\';
    }
    if (full.empty() || full.starts_with("\\\\")) return false;  // nothing, or a network name
    if (!(full.size() >= 2 && full[1] == ':')) {
        if (full[0] == '\\') {
            full = state.current_directory.substr(0, 2) + full;
        } else {
            std::string base = state.current_directory;
            if (!base.ends_with("\\")) base += "\\";
            full = base + full;
        }
    } else if (full.size() > 2 && full[2] != '\\') {
        // "C:name" is relative to the current directory of that drive; only one is kept.
        std::string base = std::tolower(static_cast<unsigned char>(full[0])) ==
                                   std::tolower(static_cast<unsigned char>(state.current_directory[0]))
                               ? state.current_directory
                               : full.substr(0, 2) + "\\";
        if (!base.ends_with("\\")) base += "\\";
        full = base + full.substr(2);
    }
    drive = static_cast<char>(std::tolower(static_cast<unsigned char>(full[0])));
    if (drive < 'a' || drive > 'z') return false;

    for (const std::string& raw : SplitComponents(full.substr(2))) {
        const std::string component = TrimComponent(raw);
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            if (!components.empty()) components.pop_back();
            continue;
        }
        components.push_back(component);
    }
    return true;
}

MappedPath MapMachinePath(const MachineState& state, const std::string& path) {
    char drive = 0;
    std::vector<std::string> components;
    if (!FullComponents(state, path, drive, components)) return {};

    MappedPath mapped;
    mapped.valid = true;
    mapped.key = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive)))) + ":";
    for (const std::string& component : components) mapped.key += "\\" + UpperCaseAnsi(component);
    ResolveComponents(state.machine_root + "/" + std::string(1, drive), components, mapped);
    mapped.is_root = components.empty();
    mapped.name = components.empty() ? std::string() : components.back();
    return mapped;
}

MappedPath MapHostPath(const std::string& path) {
    if (path.empty()) return {};
    std::string host = HostText(path);
    for (char& character : host) {
        if (character == '\\') character = '/';
    }
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(host, error);
    if (error) return {};
    std::string normal = absolute.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    MappedPath mapped;
    mapped.valid = true;
    mapped.host = normal;
    mapped.key = normal;
    mapped.is_root = normal == "/";
    const size_t slash = normal.find_last_of('/');
    mapped.name = mapped.is_root ? std::string() : ProgramText(normal.substr(slash + 1));
    mapped.exists = StatHost(normal, mapped.info);
    if (!mapped.exists) mapped.info = {};
    return mapped;
}

}  // namespace

MappedPath MapPath(const MachineState& state, const std::string& path) {
    return state.machine_root.empty() ? MapHostPath(path) : MapMachinePath(state, path);
}

std::string FullProgramPath(const MachineState& state, const std::string& path) {
    if (state.machine_root.empty()) {
        const MappedPath mapped = MapHostPath(path);
        return mapped.valid ? ProgramText(mapped.host) : std::string();
    }
    char drive = 0;
    std::vector<std::string> components;
    if (!FullComponents(state, path, drive, components)) return {};
    std::string full = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive)))) + ":";
    for (const std::string& component : components) full += "\\" + component;
    return components.empty() ? full + "\\" : full;
}

std::string WindowsPathOfHost(const MachineState& state, const std::string& host) {
    if (state.machine_root.empty()) return ProgramText(host);
    // The host reports resolved paths: the root may be spelled through a link of its own.
    std::string prefix = state.machine_root + "/";
    if (!host.starts_with(prefix)) {
        std::error_code error;
        prefix = std::filesystem::canonical(state.machine_root, error).string() + "/";
        if (error) return {};
    }
    if (!host.starts_with(prefix) || host.size() < prefix.size() + 1) return {};
    const char drive = host[prefix.size()];
    const std::string rest = host.substr(prefix.size() + 1);
    if (drive < 'a' || drive > 'z' || (!rest.empty() && rest[0] != '/')) return {};
    std::string windows(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive))));
    windows += ":" + ProgramText(rest);
    for (char& character : windows) {
        if (character == '/') character = '\\';
    }
    return windows.size() == 2 ? windows + "\\" : windows;
}

}  // namespace platform::posix
