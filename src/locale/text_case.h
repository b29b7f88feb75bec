#pragma once
// Letter case and blanks of 8-bit ANSI texts (names are upper-cased with
// platform::UpperCaseAnsi). Macros such as %InstallDir% are found in an upper-cased copy whose
// positions must agree with the original, which only an ASCII-only mapping guarantees.

#include <string>

namespace locale {

// The text with only the ASCII letters a to z made capitals.
std::string UpperAscii(std::string text);
// The text with only the ASCII letters A to Z made small.
std::string LowerAscii(std::string text);
// The text without the blanks and control characters (bytes up to 32) at either end.
std::string Trim(const std::string& text);

}  // namespace locale
