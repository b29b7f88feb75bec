#pragma once
// The options file: an INI file beside the setup program, named like it with ".ini", with
// which a distributor changes a few behaviours without rebuilding the program (destination,
// unattended start, environment question, final message, shortcuts, the post-install
// program, top-level archive directories to leave out).

#include <string>

#include "setup/setup_description.h"

namespace setup {

// The options file of a setup program: its path with the extension replaced by ".ini".
std::string OptionsFilePath(const std::string& program_path);

// Sets the option fields to their defaults and then reads the options file of the running
// program over them. Needs ProgramFilesDir, which replaces a %PROGRAMFILESDIR% in
// Main/InstallDir. Without the file the defaults stay.
void ReadOptions(TSetupDescription& description);

// Reads a flag written as an integer: decimal with an optional sign, or hexadecimal after
// "$" or "0x". True and the flag (non-zero) when the text is such a number; false, leaving
// flag alone, when the text is empty or not a number.
bool ParseFlag(const std::string& text, bool& flag);

// Replaces the first %PROGRAMFILESDIR%, in any letter case, by the directory.
std::string ReplaceProgramFilesMacro(const std::string& text, const std::string& program_files_dir);

}  // namespace setup
