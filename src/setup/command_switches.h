#pragma once
// The switches that deployment tools pass to an installer, read beside the "-l" argument
// (which keeps its own rules): /S for a silent installation, /D=path for the destination,
// /LOG=file for a record of the run, /? for a list of the switches. Unknown items are
// ignored.

#include <string>
#include <vector>

namespace setup {

struct CommandSwitches {
    // /S: install without showing any window.
    bool silent = false;
    // /?: show the list of switches and end.
    bool help = false;
    // /D=path: the destination, taking precedence over the options file's InstallDir.
    bool destination_given = false;
    std::string destination;
    // /LOG=file: the file the run's record is appended to; empty for none.
    std::string log_file;
};

// The switches among the command-line items (after the program's path). Switch names are
// compared without regard to case. /D= takes the rest of the command line, so it comes last:
// the items after it are joined to it with one blank each, which keeps an unquoted path with
// blanks whole.
CommandSwitches ParseCommandSwitches(const std::vector<std::string>& arguments);

}  // namespace setup
