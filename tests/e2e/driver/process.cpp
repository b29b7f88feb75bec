#include "driver/process.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace e2e {

Process::~Process() {
    if (Running()) Kill();
    Close();
}

Process::Process(Process&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)),
      thread_(std::exchange(other.thread_, nullptr)),
      id_(std::exchange(other.id_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        if (Running()) Kill();
        Close();
        process_ = std::exchange(other.process_, nullptr);
        thread_ = std::exchange(other.thread_, nullptr);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

Process Process::Start(const std::string& program, const std::string& arguments,
                       const std::string& working_directory, std::string* error) {
    // The first item of the command line is the program's own path, quoted because
    // "Program Files" style paths carry blanks; the program reads its directory from it.
    std::string command_line = "\"" + program + "\"";
    if (!arguments.empty()) command_line += " " + arguments;
    std::vector<char> buffer(command_line.begin(), command_line.end());
    buffer.push_back('\0');
    const std::string directory = working_directory.empty() ? DirectoryOf(program) : working_directory;

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    Process result;
    if (!CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
        if (error) *error = "CreateProcessA failed for " + program + " (error " + std::to_string(GetLastError()) + ")";
        return result;
    }
    result.process_ = info.hProcess;
    result.thread_ = info.hThread;
    result.id_ = info.dwProcessId;
    return result;
}

bool Process::Running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<uint32_t> Process::WaitForExit(Milliseconds timeout) {
    if (process_ == nullptr) return std::nullopt;
    if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
    return code;
}

void Process::Kill() {
    if (process_ == nullptr) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
}

void Process::Close() {
    if (thread_) CloseHandle(thread_);
    if (process_) CloseHandle(process_);
    thread_ = process_ = nullptr;
    id_ = 0;
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return {};
    return path.substr(0, slash);
}

}  // namespace e2e
