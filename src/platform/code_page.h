#pragma once
// The program's strings are bytes of the Windows-1251 ANSI code page. These helpers convert
// them to and from UTF-8 where they meet the host (file names on Linux, the terminal, UTF-8
// literals in the sources) and upper-case them the way the program compares names.

#include <string>

namespace platform {

// Windows-1251 bytes to UTF-8. Every byte has a meaning (0x98, unassigned, maps to U+0098).
std::string AnsiToUtf8(const std::string& ansi);

// UTF-8 to Windows-1251. A character the code page lacks, and a malformed sequence, become
// '?'; the result is never longer than the input.
std::string Utf8ToAnsi(const std::string& utf8);

// UTF-8 to Windows-1251, character for character: false when the text is not well-formed
// UTF-8 (overlong forms and surrogates included) or holds a character the code page lacks;
// ansi then holds the text with '?' in those places.
bool Utf8ToAnsiExactly(const std::string& utf8, std::string& ansi);

// True when text is well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool IsWellFormedUtf8(const std::string& text);

// One UTF-16 code unit to Windows-1251; '?' when the code page lacks it.
char WideToAnsi(char16_t wide);

// Upper case of one Windows-1251 character: ASCII letters and the Cyrillic letters of the
// code page; every other byte is returned as it is.
char UpperCaseAnsi(char character);
std::string UpperCaseAnsi(const std::string& text);

// Equality of two names without regard to letter case, in the sense of UpperCaseAnsi.
bool SameTextIgnoreCase(const std::string& left, const std::string& right);

}  // namespace platform
