#include "platform/posix/posix_machine.h"

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
#include "platform/command_line.h"
#include "platform/posix/host_file.h"
#include "platform/posix/machine_state.h"
#include "platform/posix/registry_file.h"
#include "platform/posix/security_posix.h"

namespace platform {
namespace posix {

MachineState& State() {
    static MachineState state;
    return state;
}

MappedPath MapPath(const std::string& path) { return MapPath(State(), path); }

std::string HostText(const std::string& program_text) {
    return State().ansi_is_utf8 ? program_text : AnsiToUtf8(program_text);
}

std::string ProgramText(const std::string& host_text) {
    return State().ansi_is_utf8 ? host_text : Utf8ToAnsi(host_text);
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

void PosixMachine::SetAnsiCodePage(AnsiCodePage code_page) { State().ansi_is_utf8 = code_page == AnsiCodePage::Utf8; }

void PosixMachine::SetProgram(const std::string& windows_path, const std::vector<std::string>& arguments) {
    State().program_set = true;
    State().program_path = windows_path;
    State().arguments = arguments;
    State().command_line.clear();
    for (const std::string& argument : arguments) State().command_line += " " + QuoteCommandLineItem(argument);
}

void PosixMachine::SetCommandLine(const std::string& windows_path, const std::string& command_line) {
    SetProgram(windows_path, SplitCommandLine(command_line, FirstItem::Argument));
    State().command_line = command_line;
}

void PosixMachine::SetElevated(bool elevated) { State().elevated = elevated; }
void PosixMachine::SetDesktop(const DesktopSession& session) { State().desktop = session; }
void PosixMachine::SetIdentity(const MachineIdentity& identity) { State().identity = identity; }

void PosixMachine::SetSystemLanguageName(const std::string& name) { State().system_language_name = name; }
void PosixMachine::SetUiLanguage(uint16_t language_id) { State().ui_language = language_id; }
void PosixMachine::SetProgramFilesDir(const std::string& windows_path) { State().program_files_dir = windows_path; }
void PosixMachine::SetSystemDirectory(const std::string& windows_path) { State().system_directory = windows_path; }

void PosixMachine::SetSpecialFolder(SpecialFolder folder, const std::string& windows_path) {
    switch (folder) {
        case SpecialFolder::Programs: State().programs_folder = windows_path; break;
        case SpecialFolder::DesktopDirectory: State().desktop_folder = windows_path; break;
        case SpecialFolder::CommonPrograms: State().common_programs_folder = windows_path; break;
        case SpecialFolder::CommonDesktopDirectory: State().common_desktop_folder = windows_path; break;
        case SpecialFolder::CommonAppData: State().common_app_data_folder = windows_path; break;
    }
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
    if (!mapped.valid || !mapped.exists) return;
    const std::pair<uint64_t, uint64_t> file{static_cast<uint64_t>(mapped.info.st_dev),
                                             static_cast<uint64_t>(mapped.info.st_ino)};
    if (loaded) {
        State().loaded.insert(file);
    } else {
        State().loaded.erase(file);
    }
}

std::vector<std::string> PosixMachine::DeletesAtRestart() { return State().deletes_at_restart; }

std::vector<std::pair<std::string, std::string>> PosixMachine::ReplacesAtRestart() {
    return State().replaces_at_restart;
}

void PosixMachine::Restart() {
    State().in_use.clear();
    State().loaded.clear();
    std::error_code ignored;
    for (const std::string& path : State().deletes_at_restart) std::filesystem::remove(HostPath(path), ignored);
    for (const auto& [from, to] : State().replaces_at_restart) {
        const std::string host_from = HostPath(from);
        const std::string host_to = HostPath(to);
        if (host_from.empty() || host_to.empty() || !std::filesystem::exists(host_from, ignored)) continue;
        std::filesystem::rename(host_from, host_to, ignored);
    }
    State().deletes_at_restart.clear();
    State().replaces_at_restart.clear();
}

void PosixMachine::MarkForeignOwner(const std::string& windows_path) {
    const posix::MappedPath mapped = posix::MapPath(windows_path);
    if (mapped.valid && mapped.exists) posix::StoreForeignOwner(mapped.host);
}

void PosixMachine::MarkWritableByOthers(const std::string& windows_path) {
    const posix::MappedPath mapped = posix::MapPath(windows_path);
    if (mapped.valid && mapped.exists) posix::StoreWritableByOthers(mapped.host);
}

void PosixMachine::MarkDeletionDenied(const std::string& windows_path) {
    const posix::MappedPath mapped = posix::MapPath(windows_path);
    if (mapped.valid && mapped.exists) posix::StoreDeletionDenied(mapped.host);
}

std::string PosixMachine::SecurityDescriptorOf(const std::string& windows_path) {
    const posix::MappedPath mapped = posix::MapPath(windows_path);
    return mapped.valid && mapped.exists ? posix::StoredDescriptor(mapped.host) : std::string();
}

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

std::shared_ptr<void> PosixMachine::OpenFolderSharingOnlyReading(const std::string& windows_path) {
    const posix::MappedPath mapped = posix::MapPath(windows_path);
    uint64_t handle_id = 0;
    if (!mapped.valid || !mapped.exists || !S_ISDIR(mapped.info.st_mode) ||
        !posix::RegisterOpenHandle(mapped.info, posix::access::kRead, posix::access::kRead, handle_id, mapped.host)) {
        return nullptr;
    }
    return std::shared_ptr<void>(new uint64_t(handle_id), [](void* id) {
        posix::UnregisterOpenHandle(*static_cast<uint64_t*>(id));
        delete static_cast<uint64_t*>(id);
    });
}

std::string PosixMachine::HostPath(const std::string& windows_path) {
    const posix::MappedPath mapped = posix::MapPath(windows_path);
    return mapped.valid ? mapped.host : std::string();
}

void PosixMachine::SetDesktopUserStart(bool possible) { State().desktop_user_start = possible; }

void PosixMachine::SetOwnersKept(bool kept) { State().owners_kept = kept; }

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
