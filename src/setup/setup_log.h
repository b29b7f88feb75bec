#pragma once
// The record of a run that the /LOG= switch asks for, written for the administrator who reads
// it after a deployment: the start with the command line, the program, the payload, the user,
// the language and the destination, every file the run placed, replaced, kept or could not
// place, every message the run shows (or would show, in silent mode), and the exit code.
// Every line starts with the local time and the process id ("2024-06-19 16:00:05 [4242] "),
// so that two runs given one record stay apart. The file is UTF-8, with a byte-order mark
// written when the run creates it (an existing record is appended to as it is), so paths in
// any language read right in any viewer. The file is opened once, for appending only and
// sharing reading and writing with other runs, and each line is written as it comes, so that
// the record is complete up to an abrupt end.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace setup {

class SetupLog {
public:
    // Opens file, a Windows path, for the record (FileSystem::OpenForAppend); empty records
    // nothing. The program writes with administrator rights into a file others may have
    // named, so a link or a folder at that name, a file with more than one name, or one that
    // is not where its full path says (a link on the way) is refused: Problem() tells why.
    explicit SetupLog(std::string file);
    ~SetupLog();

    bool Enabled() const { return !file_.empty(); }
    // Why the record asked for cannot be written; empty when it can (or none was asked for).
    const std::string& Problem() const { return problem_; }
    // Appends text (in the ANSI code page, as the program keeps its texts) as one entry: each
    // of its lines, for text may hold line breaks of its own, gets the time stamp and a CR LF.
    // False when there is no record or it cannot be written (the record then misses that entry).
    bool Write(const std::string& text);

private:
    void Open();

    std::string file_;
    std::unique_ptr<platform::File> handle_;
    std::string problem_;
    uint32_t process_id_ = 0;
};

// A date and time as the record writes them: "yyyy-mm-dd hh:mm:ss".
std::string RecordTime(const platform::DateTime& date);
// The local time now, as a record's lines start with it.
std::string RecordTimeStamp();

}  // namespace setup
