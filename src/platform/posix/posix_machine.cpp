#include "platform/posix/posix_machine.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/code_page.h"
#include "platform/posix/machine_state.h"
#include "platform/posix/registry_file.h"

namespace platform {
namespace posix {
namespace {

bool HostExists(const std::string& host) {
    struct stat info;
    return ::stat(host.c_str(), &info) == 0;
}

// The host name of a component inside an existing host directory: the entry that equals it
// without regard to letter case, or the component itself in UTF-8 when none does.
std::string FindComponent(const std::string& directory, const std::string& component) {
    const std::string exact = AnsiToUtf8(component);
    if (HostExists(directory + "/" + exact)) return exact;
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr) return exact;
    std::string found = exact;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (SameTextIgnoreCase(Utf8ToAnsi(name), component)) {
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

MappedPath MapMachinePath(const MachineState& state, const std::string& path) {
    std::string full = path;
    for (char& character : full) {
        if (character == '/') character = '\\';
    }
    if (full.empty() || full.starts_with("\\\\")) return {};  // nothing, or a network name
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
    const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(full[0])));
    if (drive < 'a' || drive > 'z') return {};

    std::vector<std::string> components;
    for (const std::string& raw : SplitComponents(full.substr(2))) {
        const std::string component = TrimComponent(raw);
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            if (!components.empty()) components.pop_back();
            continue;
        }
        components.push_back(component);
    }

    MappedPath mapped;
    mapped.valid = true;
    mapped.host = state.machine_root + "/" + std::string(1, drive);
    mapped.key = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive)))) + ":";
    bool parent_exists = HostExists(mapped.host);
    for (const std::string& component : components) {
        const std::string host_name = parent_exists ? FindComponent(mapped.host, component) : AnsiToUtf8(component);
        mapped.host += "/" + host_name;
        mapped.key += "\\" + UpperCaseAnsi(component);
        parent_exists = parent_exists && HostExists(mapped.host);
    }
    mapped.is_root = components.empty();
    mapped.name = components.empty() ? std::string() : components.back();
    return mapped;
}

MappedPath MapHostPath(const std::string& path) {
    if (path.empty()) return {};
    std::string host = AnsiToUtf8(path);
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
    mapped.name = mapped.is_root ? std::string() : Utf8ToAnsi(normal.substr(slash + 1));
    return mapped;
}

}  // namespace

MachineState& State() {
    static MachineState state;
    return state;
}

MappedPath MapPath(const std::string& path) {
    const MachineState& state = State();
    return state.machine_root.empty() ? MapHostPath(path) : MapMachinePath(state, path);
}

bool IsMarkedInUse(const MappedPath& path) { return State().in_use.contains(path.key); }

bool IsLoaded(const struct stat& info) {
    return State().loaded.contains({static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)});
}

void BeforeChange() {
    MachineState& state = State();
    // Nothing is counted unless a stop is armed, so threads of the dezip tool share nothing here.
    if (state.stop_at_change != 0 && ++state.change_count == state.stop_at_change) ::_exit(PosixMachine::kStoppedAtChange);
}

bool IsInUnwritableDirectory(const MappedPath& path) {
    const std::set<std::string>& unwritable = State().unwritable;
    if (unwritable.empty()) return false;
    const size_t separator = path.key.find_last_of(State().machine_root.empty() ? '/' : '\\');
    if (separator == std::string::npos) return false;
    return unwritable.contains(path.key.substr(0, separator == 0 ? 1 : separator));
}

}  // namespace posix

using posix::State;

void PosixMachine::Reset() { State() = posix::MachineState(); }

void PosixMachine::SetMachineRoot(const std::string& host_dir) {
    std::string root = host_dir;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    State().machine_root = root;
}

std::string PosixMachine::MachineRoot() { return State().machine_root; }

void PosixMachine::SetProgram(const std::string& windows_path, const std::vector<std::string>& arguments) {
    State().program_set = true;
    State().program_path = windows_path;
    State().arguments = arguments;
}

void PosixMachine::SetSystemLanguageName(const std::string& name) { State().system_language_name = name; }
void PosixMachine::SetUiLanguage(uint16_t language_id) { State().ui_language = language_id; }
void PosixMachine::SetProgramFilesDir(const std::string& windows_path) { State().program_files_dir = windows_path; }
void PosixMachine::SetSystemDirectory(const std::string& windows_path) { State().system_directory = windows_path; }

void PosixMachine::SetSpecialFolder(SpecialFolder folder, const std::string& windows_path) {
    (folder == SpecialFolder::Programs ? State().programs_folder : State().desktop_folder) = windows_path;
}

void PosixMachine::SetCurrentDirectory(const std::string& windows_path) { State().current_directory = windows_path; }

void PosixMachine::SetRemovableDrive(char letter, bool removable, const std::string& volume_label) {
    auto& drive = State().drives[static_cast<char>(std::tolower(static_cast<unsigned char>(letter)))];
    drive.removable = removable;
    drive.volume_label = volume_label;
}

void PosixMachine::MarkInUse(const std::string& windows_path, bool in_use) {
    const posix::MappedPath mapped = posix::MapPath(windows_path);
    if (!mapped.valid) return;
    if (in_use) {
        State().in_use.insert(mapped.key);
    } else {
        State().in_use.erase(mapped.key);
    }
}

void PosixMachine::MarkUnwritableDirectory(const std::string& windows_path, bool unwritable) {
    const posix::MappedPath mapped = posix::MapPath(windows_path);
    if (!mapped.valid) return;
    if (unwritable) {
        State().unwritable.insert(mapped.key);
    } else {
        State().unwritable.erase(mapped.key);
    }
}

void PosixMachine::MarkLoaded(const std::string& windows_path, bool loaded) {
    const posix::MappedPath mapped = posix::MapPath(windows_path);
    struct stat info;
    if (!mapped.valid || ::stat(mapped.host.c_str(), &info) != 0) return;
    const std::pair<uint64_t, uint64_t> file{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
    if (loaded) {
        State().loaded.insert(file);
    } else {
        State().loaded.erase(file);
    }
}

std::vector<std::string> PosixMachine::DeletesAtRestart() { return State().deletes_at_restart; }

void PosixMachine::StopAtChange(uint64_t n) {
    State().change_count = 0;
    State().stop_at_change = n;
}

void PosixMachine::SetFlushToDisk(bool flush) { State().flush_to_disk = flush; }


int PosixMachine::RunInChildProcess(const std::function<void()>& body) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string PosixMachine::HostPath(const std::string& windows_path) {
    const posix::MappedPath mapped = posix::MapPath(windows_path);
    return mapped.valid ? mapped.host : std::string();
}

std::vector<StartedProgram> PosixMachine::StartedPrograms() { return State().started; }

std::optional<std::string> PosixMachine::ClassesRootValue(const std::string& key_path) {
    return posix::ReadClassesRootValue(key_path);
}

ScopedMachineRoot::ScopedMachineRoot() {
    const char* temp = std::getenv("TMPDIR");
    std::string pattern = std::string(temp != nullptr && *temp != '\0' ? temp : "/tmp") + "/machine-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a machine root in " + pattern);
    root_ = pattern;
    ::mkdir((root_ + "/c").c_str(), 0755);
    PosixMachine::Reset();
    PosixMachine::SetMachineRoot(root_);
}

ScopedMachineRoot::~ScopedMachineRoot() {
    PosixMachine::Reset();
    std::error_code error;
    std::filesystem::remove_all(root_, error);
}

}  // namespace platform
