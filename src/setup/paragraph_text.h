#pragma once
// The readme and licence files are plain text with short lines. The text viewer wraps long
// lines itself, so the lines of each paragraph are joined into one; blank lines stay, and
// list items ("-", "*") and the copyright line start lines of their own.

#include <cstdint>
#include <string>
#include <vector>

namespace setup {

// A readme or licence is a few pages of text; a larger file is refused rather than read
// into memory whole (a file of hundreds of megabytes, or of 4 GB and more in the 32-bit
// program, would end in a crash).
constexpr int64_t kTextFileLimit = 4 * 1024 * 1024;

enum class TextFileRead { Read, Failed, TooLarge };

// Reads a text file through the platform's file system and splits it into lines at CR LF,
// LF or a lone CR. Failed when the file cannot be opened or read, TooLarge beyond
// kTextFileLimit bytes; lines is then empty.
TextFileRead ReadTextLines(const std::string& path, std::vector<std::string>& lines);

// Joins the lines of each paragraph. A line that is empty, or whose trimmed form begins with
// "-", "*" or "COPYRIGHT" (any letter case), ends the pending paragraph and starts the next
// one (an empty line also stays as an empty line of its own); any other line is added to the
// pending paragraph, trimmed, after a blank.
std::vector<std::string> JoinParagraphs(const std::vector<std::string>& lines);

}  // namespace setup
