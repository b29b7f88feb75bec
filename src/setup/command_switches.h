#pragma once
// The switches that deployment tools pass to an installer, read from the command line as
// written, beside the "-l" argument (which keeps its own rules): the silent forms (/S,
// /SILENT, /VERYSILENT, /Q, /QUIET, /QN, with "/" or "-") for an installation without any
// window, /D=path for the destination, /LOG=file for a record of the run, /CURRENTUSER for
// shortcuts in the user's own folders, /ACCEPTOLD to accept an outdated base library, /? for
// a list of the switches; /SUPPRESSMSGBOXES and /NORESTART, typed from habit, are accepted
// and change nothing (the program never restarts the machine). Any other word starting with
// "/" is an unknown switch, which the start-up refuses: a deployment tool that misspelt one
// must not get an installation it did not ask for. Other words starting with "-" and bare
// words are ignored, and the record names them.

#include <string>
#include <vector>

namespace setup {

struct CommandSwitches {
    // A silent form: install without showing any window.
    bool silent = false;
    // /?: show the list of switches and end.
    bool help = false;
    // /D=path: the destination, taking precedence over the options file's InstallDir.
    bool destination_given = false;
    std::string destination;
    // /LOG=file: the file the run's record is appended to. Given but empty, it is a record
    // that cannot be written.
    bool log_given = false;
    std::string log_file;
    // /CURRENTUSER: the program group and the desktop shortcut go to the user's own folders
    // even when the run is elevated.
    bool current_user = false;
    // /ACCEPTOLD: the question about an outdated base library is answered Yes, unasked.
    bool accept_old = false;
    // The first unknown switch as written; empty when there is none.
    std::string unknown_switch;
    // The words ignored, as written, in order.
    std::vector<std::string> ignored;
};

// The switches of the command line after the program's path, as written. Switch names are
// compared without regard to case; words follow the usual quoting rules, except the values
// of /D= and /LOG=: there backslashes are literal and the first quote closes a quoted value,
// whether the value or the whole switch is quoted ("/D=C:\Dir\" ends at its last quote). A
// value starts right after the "=" (a blank there leaves it empty); an unquoted one ends at
// the end of the line or before a blank followed by "/" (a Windows path holds no "/", so
// that is the next switch) or by a whole "-" word that is a switch (a silent form, -len,
// -lru), which keeps an unquoted path with blanks whole.
CommandSwitches ParseCommandSwitches(const std::string& command_line);

}  // namespace setup
