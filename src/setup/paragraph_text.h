#pragma once
// The readme and licence files are plain text with short lines. The text viewer wraps long
// lines itself, so the lines of each paragraph are joined into one; blank lines stay, and
// list items ("-", "*") and the copyright line start lines of their own.

#include <string>
#include <vector>

namespace setup {

// Reads a text file through the platform's file system and splits it into lines at CR LF,
// LF or a lone CR. False when the file cannot be opened or read.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines);

// Joins the lines of each paragraph. A line that is empty, or whose trimmed form begins with
// "-", "*" or "COPYRIGHT" (any letter case), ends the pending paragraph and starts the next
// one (an empty line also stays as an empty line of its own); any other line is added to the
// pending paragraph, trimmed, after a blank.
std::vector<std::string> JoinParagraphs(const std::vector<std::string>& lines);

}  // namespace setup
