#pragma once
// Where the messages of one run of the component go: straight to the console, or, for a
// run sharing the archive with others on other threads, into a log printed in entry order.

#include <string>

namespace dezip {

class Report {
public:
    virtual ~Report() = default;
    virtual void Out(const std::string& text) = 0;  // a line for standard output
    virtual void Err(const std::string& text) = 0;  // a line for standard error
    bool problems = false;  // an entry was skipped or failed its CRC
    int kept = 0;           // entries whose existing file -n kept
    // The exit code a problem asks for beyond the plain 1 of a failed entry (the highest
    // wins: 2 for a damaged archive or entry, 12 for overlapping entries, 81 for an entry
    // that needs a newer version); 0 when none did.
    int exit_code = 0;
    void RaiseExitCode(int code) {
        if (code > exit_code) exit_code = code;
    }
};

// The report of the run on this thread, where the component's message boxes go too;
// nullptr: straight to standard error.
Report*& ThreadReport();

}  // namespace dezip
