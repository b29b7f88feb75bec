#include "platform/posix/shell_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/command_line.h"
#include "platform/posix/file_system_posix.h"
#include "platform/shell_link_format.h"
#include "platform/shortcut.h"
#include "platform/posix/machine_state.h"
#include "platform/posix/registry_file.h"

namespace platform::posix {
namespace {

constexpr uint32_t kRegistryString = 1;  // REG_SZ

// Starts the program detached (a grandchild, so nobody has to wait for it) and reports whether
// exec succeeded: the exec failure travels back through a pipe that a successful exec closes.
bool Spawn(const std::string& host_program, const std::vector<std::string>& arguments, const std::string& host_directory) {
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    std::vector<std::string> items{host_program};
    items.insert(items.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& item : items) argv.push_back(item.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        ::close(report[0]);
        if (::fork() != 0) ::_exit(0);
        ::setsid();
        int error_number = 0;
        if (!host_directory.empty() && ::chdir(host_directory.c_str()) != 0) {
            error_number = errno;
        } else {
            ::execv(host_program.c_str(), argv.data());
            error_number = errno;
        }
        [[maybe_unused]] const ssize_t written = ::write(report[1], &error_number, sizeof error_number);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    int error_number = 0;
    ssize_t count;
    do {
        count = ::read(report[0], &error_number, sizeof error_number);
    } while (count < 0 && errno == EINTR);
    ::close(report[0]);
    return count == 0;
}

}  // namespace

bool PosixShell::SetClassesRootValue(const std::string& key_path, const std::string& value) {
    return WriteClassesRootValue(key_path, value);
}

bool PosixShell::ClassesRootKeyExists(const std::string& key_path) { return ClassesRootKeyPresent(key_path); }

bool PosixShell::DeleteClassesRootKey(const std::string& key_path) { return DeleteClassesRootTree(key_path); }

// The registry file keeps strings only: every value is a REG_SZ of Windows-1251 bytes.
bool PosixShell::ReadClassesRootValue(const std::string& key_path, std::optional<RegistryValue>& value) {
    if (!ClassesRootKeyPresent(key_path)) return false;
    const std::optional<std::string> text = posix::ReadClassesRootValue(key_path);
    value.reset();
    if (text) value = RegistryValue{kRegistryString, *text};
    return true;
}

bool PosixShell::RestoreClassesRootValue(const std::string& key_path, const std::optional<RegistryValue>& value) {
    return value ? WriteClassesRootValue(key_path, value->data) : DeleteClassesRootValue(key_path);
}

bool PosixShell::CreateShortcut(const std::string& link_path, const std::string& target, const std::string& arguments,
                                const std::string& working_directory) {
    PosixFileSystem files;
    ShellLinkContent content{link_path, target, arguments, working_directory, 0, 0, {}};
    // The shell records what it knows of an existing target; a missing one is no error.
    const uint32_t attributes = files.GetAttributes(target);
    if (attributes != attribute::kInvalid) {
        content.target_attributes = attributes;
        files.GetLastWriteTime(target, content.target_write_time);
        if (auto file = files.OpenFile(target, OpenMode::Read)) {
            content.target_size = static_cast<uint32_t>(file->Size());
        }
    }
    const std::string bytes = EncodeShellLink(content);
    auto file = files.OpenFile(link_path, OpenMode::Create);
    if (!file) return false;
    return file->Write(bytes.data(), static_cast<int64_t>(bytes.size())) == static_cast<int64_t>(bytes.size());
}

bool PosixShell::StartProgram(const std::string& program, const std::string& parameters, const std::string& directory,
                              int show_mode) {
    StartedProgram record{program, parameters, directory, show_mode, false};
    const MappedPath mapped = MapPath(program);
    if (mapped.valid && mapped.exists && S_ISREG(mapped.info.st_mode) &&
        (mapped.info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0) {
        const MappedPath working = directory.empty() ? MappedPath{} : MapPath(directory);
        record.started = Spawn(mapped.host, SplitCommandLine(parameters, FirstItem::Argument), working.host);
    }
    State().started.push_back(record);
    return record.started;
}

bool PosixShell::CanStartAsDesktopUser() { return State().desktop_user_start; }

// The host has one user: the program is started as StartProgram starts it, and recorded as
// started for the desktop's user.
bool PosixShell::StartProgramAsDesktopUser(const std::string& program, const std::string& parameters,
                                           const std::string& directory, int show_mode) {
    if (!State().desktop_user_start) return false;
    const bool started = StartProgram(program, parameters, directory, show_mode);
    State().started.back().as_desktop_user = true;
    return started;
}

}  // namespace platform::posix

namespace platform {

std::optional<ShortcutInfo> ReadShortcut(const std::string& link_path) {
    posix::PosixFileSystem files;
    std::string bytes;
    if (!files.ReadWholeFile(link_path, bytes)) return std::nullopt;
    return DecodeShellLink(bytes, link_path);
}

}  // namespace platform
