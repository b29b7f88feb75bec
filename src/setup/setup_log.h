#pragma once
// The plain-text record of a run that the /LOG= switch asks for: the start, the language, the
// destination, every message the run shows (or would show, in silent mode) with its text, and
// the exit code. Lines are appended to the file, which is opened for each line so that the
// record is complete up to an abrupt end.

#include <string>

namespace setup {

class SetupLog {
public:
    // file: a Windows path; empty records nothing.
    explicit SetupLog(std::string file) : file_(std::move(file)) {}

    bool Enabled() const { return !file_.empty(); }
    // Appends text and a line break (CR LF); text may hold line breaks of its own. False
    // when the file cannot be opened or written (the record then misses that line).
    bool Write(const std::string& text);

private:
    std::string file_;
};

}  // namespace setup
