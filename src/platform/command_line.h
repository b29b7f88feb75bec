#pragma once
// Splitting a Windows command line into items, by the rules programs built with the usual C
// runtime apply to their own command line.

#include <string>
#include <vector>

namespace platform {

enum class FirstItem {
    Program,   // the first item is a program path: quotes group, backslashes are literal
    Argument,  // every item follows the argument rules
};

// Items of a command line. Blanks (space, tab) separate items outside quotes; a double quote
// starts or ends a quoted part ("" inside quotes is one literal quote); 2n backslashes before
// a quote give n backslashes and the quote acts, 2n+1 give n backslashes and a literal quote;
// backslashes elsewhere are literal. "" alone is an empty item.
std::vector<std::string> SplitCommandLine(const std::string& command_line, FirstItem first_item);

// Reads the item that starts at position (not a blank) by the argument rules above; position
// moves to the first character after it.
std::string ReadCommandLineItem(const std::string& command_line, size_t& position);

// What follows the program's path on a whole command line (GetCommandLineA's), as written.
std::string CommandLineAfterProgram(const std::string& command_line);

// Quotes an item so that SplitCommandLine gives it back unchanged.
std::string QuoteCommandLineItem(const std::string& item);

}  // namespace platform
