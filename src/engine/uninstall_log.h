#pragma once
// The uninstall log: a text file in UNINST that tells the separate uninstaller its texts and
// every file and shortcut an installation created. The first line holds the uninstaller's
// four texts, each closed by a vertical bar; every further line is one full path. Lines end
// in CR LF, bytes are ANSI. A reinstallation into the same directory keeps the lines of the
// earlier one, takes the new header and adds only paths not yet listed (ignoring case).

#include <string>
#include <vector>

namespace engine {

class RollbackJournal;

// The header line from the four uninstaller texts.
std::string UninstallLogHeader(const std::string (&texts)[4]);

// Splits text into lines ending at CR, LF or CR LF; a last line without an ending counts.
std::vector<std::string> SplitLines(const std::string& text);

// The lines of an existing log merged with the new ones (header first, then the entries):
// the header replaced, entries not yet present (compared without regard to case) appended.
// An empty existing log takes the new header too.
std::vector<std::string> MergeLogLines(std::vector<std::string> existing, const std::vector<std::string>& log_lines);

// Writes log_lines to path, merging with an existing log. The text goes to a new file beside
// the log, is flushed, and replaces the old log in one move, so there is never a moment
// without a log; a copy of the old log is set aside through journal, so undoing the run puts
// it back. Raises InstallError when the old log cannot be read whole or the new one cannot
// be written or put in place; the run's failure path then undoes what was done here.
void WriteUninstallLog(const std::string& path, const std::vector<std::string>& log_lines, RollbackJournal& journal);

}  // namespace engine
