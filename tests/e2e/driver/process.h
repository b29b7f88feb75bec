#pragma once
// The program under test as a child process: started with its own working directory,
// waited for with a deadline, and killed when a case gives up on it.

#include <cstdint>
#include <optional>
#include <string>

#include "driver/wait.h"

namespace e2e {

class Process {
public:
    Process() = default;
    // Kills the process if it still runs, so a failed case leaves nothing behind.
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;

    // Starts program (a Windows path) with the arguments text (already quoted as needed)
    // in working_directory (empty: the program's own directory). Returns an empty Process
    // and fills error when CreateProcessA fails.
    static Process Start(const std::string& program, const std::string& arguments,
                         const std::string& working_directory, std::string* error = nullptr);

    // True when a process was started.
    bool Started() const { return process_ != nullptr; }
    // The process id, for matching windows to the process.
    uint32_t Id() const { return id_; }
    // True while the process has not ended.
    bool Running() const;
    // Waits until the process ends; its exit code, or nothing after timeout.
    std::optional<uint32_t> WaitForExit(Milliseconds timeout);
    // Ends the process at once (exit code 1) and waits briefly for it to go.
    void Kill();

private:
    void Close();

    void* process_ = nullptr;
    void* thread_ = nullptr;
    uint32_t id_ = 0;
};

// The directory part of a Windows path, without the trailing backslash.
std::string DirectoryOf(const std::string& path);

}  // namespace e2e
