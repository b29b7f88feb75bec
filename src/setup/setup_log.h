#pragma once
// The record of a run that the /LOG= switch asks for, written for the administrator who reads
// it after a deployment: the start with the command line, the program, the payload, the user,
// the language and the destination, every file the run placed, replaced, kept or could not
// place, every message the run shows (or would show, in silent mode), and the exit code.
// Every line starts with the local time ("2024-06-19 16:00:05 "). The file is UTF-8, with a
// byte-order mark written when the run creates it (an existing record is appended to as it
// is), so Cyrillic paths read right in any viewer. Lines are appended, the file opened for
// each one, so that the record is complete up to an abrupt end.

#include <string>

#include "platform/file_system.h"

namespace setup {

class SetupLog {
public:
    // file: a Windows path; empty records nothing.
    explicit SetupLog(std::string file) : file_(std::move(file)) {}

    bool Enabled() const { return !file_.empty(); }
    // Appends text (in the ANSI code page, as the program keeps its texts) as one entry: each
    // of its lines, for text may hold line breaks of its own, gets the time stamp and a CR LF.
    // False when the file cannot be opened or written (the record then misses that entry).
    bool Write(const std::string& text);

private:
    std::string file_;
};

// A date and time as the record writes them: "yyyy-mm-dd hh:mm:ss".
std::string RecordTime(const platform::DateTime& date);
// The local time now, as a record's lines start with it.
std::string RecordTimeStamp();

}  // namespace setup
