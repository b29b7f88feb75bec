#pragma once
// The switches that deployment tools pass to an installer, read from the command line as
// written, beside the "-l" argument (which keeps its own rules): /S for a silent
// installation, /D=path for the destination, /LOG=file for a record of the run, /CURRENTUSER
// for shortcuts in the user's own folders, /? for a list of the switches. Any other word
// starting with "/" is an unknown switch, which the start-up refuses: a deployment tool that
// misspelt one must not get an installation it did not ask for.

#include <string>

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
    // /CURRENTUSER: the program group and the desktop shortcut go to the user's own folders
    // even when the run is elevated.
    bool current_user = false;
    // The first unknown switch as written; empty when there is none.
    std::string unknown_switch;
};

// The switches of the command line after the program's path, as written. Switch names are
// compared without regard to case; items follow the usual quoting rules. /D= may stand
// anywhere: a value that starts with a quote ends at the closing quote; an unquoted one ends
// at the end of the line or before a blank followed by "/" (a Windows path holds no "/", so
// that is the next switch) or by "-l" (a language argument), which keeps an unquoted path
// with blanks whole.
CommandSwitches ParseCommandSwitches(const std::string& command_line);

}  // namespace setup
