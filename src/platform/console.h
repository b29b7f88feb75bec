#pragma once
// The console of a command-line tool: whether standard error is a terminal (for a progress
// line), and the conversion of the program's ANSI texts to and from what the console and
// the command line use.

#include <string>

namespace platform {

// True when standard error is an interactive terminal.
bool StandardErrorIsTerminal();

// True when standard input is an interactive terminal.
bool StandardInputIsTerminal();

// Lets standard output carry bytes unchanged (no line-end translation on win32).
void SetStandardOutputBinary();

// Shows prompt on standard error and reads one line from standard input without echoing it
// (a password); the line comes back as an ANSI text. false when the input has ended.
bool ReadHiddenLine(const std::string& prompt, std::string& line);

// Makes the host's own character set the ANSI code page of a command-line tool, so that it
// keeps every character of the names it handles: UTF-8 on posix, where names then pass to the
// host byte for byte; nothing changes on win32, whose ANSI code page is the system's. Called
// first thing, before any text is converted.
void UseHostCodePage();

// An ANSI text as the console shows it (UTF-8 on posix, unchanged on win32).
std::string ConsoleText(const std::string& ansi);

// A command-line argument as an ANSI text (from UTF-8 on posix, unchanged on win32).
std::string ArgumentText(const std::string& argument);

}  // namespace platform
